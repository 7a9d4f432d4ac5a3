// The 29 editing tools in memory: each reads its arguments by kind, calls its
// one operation and builds its message.

#include "vemba_connector/tools/mutation_engine.h"

#include "project_io/geometry/geometry.h"
#include "project_io/production/production.h"
#include "project_io/store/store.h"
#include "vemba_connector/tools/catalogue.h"

#include <fmt/format.h>

#include <variant>

namespace vemba_connector {
namespace {

namespace io = vemba_core::project_io;
namespace msg = messages;

template <class T>
Outcome failure(const std::expected<T, std::string>& r) {
  return std::unexpected(r.error());
}

/// An id or a count filled into its message.
template <class T>
Outcome with_value(const std::expected<T, std::string>& r, std::string_view message) {
  return r ? Outcome(msg::fill(message, *r)) : failure(r);
}

Outcome with_keys(const std::expected<io::PatchResult, std::string>& r) {
  return r ? Outcome(msg::applied_and_ignored(*r)) : failure(r);
}

Outcome with_message(const io::Status& r, std::string_view message) {
  return r ? Outcome(std::string(message)) : failure(r);
}

/// The outcome of an edit that changed no id and kept the cards in order
/// (fields and positions only), which the index is told.
Outcome ids_and_order_kept(Edit& e, Outcome outcome) {
  if (outcome) e.index.ids_and_order_kept();
  return outcome;
}

}  // namespace

namespace edits {

// ---- Cards ----------------------------------------------------------------

Outcome add_vemba(Edit& e) {
  const auto title = e.args.text("title");
  const auto body = e.args.text("body");
  const auto after = e.args.opt_text("after");
  return with_value(io::add_vemba(e.state, title, body, after, e.index), msg::kAddedVemba);
}

Outcome edit_vemba(Edit& e) {
  const auto id = e.args.text("vembaId");
  // Checked before the edit, and shown only when the edit succeeds.
  const auto missing = missing_images(e.library, e.folder, e.args.object("patch"));
  const json::value& patch = e.args.object("patch");
  auto keys = io::edit_vemba(e.state, id, patch, e.index);
  if (!keys) return failure(keys);
  return ids_and_order_kept(e, msg::edit_vemba(*keys, missing, e.state, e.index.find_node(id)));
}

Outcome connect_vembas(Edit& e) {
  const auto from = e.args.text("from");
  const auto to = e.args.text("to");
  const auto type = e.args.text_or("type", "continues");
  const auto label = e.args.text("label");
  const auto condition = e.args.opt_text("condition");
  return ids_and_order_kept(
      e, with_message(io::connect_vembas(e.state, from, to, type, label, condition), msg::kConnected));
}

Outcome add_node(Edit& e) {
  const auto kind = e.args.text("kind");
  const auto title = e.args.text("title");
  const auto body = e.args.text("body");
  return with_value(io::add_node(e.state, kind, title, body, e.index), msg::kAddedNode);
}

Outcome convert_node_type(Edit& e) {
  const auto id = e.args.text("nodeId");
  const auto new_type = e.args.text("newType");
  auto done = io::convert_node_type(e.state, id, new_type);
  if (!done) return failure(done);
  return ids_and_order_kept(e, msg::converted(e.state, id, new_type));
}

Outcome delete_node(Edit& e) {
  const auto id = e.args.text("nodeId");
  return with_value(io::delete_node(e.state, id), msg::kDeletedNode);
}

Outcome move_node(Edit& e) {
  const auto id = e.args.text("nodeId");
  const double x = e.args.number_or("x", 0);
  const double y = e.args.number_or("y", 0);
  return ids_and_order_kept(e, with_message(io::move_node(e.state, id, x, y, e.index), msg::kNodeMoved));
}

Outcome reorder_node(Edit& e) {
  const auto id = e.args.text("nodeId");
  const std::int64_t order = e.args.integer("order");
  return ids_and_order_kept(e, with_message(io::reorder_node(e.state, id, order), msg::kNodeReordered));
}

// ---- Groups and layout ----------------------------------------------------

Outcome create_group(Edit& e) {
  const auto name = e.args.text("name");
  const auto role = e.args.opt_text("role");
  const auto color = e.args.opt_text("color");
  const auto x = e.args.opt_number("x");
  const auto y = e.args.opt_number("y");
  const auto w = e.args.opt_number("w");
  const auto h = e.args.opt_number("h");
  auto id = io::create_group(e.state, name, role, color, x, y, w, h);
  if (!id) return failure(id);
  return msg::created_group(e.state, *id);
}

Outcome edit_group(Edit& e) {
  const auto id = e.args.text("groupId");
  const json::value& patch = e.args.object("patch");
  return ids_and_order_kept(e, with_keys(io::edit_group(e.state, id, patch)));
}

Outcome delete_group(Edit& e) {
  const auto id = e.args.text("groupId");
  const bool keep_children = e.args.on_unless_false("keepChildren");
  return with_value(io::delete_group(e.state, id, keep_children), msg::kDeletedGroup);
}

Outcome add_node_to_group(Edit& e) {
  const auto node = e.args.text("nodeId");
  const auto group = e.args.text("groupId");
  return ids_and_order_kept(e, with_message(io::add_node_to_group(e.state, node, group), msg::kNodeAssigned));
}

Outcome remove_node_from_group(Edit& e) {
  const auto node = e.args.text("nodeId");
  return ids_and_order_kept(e, with_message(io::remove_node_from_group(e.state, node), msg::kNodeDetached));
}

Outcome auto_layout_group(Edit& e) {
  const auto id = e.args.text("groupId");
  const auto mode = e.args.text_or("mode", "stack");
  return ids_and_order_kept(e, with_value(io::auto_layout_group(e.state, id, mode), msg::kLaidOut));
}

Outcome arrange_nodes(Edit& e) {
  const auto ids = e.args.texts("nodeIds");
  const auto mode = e.args.text_or("mode", "grid");
  const double gap = e.args.number_or("gap", 40);
  const auto origin_x = e.args.opt_number("originX");
  const auto origin_y = e.args.opt_number("originY");
  return ids_and_order_kept(e,
                            with_value(io::arrange_nodes(e.state, ids, mode, gap, origin_x, origin_y), msg::kArranged));
}

Outcome align_nodes(Edit& e) {
  const auto ids = e.args.texts("nodeIds");
  const auto edge = e.args.text_or("edge", "left");
  const bool distribute = e.args.flag("distribute");
  return ids_and_order_kept(e, with_value(io::align_nodes(e.state, ids, edge, distribute), msg::kAligned));
}

Outcome place_node(Edit& e) {
  const auto id = e.args.text("nodeId");
  const auto ref = e.args.opt_text("refId");
  const auto side = e.args.opt_text("side");
  const double gap = e.args.number_or("gap", 40);
  const bool next_free = e.args.flag("nextFree");
  const auto x = e.args.opt_number("x");
  const auto y = e.args.opt_number("y");
  auto at = io::place_node(e.state, id, ref, side, next_free, x, y, gap);
  if (!at) return failure(at);
  return ids_and_order_kept(e, msg::placed(at->x, at->y));
}

Outcome fit_group(Edit& e) {
  const double padding = e.args.number_or("padding", 24);
  const auto id = e.args.text("groupId");
  const double top = e.args.number_or("paddingTop", padding);
  const double right = e.args.number_or("paddingRight", padding);
  const double bottom = e.args.number_or("paddingBottom", padding);
  const double left = e.args.number_or("paddingLeft", padding);
  return ids_and_order_kept(e, with_value(io::fit_group(e.state, id, {top, right, bottom, left}), msg::kFitted));
}

// ---- Project, embeds, shot lists and set plans -----------------------------

Outcome set_project_meta(Edit& e) {
  const json::value& patch = e.args.object("patch");
  return ids_and_order_kept(e, msg::applied_and_ignored(io::set_project_meta(e.state, patch)));
}

Outcome add_video_embed(Edit& e) {
  const auto url = e.args.text("url");
  const auto x = e.args.opt_number("x");
  const auto y = e.args.opt_number("y");
  return with_value(io::add_video_embed(e.state, url, x, y), msg::kAddedEmbed);
}

Outcome edit_set_plan(Edit& e) {
  const auto id = e.args.text("nodeId");
  const json::value& plan = e.args.value_or_null("plan");
  return with_value(io::edit_set_plan(e.state, id, plan), msg::kSetPlanUpdated);
}

Outcome build_shot_list(Edit& e) {
  const auto ids = e.args.opt_texts("nodeIds");
  const auto list = e.args.opt_text("nodeId");
  const auto group = e.args.opt_text("groupId");
  auto built = io::build_shot_list(e.state, list, group, ids);
  if (!built) return failure(built);
  return msg::shot_list_built(built->list_id, built->scenes, built->shots);
}

Outcome edit_shot_list(Edit& e) {
  const auto id = e.args.text("nodeId");
  const json::value& patch = e.args.object("patch");
  return with_keys(io::edit_shot_list(e.state, id, patch));
}

Outcome add_scene(Edit& e) {
  const auto id = e.args.text("nodeId");
  const auto name = e.args.text("name");
  const auto group = e.args.opt_text("groupId");
  return with_value(io::add_scene(e.state, id, name, group), msg::kAddedScene);
}

Outcome add_shot(Edit& e) {
  const auto id = e.args.text("nodeId");
  const auto scene = e.args.opt_text("sceneId");
  const auto vemba = e.args.opt_text("vembaId");
  const json::value& fields = e.args.object("fields");
  return with_value(io::add_shot(e.state, id, scene, vemba, fields), msg::kAddedShot);
}

Outcome edit_shot(Edit& e) {
  const auto id = e.args.text("nodeId");
  const auto shot = e.args.text("shotId");
  const json::value& patch = e.args.object("patch");
  return with_keys(io::edit_shot(e.state, id, shot, patch));
}

Outcome add_plan_element(Edit& e) {
  const auto id = e.args.text("nodeId");
  const json::value& element = e.args.object("element");
  return with_value(io::add_plan_element(e.state, id, element), msg::kAddedElement);
}

Outcome edit_plan_element(Edit& e) {
  const auto id = e.args.text("nodeId");
  const auto element = e.args.text("elementId");
  const json::value& patch = e.args.object("patch");
  auto keys = io::edit_plan_element(e.state, id, element, patch);
  if (!keys) return failure(keys);
  return msg::applied(*keys);
}

Outcome remove_plan_element(Edit& e) {
  const auto id = e.args.text("nodeId");
  const auto element = e.args.text("elementId");
  return with_message(io::remove_plan_element(e.state, id, element), msg::kElementRemoved);
}

}  // namespace edits

Outcome apply_mutation(json::value& state, const fs::path& library, const fs::path& folder, std::string_view tool,
                       const json::value& arguments, io::EditIndex& index) {
  const ToolSpec* spec = find_tool(tool);
  if (!spec || !spec->batchable()) return std::unexpected(fmt::format("unknown mutating tool: {}", tool));
  Edit edit{state, library, folder, Arguments(arguments), index};
  Outcome message = std::get<ApplyEdit>(spec->serve)(edit);
  index.edit_done();
  return message;
}

std::vector<std::string> missing_images(const fs::path& library, const fs::path& folder, const json::value& patch) {
  std::vector<std::string> missing;
  const json::array* images = io::array_of(patch, "images");
  if (!images) return missing;
  const fs::path assets = folder / io::kAssetsDir;
  for (const json::value& image : *images) {
    const json::string* name = image.if_string();
    if (!name) continue;
    const std::string_view text(*name);
    if (!vemba_core::project_io::is_confined_file(library, assets / std::string(text))) missing.emplace_back(text);
  }
  return missing;
}

}  // namespace vemba_connector
