// Group boxes fitted around their cards, and a group's own automatic layout.

#include "project_io/geometry/geometry.h"

#include "project_io/board/board.h"

#include <fmt/format.h>
#include <algorithm>
#include <cstdint>

namespace vemba_core::project_io {
namespace {

// Inner margin of a group's automatic layout, on every side.
constexpr double kAutoPadding = 24;
constexpr double kAutoGap = 32;

// The cards assigned to the group, in document order, sorted stably by
// `order`; a missing or non-integer order sorts last.
std::vector<std::size_t> members_by_order(const json::array& nodes, std::string_view id) {
  std::vector<std::pair<std::int64_t, std::size_t>> keyed;
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (opt_text_of(nodes[i], "groupId") == id) keyed.emplace_back(order_or_last(member(nodes[i], "order")), i);
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::size_t> members;
  members.reserve(keyed.size());
  for (const auto& [order, index] : keyed) members.push_back(index);
  return members;
}

}  // namespace

std::size_t fit_group_rect(json::value& doc, std::size_t group_index, const Paddings& pad) {
  json::array* groups = array_of(doc, "groups");
  const json::array* nodes = array_of(doc, "nodes");
  if (!groups || !nodes || group_index >= groups->size()) return 0;
  json::value& group = (*groups)[group_index];
  const std::optional<std::string_view> id = id_of(group);
  if (!id) return 0;
  const Rect box = group_box(group);
  std::size_t count = 0;
  std::optional<Bounds> bounds;
  for (const json::value& node : *nodes) {
    if (!is_fit_member(node, *id, box)) continue;
    ++count;
    extend_bounds(bounds, node_rect(node));
  }
  if (!bounds) return 0;
  // The id is not read past this point: writing the box may move it.
  const Bounds& b = *bounds;
  json::object& g = group.get_object();
  g["x"] = coordinate(b.min_x - pad.left);
  g["y"] = coordinate(b.min_y - pad.top - kGroupHeaderHeight);
  g["w"] = coordinate((b.max_x - b.min_x) + pad.left + pad.right);
  g["h"] = coordinate((b.max_y - b.min_y) + pad.top + pad.bottom + kGroupHeaderHeight);
  return count;
}

std::expected<std::size_t, std::string> fit_group(json::value& doc, std::string_view id, const Paddings& paddings) {
  const std::optional<std::size_t> index = find_group_index(doc, id);
  if (!index) return group_not_found(id);
  return fit_group_rect(doc, *index, paddings);
}

std::expected<std::size_t, std::string> auto_layout_group(json::value& doc, std::string_view id,
                                                          std::string_view mode) {
  const std::optional<std::size_t> index = find_group_index(doc, id);
  if (!index) return group_not_found(id);
  const json::value& group = (*array_of(doc, "groups"))[*index];
  const double x0 = number_or(group, "x", 0) + kAutoPadding;
  const double y0 = number_or(group, "y", 0) + kAutoPadding + kGroupHeaderHeight;
  std::vector<std::size_t> members;
  if (json::array* nodes = array_of(doc, "nodes")) {
    members = members_by_order(*nodes, id);
    lay_out(doc, members, mode == "stack" ? "column" : mode, kAutoGap, x0, y0);
    for (std::size_t k = 0; k < members.size(); ++k)
      (*nodes)[members[k]].get_object()["order"] = static_cast<std::int64_t>(k);
  }
  fit_group_rect(doc, *index, {kAutoPadding, kAutoPadding, kAutoPadding, kAutoPadding});
  return members.size();
}

}  // namespace vemba_core::project_io
