#include "project_io/geometry/geometry.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <random>

namespace vemba_core::project_io {
namespace {

using vemba_test::doc;

struct Cell {
  int dx, dy;
};

// 10 x 10 boxes on a 10-unit lattice around (0, 0), no clearance.
std::vector<Rect> blocking(std::initializer_list<Cell> cells) {
  std::vector<Rect> out;
  for (Cell c : cells) out.push_back({c.dx * 10.0, c.dy * 10.0, 10, 10});
  return out;
}

TEST(FreeSpot, WalksRingsRowByRowFromTheTopLeft) {
  struct Case {
    const char* name;
    std::vector<Rect> obstacles;
    Point at;
  };
  std::vector<Rect> ring1 = blocking({{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}, {-1, 1}, {0, 1}, {1, 1}});
  std::vector<Rect> ring1_and_top = ring1;
  for (int dx = -2; dx <= 2; ++dx) ring1_and_top.push_back({dx * 10.0, -20, 10, 10});
  std::vector<Rect> top_and_left = ring1_and_top;
  top_and_left.push_back({-20, -10, 10, 10});
  const Case cases[] = {
      {"no obstacles", {}, {0, 0}},
      {"a free start", blocking({{1, 0}}), {0, 0}},
      {"up and to the left first", blocking({{0, 0}}), {-10, -10}},
      {"then the top row left to right", blocking({{0, 0}, {-1, -1}}), {0, -10}},
      {"then the left of the middle row", blocking({{0, 0}, {-1, -1}, {0, -1}, {1, -1}}), {-10, 0}},
      {"then its right", blocking({{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {-1, 0}}), {10, 0}},
      {"then the bottom row", blocking({{0, 0}, {-1, -1}, {0, -1}, {1, -1}, {-1, 0}, {1, 0}}), {-10, 10}},
      {"ring 2 after ring 1", ring1, {-20, -20}},
      {"a middle row of ring 2 only at its ends", ring1_and_top, {-20, -10}},
      {"the right end next", top_and_left, {20, -10}},
      {"nothing free in 49 rings: the start", {{-1000, -1000, 2000, 2000}}, {0, 0}},
      {"ring 49 is the last tried", {{-480, -480, 970, 970}}, {-490, -490}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Point p = free_spot(c.obstacles, {0, 0}, 10, 10, 0);
    EXPECT_EQ(p.x, c.at.x);
    EXPECT_EQ(p.y, c.at.y);
  }
}

TEST(FreeSpot, ExactlyTheClearanceApartIsFree) {
  const Rect left_card{-140, 0, 100, 100};  // its right edge is 40 left of the start
  EXPECT_EQ(free_spot(std::span(&left_card, 1), {0, 0}, 50, 50, 40).x, 0);
  EXPECT_EQ(free_spot(std::span(&left_card, 1), {-0.5, 0}, 50, 50, 40).x, -0.5 - 90);
}

// The rule as written, every cell against every obstacle.
Point direct_free_spot(std::span<const Rect> obstacles, Point start, double w, double h, double gap) {
  auto clear = [&](double cx, double cy) {
    for (const Rect& o : obstacles)
      if (cx < o.x + o.w + gap && cx + w + gap > o.x && cy < o.y + o.h + gap && cy + h + gap > o.y) return false;
    return true;
  };
  if (clear(start.x, start.y)) return start;
  for (int r = 1; r <= 49; ++r)
    for (int dy = -r; dy <= r; ++dy)
      for (int dx = -r; dx <= r; ++dx)
        if (std::max(std::abs(dx), std::abs(dy)) == r) {
          const double cx = start.x + dx * (w + gap), cy = start.y + dy * (h + gap);
          if (clear(cx, cy)) return {cx, cy};
        }
  return start;
}

TEST(FreeSpot, AgreesWithTheRuleOnRandomBoards) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> coord(-3000, 3000), size(0, 900), gap(-60, 120);
  std::uniform_int_distribution<int> count(0, 300);
  for (int board = 0; board < 300; ++board) {
    std::vector<Rect> obstacles(static_cast<std::size_t>(count(rng)));
    for (Rect& o : obstacles) o = {coord(rng), coord(rng), size(rng), size(rng)};
    const Point start{coord(rng) / 10, coord(rng) / 10};
    const double w = size(rng), h = size(rng), g = gap(rng);
    const Point want = direct_free_spot(obstacles, start, w, h, g);
    const Point got = free_spot(obstacles, start, w, h, g);
    SCOPED_TRACE(board);
    EXPECT_EQ(got.x, want.x);
    EXPECT_EQ(got.y, want.y);
  }
}

// The reference is 300 x 400 at (100, 200); the moving card 260 x 184.
constexpr std::string_view kPlaces = R"({"nodes":[
  {"id":"ref","x":100,"y":200,"renderedW":300,"renderedH":400},
  {"id":"me","x":5000,"y":5000,"renderedW":260,"renderedH":184}]})";

TEST(PlaceNode, SidesAndFreeSpots) {
  struct Case {
    const char* name;
    std::optional<std::string_view> ref, side;
    bool next_free;
    std::optional<double> x, y;
    const char* at;
  };
  const Case cases[] = {
      {"right", "ref", "right", false, {}, {}, "440.0,200.0"},
      {"below", "ref", "below", false, {}, {}, "100.0,640.0"},
      {"left", "ref", "left", false, {}, {}, "-200.0,200.0"},
      {"above", "ref", "above", false, {}, {}, "100.0,-24.0"},
      {"no side is right; x and y are not used", "ref", {}, false, 1.0, 2.0, "440.0,200.0"},
      // The reference holds its own corner; ring 1 starts up and to the left.
      {"next free beside the reference", "ref", "below", true, 7.0, 7.0, "-200.0,-24.0"},
      {"next free near a point", {}, {}, true, 0.0, 300.0, "-300.0,76.0"},
      {"next free with no point starts at (0, 0)", {}, {}, true, {}, 2000.0, "0.0,2000.0"},
      // The card does not block itself.
      {"next free at its own place", {}, {}, true, 5000.0, 5000.0, "5000.0,5000.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = doc(kPlaces);
    const Point p = place_node(d, "me", c.ref, c.side, c.next_free, c.x, c.y, 40).value();
    const json::value& me = array_of(d, "nodes")->at(1);
    EXPECT_EQ(to_compact(*member(me, "x")) + "," + to_compact(*member(me, "y")), c.at);
    EXPECT_EQ(fmt::format("{:.1f},{:.1f}", p.x, p.y), c.at);
  }
}

TEST(PlaceNode, FailuresChangeNothing) {
  struct Case {
    const char* id;
    std::optional<std::string_view> ref, side;
    bool next_free;
    const char* error;
  };
  const Case cases[] = {
      {"zz", "nope", "middle", false, "node not found: zz"},
      {"me", {}, "right", false, "place_node needs refId+side, or nextFree"},
      {"me", "nope", "middle", false, "ref not found: nope"},
      {"me", "ref", "Right", false, "unknown side: Right"},
      {"me", "ref", "", false, "unknown side: "},
      {"me", "", {}, true, "ref not found: "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.error);
    json::value d = doc(kPlaces);
    EXPECT_EQ(place_node(d, c.id, c.ref, c.side, c.next_free, 0.0, 0.0, 40).error(), c.error);
    EXPECT_EQ(to_compact(d), to_compact(doc(kPlaces)));
  }
}

// One group's key as compact JSON, or the whole group without a key.
std::string group_part(const json::value& d, std::size_t i, std::string_view key = {}) {
  const json::value& group = array_of(d, "groups")->at(i);
  if (key.empty()) return to_compact(group);
  const json::value* v = member(group, key);
  return v ? to_compact(*v) : "<missing>";
}

TEST(CreateGroup, WritesEveryKeyWithFloatBoxAndNullOrder) {
  json::value d = doc(R"({"nodes":[],"groups":[]})");
  EXPECT_EQ(create_group(d, " Act ", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt)
                .value(),
            "g201");
  EXPECT_EQ(group_part(d, 0),
            R"({"color":"#CC8E78","h":480.0,"hidden":false,"hiddenInExport":false,"id":"g201","name":" Act ",)"
            R"("order":null,"role":"","w":680.0,"x":120.0,"y":120.0})");
  ASSERT_TRUE(create_group(d, "", std::string_view("slide"), std::string_view(""), 500.0, 300.0, 0.0, -5.0));
  EXPECT_EQ(group_part(d, 1), R"({"color":"","h":-5.0,"hidden":false,"hiddenInExport":false,"id":"g202","name":"",)"
                              R"("order":null,"role":"slide","w":0.0,"x":500.0,"y":300.0})");
}

TEST(CreateGroup, SearchesAFreePlaceUnlessBothCoordinatesAreGiven) {
  // A measured 300 x 200 card at the start point.
  const std::string_view board =
      R"({"nodes":[{"id":"n1","x":120,"y":120,"renderedW":300,"renderedH":200}],"groups":[]})";
  struct Case {
    const char* name;
    std::optional<double> x, y;
    const char* at;
  };
  const Case cases[] = {
      // Ring 1 starts up and to the left: (120 - 728, 120 - 528).
      {"no position", std::nullopt, std::nullopt, "-608.0,-408.0"},
      {"both given, even on the card", 120.0, 120.0, "120.0,120.0"},
      {"a lone x starts the search at (x, 120)", 460.0, std::nullopt, "-268.0,-408.0"},
      // The card ends at x 420; 420 + 48 is exactly the start: no collision.
      {"a box exactly 48 away is clear", 468.0, std::nullopt, "468.0,120.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = doc(board);
    ASSERT_TRUE(create_group(d, "G", std::nullopt, std::nullopt, c.x, c.y, std::nullopt, std::nullopt));
    EXPECT_EQ(group_part(d, 0, "x") + "," + group_part(d, 0, "y"), c.at);
  }
}

TEST(CreateGroup, GroupsWithoutASizeBlockAs400By280) {
  // The start (120, 120) is blocked only when the box reaches x 100 and y 80.
  json::value d = doc(R"({"nodes":[],"groups":[{"id":"g1","x":-300,"y":-200}]})");
  ASSERT_TRUE(create_group(d, "G", std::nullopt, std::nullopt, std::nullopt, std::nullopt, 100.0, 100.0));
  EXPECT_EQ(group_part(d, 1, "x") + "," + group_part(d, 1, "y"), "268.0,-28.0");
}

TEST(CreateGroup, FailsWithoutAGroupsArray) {
  json::value d = doc(R"({"nodes":[],"groups":{}})");
  EXPECT_EQ(create_group(d, "G", std::nullopt, std::nullopt, 1.0, 1.0, std::nullopt, std::nullopt).error(),
            "groups not array");
  EXPECT_EQ(to_compact(d), R"({"groups":{},"nodes":[]})");
}

}  // namespace
}  // namespace vemba_core::project_io
