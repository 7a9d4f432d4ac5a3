#include "project_io/geometry/geometry.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::doc;

std::string group_json(const json::value& d, std::size_t i = 0) { return to_compact(array_of(d, "groups")->at(i)); }

// Two members 300 x 184 at (100, 200) and (500, 260): one assigned, one by
// position with an empty groupId. Cards of another group or outside the box
// do not count, wherever they lie.
constexpr std::string_view kFit = R"({
  "nodes":[{"id":"a","x":100,"y":200,"renderedW":300,"renderedH":184,"groupId":"g1"},
           {"id":"b","x":500,"y":260,"renderedW":300,"renderedH":184,"groupId":""},
           {"id":"c","x":10,"y":10,"renderedW":3000,"renderedH":3000,"groupId":"g2"},
           {"id":"d","x":5000,"y":10}],
  "groups":[{"id":"g1","x":0,"y":0,"w":1000,"h":1000},{"id":"g2","x":9000,"y":9000}]})";

TEST(FitGroup, WrapsMembersWithPaddingsAndTheHeader) {
  struct Case {
    const char* name;
    Paddings pad;
    const char* group;
  };
  const Case cases[] = {
      {"24 all round", {24, 24, 24, 24}, R"({"h":332.0,"id":"g1","w":748.0,"x":76.0,"y":136.0})"},
      {"top, right, bottom, left", {0, 10, 20, 30}, R"({"h":304.0,"id":"g1","w":740.0,"x":70.0,"y":160.0})"},
      {"negative paddings", {-10, 0, 0, 0}, R"({"h":274.0,"id":"g1","w":700.0,"x":100.0,"y":170.0})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = doc(kFit);
    EXPECT_EQ(fit_group(d, "g1", c.pad).value(), 2u);
    EXPECT_EQ(group_json(d), c.group);
  }
}

TEST(FitGroup, WithoutMembersNothingChanges) {
  json::value d = doc(R"({"nodes":[{"id":"a","x":5000,"y":0},{"id":"b","groupId":"g2"}],
                          "groups":[{"id":"g1","x":0,"y":0},{"id":7,"x":0,"y":0},{"id":"g2"}]})");
  const std::string before = to_compact(d);
  EXPECT_EQ(fit_group(d, "g1", {24, 24, 24, 24}).value(), 0u);
  // A group whose id is no text has no members, even by position.
  EXPECT_EQ(fit_group_rect(d, 1, {24, 24, 24, 24}), 0u);
  EXPECT_EQ(fit_group_rect(d, 9, {24, 24, 24, 24}), 0u);
  EXPECT_EQ(to_compact(d), before);
  EXPECT_EQ(fit_group(d, "G1", {}).error(), "group not found: G1");
}

TEST(FitGroup, TheOldSizelessBoxDecidesWhoLiesInside) {
  // 400 x 280 from (0, 0): a card's point at (250, 200) is on its corner.
  json::value d = doc(R"({"nodes":[{"x":100,"y":120,"renderedW":10,"renderedH":10}],"groups":[{"id":"g1"}]})");
  EXPECT_EQ(fit_group_rect(d, 0, {0, 0, 0, 0}), 1u);
  EXPECT_EQ(group_json(d), R"({"h":50.0,"id":"g1","w":10.0,"x":100.0,"y":80.0})");
}

// Cards 300 x 100, assigned with orders 2, missing and 0.
constexpr std::string_view kAuto = R"({
  "nodes":[{"id":"a","order":2,"groupId":"g1","renderedW":300,"renderedH":100},
           {"id":"b","groupId":"g1","renderedW":300,"renderedH":100},
           {"id":"c","order":0,"groupId":"g1","renderedW":300,"renderedH":100},
           {"id":"z","x":1200,"y":600,"order":0,"renderedW":50,"renderedH":50}],
  "groups":[{"id":"g1","x":1000,"y":500,"w":400,"h":1000}]})";

TEST(AutoLayoutGroup, StacksByOrderRenumbersAndRefits) {
  json::value d = doc(kAuto);
  EXPECT_EQ(auto_layout_group(d, "g1", "stack").value(), 3u);
  const json::array& nodes = *array_of(d, "nodes");
  EXPECT_EQ(to_compact(nodes[2]),
            R"({"groupId":"g1","id":"c","order":0,"renderedH":100,"renderedW":300,"x":1024.0,"y":564.0})");
  EXPECT_EQ(to_compact(nodes[0]),
            R"({"groupId":"g1","id":"a","order":1,"renderedH":100,"renderedW":300,"x":1024.0,"y":696.0})");
  EXPECT_EQ(to_compact(nodes[1]),
            R"({"groupId":"g1","id":"b","order":2,"renderedH":100,"renderedW":300,"x":1024.0,"y":828.0})");
  // z lies in the old box without a group: not laid out, but wrapped.
  EXPECT_EQ(to_compact(nodes[3]), R"({"id":"z","order":0,"renderedH":50,"renderedW":50,"x":1200,"y":600})");
  EXPECT_EQ(group_json(d), R"({"h":452.0,"id":"g1","w":348.0,"x":1000.0,"y":500.0})");
}

TEST(AutoLayoutGroup, OrderKeysAndModes) {
  struct Case {
    const char* name;
    const char* orders;  // of a, b, c
    const char* mode;
    const char* xs;  // of a, b, c after the layout
  };
  const Case cases[] = {
      {"negative first, then document order for ties", R"([1,-1,1])", "row", "356.0 24.0 688.0"},
      {"2.0 and texts sort last", R"([2.0,"0",0])", "row", "356.0 688.0 24.0"},
      {"an unsigned order beyond the signed range sorts last", R"([18446744073709551615,5,0])", "row",
       "688.0 356.0 24.0"},
      {"column", R"([0,1,2])", "column", "24.0 24.0 24.0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value d = doc(R"({"nodes":[{"id":"a","groupId":"g1","renderedW":300,"renderedH":100},
                                     {"id":"b","groupId":"g1","renderedW":300,"renderedH":100},
                                     {"id":"c","groupId":"g1","renderedW":300,"renderedH":100}],
                            "groups":[{"id":"g1"}]})");
    const json::array orders = doc(c.orders).get_array();
    json::array& nodes = *array_of(d, "nodes");
    for (std::size_t i = 0; i < 3; ++i) nodes[i].get_object()["order"] = orders[i];
    // A group without x and y lays out from (24, 64).
    EXPECT_EQ(auto_layout_group(d, "g1", c.mode).value(), 3u);
    std::string xs;
    for (const json::value& node : nodes) {
      if (!xs.empty()) xs += ' ';
      xs += to_compact(*member(node, "x"));
    }
    EXPECT_EQ(xs, c.xs);
    EXPECT_EQ(to_compact(*member(nodes[0], "y")), "64.0");
  }
}

TEST(AutoLayoutGroup, AnEmptyGroupIsOnlyRefitAndAnUnknownOneFails) {
  json::value d = doc(R"({"nodes":[{"id":"a","groupId":"g2"}],"groups":[{"id":"g1","x":5,"y":5}]})");
  const std::string before = to_compact(d);
  EXPECT_EQ(auto_layout_group(d, "g1", "stack").value(), 0u);
  EXPECT_EQ(to_compact(d), before);
  EXPECT_EQ(auto_layout_group(d, "gz", "stack").error(), "group not found: gz");
  EXPECT_EQ(to_compact(d), before);
}

}  // namespace
}  // namespace vemba_core::project_io
