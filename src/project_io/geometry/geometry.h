#pragma once
// Board geometry: card sizes, group membership, positions, layout,
// alignment, placement and group fitting. Layout, alignment and placement
// never refit a group; fitting and a group's automatic layout do.

#include "project_io/json/json.h"
#include "util/flat_map.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_core::project_io {

// The maps and sets of the per-card lookups, from here up.
using vemba_util::FlatMap;
using vemba_util::FlatSet;
using vemba_util::FlatTextMap;
using vemba_util::TextHash;

struct NodeSize {
  double w = 0;
  double h = 0;
  bool measured = false;  // the desktop app stamped renderedW/renderedH
};

/// The card's effective size. Any JSON value is accepted.
NodeSize node_size(const json::value& node);

// ---- Membership ------------------------------------------------------------

struct Rect {
  double x = 0;
  double y = 0;
  double w = 0;
  double h = 0;
};

struct Point {
  double x = 0;
  double y = 0;
};

/// A group's box: `x`, `y` as 0 and `w`, `h` as 400, 280 when missing or
/// not numbers. Stored zero or negative sizes are used as they are.
Rect group_box(const json::value& group);
/// A card's box: its `x`, `y` (0 when missing) and its node_size.
Rect node_rect(const json::value& node);
/// The point membership by position tests: 150 right of and 80 below the
/// card's top-left corner, whatever its size.
Point node_center(const json::value& node);
/// Whether the point lies in the box, all four edges included.
bool box_holds(const Rect& box, Point p);

/// The joint box of rectangles by its edges: the least x and y and the
/// greatest x + w and y + h among them. Kept as edges, not as a Rect, so
/// that the far edges are those sums exactly.
struct Bounds {
  double min_x = 0;
  double min_y = 0;
  double max_x = 0;
  double max_y = 0;
};
/// Widens `bounds` to take in `r`; the first rectangle sets them.
void extend_bounds(std::optional<Bounds>& bounds, const Rect& r);

/// Card id to owner group id.
using OwnerMap = FlatTextMap<std::string>;

/// Every card's owner: the group its `groupId` names when that group exists,
/// else the first group in ascending area order (equal areas in array order)
/// whose box holds the card's node center. Cards without a text id have no
/// entry; of cards sharing an id the last with an owner wins.
OwnerMap node_owner_map(const json::value& doc);
/// The owner of the card with that id.
std::optional<std::string_view> owner_of(const OwnerMap& owners, std::string_view node_id);

/// Whether fitting the group (whose id is `group_id` and box `box`) wraps the
/// card: a card with a non-empty text `groupId` when it names this group,
/// any other card when its node center lies in the box.
bool is_fit_member(const json::value& node, std::string_view group_id, const Rect& box);

// ---- Positions ---------------------------------------------------------------

/// Every card's and group's geometry, nothing filtered: {groups: [{h, id,
/// name, w, x, y}], nodes: [{groupId, h, id, measured, ownerGroupId, title,
/// type, w, x, y}]}. Every number is a float; a group's missing w or h is
/// reported as 0.0, though membership reads it as 400 x 280.
json::value get_positions(const json::value& doc);

// ---- Layout and alignment -----------------------------------------------------

/// A computed coordinate as stored: a float, null when it is not finite.
json::value coordinate(double v);
/// Index in `nodes` of the first card with each id, in the order given (a
/// repeated id repeats its index); ids that name no card are skipped.
std::vector<std::size_t> node_indices(const json::value& doc, std::span<const std::string_view> ids);
/// Moves the listed cards (valid indices into `nodes`) into a "row", a "column"
/// ("stack" too) or, for any other mode, a masonry grid of ceil(sqrt(n))
/// equal columns, from the top-left corner (x0, y0), `gap` apart.
void lay_out(json::value& doc, std::span<const std::size_t> indices, std::string_view mode, double gap, double x0,
             double y0);
/// Lays the named cards out from the origin, by default their smallest x and
/// smallest y; returns how many ids named a card (repeats counted).
std::expected<std::size_t, std::string> arrange_nodes(json::value& doc, std::span<const std::string_view> ids,
                                                      std::string_view mode, double gap, std::optional<double> origin_x,
                                                      std::optional<double> origin_y);
/// Lines the named cards up on one edge of their joint box ("left", "right",
/// "top", "bottom", "center-h", "center-v"); with `distribute` and three or
/// more, also spreads their corners evenly across the line.
std::expected<std::size_t, std::string> align_nodes(json::value& doc, std::span<const std::string_view> ids,
                                                    std::string_view edge, bool distribute);

// ---- Placement ---------------------------------------------------------------

/// Where a w x h box goes near `start` without coming closer than
/// `clearance` to any obstacle (exactly `clearance` apart is clear): the
/// start when clear, else the first clear cell of rings 1 to 49 around it,
/// cells w + clearance across and h + clearance down, each ring walked row by
/// row from the top and each row from the left; the start when none is clear.
Point free_spot(std::span<const Rect> obstacles, Point start, double w, double h, double clearance);
/// Moves the card `gap` beside the reference card on `side` ("right" when
/// none, "below", "left", "above"); or, with `next_free`, to the free spot
/// nearest the reference's corner (without a reference, (x or 0, y or 0))
/// that keeps `gap` from every other card. Returns the new corner.
std::expected<Point, std::string> place_node(json::value& doc, std::string_view id,
                                             std::optional<std::string_view> ref_id,
                                             std::optional<std::string_view> side, bool next_free,
                                             std::optional<double> x, std::optional<double> y, double gap);

/// New group, 680 x 480 unless sized; returns its id. Without both x and y it
/// goes to the first free place near (x or 120, y or 120).
std::expected<std::string, std::string> create_group(json::value& doc, std::string_view name,
                                                     std::optional<std::string_view> role,
                                                     std::optional<std::string_view> color, std::optional<double> x,
                                                     std::optional<double> y, std::optional<double> w,
                                                     std::optional<double> h);

// ---- Group fitting -------------------------------------------------------------

/// The strip at the top of every group box that carries its name, in board
/// units; fitting leaves room for it and the picture draws it.
inline constexpr double kGroupHeaderHeight = 40;

struct Paddings {
  double top = 0;
  double right = 0;
  double bottom = 0;
  double left = 0;
};

/// Wraps the group at that index of `groups` around its fit members (see
/// is_fit_member) plus the paddings and the 40-unit header strip; returns the
/// member count. Without members, or without a text id, the group is left
/// as it is and the count is 0.
std::size_t fit_group_rect(json::value& doc, std::size_t group_index, const Paddings& paddings);
/// fit_group_rect of the first group with that id.
std::expected<std::size_t, std::string> fit_group(json::value& doc, std::string_view id, const Paddings& paddings);
/// Lays the cards assigned to the group out inside it in `order` order
/// ("stack" is a column), renumbers their `order` from 0 and fits the box
/// around them; returns how many were laid out.
std::expected<std::size_t, std::string> auto_layout_group(json::value& doc, std::string_view id, std::string_view mode);

}  // namespace vemba_core::project_io
