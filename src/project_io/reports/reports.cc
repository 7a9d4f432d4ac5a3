// The integrity check: every reference that points at nothing, every media
// reference without a file behind it, and the asset files nothing names.

#include "project_io/reports/reports.h"

#include "project_io/json/id_index.h"

#include <fmt/format.h>

#include <array>

namespace vemba_core::project_io {
namespace {

using Names = FlatSet<std::string_view>;

// Ids fill the templates as they are, or as "?" when they are not texts.
std::string_view id_or_mark(const json::value& record) { return id_of(record).value_or("?"); }

bool is_data_uri(std::string_view src) { return src.starts_with("data:"); }

// What every card is checked for, and its id for the index.
enum Field { kId, kTitle, kGroupId, kImages, kSun, kType };
constexpr auto kCardKeys = std::to_array<std::string_view>({"id", "title", "groupId", "images", "sun", "type"});
static_assert(kCardKeys.size() == kType + 1, "a key per field");
using CardFields = Fields<kCardKeys.size()>;

// One walk over the document. Every set is built once, so the walk stays
// linear in the size of the document.
class Lint {
 public:
  Lint(const json::value& doc, const std::vector<std::string>& asset_names) {
    // Each card's members are walked once, for the index and for its checks.
    if (const json::array* nodes = array_of(doc, "nodes")) {
      cards_.reserve(nodes->size());
      nodes_.reserve(nodes->size());
      for (const json::value& node : *nodes) {
        const CardFields& f = cards_.emplace_back(node, kCardKeys);
        if (const auto id = opt_text(f[kId])) nodes_.emplace(*id, &node);  // keeps the first
      }
    }
    if (const json::array* groups = array_of(doc, "groups"))
      for (const json::value& group : *groups)
        if (const auto id = id_of(group)) groups_.insert(*id);
    assets_.insert(asset_names.begin(), asset_names.end());
  }

  void check_edges(const json::array& edges);
  /// Every card, in document order.
  void check_nodes(const json::array& nodes) {
    for (std::size_t i = 0; i < nodes.size(); ++i) check_node(nodes[i], cards_[i]);
  }
  void check_media(std::string_view key, const json::array& entries);

  json::array orphans(const std::vector<std::string>& asset_names) const;
  json::array take_problems() { return std::move(problems_); }

 private:
  void check_node(const json::value& node, const CardFields& f);
  void check_sun(const json::value* sun, std::string_view id, std::string_view title);
  void check_set_plan(const json::value& node, std::string_view id);
  void check_shot_list(const json::value& node, std::string_view id);
  void check_shot(const json::value& shot, std::string_view list_id, const Names& scenes);

  bool is_node(std::string_view id) const { return nodes_.contains(id); }
  bool is_group(std::string_view id) const { return groups_.contains(id); }
  /// Records the name as referenced; true when it is not an asset file.
  bool missing_file(std::string_view name) {
    referenced_.insert(name);
    return !assets_.contains(name);
  }
  /// Each text element of the record's list names a file; a data: URI is
  /// exempt, any other name not in assets/ is reported as `detail(name)`.
  template <class Detail>
  void check_file_list(const json::value& record, std::string_view key, Detail detail) {
    check_files(member(record, key), detail);
  }
  template <class Detail>
  void check_files(const json::value* list, Detail detail) {
    if (const json::array* names = array(list))
      for (const json::value& entry : *names) {
        const json::string* name = entry.if_string();
        if (name && missing_file(*name) && !is_data_uri(*name))
          report("missing-assets", detail(std::string_view(*name)));
      }
  }
  void report(std::string_view kind, std::string detail) {
    problems_.push_back(json::object{{"detail", std::move(detail)}, {"kind", kind}});
  }

  std::vector<CardFields> cards_;  // per card, in document order
  IdIndex nodes_;
  Names groups_;
  Names assets_;
  Names referenced_;
  json::array problems_;
};

void Lint::check_edges(const json::array& edges) {
  for (const json::value& edge : edges)
    for (const std::string_view end : {"from", "to"})
      if (const auto target = opt_text_of(edge, end); target && !is_node(*target) && !is_group(*target))
        report("dangling-edge", fmt::format("edge {} points at missing '{}'", end, *target));
}

void Lint::check_node(const json::value& node, const CardFields& f) {
  const std::string_view id = opt_text(f[kId]).value_or("?");
  const std::string_view title = opt_text(f[kTitle]).value_or("");
  if (const auto group = opt_text(f[kGroupId]); group && !is_group(*group))
    report("dangling-group",
           fmt::format("node {} ('{}') carries groupId '{}' which does not exist", id, title, *group));
  check_files(f[kImages], [&](std::string_view name) {
    return fmt::format("node {} ('{}') references image '{}' which is not in assets/", id, title, name);
  });
  check_sun(f[kSun], id, title);
  const auto type = opt_text(f[kType]);
  if (type == "setplan") check_set_plan(node, id);
  if (type == "shotlist") check_shot_list(node, id);
}

// The location is found as the linear lookup would: the first node with the id.
void Lint::check_sun(const json::value* sun, std::string_view id, std::string_view title) {
  const auto location_id = sun ? opt_text_of(*sun, "locationId") : std::nullopt;
  if (!location_id) return;
  const json::value* location = find_in(nodes_, *location_id);
  if (!location) {
    report("dangling-sun",
           fmt::format("vemba {} ('{}') sun-plans against missing location '{}'", id, title, *location_id));
    return;
  }
  const json::value* geo = member(*location, "geo");
  if (geo && geo->is_object()) return;
  report("unpinned-sun", fmt::format("vemba {} ('{}') sun-plans against '{}' which has no map pin", id, title,
                                     opt_text_of(*location, "title").value_or(*location_id)));
}

void Lint::check_set_plan(const json::value& node, std::string_view id) {
  if (const auto link = opt_text_of(node, "linkId"); link && !is_node(*link))
    report("dangling-plan-link", fmt::format("set plan {} links to missing node '{}'", id, *link));
  const json::value* plan = member(node, "plan");
  if (!plan) return;
  // An underlay has no data: or web exemption: the app draws only files.
  if (const auto bg = opt_text_of(*plan, "bg"); bg && missing_file(*bg))
    report("missing-assets", fmt::format("set plan {} underlay '{}' is not in assets/", id, *bg));
  if (const json::array* elements = array_of(*plan, "elements"))
    for (const json::value& element : *elements) {
      const json::value* link = member(element, "link");
      const auto target = link ? opt_text_of(*link, "id") : std::nullopt;
      if (target && !is_node(*target))
        report("dangling-element-link",
               fmt::format("set plan {} element {} links to missing node '{}'", id, id_or_mark(element), *target));
    }
}

void Lint::check_shot_list(const json::value& node, std::string_view id) {
  const json::array* scenes = array_of(node, "scenes");
  Names scene_ids;
  if (scenes)
    for (const json::value& scene : *scenes)
      if (const auto scene_id = id_of(scene)) scene_ids.insert(*scene_id);
  if (const json::array* shots = array_of(node, "shots"))
    for (const json::value& shot : *shots) check_shot(shot, id, scene_ids);
  if (!scenes) return;
  for (const json::value& scene : *scenes)
    if (const auto group = opt_text_of(scene, "groupId"); group && !is_group(*group))
      report("dangling-scene-group",
             fmt::format("scene {} on list {} was born from missing group '{}' \u2014 its heading no longer resolves",
                         id_or_mark(scene), id, *group));
}

void Lint::check_shot(const json::value& shot, std::string_view list_id, const Names& scenes) {
  const std::string_view id = id_or_mark(shot);
  if (const auto vemba = opt_text_of(shot, "vembaId"); vemba && !is_node(*vemba))
    report("dangling-shot-vemba", fmt::format("shot {} on list {} links missing vemba '{}'", id, list_id, *vemba));
  if (const auto plan = opt_text_of(shot, "setplanId"); plan && !is_node(*plan))
    report("dangling-shot-plan", fmt::format("shot {} on list {} links missing set plan '{}'", id, list_id, *plan));
  if (const auto scene = opt_text_of(shot, "sceneId"); scene && !scenes.contains(*scene))
    report("orphan-shot", fmt::format("shot {} on list {} points at missing scene '{}'", id, list_id, *scene));
  check_file_list(shot, "refs", [&](std::string_view name) {
    return fmt::format("shot {} on list {} references '{}' which is not in assets/", id, list_id, name);
  });
  // The app keeps `ref` loosely: it counts as a reference but is never reported.
  if (const auto ref = opt_text_of(shot, "ref")) referenced_.insert(*ref);
}

void Lint::check_media(std::string_view key, const json::array& entries) {
  for (const json::value& entry : entries) {
    const auto src = opt_text_of(entry, "src");
    if (src && missing_file(*src) && !is_data_uri(*src) && !src->starts_with("http"))
      report("missing-assets",
             fmt::format("{} entry {} references '{}' which is not in assets/", key, id_or_mark(entry), *src));
  }
}

json::array Lint::orphans(const std::vector<std::string>& asset_names) const {
  json::array orphans;
  for (const std::string& name : asset_names) {
    // Thumbnails belong to the desktop app, which makes them for itself.
    if (name.find(".thumb.") != std::string::npos || referenced_.contains(name)) continue;
    orphans.emplace_back(name);
  }
  return orphans;
}

}  // namespace

json::value check_project(const json::value& doc, const std::vector<std::string>& asset_names) {
  Lint lint(doc, asset_names);
  if (const json::array* edges = array_of(doc, "edges")) lint.check_edges(*edges);
  if (const json::array* nodes = array_of(doc, "nodes")) lint.check_nodes(*nodes);
  for (const std::string_view key : {"images", "mediaShelf", "documents"})
    if (const json::array* entries = array_of(doc, key)) lint.check_media(key, *entries);
  json::array orphans = lint.orphans(asset_names);
  json::array problems = lint.take_problems();
  const bool ok = problems.empty();
  return json::object{
      {"note", kOrphanNote}, {"ok", ok}, {"orphanedAssets", std::move(orphans)}, {"problems", std::move(problems)}};
}

}  // namespace vemba_core::project_io
