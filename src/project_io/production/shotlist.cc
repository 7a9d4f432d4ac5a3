#include "project_io/production/production.h"

#include "project_io/model/document.h"

#include <fmt/format.h>
#include <algorithm>
#include <iterator>

namespace vemba_core::project_io {
namespace {

/// The shot's free texts, in the order `fields` is read.
constexpr std::string_view kShotTexts[] = {"intext",   "shot",    "lens",        "move",
                                           "duration", "subject", "description", "script"};

enum class Accept { kText, kTextOrNull, kFlag, kTake, kShootOrder };

struct ShotKey {
  std::string_view key;
  Accept accept;
};

// Every other key, `id`, `custom` and `refs` among them, is refused.
constexpr ShotKey kShotKeys[] = {
    {"intext", Accept::kText},
    {"shot", Accept::kText},
    {"lens", Accept::kText},
    {"move", Accept::kText},
    {"duration", Accept::kText},
    {"subject", Accept::kText},
    {"description", Accept::kText},
    {"script", Accept::kText},
    {"obs", Accept::kText},
    {"ref", Accept::kTextOrNull},
    {"vembaId", Accept::kTextOrNull},
    {"sceneId", Accept::kTextOrNull},
    {"setplanId", Accept::kTextOrNull},
    {"done", Accept::kFlag},
    {"skipped", Accept::kFlag},
    {"take", Accept::kTake},
    {"shootOrder", Accept::kShootOrder},
};

bool accepts(Accept accept, const json::value& v) {
  switch (accept) {
    case Accept::kText:
      return v.is_string();
    case Accept::kTextOrNull:
      return v.is_string() || v.is_null();
    case Accept::kFlag:
      return v.is_bool();
    case Accept::kTake: {
      const std::optional<std::int64_t> n = as_integer(v);
      return v.is_null() || (n && *n >= 1);
    }
    case Accept::kShootOrder:
      return v.is_null() || as_integer(v).has_value();
  }
  return false;
}

bool shot_accepts(std::string_view key, const json::value& v) {
  auto it = std::ranges::find(kShotKeys, key, &ShotKey::key);
  return it != std::end(kShotKeys) && accepts(it->accept, v);
}

// The shape alone: "99:99" passes, "9:30" does not.
bool is_clock(const json::value& v) {
  const json::string* s = v.if_string();
  if (!s || s->size() != 5 || (*s)[2] != ':') return false;
  for (const char c : {(*s)[0], (*s)[1], (*s)[3], (*s)[4]})
    if (c < '0' || c > '9') return false;
  return true;
}

bool is_text_in(const json::value& v, std::string_view a, std::string_view b) {
  const json::string* s = v.if_string();
  return s && (*s == a || *s == b);
}

/// The rejected entry for a list key, or none when the value is taken.
std::optional<std::string> list_refusal(std::string_view key, const json::value& v) {
  bool ok = false;
  if (key == "title") {
    ok = v.is_string();
  } else if (key == "callTime") {
    if (v.is_null() || is_clock(v)) return std::nullopt;
    return fmt::format("{} (must be 'HH:MM' or null)", key);
  } else if (key == "orderMode") {
    ok = is_text_in(v, "story", "custom");
  } else if (key == "numberStyle") {
    ok = is_text_in(v, "scene", "flat");
  }
  return ok ? std::nullopt : std::optional<std::string>(key);
}

json::value optional_text(std::optional<std::string_view> text) {
  return text ? json::value(*text) : json::value(nullptr);
}

/// The list node at a position `shotlist_index` returned.
json::value& node_at(json::value& doc, std::size_t index) { return (*array_of(doc, "nodes"))[index]; }

/// The text ids of the records.
template <class IdSet>
IdSet text_ids(const json::array* records) {
  IdSet ids;
  if (records) {
    ids.reserve(records->size());
    for (const json::value& record : *records)
      if (const std::optional<std::string_view> id = id_of(record)) ids.emplace(*id);
  }
  return ids;
}

template <class IdSet>
const IdSet& lazily(std::optional<IdSet>& ids, const json::array* records) {
  if (!ids) ids = text_ids<IdSet>(records);
  return *ids;
}

json::object new_shot(std::string id, std::string_view scene_id, std::optional<std::string_view> vemba_id,
                      const json::value& fields) {
  json::object shot;
  shot["id"] = std::move(id);
  shot["sceneId"] = scene_id;
  for (std::string_view key : kShotTexts) shot[key] = "";
  shot["ref"] = nullptr;
  shot["vembaId"] = optional_text(vemba_id);
  shot["setplanId"] = nullptr;
  shot["custom"] = json::object();
  if (fields.is_object()) {
    for (std::string_view key : kShotTexts)
      if (std::optional<std::string_view> text = opt_text_of(fields, key)) shot[key] = *text;
    if (std::optional<std::string_view> ref = opt_text_of(fields, "ref")) shot["ref"] = *ref;
  }
  return shot;
}

}  // namespace

std::expected<std::size_t, std::string> shotlist_index(const json::value& doc, std::string_view list_id) {
  const std::optional<std::size_t> index = find_node_index(doc, list_id);
  if (!index) return node_not_found(list_id);
  const std::string_view type = node_type((*array_of(doc, "nodes"))[*index]);
  if (type != "shotlist") return std::unexpected(fmt::format("node {} is a {}, not a shotlist", list_id, type));
  return *index;
}

std::expected<ShotListAdder, std::string> ShotListAdder::open(json::value& doc, std::string_view list_id) {
  const auto index = shotlist_index(doc, list_id);
  if (!index) return std::unexpected(index.error());
  return ShotListAdder(doc, *index);
}

json::value& ShotListAdder::list() { return node_at(*doc_, index_); }

std::expected<std::string, std::string> ShotListAdder::add_scene(std::string_view name,
                                                                 std::optional<std::string_view> group_id) {
  if (group_id && !lazily(groups_, array_of(*doc_, "groups")).contains(*group_id)) return group_not_found(*group_id);
  std::string id = fmt::format("sc{}", uids_.next(*doc_));
  // A bound scene shows its group's name, so it keeps none of its own.
  json::object scene{{"id", id},         {"heading", ""},      {"name", group_id ? "" : name},
                     {"color", nullptr}, {"collapsed", false}, {"linkIds", json::array()}};
  scene["groupId"] = optional_text(group_id);
  // The lookup matched a text `id`, so the list is an object.
  json::value& scenes = list().get_object()["scenes"];
  if (!scenes.is_array()) {
    scenes = json::array();
    scenes_.reset();
  }
  scenes.get_array().push_back(std::move(scene));
  if (scenes_) scenes_->insert(id);
  return id;
}

// The given scene when the list has it, else its first scene with a text id.
std::expected<std::string, std::string> ShotListAdder::pick_scene(std::optional<std::string_view> scene_id) {
  const json::array* scenes = array_of(list(), "scenes");
  if (scene_id) {
    if (lazily(scenes_, scenes).contains(*scene_id)) return std::string(*scene_id);
    return std::unexpected(fmt::format("scene not found on this list: {}", *scene_id));
  }
  if (scenes)
    for (const json::value& scene : *scenes)
      if (const std::optional<std::string_view> id = id_of(scene)) return std::string(*id);
  return add_scene("", std::nullopt);
}

std::expected<std::string, std::string> ShotListAdder::add_shot(std::optional<std::string_view> scene_id,
                                                                std::optional<std::string_view> vemba_id,
                                                                const json::value& fields) {
  if (vemba_id && !lazily(cards_, array_of(*doc_, "nodes")).contains(*vemba_id)) return not_found("vemba", *vemba_id);
  const auto scene = pick_scene(scene_id);
  if (!scene) return std::unexpected(scene.error());
  json::array* shots = array_of(list(), "shots");
  if (!shots) return not_array("shots");
  // Asked after any new scene is in, so the two never share a number.
  std::string id = fmt::format("sh{}", uids_.next(*doc_));
  shots->push_back(new_shot(id, *scene, vemba_id, fields));
  return id;
}

std::expected<std::string, std::string> add_scene(json::value& doc, std::string_view list_id, std::string_view name,
                                                  std::optional<std::string_view> group_id) {
  auto adder = ShotListAdder::open(doc, list_id);
  if (!adder) return std::unexpected(adder.error());
  return adder->add_scene(name, group_id);
}

std::expected<std::string, std::string> add_shot(json::value& doc, std::string_view list_id,
                                                 std::optional<std::string_view> scene_id,
                                                 std::optional<std::string_view> vemba_id, const json::value& fields) {
  auto adder = ShotListAdder::open(doc, list_id);
  if (!adder) return std::unexpected(adder.error());
  return adder->add_shot(scene_id, vemba_id, fields);
}

std::expected<PatchResult, std::string> edit_shot(json::value& doc, std::string_view list_id, std::string_view shot_id,
                                                  const json::value& patch) {
  const auto index = shotlist_index(doc, list_id);
  if (!index) return std::unexpected(index.error());
  json::array* shots = array_of(node_at(doc, *index), "shots");
  if (!shots) return not_array("shots");
  const std::optional<std::size_t> at = find_by_id(*shots, shot_id);
  if (!at) return not_found("shot", shot_id);
  // The lookup matched a text `id`, so the element is an object.
  json::object& shot = (*shots)[*at].get_object();
  return walk_patch(patch, [&](std::string_view key, const json::value& value) {
    if (!shot_accepts(key, value)) return KeyVerdict::ignored(std::string(key));
    shot[key] = value;
    return KeyVerdict::applied(key);
  });
}

std::expected<PatchResult, std::string> edit_shot_list(json::value& doc, std::string_view list_id,
                                                       const json::value& patch) {
  const auto index = shotlist_index(doc, list_id);
  if (!index) return std::unexpected(index.error());
  json::object& list = node_at(doc, *index).get_object();
  return walk_patch(patch, [&](std::string_view key, const json::value& value) {
    if (std::optional<std::string> refusal = list_refusal(key, value)) return KeyVerdict::ignored(std::move(*refusal));
    list[key] = value;
    return KeyVerdict::applied(key);
  });
}

}  // namespace vemba_core::project_io
