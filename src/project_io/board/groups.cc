// Groups: the named boxes of the board, and a card's assignment to one.

#include "project_io/board/board.h"

#include "project_io/model/document.h"

#include <fmt/format.h>
#include <algorithm>
#include <vector>

namespace vemba_core::project_io {
namespace {

// The first group with that id; the lookup matched a text `id`, so it is an object.
std::expected<json::object*, std::string> find_group(json::value& doc, std::string_view id) {
  const std::optional<std::size_t> index = find_group_index(doc, id);
  if (!index) return group_not_found(id);
  return &(*array_of(doc, "groups"))[*index].get_object();
}

bool is_box_key(std::string_view key) {
  constexpr std::string_view kKeys[] = {"x", "y", "w", "h", "name", "role", "color", "order"};
  return std::find(std::begin(kKeys), std::end(kKeys), key) != std::end(kKeys);
}

}  // namespace

std::expected<PatchResult, std::string> edit_group(json::value& doc, std::string_view id, const json::value& patch) {
  auto group = find_group(doc, id);
  if (!group) return std::unexpected(group.error());
  return walk_patch(patch, [&](std::string_view key, const json::value& value) {
    const bool flag_key = key == "hidden" || key == "hiddenInExport";
    if (!is_box_key(key) && !(flag_key && value.is_bool())) return KeyVerdict::ignored(std::string(key));
    (**group)[key] = value;
    return KeyVerdict::applied(key);
  });
}

std::expected<std::size_t, std::string> delete_group(json::value& doc, std::string_view id_arg, bool keep_children) {
  // Own the id: the caller's view may point into the group being erased.
  const std::string id(id_arg);
  const std::optional<std::size_t> index = find_group_index(doc, id);
  if (!index) return group_not_found(id);
  json::array& groups = *array_of(doc, "groups");
  groups.erase(groups.begin() + static_cast<std::ptrdiff_t>(*index));
  json::array* nodes = array_of(doc, "nodes");
  if (!nodes) return 0;
  auto assigned = [&](const json::value& node) { return opt_text_of(node, "groupId") == id; };
  if (keep_children) {
    for (json::value& node : *nodes)
      if (assigned(node)) node.get_object()["groupId"] = nullptr;
    return 0;
  }
  std::vector<std::string> removed_ids;
  std::size_t removed = 0;
  json::array kept;
  kept.reserve(nodes->size());
  for (json::value& node : *nodes) {
    if (!assigned(node)) {
      kept.push_back(std::move(node));
      continue;
    }
    ++removed;
    if (std::optional<std::string_view> card = id_of(node)) removed_ids.emplace_back(*card);
  }
  *nodes = std::move(kept);
  forget_cards(doc, removed_ids);
  return removed;
}

Status add_node_to_group(json::value& doc, std::string_view node_id, std::string_view group_id) {
  if (!find_group_index(doc, group_id)) return group_not_found(group_id);
  auto card = find_node(doc, node_id);
  if (!card) return std::unexpected(card.error());
  (**card)["groupId"] = group_id;
  return {};
}

Status remove_node_from_group(json::value& doc, std::string_view node_id) {
  auto card = find_node(doc, node_id);
  if (!card) return std::unexpected(card.error());
  (**card)["groupId"] = nullptr;
  return {};
}

}  // namespace vemba_core::project_io
