// Placing one card beside another or on a free spot, and a new group on
// a free spot.

#include "project_io/geometry/geometry.h"

#include "project_io/board/board.h"

#include <fmt/format.h>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

namespace vemba_core::project_io {
namespace {

constexpr int kRings = 49;

constexpr double kNewGroupW = 680;
constexpr double kNewGroupH = 480;
constexpr double kSearchStart = 120;
// New groups keep this far from every card and group box.
constexpr double kGroupClearance = 48;
constexpr std::string_view kDefaultColor = "#CC8E78";

// The obstacles whose vertical span reaches each candidate row, worked out
// the first time a ring needs that row. A candidate then tests only its own
// row's obstacles, so a crowded board costs rows x cards once instead of
// cells x cards.
class Rows {
 public:
  Rows(std::span<const Rect> obstacles, double y0, double h, double clearance)
      : obstacles_(obstacles), y0_(y0), h_(h), clearance_(clearance), rows_(2 * kRings + 1) {}

  double y(int dy) const { return y0_ + dy * (h_ + clearance_); }

  const std::vector<std::uint32_t>& row(int dy) {
    std::optional<std::vector<std::uint32_t>>& row = rows_[static_cast<std::size_t>(dy + kRings)];
    if (!row) {
      row.emplace();
      const double cy = y(dy);
      for (std::size_t i = 0; i < obstacles_.size(); ++i) {
        const Rect& o = obstacles_[i];
        if (cy + h_ + clearance_ > o.y && cy < o.y + o.h + clearance_) row->push_back(static_cast<std::uint32_t>(i));
      }
    }
    return *row;
  }

 private:
  std::span<const Rect> obstacles_;
  double y0_, h_, clearance_;
  std::vector<std::optional<std::vector<std::uint32_t>>> rows_;
};

// Every card but the one at `moving`, as it stands before the move.
std::vector<Rect> other_cards(const json::array& nodes, std::size_t moving) {
  std::vector<Rect> cards;
  cards.reserve(nodes.size());
  for (std::size_t i = 0; i < nodes.size(); ++i)
    if (i != moving) cards.push_back(node_rect(nodes[i]));
  return cards;
}

std::expected<Point, std::string> beside(const Rect& ref, std::string_view side, double w, double h, double gap) {
  if (side == "right") return Point{ref.x + ref.w + gap, ref.y};
  if (side == "below") return Point{ref.x, ref.y + ref.h + gap};
  if (side == "left") return Point{ref.x - w - gap, ref.y};
  if (side == "above") return Point{ref.x, ref.y - h - gap};
  return std::unexpected(fmt::format("unknown side: {}", side));
}

Point free_group_spot(const json::value& doc, Point start, double w, double h) {
  std::vector<Rect> obstacles;
  const json::array* nodes = array_of(doc, "nodes");
  const json::array* groups = array_of(doc, "groups");
  obstacles.reserve((nodes ? nodes->size() : 0) + (groups ? groups->size() : 0));
  if (nodes)
    for (const json::value& node : *nodes) obstacles.push_back(node_rect(node));
  if (groups)
    for (const json::value& group : *groups) obstacles.push_back(group_box(group));
  return free_spot(obstacles, start, w, h, kGroupClearance);
}

}  // namespace

Point free_spot(std::span<const Rect> obstacles, Point start, double w, double h, double clearance) {
  if (obstacles.empty()) return start;
  Rows rows(obstacles, start.y, h, clearance);
  const double step_x = w + clearance;
  auto clear = [&](int dx, int dy) {
    const double cx = start.x + dx * step_x;
    for (std::uint32_t i : rows.row(dy)) {
      const Rect& o = obstacles[i];
      if (cx + w + clearance > o.x && cx < o.x + o.w + clearance) return false;
    }
    return true;
  };
  if (clear(0, 0)) return start;
  for (int r = 1; r <= kRings; ++r) {
    for (int dy = -r; dy <= r; ++dy) {
      // Top and bottom rows whole, the rows between only at their two ends.
      const int dx_step = std::abs(dy) == r ? 1 : 2 * r;
      for (int dx = -r; dx <= r; dx += dx_step)
        if (clear(dx, dy)) return {start.x + dx * step_x, rows.y(dy)};
    }
  }
  return start;
}

std::expected<Point, std::string> place_node(json::value& doc, std::string_view id,
                                             std::optional<std::string_view> ref_id,
                                             std::optional<std::string_view> side, bool next_free,
                                             std::optional<double> x, std::optional<double> y, double gap) {
  const std::optional<std::size_t> index = find_node_index(doc, id);
  if (!index) return node_not_found(id);
  json::array& nodes = *array_of(doc, "nodes");
  const NodeSize size = node_size(nodes[*index]);
  if (!next_free && !ref_id) return std::unexpected(std::string("place_node needs refId+side, or nextFree"));
  std::optional<Rect> ref;
  if (ref_id) {
    const std::optional<std::size_t> ref_index = find_node_index(doc, *ref_id);
    if (!ref_index) return not_found("ref", *ref_id);
    ref = node_rect(nodes[*ref_index]);
  }
  std::expected<Point, std::string> at;
  if (next_free) {
    const Point start = ref ? Point{ref->x, ref->y} : Point{x.value_or(0), y.value_or(0)};
    at = free_spot(other_cards(nodes, *index), start, size.w, size.h, gap);
  } else {
    at = beside(*ref, side.value_or("right"), size.w, size.h, gap);
    if (!at) return at;
  }
  json::object& card = nodes[*index].get_object();
  card["x"] = coordinate(at->x);
  card["y"] = coordinate(at->y);
  return at;
}

std::expected<std::string, std::string> create_group(json::value& doc, std::string_view name,
                                                     std::optional<std::string_view> role,
                                                     std::optional<std::string_view> color, std::optional<double> x,
                                                     std::optional<double> y, std::optional<double> w,
                                                     std::optional<double> h) {
  std::string id = fmt::format("g{}", next_uid(doc));
  if (!array_of(doc, "groups")) return not_array("groups");
  const double width = w.value_or(kNewGroupW);
  const double height = h.value_or(kNewGroupH);
  // A lone x or y only starts the search.
  Point at{x.value_or(kSearchStart), y.value_or(kSearchStart)};
  if (!x || !y) at = free_group_spot(doc, at, width, height);
  json::object group{{"id", id},
                     {"name", name},
                     {"role", role.value_or("")},
                     {"color", color.value_or(kDefaultColor)},
                     {"x", coordinate(at.x)},
                     {"y", coordinate(at.y)},
                     {"w", width},
                     {"h", height},
                     {"hidden", false},
                     {"hiddenInExport", false},
                     {"order", nullptr}};
  array_of(doc, "groups")->push_back(std::move(group));
  return id;
}

}  // namespace vemba_core::project_io
