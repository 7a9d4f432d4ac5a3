#include "project_io/render/render.h"

#include "project_io/board/board.h"
#include "project_io/render/drawing.h"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>

namespace vemba_core::project_io {

using vemba_util::Picture;

namespace {

constexpr double kMaxEdge = 1200;
constexpr double kGroupMargin = 24;
constexpr double kBoardMargin = 40;
constexpr Pixel kMinHeader = 3;
// The app rounds cards by 14.
constexpr double kCardRadiusUnits = 14;
constexpr Pixel kMinCardRadius = 2;

constexpr Rgb kGroupFill{0xF9, 0xF7, 0xF3};
constexpr Rgb kGroupHeader{0xD8, 0xCE, 0xBE};
constexpr Rgb kGroupOutline{0xA5, 0x9B, 0x8C};
constexpr Rgb kEdgeLine{0x96, 0x92, 0x8A};

struct CardColours {
  std::string_view type;
  Rgb border;
  Rgb fill;
};

constexpr CardColours kCardColours[] = {
    {"note", {0xC4, 0xB0, 0x6A}, {0xFB, 0xE8, 0x9E}},      {"prop", {0xAC, 0x9E, 0xC0}, {0xEC, 0xE6, 0xF3}},
    {"title", {0xAA, 0xAA, 0xAA}, {0xFF, 0xFF, 0xFF}},     {"thought", {0x9A, 0xB0, 0xD0}, {0xE4, 0xEC, 0xF7}},
    {"gallery", {0xA8, 0xA8, 0xA8}, {0xE9, 0xE9, 0xE9}},   {"palette", {0xBE, 0xAC, 0x96}, {0xF7, 0xEF, 0xE5}},
    {"setplan", {0xB6, 0xB0, 0xA0}, {0xFB, 0xFA, 0xF6}},   {"location", {0x9A, 0xB8, 0x92}, {0xE3, 0xEF, 0xDF}},
    {"character", {0xB4, 0x9C, 0xBA}, {0xF0, 0xE4, 0xF2}},
};
// Story cards and every type without colours of its own.
constexpr CardColours kStoryColours{"vemba", {0xBC, 0xAA, 0x94}, {0xF5, 0xED, 0xE2}};

const CardColours& colours_of(std::string_view type) {
  for (const CardColours& c : kCardColours)
    if (c.type == type) return c;
  return kStoryColours;
}

// The nearest integer, halves away from zero, saturated; NaN (an infinite
// view times a zero scale) reads as 0.
Pixel nearest(double v) {
  if (std::isnan(v)) return 0;
  const double r = std::round(v);
  if (r >= 0x1p63) return std::numeric_limits<Pixel>::max();
  if (r <= -0x1p63) return std::numeric_limits<Pixel>::min();
  return static_cast<Pixel>(r);
}

// Rounded up and at least 1. Capped at the long edge: the scaled view can
// overshoot 1200 by a rounding error (a view 2129 wide gives 1200.0000000000002).
std::uint32_t picture_side(double scaled) {
  const double up = std::ceil(scaled);
  return up >= 1 ? static_cast<std::uint32_t>(std::min(up, kMaxEdge)) : 1;
}

struct View {
  Rect area;
  double scale;

  Pixel column(double x) const { return nearest((x - area.x) * scale); }
  Pixel row(double y) const { return nearest((y - area.y) * scale); }
};

struct PixelBox {
  Pixel x0, y0, x1, y1;
};

PixelBox pixel_box(const View& view, const Rect& r) {
  return {view.column(r.x), view.row(r.y), view.column(r.x + r.w), view.row(r.y + r.h)};
}

// Every card box and group box with a margin; edges and embeds do not count.
std::expected<Rect, std::string> board_area(const json::value& doc) {
  std::optional<Bounds> bounds;
  for (const json::value& node : array_or_empty(doc, "nodes")) extend_bounds(bounds, node_rect(node));
  for (const json::value& group : array_or_empty(doc, "groups")) extend_bounds(bounds, group_box(group));
  if (!bounds) return std::unexpected("board is empty \u2014 nothing to render");
  const auto [min_x, min_y, max_x, max_y] = *bounds;
  return Rect{min_x - kBoardMargin, min_y - kBoardMargin, max_x - min_x + 2 * kBoardMargin,
              max_y - min_y + 2 * kBoardMargin};
}

std::expected<Rect, std::string> view_area(const json::value& doc, std::optional<std::string_view> group_id,
                                           std::optional<Rect> rect) {
  if (rect) return *rect;
  if (!group_id) return board_area(doc);
  const std::optional<std::size_t> index = find_group_index(doc, *group_id);
  if (!index) return group_not_found(*group_id);
  const Rect box = group_box((*array_of(doc, "groups"))[*index]);
  return Rect{box.x - kGroupMargin, box.y - kGroupMargin, box.w + 2 * kGroupMargin, box.h + 2 * kGroupMargin};
}

void draw_group(Picture& picture, const PixelBox& b, Pixel header) {
  fill_round_rect(picture, b.x0, b.y0, b.x1, b.y1, 0, kGroupFill);
  fill_round_rect(picture, b.x0, b.y0, b.x1, std::min(b.y1, saturated(Wide(b.y0) + header)), 0, kGroupHeader);
  const Pixel right = saturated(Wide(b.x1) - 1), bottom = saturated(Wide(b.y1) - 1);
  for (Pixel x = std::max<Pixel>(b.x0, 0), end = std::min<Pixel>(picture.width, b.x1); x < end; ++x) {
    set_pixel(picture, x, b.y0, kGroupOutline);
    set_pixel(picture, x, bottom, kGroupOutline);
  }
  for (Pixel y = std::max<Pixel>(b.y0, 0), end = std::min<Pixel>(picture.height, b.y1); y < end; ++y) {
    set_pixel(picture, b.x0, y, kGroupOutline);
    set_pixel(picture, right, y, kGroupOutline);
  }
}

// Error-diffusion line, eight-connected. The step budget keeps an end far
// outside a cropped view from costing more than the picture's size.
void draw_line(Picture& picture, Pixel x0, Pixel y0, Pixel x1, Pixel y1) {
  const Wide dx = x1 > x0 ? Wide(x1) - x0 : Wide(x0) - x1;
  const Wide dy = -(y1 > y0 ? Wide(y1) - y0 : Wide(y0) - y1);
  const Pixel sx = x1 > x0 ? 1 : -1, sy = y1 > y0 ? 1 : -1;
  Wide err = dx + dy;
  Pixel x = x0, y = y0;  // stays between the two ends
  for (std::uint64_t budget = std::uint64_t{picture.width} + picture.height + 4;; --budget) {
    set_pixel(picture, x, y, kEdgeLine);
    if ((x == x1 && y == y1) || budget == 0) return;
    const Wide e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

// Edges between two cards, from centre to centre; an end naming no card (a
// group, say) skips the edge.
void draw_edges(Picture& picture, const View& view, const json::array& nodes, const json::array& edges) {
  std::unordered_map<std::string_view, std::pair<Pixel, Pixel>> centres;
  centres.reserve(nodes.size());
  for (const json::value& node : nodes)
    if (const std::optional<std::string_view> id = id_of(node)) {
      const Rect r = node_rect(node);
      centres.try_emplace(*id, view.column(r.x + r.w * 0.5), view.row(r.y + r.h * 0.5));
    }
  auto centre = [&](const json::value& edge, std::string_view key) -> const std::pair<Pixel, Pixel>* {
    const std::optional<std::string_view> id = opt_text_of(edge, key);
    auto it = id ? centres.find(*id) : centres.end();
    return it == centres.end() ? nullptr : &it->second;
  };
  for (const json::value& edge : edges) {
    const auto* from = centre(edge, "from");
    const auto* to = centre(edge, "to");
    if (from && to) draw_line(picture, from->first, from->second, to->first, to->second);
  }
}

void draw_card(Picture& picture, const PixelBox& b, Pixel radius, const CardColours& colours) {
  fill_round_rect(picture, b.x0, b.y0, b.x1, b.y1, radius, colours.border);
  fill_round_rect(picture, saturated(Wide(b.x0) + 1), saturated(Wide(b.y0) + 1), saturated(Wide(b.x1) - 1),
                  saturated(Wide(b.y1) - 1), radius - 1, colours.fill);
}

// Groups first, then edges, then cards, each in document order, so later
// cards cover earlier ones and only the stretch of an edge between two cards
// shows.
void draw_board(Picture& picture, const View& view, const json::value& doc) {
  const Pixel header = std::max(nearest(kGroupHeaderHeight * view.scale), kMinHeader);
  for (const json::value& group : array_or_empty(doc, "groups"))
    draw_group(picture, pixel_box(view, group_box(group)), header);
  const json::array& nodes = array_or_empty(doc, "nodes");
  draw_edges(picture, view, nodes, array_or_empty(doc, "edges"));
  const Pixel radius = std::max(nearest(kCardRadiusUnits * view.scale), kMinCardRadius);
  for (const json::value& node : nodes)
    draw_card(picture, pixel_box(view, node_rect(node)), radius, colours_of(node_type(node)));
}

}  // namespace

std::expected<std::string, std::string> render_board(const json::value& doc, std::optional<std::string_view> group_id,
                                                     std::optional<Rect> rect) {
  const std::expected<Rect, std::string> area = view_area(doc, group_id, rect);
  if (!area) return std::unexpected(area.error());
  if (!(area->w > 0 && area->h > 0)) return std::unexpected("invalid render rect (w/h must be > 0)");
  const View view{*area, std::min(kMaxEdge / std::max(area->w, area->h), 1.0)};
  Picture picture = blank_picture(picture_side(area->w * view.scale), picture_side(area->h * view.scale));

  draw_board(picture, view, doc);
  std::expected<std::string, std::string> png = vemba_util::encode_png(picture, vemba_util::PngEffort::kFast);
  if (!png) return std::unexpected(fmt::format("encode png: {}", png.error()));
  return png;
}

}  // namespace vemba_core::project_io
