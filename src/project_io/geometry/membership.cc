// Which cards belong to which group: by position, by owner and for fitting.

#include "project_io/geometry/geometry.h"

#include <algorithm>
#include <array>
#include <functional>
#include <queue>
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

// What ownership reads of each card, found in one walk over its members.
enum Field { kId, kGroupId, kX, kY };
constexpr auto kCardKeys = std::to_array<std::string_view>({"id", "groupId", "x", "y"});
static_assert(kCardKeys.size() == kY + 1, "a key per field");

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

// For many points at once, the first candidate (in `order`) whose box holds
// each point: a sweep along x over the boxes, with a segment tree over the
// boxes' y ranges that keeps the ranks of the boxes open at the sweep. One
// scan of every group per card would make a large board quadratic.
class Holders {
 public:
  explicit Holders(const std::vector<Candidate>& order) : order_(order) {
    for (std::size_t k = 0; k < order.size(); ++k) {
      const Rect& b = order[k].box;
      // The same sums box_holds compares with; a box they leave empty (or
      // NaN) holds no point.
      if (b.x <= b.x + b.w && b.y <= b.y + b.h) {
        boxes_.push_back(k);
        ys_.push_back(b.y);
        ys_.push_back(b.y + b.h);
      }
    }
    std::sort(ys_.begin(), ys_.end());
    ys_.erase(std::unique(ys_.begin(), ys_.end()), ys_.end());
    slots_ = ys_.empty() ? 0 : 2 * ys_.size() - 1;
    tree_.resize(4 * std::max<std::size_t>(slots_, 1));
    closed_.assign(order.size(), false);
  }

  /// The holder of each point, as an index into `order`.
  std::vector<std::optional<std::size_t>> find(const std::vector<Point>& points) {
    std::vector<std::optional<std::size_t>> found(points.size());
    std::vector<std::size_t> by_x, opening = boxes_, closing = boxes_;
    for (std::size_t i = 0; i < points.size(); ++i)
      if (points[i].x == points[i].x) by_x.push_back(i);  // NaN lies in no box
    std::sort(by_x.begin(), by_x.end(), [&](std::size_t a, std::size_t b) { return points[a].x < points[b].x; });
    std::sort(opening.begin(), opening.end(), [&](std::size_t a, std::size_t b) { return left(a) < left(b); });
    std::sort(closing.begin(), closing.end(), [&](std::size_t a, std::size_t b) { return right(a) < right(b); });
    std::size_t opened = 0, closed = 0;
    for (const std::size_t i : by_x) {
      const Point p = points[i];
      for (; opened < opening.size() && left(opening[opened]) <= p.x; ++opened) open(opening[opened]);
      for (; closed < closing.size() && right(closing[closed]) < p.x; ++closed) closed_[closing[closed]] = true;
      if (const std::optional<std::size_t> slot = slot_of(p.y)) found[i] = lowest(*slot);
    }
    return found;
  }

 private:
  using Ranks = std::priority_queue<std::size_t, std::vector<std::size_t>, std::greater<>>;

  double left(std::size_t k) const { return order_[k].box.x; }
  double right(std::size_t k) const { return order_[k].box.x + order_[k].box.w; }

  // Slot 2i is the value ys_[i] itself, slot 2i + 1 the open gap above it.
  std::size_t slot_at(double y) const {
    return 2 * static_cast<std::size_t>(std::lower_bound(ys_.begin(), ys_.end(), y) - ys_.begin());
  }
  std::optional<std::size_t> slot_of(double y) const {
    const auto it = std::lower_bound(ys_.begin(), ys_.end(), y);
    if (it == ys_.end() || !(y == y)) return std::nullopt;
    const auto i = static_cast<std::size_t>(it - ys_.begin());
    if (*it == y) return 2 * i;
    if (i == 0) return std::nullopt;
    return 2 * i - 1;
  }

  void open(std::size_t k) {
    const Rect& b = order_[k].box;
    insert(1, 0, slots_ - 1, slot_at(b.y), slot_at(b.y + b.h), k);
  }
  void insert(std::size_t node, std::size_t lo, std::size_t hi, std::size_t from, std::size_t to, std::size_t k) {
    if (to < lo || hi < from) return;
    if (from <= lo && hi <= to) {
      tree_[node].push(k);
      return;
    }
    const std::size_t mid = lo + (hi - lo) / 2;
    insert(2 * node, lo, mid, from, to, k);
    insert(2 * node + 1, mid + 1, hi, from, to, k);
  }
  std::optional<std::size_t> lowest(std::size_t slot) {
    std::optional<std::size_t> best;
    std::size_t node = 1, lo = 0, hi = slots_ - 1;
    for (;;) {
      Ranks& ranks = tree_[node];
      while (!ranks.empty() && closed_[ranks.top()]) ranks.pop();
      if (!ranks.empty() && (!best || ranks.top() < *best)) best = ranks.top();
      if (lo == hi) return best;
      const std::size_t mid = lo + (hi - lo) / 2;
      node *= 2;
      if (slot <= mid) {
        hi = mid;
      } else {
        ++node;
        lo = mid + 1;
      }
    }
  }

  const std::vector<Candidate>& order_;
  std::vector<std::size_t> boxes_;  // the candidates that can hold a point
  std::vector<double> ys_;          // every box's top and bottom, sorted, distinct
  std::size_t slots_ = 0;
  std::vector<Ranks> tree_;
  std::vector<bool> closed_;  // boxes the sweep has passed
};

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

void extend_bounds(std::optional<Bounds>& bounds, const Rect& r) {
  if (!bounds) {
    bounds = Bounds{r.x, r.y, r.x + r.w, r.y + r.h};
    return;
  }
  bounds->min_x = std::min(bounds->min_x, r.x);
  bounds->min_y = std::min(bounds->min_y, r.y);
  bounds->max_x = std::max(bounds->max_x, r.x + r.w);
  bounds->max_y = std::max(bounds->max_y, r.y + r.h);
}

OwnerMap node_owner_map(const json::value& doc) {
  const json::array& nodes = array_or_empty(doc, "nodes");
  const json::array& groups = array_or_empty(doc, "groups");
  FlatSet<std::string_view> group_ids;
  for (const json::value& g : groups)
    if (std::optional<std::string_view> id = id_of(g)) group_ids.insert(*id);
  const std::vector<Candidate> order = by_area(groups);

  // One pass over the cards, each read while it is at hand; those whose
  // groupId names no group are then placed by position, all at once.
  struct Card {
    std::string_view id;
    std::optional<std::string_view> assigned;
  };
  std::vector<Card> cards;
  std::vector<Point> points;
  cards.reserve(nodes.size());
  for (const json::value& node : nodes) {
    const Fields f(node, kCardKeys);
    const std::optional<std::string_view> id = opt_text(f[kId]);
    if (!id) continue;
    std::optional<std::string_view> owner = opt_text(f[kGroupId]);
    if (owner && !group_ids.contains(*owner)) owner.reset();
    // node_center, from the members at hand.
    if (!owner) points.push_back({number(f[kX]).value_or(0) + kCenterDx, number(f[kY]).value_or(0) + kCenterDy});
    cards.push_back({*id, owner});
  }
  const std::vector<std::optional<std::size_t>> holders =
      points.empty() ? decltype(holders)() : Holders(order).find(points);

  OwnerMap owners;
  owners.reserve(cards.size());
  std::size_t next_point = 0;
  for (const Card& card : cards) {
    std::optional<std::string_view> owner = card.assigned;
    if (!owner) {
      // The smallest box holding the point decides, even when its id is no
      // text: a larger box around it does not take the card.
      const std::optional<std::size_t> holder = holders[next_point++];
      owner = holder ? order[*holder].id : std::nullopt;
    }
    if (owner) owners.insert_or_assign(std::string(card.id), std::string(*owner));
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
