// The free-spot searches, layout and owner map on crowded boards: cards in
// a dense grid, so a search from the middle has to walk far out.

#include "project_io/board/board.h"
#include "project_io/geometry/geometry.h"

#include <benchmark/benchmark.h>
#include <fmt/format.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace vemba_core::project_io;

// `n` measured 300 x 184 cards, 340 x 224 apart: one card per search cell
// for a card of that size with gap 40, and a group over every tenth row.
json::value crowded_board(int n) {
  const int side = static_cast<int>(std::ceil(std::sqrt(n)));
  json::array nodes, groups;
  for (int i = 0; i < n; ++i)
    nodes.push_back(json::object{{"id", fmt::format("n{}", i + 1)},
                                 {"x", (i % side) * 340.0},
                                 {"y", (i / side) * 224.0},
                                 {"renderedW", 300},
                                 {"renderedH", 184},
                                 {"groupId", i % 7 ? json::value(nullptr) : json::value("g1")}});
  for (int r = 0; r < side; r += 10)
    groups.push_back(
        json::object{{"id", fmt::format("g{}", r + 1)}, {"x", 0}, {"y", r * 224.0}, {"w", side * 340.0}, {"h", 224}});
  return json::object{{"nodes", std::move(nodes)}, {"groups", std::move(groups)}, {"edges", json::array()}};
}

std::vector<Rect> rects_of(const json::value& doc) {
  std::vector<Rect> out;
  for (const json::value& node : *array_of(doc, "nodes")) out.push_back(node_rect(node));
  return out;
}

Point middle(int n) {
  const double side = std::ceil(std::sqrt(n));
  return {std::floor(side / 2) * 340.0, std::floor(side / 2) * 224.0};
}

void BM_PlaceNextFree(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const json::value board = crowded_board(n);
  const Point start = middle(n);
  for (auto _ : state) {
    json::value doc = board;
    benchmark::DoNotOptimize(place_node(doc, "n1", std::nullopt, std::nullopt, true, start.x, start.y, 40));
  }
}

void BM_FreeSpot(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const std::vector<Rect> rects = rects_of(crowded_board(n));
  for (auto _ : state) benchmark::DoNotOptimize(free_spot(rects, middle(n), 300, 184, 40));
}

void BM_CreateGroup(benchmark::State& state) {
  const json::value board = crowded_board(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    json::value doc = board;
    benchmark::DoNotOptimize(create_group(doc, "G", {}, {}, {}, {}, {}, {}));
  }
}

void BM_ArrangeGrid(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  const json::value board = crowded_board(n);
  std::vector<std::string> ids;
  for (int i = 0; i < n; ++i) ids.push_back(fmt::format("n{}", i + 1));
  const std::vector<std::string_view> views(ids.begin(), ids.end());
  for (auto _ : state) {
    json::value doc = board;
    benchmark::DoNotOptimize(arrange_nodes(doc, views, "grid", 40, std::nullopt, std::nullopt));
  }
}

void BM_OwnerMap(benchmark::State& state) {
  const json::value board = crowded_board(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(node_owner_map(board));
}

BENCHMARK(BM_PlaceNextFree)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FreeSpot)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CreateGroup)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArrangeGrid)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OwnerMap)->RangeMultiplier(10)->Range(100, 10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
