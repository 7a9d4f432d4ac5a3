// Which cards belong to which group: by position, by owner and for fitting.

#include "project_io/geometry/geometry.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

namespace vemba_core::project_io {
namespace {

// A stored group without a size is drawn and tested at this size; new
// groups are created larger (680 x 480).
constexpr double kGroupW = 400;
constexpr double kGroupH = 280;

// The card's point is this far from its top-left corner: the middle of a
// 300 x 160 card, the size cards had when the rule was made.
constexpr double kCenterDx = 150;
constexpr double kCenterDy = 80;

struct Candidate {
  Rect box;
  double area;
  std::optional<std::string_view> id;
};

// The groups smallest area first; equal areas keep their array order.
std::vector<Candidate> by_area(const json::array& groups) {
  std::vector<Candidate> order;
  order.reserve(groups.size());
  for (const json::value& g : groups) {
    const Rect box = group_box(g);
    order.push_back({box, box.w * box.h, id_of(g)});
  }
  std::stable_sort(order.begin(), order.end(), [](const Candidate& a, const Candidate& b) { return a.area < b.area; });
  return order;
}

}  // namespace

Rect group_box(const json::value& group) {
  return {number_or(group, "x", 0), number_or(group, "y", 0), number_or(group, "w", kGroupW),
          number_or(group, "h", kGroupH)};
}

Rect node_rect(const json::value& node) {
  const NodeSize size = node_size(node);
  return {number_or(node, "x", 0), number_or(node, "y", 0), size.w, size.h};
}

Point node_center(const json::value& node) {
  return {number_or(node, "x", 0) + kCenterDx, number_or(node, "y", 0) + kCenterDy};
}

bool box_holds(const Rect& box, Point p) {
  return box.x <= p.x && p.x <= box.x + box.w && box.y <= p.y && p.y <= box.y + box.h;
}

bool node_in_group(const json::value& node, const json::value& group) {
  return box_holds(group_box(group), node_center(node));
}

OwnerMap node_owner_map(const json::value& doc) {
  const json::array& nodes = array_or_empty(doc, "nodes");
  const json::array& groups = array_or_empty(doc, "groups");
  std::unordered_set<std::string_view> group_ids;
  for (const json::value& g : groups)
    if (std::optional<std::string_view> id = id_of(g)) group_ids.insert(*id);
  const std::vector<Candidate> order = by_area(groups);

  OwnerMap owners;
  for (const json::value& node : nodes) {
    const std::optional<std::string_view> id = id_of(node);
    if (!id) continue;
    std::optional<std::string_view> owner = opt_text_of(node, "groupId");
    if (!owner || !group_ids.contains(*owner)) {
      // The smallest box holding the point decides, even when its id is no
      // text: a larger box around it does not take the card.
      const Point p = node_center(node);
      auto holder = std::find_if(order.begin(), order.end(), [&](const Candidate& c) { return box_holds(c.box, p); });
      owner = holder == order.end() ? std::nullopt : holder->id;
    }
    if (owner) owners.insert_or_assign(std::string(*id), std::string(*owner));
  }
  return owners;
}

std::optional<std::string_view> owner_of(const OwnerMap& owners, std::string_view node_id) {
  auto it = owners.find(node_id);
  return it == owners.end() ? std::nullopt : std::optional<std::string_view>(it->second);
}

bool is_fit_member(const json::value& node, std::string_view group_id, const Rect& box) {
  const std::optional<std::string_view> assigned = opt_text_of(node, "groupId");
  if (assigned && !assigned->empty()) return *assigned == group_id;
  return box_holds(box, node_center(node));
}

}  // namespace vemba_core::project_io
