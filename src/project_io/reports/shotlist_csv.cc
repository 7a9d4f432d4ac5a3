// The shot-list CSV: one row per shot of every shot list, blank fields of a
// linked shot filled from its card.

#include "project_io/reports/reports.h"

#include "project_io/json/id_index.h"
#include "project_io/json/text.h"

#include <fmt/format.h>

#include <algorithm>
#include <iterator>

namespace vemba_core::project_io {
namespace {

constexpr std::string_view kHeader =
    "List,Scene,Shot,Int/Ext,Shot type,Lens,Move,Duration,Subject,Description,Done,Take\n";

bool is_blank(std::string_view text) { return trim_white(text).empty(); }

// The scene's heading, else its name, else the name of the group it was born
// from; a scene that resolves to none of them, or is not found, is named by
// the shot's own running number.
std::string scene_cell(const json::value& shot, const IdIndex& scenes, const IdIndex& groups, std::size_t k) {
  const auto scene_id = opt_text_of(shot, "sceneId");
  if (!scene_id) return {};
  if (const json::value* scene = find_in(scenes, *scene_id)) {
    if (const std::string_view heading = text_of(*scene, "heading"); !is_blank(heading)) return std::string(heading);
    if (const std::string_view name = text_of(*scene, "name"); !is_blank(name)) return std::string(name);
    const auto group_id = opt_text_of(*scene, "groupId");
    const json::value* group = group_id ? find_in(groups, *group_id) : nullptr;
    if (const auto name = group ? opt_text_of(*group, "name") : std::nullopt; name && !name->empty())
      return std::string(*name);
  }
  return fmt::format("Scene {}", k);
}

void append_row(std::string& out, std::string_view list, const json::value& shot, std::size_t k, const IdIndex& nodes,
                const IdIndex& scenes, const IdIndex& groups) {
  const auto vemba_id = opt_text_of(shot, "vembaId");
  const json::value* card = vemba_id ? find_in(nodes, *vemba_id) : nullptr;
  const auto pulled = [&](std::string_view own, std::string_view key) {
    return pull_from_linked(card, text_of(shot, own), key);
  };
  const auto take = [&]() -> std::string {
    const json::value* value = member(shot, "take");
    const auto n = integer(value);
    return n ? fmt::format("{}", *n) : std::string();
  };
  const std::string cells[] = {
      std::string(list),
      scene_cell(shot, scenes, groups, k),
      fmt::format("{}", k),
      std::string(pulled("intext", "slug")),
      std::string(pulled("shot", "shotType")),
      std::string(text_of(shot, "lens")),
      std::string(text_of(shot, "move")),
      std::string(pulled("duration", "duration")),
      std::string(text_of(shot, "subject")),
      std::string(pulled("description", "body")),
      flag_of(shot, "done") ? "yes" : "",
      take(),
  };
  static_assert(std::size(cells) == std::ranges::count(kHeader, ',') + 1, "one cell per column");
  for (std::size_t i = 0; i < std::size(cells); ++i) {
    if (i > 0) out += ',';
    out += csv_cell(cells[i]);
  }
  out += '\n';
}

}  // namespace

std::string_view pull_from_linked(const json::value* card, std::string_view own, std::string_view key) {
  if (!is_blank(own)) return own;
  return card ? text_of(*card, key) : std::string_view();
}

std::string csv_cell(std::string_view text) {
  if (text.find_first_of(",\"\n\r") == std::string_view::npos) return std::string(text);
  std::string cell = "\"";
  for (const char c : text) {
    if (c == '"') cell += '"';
    cell += c;
  }
  cell += '"';
  return cell;
}

std::expected<std::string, std::string> shotlist_csv(const json::value& doc) {
  constexpr std::string_view kNoList = "no shot list on this board \u2014 build_shot_list makes one";
  const json::array* nodes = array_of(doc, "nodes");
  if (!nodes) return std::unexpected(std::string(kNoList));
  // Only the cards the shots name are indexed, not the whole board.
  std::vector<const json::value*> lists;
  FlatSet<std::string_view> named;
  for (const json::value& list : *nodes) {
    if (opt_text_of(list, "type") != "shotlist") continue;
    lists.push_back(&list);
    if (const json::array* shots = array_of(list, "shots"))
      for (const json::value& shot : *shots)
        if (const auto vemba_id = opt_text_of(shot, "vembaId")) named.insert(*vemba_id);
  }
  if (lists.empty()) return std::unexpected(std::string(kNoList));
  IdIndex node_index;
  if (!named.empty())
    for (const json::value& node : *nodes)
      if (const auto id = id_of(node); id && named.contains(*id)) node_index.emplace(*id, &node);  // keeps the first
  const IdIndex groups = index_by_id(array_of(doc, "groups"));
  std::string out(kHeader);
  for (const json::value* list_value : lists) {
    const json::value& list = *list_value;
    const std::string_view title = opt_text_of(list, "title").value_or("Shot list");
    const IdIndex scenes = index_by_id(array_of(list, "scenes"));
    const json::array* shots = array_of(list, "shots");
    if (!shots) continue;
    for (std::size_t i = 0; i < shots->size(); ++i)
      append_row(out, title, (*shots)[i], i + 1, node_index, scenes, groups);
  }
  return out;
}

}  // namespace vemba_core::project_io
