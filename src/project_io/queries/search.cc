// Text search over cards and group names.

#include "project_io/queries/queries.h"

#include "project_io/board/board.h"
#include "project_io/json/text.h"

#include <algorithm>

namespace vemba_core::project_io {
namespace {

constexpr std::size_t kMaxHits = 40;
constexpr std::size_t kCharsBefore = 40;
constexpr std::size_t kCharsFrom = 80;
constexpr std::string_view kEllipsis = "\u2026";

// The fields searched, in the order that decides which one gives the snippet.
constexpr std::string_view kNodeFields[] = {"title", "body", "slug", "role", "tones", "product", "shotType"};

// `tones` is a list of words; the other fields are texts.
std::string field_text(const json::value& node, std::string_view key) {
  if (key != "tones") return std::string(text_of(node, key));
  std::string joined;
  bool first = true;  // an empty word still takes its space
  if (const json::array* tones = array_of(node, key))
    for (const json::value& tone : *tones)
      if (const json::string* s = tone.if_string()) {
        if (!first) joined += ' ';
        first = false;
        joined.append(s->data(), s->size());
      }
  return joined;
}

bool matches(std::string_view text, std::string_view q) {
  return !text.empty() && to_lower(text).find(q) != std::string::npos;
}

// The characters [from, to) of valid UTF-8.
std::string_view char_range(std::string_view text, std::size_t from, std::size_t to) {
  const std::string_view tail = text.substr(take_chars(text, from).size());
  return take_chars(tail, to - from);
}

json::value hit(std::string_view id, std::string_view type, std::string_view title, std::string snippet) {
  return json::object{{"id", id}, {"type", type}, {"title", title}, {"snippet", std::move(snippet)}};
}

}  // namespace

std::string snippet_around(std::string_view text, std::string_view q) {
  const std::string lower = to_lower(text);
  const std::size_t at = lower.find(q);
  // Lower-casing may change the length, so the place is counted in the
  // lower-cased text and capped to the stored one.
  const std::size_t n = char_count(text);
  const std::size_t c = std::min(at == std::string::npos ? 0 : char_count(std::string_view(lower).substr(0, at)), n);
  const std::size_t from = c > kCharsBefore ? c - kCharsBefore : 0;
  const std::size_t to = std::min(n, c + kCharsFrom);
  std::string out;
  if (c > kCharsBefore) out += kEllipsis;
  out += char_range(text, from, to);
  if (c + kCharsFrom < n) out += kEllipsis;
  std::replace(out.begin(), out.end(), '\n', ' ');
  return out;
}

json::array search_project(const json::value& doc, std::string_view query) {
  json::array hits;
  const std::string q = to_lower(trim_white(query));
  if (q.empty()) return hits;
  if (const json::array* nodes = array_of(doc, "nodes"))
    for (const json::value& node : *nodes) {
      if (hits.size() >= kMaxHits) break;
      for (std::string_view key : kNodeFields) {
        const std::string field = field_text(node, key);
        if (!matches(field, q)) continue;
        hits.push_back(hit(text_of(node, "id"), node_type(node), text_of(node, "title"), snippet_around(field, q)));
        break;
      }
    }
  if (const json::array* groups = array_of(doc, "groups"))
    for (const json::value& group : *groups) {
      if (hits.size() >= kMaxHits) break;
      const std::string_view name = text_of(group, "name");
      if (matches(name, q)) hits.push_back(hit(text_of(group, "id"), "group", name, snippet_around(name, q)));
    }
  return hits;
}

}  // namespace vemba_core::project_io
