#pragma once
// Cards, card edits, edges, groups, project settings and video embeds: edits
// of the document in memory. None touches the disk.

#include "project_io/board/node_index.h"
#include "project_io/json/json.h"
#include "project_io/json/patch.h"
#include "project_io/model/document.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_core::project_io {

/// A card's `type`; one that is missing or not a text reads as "vemba".
std::string_view node_type(const json::value& node);
/// The same for a card's `type` member already found (null when missing).
std::string_view type_or_vemba(const json::value* type);
/// Where a card sorts by its `order` member already found: the integer, and
/// after every integer when it is missing or not one, so that such cards sort
/// last (in the order they came in, for a stable sort).
std::int64_t order_or_last(const json::value* order);
/// A story card: a node whose `type` is missing, not a text, or "vemba".
bool is_story_card(const json::value& node);

/// Index of the first node / group whose `id` is the text `id`.
std::optional<std::size_t> find_node_index(const json::value& doc, std::string_view id);
std::optional<std::size_t> find_group_index(const json::value& doc, std::string_view id);
/// The first card with that id, or "node not found: {id}".
std::expected<json::object*, std::string> find_node(json::value& doc, std::string_view id);
class EditIndex;
std::expected<json::object*, std::string> find_node(json::value& doc, std::string_view id, EditIndex& index);
/// "node not found: {id}" and "group not found: {id}".
std::unexpected<std::string> node_not_found(std::string_view id);
std::unexpected<std::string> group_not_found(std::string_view id);
/// Where a new card or embed goes across: 360 right of the rightmost card
/// with a numeric `x`, else 120.
double default_card_x(const json::value& doc);

/// What a run of edits on one document keeps from one edit to the next, so
/// that no edit of a long run scans the board for it: the next uid, the first
/// node of each id and where a new card goes across. Each is worked out when
/// first asked for. An edit tells the index what it changed (node_appended,
/// ids_and_order_kept); one that tells nothing has it worked out afresh.
class EditIndex {
 public:
  explicit EditIndex(const json::value& doc) : doc_(doc), nodes_(doc) {}

  /// What next_uid(doc) gives now.
  std::uint64_t next_uid();
  /// What find_node_index(doc, id) gives now.
  std::optional<std::size_t> find_node(std::string_view id);
  /// What default_card_x(doc) gives now.
  double default_card_x();

  /// The node just pushed onto `nodes`.
  void node_appended();
  /// The edit changed no id anywhere in the document and kept the order of
  /// `nodes`, though it may have moved cards.
  void ids_and_order_kept();
  /// Ends one edit of the run: unless it told the index what it changed,
  /// everything is worked out afresh.
  void edit_done();

 private:
  void invalidate();

  const json::value& doc_;
  bool told_ = false;  // the current edit said what it changed
  std::optional<UidCounter> uids_;
  int uid_scans_ = 0;  // plain scans since the last change
  NodeIndex nodes_;
  // The largest numeric x of the cards (none when no card has one), valid
  // while rightmost_known_.
  bool rightmost_known_ = false;
  std::optional<double> rightmost_;
};

/// New story card; returns its id. With `after`, an edge from that card.
std::expected<std::string, std::string> add_vemba(json::value& doc, std::string_view title, std::string_view body,
                                                  std::optional<std::string_view> after, EditIndex& index);
/// New card of another kind; returns its id.
std::expected<std::string, std::string> add_node(json::value& doc, std::string_view kind, std::string_view title,
                                                 std::string_view body, EditIndex& index);
Status convert_node_type(json::value& doc, std::string_view id, std::string_view new_type);
/// Removes the card, its edges and its binding memberships; returns the id.
std::expected<std::string, std::string> delete_node(json::value& doc, std::string_view id);
/// What removed cards leave behind: every edge from or to one of the ids,
/// and the ids in every binding's `members`.
void forget_cards(json::value& doc, std::span<const std::string> ids);
Status move_node(json::value& doc, std::string_view id, double x, double y, EditIndex& index);
Status reorder_node(json::value& doc, std::string_view id, std::int64_t order);

std::expected<PatchResult, std::string> edit_vemba(json::value& doc, std::string_view id, const json::value& patch,
                                                   EditIndex& index);

Status connect_vembas(json::value& doc, std::string_view from, std::string_view to, std::string_view type,
                      std::string_view label, std::optional<std::string_view> condition);

// ---- Groups (groups.cc) -----------------------------------------------------

// New groups come from create_group (geometry.h), which places them.

/// Box, name, role, color and order take any value; the two hidden flags
/// only booleans.
std::expected<PatchResult, std::string> edit_group(json::value& doc, std::string_view id, const json::value& patch);
/// Removes the group. Its assigned cards are ungrouped, or with
/// `keep_children` off removed like delete_node; returns how many went.
std::expected<std::size_t, std::string> delete_group(json::value& doc, std::string_view id, bool keep_children);
Status add_node_to_group(json::value& doc, std::string_view node_id, std::string_view group_id);
Status remove_node_from_group(json::value& doc, std::string_view node_id);

/// Patches name, theme, context and numberingMode. Never fails.
PatchResult set_project_meta(json::value& doc, const json::value& patch);

/// New YouTube or Vimeo embed card; returns its id.
std::expected<std::string, std::string> add_video_embed(json::value& doc, std::string_view url, std::optional<double> x,
                                                        std::optional<double> y);

}  // namespace vemba_core::project_io
