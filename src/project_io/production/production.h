#pragma once
// Production documents kept inside their cards. Shot lists: the scenes and
// shots of a "shotlist" card, their edits, and building a whole list from the
// board's story cards. Set plans: the default plan, finding and repairing a
// card's plan, the one-line summary, the read, the whole-plan replacement and
// the element edits.

#include "project_io/board/board.h"
#include "project_io/geometry/geometry.h"
#include "project_io/model/document.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace vemba_core::project_io {

/// Position in `nodes` of the first card with that id; it must be a shot
/// list ("node not found: {id}", "node {id} is a {type}, not a shotlist").
std::expected<std::size_t, std::string> shotlist_index(const json::value& doc, std::string_view list_id);

/// Adds scenes and shots to one shot list as add_scene and add_shot do,
/// looking the list, the groups, the cards and the list's scene ids up once
/// and counting ids on from one scan, so that many additions stay linear.
/// Nothing else may change the document while it is in use.
class ShotListAdder {
 public:
  /// shotlist_index's errors.
  static std::expected<ShotListAdder, std::string> open(json::value& doc, std::string_view list_id);

  std::expected<std::string, std::string> add_scene(std::string_view name, std::optional<std::string_view> group_id);
  std::expected<std::string, std::string> add_shot(std::optional<std::string_view> scene_id,
                                                   std::optional<std::string_view> vemba_id, const json::value& fields);

 private:
  using IdSet = std::unordered_set<std::string, TextHash, std::equal_to<>>;

  ShotListAdder(json::value& doc, std::size_t index) : doc_(&doc), index_(index) {}
  json::value& list();
  std::expected<std::string, std::string> pick_scene(std::optional<std::string_view> scene_id);

  json::value* doc_;
  std::size_t index_;
  UidSequence uids_;
  // Built on first use; owned copies, as new keys on the list move its strings.
  std::optional<IdSet> groups_, cards_, scenes_;
};

/// Appends a scene to the list; with a group the scene is bound to it and
/// takes no name. Returns the new scene id.
std::expected<std::string, std::string> add_scene(json::value& doc, std::string_view list_id, std::string_view name,
                                                  std::optional<std::string_view> group_id);

/// Appends a shot to the given scene of the list, else to its first scene,
/// else to a new loose scene. Only the text fields of an object `fields`
/// are taken. Returns the new shot id.
std::expected<std::string, std::string> add_shot(json::value& doc, std::string_view list_id,
                                                 std::optional<std::string_view> scene_id,
                                                 std::optional<std::string_view> vemba_id, const json::value& fields);

/// Patches the first shot with that id; `ignored` holds the refused keys.
std::expected<PatchResult, std::string> edit_shot(json::value& doc, std::string_view list_id, std::string_view shot_id,
                                                  const json::value& patch);

/// Patches the list's title, callTime, orderMode and numberStyle.
std::expected<PatchResult, std::string> edit_shot_list(json::value& doc, std::string_view list_id,
                                                       const json::value& patch);

struct BuiltShotList {
  std::string list_id;
  std::uint64_t scenes = 0;
  std::uint64_t shots = 0;
};

/// One scene per `groupId` of the chosen story cards (read left to right)
/// and one linked shot per card, appended to `list_id` or to a new list.
/// Cards are chosen by `group_id` when given, else by `node_ids`, else all.
/// A failure after the first change leaves a partly built list behind.
std::expected<BuiltShotList, std::string> build_shot_list(json::value& doc, std::optional<std::string_view> list_id,
                                                          std::optional<std::string_view> group_id,
                                                          const std::optional<std::vector<std::string_view>>& node_ids);

// ---- Set plans (setplan.cc, plan_elements.cc) ------------------------------

/// The plan of the first card with that id, which must be a set plan ("node
/// not found: {id}", "node {id} is not a setplan"). A plan that is not an
/// object becomes the default plan and `elements` that is not an array an
/// empty one, in the document.
std::expected<json::object*, std::string> plan_of(json::value& doc, std::string_view node_id);

/// 'Set Plan "Stage": 5.0×3.5 m room, 0 elements, rays off, light floor.'
/// Reads whatever `plan` holds leniently.
std::string summarize_set_plan(std::string_view title, const json::value& plan);

/// The summary, an empty line and the plan as pretty JSON (the default plan
/// when the card has none). Changes nothing.
std::expected<std::string, std::string> read_set_plan(const json::value& doc, std::string_view node_id);

/// Replaces the card's plan whole with `plan`, which must be an object; an
/// unusable `sensorW` keeps the old plan's. Returns the summary.
std::expected<std::string, std::string> edit_set_plan(json::value& doc, std::string_view node_id,
                                                      const json::value& plan);

/// Appends a copy of `element` with a new id and default x, y, rot; its
/// `kind` must be one of the ten kinds. Returns the new id.
std::expected<std::string, std::string> add_plan_element(json::value& doc, std::string_view node_id,
                                                         const json::value& element);
/// Stores every patch key but `id` in the first element with that id;
/// returns the keys applied.
std::expected<std::vector<std::string>, std::string> edit_plan_element(json::value& doc, std::string_view node_id,
                                                                       std::string_view element_id,
                                                                       const json::value& patch);
/// Removes every element with that id.
Status remove_plan_element(json::value& doc, std::string_view node_id, std::string_view element_id);

}  // namespace vemba_core::project_io
