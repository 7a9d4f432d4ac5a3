// The geometry-only read of the board: cards and group boxes as they stand.

#include "project_io/geometry/geometry.h"

#include "project_io/board/board.h"

namespace vemba_core::project_io {
namespace {

json::object card_row(const json::value& node, const OwnerMap& owners) {
  const NodeSize size = node_size(node);
  const std::optional<std::string_view> id = id_of(node);
  const std::optional<std::string_view> owner = id ? owner_of(owners, *id) : std::nullopt;
  return json::object{{"id", member_or(node, "id", nullptr)},
                      {"type", node_type(node)},
                      {"title", text_of(node, "title")},
                      {"x", number_or(node, "x", 0)},
                      {"y", number_or(node, "y", 0)},
                      {"w", size.w},
                      {"h", size.h},
                      {"measured", size.measured},
                      {"groupId", member_or(node, "groupId", nullptr)},
                      {"ownerGroupId", owner ? json::value(*owner) : json::value(nullptr)}};
}

// Sizes as stored: 0.0 when missing, unlike the 400 x 280 of a group box.
json::object group_row(const json::value& group) {
  return json::object{{"id", member_or(group, "id", nullptr)}, {"name", text_of(group, "name")},
                      {"x", number_or(group, "x", 0)},         {"y", number_or(group, "y", 0)},
                      {"w", number_or(group, "w", 0)},         {"h", number_or(group, "h", 0)}};
}

}  // namespace

json::value get_positions(const json::value& doc) {
  const OwnerMap owners = node_owner_map(doc);
  json::array nodes, groups;
  if (const json::array* all = array_of(doc, "nodes")) {
    nodes.reserve(all->size());
    for (const json::value& node : *all) nodes.push_back(card_row(node, owners));
  }
  if (const json::array* all = array_of(doc, "groups")) {
    groups.reserve(all->size());
    for (const json::value& group : *all) groups.push_back(group_row(group));
  }
  return json::object{{"groups", std::move(groups)}, {"nodes", std::move(nodes)}};
}

}  // namespace vemba_core::project_io
