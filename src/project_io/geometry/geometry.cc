#include "project_io/geometry/geometry.h"

#include "project_io/board/board.h"
#include "project_io/json/text.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

// The estimates below mirror how the desktop app lays a card out (header,
// image strip, text lines, footer) so a card the app has not measured yet
// still gets close to its drawn size. Every sum is written in the app's
// order: floating results depend on it in the last bits.
namespace vemba_core::project_io {
namespace {

// A number member that counts only when above 0.
std::optional<double> positive(const json::value& node, std::string_view key) {
  std::optional<double> v = number_of(node, key);
  return v && *v > 0 ? v : std::nullopt;
}

std::size_t count_of(const json::value& node, std::string_view key) {
  const json::array* a = array_of(node, key);
  return a ? a->size() : 0;
}

double type_width(const json::value& node, std::string_view type) {
  if (type == "note") return 220;
  if (type == "prop" || type == "location" || type == "character") return 260;
  if (type == "title") return 380;
  if (type == "thought") return 240;
  if (type == "gallery") return 420;
  if (type == "setplan") return 320;
  if (type == "palette") {
    const json::array* colors = array_of(node, "colors");
    if (!colors) return 340;
    const double swatches = static_cast<double>(std::max<std::size_t>(colors->size(), 6));
    return std::clamp(swatches * 46 + 64, 240.0, 600.0);
  }
  return 300;
}

// Wrapped line count of the body: each line-feed piece takes at least one
// line, longer pieces ceil(characters / per_line). One pass, no allocation.
double body_lines(std::string_view body, double per_line) {
  double lines = 0;
  std::size_t chars = 0;
  auto close_piece = [&] { lines += std::max(std::ceil(static_cast<double>(chars) / per_line), 1.0); };
  for (char c : body) {
    if (c == '\n') {
      close_piece();
      chars = 0;
    } else if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++chars;
    }
  }
  close_piece();
  return lines;
}

struct Terms {
  double w;
  double inner;
  double image;                  // width of one image in the strip
  double n;                      // image count
  std::optional<double> body_h;  // the app's stored body height
  double s;                      // color band allowance
};

// Height of story cards and every type without a rule of its own.
double text_card_height(const json::value& node, const Terms& t) {
  const double per_line = std::max(std::floor(t.inner / 7), 8.0);
  const double lines = body_lines(text_of(node, "body"), per_line);
  const double text = std::max(20 * lines, 24.0);
  const double seq = flag_of(node, "seqStart") ? 30 : 0;
  const std::size_t docs = count_of(node, "documents");
  const double doc_rows = docs == 0 ? 0 : std::ceil(static_cast<double>(docs) / 2) * 30 + 8;
  const double images = (t.image + 8) * t.n + 9 + 36;
  const double middle = text + t.s + seq + 233;
  return images + middle + doc_rows + 27 + 45 + 2;
}

// Props, locations and characters: a base, the image strip and a body box.
double element_card_height(const json::value& node, std::string_view type, const Terms& t) {
  double base = 70;
  double shown = t.n;
  if (type == "location") {
    if (!text_of(node, "mapThumb").empty()) base = 220;
  } else if (type == "character") {
    const double role = trim_white(text_of(node, "role")).empty() ? 0 : 30;
    base = (t.n > 0 ? 119.0 : 61.0) + role + 9;
    shown = t.n > 0 ? t.n - 1 : 0;  // the first image is the portrait in the base
  }
  const double body = t.body_h ? std::max(*t.body_h, 70.0) : 70;
  return base + (t.image + 6) * shown + 36 + 8 + body + 27 + 2 + t.s;
}

double estimated_height(const json::value& node, std::string_view type, const Terms& t) {
  if (type == "note") return t.body_h ? std::max(*t.body_h, 80.0) + 61 + 14 + 27 + 2 : 184;
  if (type == "title") return t.s + 162;
  if (type == "palette") return 191;
  if (type == "gallery") {
    if (t.n == 0) return t.s + 180;
    const double grid = t.body_h ? *t.body_h : t.inner * 0.75;
    return grid + 54 + 70 + 44 + 37 + 27 + 2 + t.s;
  }
  if (type == "thought") {
    const double body = t.body_h ? std::max(*t.body_h, 70.0) + 89 : 185;
    return (t.image + 8) * t.n + 14 + 36 + body + 27 + 2 + t.s;
  }
  if (type == "setplan") {
    const double body = t.body_h ? std::max(*t.body_h, 70.0) : 96;
    return (t.w - 16) / 1.5 + 6 + 61 + 38 + 9 + body + 27 + 2 + t.s;
  }
  if (type == "prop" || type == "location" || type == "character") return element_card_height(node, type, t);
  if (flag_of(node, "collapsed")) return t.s + 89;
  return text_card_height(node, t);
}

}  // namespace

NodeSize node_size(const json::value& node) {
  const std::optional<double> rw = positive(node, "renderedW");
  const std::optional<double> rh = positive(node, "renderedH");
  if (rw && rh) return {*rw, *rh, true};

  const std::string_view type = node_type(node);
  Terms t{};
  t.w = positive(node, "w").value_or(type_width(node, type));
  t.inner = std::max(t.w - 24, 40.0);
  t.image = std::min(t.inner * 0.62, 300.0);
  t.n = static_cast<double>(count_of(node, "images"));
  t.body_h = positive(node, "bodyH");
  const bool tinted = !text_of(node, "color").empty() && opt_text_of(node, "colorMode") != "full";
  t.s = tinted ? 13 : 0;

  double h = estimated_height(node, type, t);
  if (std::optional<double> stored = positive(node, "h")) h = std::max(*stored, h);
  return {t.w, h, false};
}

}  // namespace vemba_core::project_io
