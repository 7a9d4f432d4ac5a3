// Rows, columns, masonry grids and alignment of chosen cards. Group-blind:
// no group is read, changed or refitted here.

#include "project_io/geometry/geometry.h"

#include <fmt/format.h>
#include <algorithm>
#include <cmath>
#include <functional>
#include <numeric>
#include <queue>

namespace vemba_core::project_io {
namespace {

json::array& nodes_of(json::value& doc) { return *array_of(doc, "nodes"); }

void set_x(json::value& node, double x) {
  if (json::object* o = node.if_object()) (*o)["x"] = coordinate(x);
}

void set_y(json::value& node, double y) {
  if (json::object* o = node.if_object()) (*o)["y"] = coordinate(y);
}

// Smallest c with c * c >= n, at least 1; integer, so no rounding at squares.
std::size_t grid_columns(std::size_t n) {
  auto c = static_cast<std::size_t>(std::sqrt(static_cast<double>(n)));
  while (c * c < n) ++c;
  while (c > 1 && (c - 1) * (c - 1) >= n) --c;
  return std::max<std::size_t>(c, 1);
}

// Each card goes to the column whose next y is smallest, the leftmost of
// equal ones; a heap keeps that choice logarithmic in the column count.
void masonry(json::array& nodes, std::span<const std::size_t> indices, std::span<const NodeSize> sizes, double gap,
             double x0, double y0) {
  double widest = 0;
  for (const NodeSize& s : sizes) widest = std::max(widest, s.w);
  const double cell = widest + gap;
  using Column = std::pair<double, std::size_t>;  // next y, column number
  std::priority_queue<Column, std::vector<Column>, std::greater<>> columns;
  for (std::size_t c = 0; c < grid_columns(indices.size()); ++c) columns.push({y0, c});
  for (std::size_t i = 0; i < indices.size(); ++i) {
    const auto [y, c] = columns.top();
    columns.pop();
    set_x(nodes[indices[i]], x0 + static_cast<double>(c) * cell);
    set_y(nodes[indices[i]], y);
    columns.push({y + (sizes[i].h + gap), c});  // one step, as a column grows
  }
}

enum class Edge { kLeft, kRight, kTop, kBottom, kCenterH, kCenterV };

std::optional<Edge> edge_named(std::string_view name) {
  static constexpr std::pair<std::string_view, Edge> kEdges[] = {
      {"left", Edge::kLeft},     {"right", Edge::kRight},      {"top", Edge::kTop},
      {"bottom", Edge::kBottom}, {"center-h", Edge::kCenterH}, {"center-v", Edge::kCenterV}};
  for (const auto& [text, edge] : kEdges)
    if (text == name) return edge;
  return std::nullopt;
}

// Aligning x lines the cards up in a column, so they spread down y; aligning
// y makes a row, spread across x.
bool aligns_x(Edge e) { return e == Edge::kLeft || e == Edge::kRight || e == Edge::kCenterH; }

std::unexpected<std::string> no_valid_ids() { return std::unexpected(std::string("no valid node ids")); }

// Even spacing of top-left corners between the first and the last card along
// the axis, in the order of their coordinates before the call.
void distribute_along(json::array& nodes, std::span<const std::size_t> indices, std::span<const Rect> before,
                      bool along_y) {
  const std::size_t n = indices.size();
  auto coord = [&](std::size_t i) { return along_y ? before[i].y : before[i].x; };
  std::vector<std::size_t> order(n);
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return coord(a) < coord(b); });
  const double first = coord(order.front());
  const double step = (coord(order.back()) - first) / static_cast<double>(n - 1);
  for (std::size_t place = 0; place < n; ++place) {
    const double v = first + step * static_cast<double>(place);
    json::value& node = nodes[indices[order[place]]];
    if (along_y)
      set_y(node, v);
    else
      set_x(node, v);
  }
}

}  // namespace

json::value coordinate(double v) { return std::isfinite(v) ? json::value(v) : json::value(nullptr); }

std::vector<std::size_t> node_indices(const json::value& doc, std::span<const std::string_view> ids) {
  std::vector<std::size_t> indices;
  const json::array* nodes = array_of(doc, "nodes");
  if (!nodes || ids.empty()) return indices;
  // One pass over the cards for all ids, not one per id.
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::unordered_map<std::string_view, std::size_t> first;
  first.reserve(ids.size());
  for (std::string_view id : ids) first.emplace(id, kNone);
  for (std::size_t i = 0; i < nodes->size(); ++i) {
    const std::optional<std::string_view> id = id_of((*nodes)[i]);
    if (!id) continue;
    auto it = first.find(*id);
    if (it != first.end() && it->second == kNone) it->second = i;
  }
  indices.reserve(ids.size());
  for (std::string_view id : ids)
    if (const std::size_t i = first[id]; i != kNone) indices.push_back(i);
  return indices;
}

void lay_out(json::value& doc, std::span<const std::size_t> indices, std::string_view mode, double gap, double x0,
             double y0) {
  json::array* nodes = array_of(doc, "nodes");
  if (!nodes || indices.empty()) return;
  std::vector<NodeSize> sizes;
  sizes.reserve(indices.size());
  for (std::size_t i : indices) sizes.push_back(node_size((*nodes)[i]));
  if (mode == "row") {
    double x = x0;
    for (std::size_t i = 0; i < indices.size(); ++i) {
      set_x((*nodes)[indices[i]], x);
      set_y((*nodes)[indices[i]], y0);
      x += sizes[i].w + gap;
    }
  } else if (mode == "column" || mode == "stack") {
    double y = y0;
    for (std::size_t i = 0; i < indices.size(); ++i) {
      set_x((*nodes)[indices[i]], x0);
      set_y((*nodes)[indices[i]], y);
      y += sizes[i].h + gap;
    }
  } else {
    masonry(*nodes, indices, sizes, gap, x0, y0);
  }
}

std::expected<std::size_t, std::string> arrange_nodes(json::value& doc, std::span<const std::string_view> ids,
                                                      std::string_view mode, double gap, std::optional<double> origin_x,
                                                      std::optional<double> origin_y) {
  const std::vector<std::size_t> indices = node_indices(doc, ids);
  if (indices.empty()) return no_valid_ids();
  const json::array& nodes = nodes_of(doc);
  double min_x = number_or(nodes[indices[0]], "x", 0), min_y = number_or(nodes[indices[0]], "y", 0);
  for (std::size_t i : indices) {
    min_x = std::min(min_x, number_or(nodes[i], "x", 0));
    min_y = std::min(min_y, number_or(nodes[i], "y", 0));
  }
  lay_out(doc, indices, mode, gap, origin_x.value_or(min_x), origin_y.value_or(min_y));
  return indices.size();
}

std::expected<std::size_t, std::string> align_nodes(json::value& doc, std::span<const std::string_view> ids,
                                                    std::string_view edge_text, bool distribute) {
  const std::vector<std::size_t> indices = node_indices(doc, ids);
  if (indices.empty()) return no_valid_ids();
  const std::optional<Edge> edge = edge_named(edge_text);
  if (!edge) return std::unexpected(fmt::format("unknown edge: {}", edge_text));
  json::array& nodes = nodes_of(doc);
  std::vector<Rect> before;
  before.reserve(indices.size());
  for (std::size_t i : indices) before.push_back(node_rect(nodes[i]));
  std::optional<Bounds> bounds;
  for (const Rect& r : before) extend_bounds(bounds, r);
  const auto [min_x, min_y, max_x, max_y] = *bounds;
  const double cx = (min_x + max_x) * 0.5, cy = (min_y + max_y) * 0.5;
  for (std::size_t k = 0; k < indices.size(); ++k) {
    json::value& node = nodes[indices[k]];
    const Rect& r = before[k];
    switch (*edge) {
      case Edge::kLeft:
        set_x(node, min_x);
        break;
      case Edge::kRight:
        set_x(node, max_x - r.w);
        break;
      case Edge::kTop:
        set_y(node, min_y);
        break;
      case Edge::kBottom:
        set_y(node, max_y - r.h);
        break;
      case Edge::kCenterH:
        set_x(node, cx - r.w * 0.5);
        break;
      case Edge::kCenterV:
        set_y(node, cy - r.h * 0.5);
        break;
    }
  }
  if (distribute && indices.size() >= 3) distribute_along(nodes, indices, before, aligns_x(*edge));
  return indices.size();
}

}  // namespace vemba_core::project_io
