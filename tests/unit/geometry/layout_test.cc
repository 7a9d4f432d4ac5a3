#include "project_io/geometry/geometry.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::doc;

/// "x,y" of every card, as the writer puts them.
std::string spots(const json::value& d) {
  std::string out;
  for (const json::value& node : *array_of(d, "nodes")) {
    const json::value* x = member(node, "x");
    const json::value* y = member(node, "y");
    out += fmt::format("{}{},{}", out.empty() ? "" : " ", x ? to_compact(*x) : "-", y ? to_compact(*y) : "-");
  }
  return out;
}

std::vector<std::string_view> split(std::string_view ids) {
  std::vector<std::string_view> out;
  while (!ids.empty()) {
    const std::size_t space = ids.find(' ');
    out.push_back(ids.substr(0, space));
    ids = space == std::string_view::npos ? std::string_view() : ids.substr(space + 1);
  }
  return out;
}

// Notes are 220 wide; a stored h sets the height when above the 184 estimate.
constexpr std::string_view kTall = R"({"nodes":[
  {"id":"a","type":"note","x":500,"y":300,"h":500},
  {"id":"b","type":"note","x":100,"y":900,"h":200},
  {"id":"c","type":"note","x":7,"y":7,"h":200},
  {"id":"d","type":"note","x":7,"y":7},
  {"id":"e","type":"note","x":7,"y":7}]})";

TEST(ArrangeNodes, Modes) {
  struct Case {
    const char* name;
    const char* ids;
    const char* mode;
    double gap;
    std::optional<double> ox, oy;
    const char* spots;
  };
  const Case cases[] = {
      {"row from the smallest x and y", "a b", "row", 40, {}, {}, "100.0,300.0 360.0,300.0 7,7 7,7 7,7"},
      {"column; stack is the same", "a b", "stack", 10, 0.0, 0.0, "0.0,0.0 0.0,510.0 7,7 7,7 7,7"},
      {"column", "a b", "column", 10, 0.0, 0.0, "0.0,0.0 0.0,510.0 7,7 7,7 7,7"},
      {"masonry: shortest column next, leftmost on ties", "a b c", "grid", 40, 0.0, 0.0,
       "0.0,0.0 260.0,0.0 260.0,240.0 7,7 7,7"},
      {"Row with a capital is masonry", "a b c", "Row", 40, 0.0, 0.0, "0.0,0.0 260.0,0.0 260.0,240.0 7,7 7,7"},
      {"the empty mode is masonry", "a b c", "", 40, 0.0, 0.0, "0.0,0.0 260.0,0.0 260.0,240.0 7,7 7,7"},
      {"one card masonry sits at the origin", "b", "grid", 40, 3.0, 4.0, "500,300 3.0,4.0 7,7 7,7 7,7"},
      {"five cards make three columns", "a b c d e", "grid", 0, 0.0, 0.0,
       "0.0,0.0 220.0,0.0 440.0,0.0 220.0,200.0 440.0,200.0"},
      {"origin coordinates are independent", "a b", "row", 0, {}, -1.5, "100.0,-1.5 320.0,-1.5 7,7 7,7 7,7"},
      {"a repeated id ends at its second place", "b a b", "row", 0, 0.0, 0.0, "220.0,0.0 440.0,0.0 7,7 7,7 7,7"},
      {"unknown ids are skipped", "zz b", "row", 0, {}, {}, "500,300 100.0,900.0 7,7 7,7 7,7"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = doc(kTall);
    const std::vector<std::string_view> ids = split(c.ids);
    const std::size_t found = ids.size() - (std::string_view(c.ids).starts_with("zz") ? 1 : 0);
    EXPECT_EQ(arrange_nodes(d, ids, c.mode, c.gap, c.ox, c.oy).value(), found);
    EXPECT_EQ(spots(d), c.spots);
  }
}

TEST(ArrangeNodes, NoValidIdChangesNothing) {
  for (const char* ids : {"", "zz", "A"}) {
    SCOPED_TRACE(ids);
    json::value d = doc(kTall);
    EXPECT_EQ(arrange_nodes(d, split(ids), "row", 40, std::nullopt, std::nullopt).error(), "no valid node ids");
    EXPECT_EQ(to_compact(d), to_compact(doc(kTall)));
  }
}

TEST(LayOut, SizesComeFromNodeSizeAndPositionsAreFloats) {
  // A measured card and a story card with a stored width.
  json::value d = doc(R"({"nodes":[{"renderedW":310,"renderedH":90},{"w":500},{}]})");
  const std::size_t all[] = {0, 1, 2};
  lay_out(d, all, "row", 0, 0, 0);
  EXPECT_EQ(spots(d), "0.0,0.0 310.0,0.0 810.0,0.0");
  lay_out(d, all, "column", 1, 0, 0);
  EXPECT_EQ(spots(d), "0.0,0.0 0.0,91.0 0.0,468.0");
  lay_out(d, {}, "row", 0, 5, 5);
  EXPECT_EQ(spots(d), "0.0,0.0 0.0,91.0 0.0,468.0");
}

TEST(LayOut, EveryModeStepsByTheSizePlusTheGap) {
  // Set plans are 441.66666666666663 high: y0 + (h + gap) and (y0 + h) + gap
  // differ in the last bit here, and a masonry column must step like a column.
  const char* kPlans = R"({"nodes":[{"type":"setplan"},{"type":"setplan"},{"type":"setplan"}]})";
  struct Case {
    const char* mode;
    const char* spots;
  };
  const Case cases[] = {
      {"column", "0.0,100.1 0.0,549.4666666666666 0.0,998.8333333333333"},
      {"grid", "0.0,100.1 327.7,100.1 0.0,549.4666666666666"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    json::value d = doc(kPlans);
    const std::size_t all[] = {0, 1, 2};
    lay_out(d, all, c.mode, 7.7, 0, 100.1);
    EXPECT_EQ(spots(d), c.spots);
  }
}

// Widths 300 (story card) and 220 (note); right edges at 900 and 700.
constexpr std::string_view kPair = R"({"nodes":[{"id":"a","x":600,"y":7},{"id":"b","type":"note","x":480,"y":300}]})";

TEST(AlignNodes, Edges) {
  struct Case {
    const char* edge;
    const char* spots;
  };
  const Case cases[] = {
      {"left", "480.0,7 480.0,300"},
      {"right", "600.0,7 680.0,300"},
      {"top", "600,7.0 480,7.0"},
      // Bottom edge: the note ends at 300 + 184; the story card is 376 high.
      {"bottom", "600,108.0 480,300.0"},
      {"center-h", "540.0,7 580.0,300"},
      {"center-v", "600,57.5 480,153.5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edge);
    json::value d = doc(kPair);
    EXPECT_EQ(align_nodes(d, split("a b"), c.edge, true).value(), 2u);  // two cards: no spreading
    EXPECT_EQ(spots(d), c.spots);
  }
}

TEST(AlignNodes, DistributeSpreadsCornersInTheirFormerOrder) {
  struct Case {
    const char* edge;
    const char* nodes;
    const char* spots;
  };
  const Case cases[] = {
      {"left", R"([{"id":"a","x":0,"y":0},{"id":"b","x":50,"y":1000},{"id":"c","x":9,"y":300}])",
       "0.0,0.0 0.0,1000.0 0.0,500.0"},
      {"top", R"([{"id":"a","x":900,"y":5},{"id":"b","x":0,"y":0},{"id":"c","x":300,"y":0}])",
       "900.0,0.0 0.0,0.0 450.0,0.0"},
      // Equal coordinates keep the order of the given ids.
      {"center-v", R"([{"id":"a","x":10,"y":0},{"id":"b","x":10,"y":0},{"id":"c","x":40,"y":0}])",
       "10.0,0.0 25.0,0.0 40.0,0.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.edge);
    json::value d = doc(std::string(R"({"nodes":)") + c.nodes + "}");
    EXPECT_EQ(align_nodes(d, split("a b c"), c.edge, true).value(), 3u);
    EXPECT_EQ(spots(d), c.spots);
  }
}

TEST(AlignNodes, FailuresChangeNothing) {
  json::value d = doc(kPair);
  EXPECT_EQ(align_nodes(d, split("zz"), "middle", false).error(), "no valid node ids");
  EXPECT_EQ(align_nodes(d, split("a zz b"), "middle", false).error(), "unknown edge: middle");
  EXPECT_EQ(align_nodes(d, split("a"), "Left", false).error(), "unknown edge: Left");
  EXPECT_EQ(to_compact(d), to_compact(doc(kPair)));
  EXPECT_EQ(align_nodes(d, split("a zz b a"), "left", false).value(), 3u);
}

}  // namespace
}  // namespace vemba_core::project_io
