#include "project_io/geometry/geometry.h"

#include "support/fixture.h"
#include "support/shortcuts.h"

#include <gtest/gtest.h>

#include <fmt/format.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

namespace vemba_core::project_io {
namespace {

using vemba_test::doc;
using vemba_test::node_in_group;

TEST(NodeInGroup, TestsTheFixedPointAgainstTheBoxEdgesIncluded) {
  struct Case {
    const char* node;
    const char* group;
    bool inside;
  };
  const Case cases[] = {
      {R"({"x":0,"y":0})", R"({"x":150,"y":80,"w":0,"h":0})", true},     // a zero box holds its corner
      {R"({})", R"({"x":150,"y":80,"w":0,"h":0})", true},                // no x, y: the point is (150, 80)
      {R"({"x":250,"y":0})", R"({"x":0,"y":0,"w":400,"h":280})", true},  // on the right edge
      {R"({"x":0,"y":200})", R"({"x":0,"y":0,"w":400,"h":280})", true},  // on the bottom edge
      {R"({"x":250.5,"y":0})", R"({"x":0,"y":0,"w":400,"h":280})", false},
      {R"({"x":-151,"y":0})", R"({"x":0,"y":0,"w":400,"h":280})", false},
      // The card's own size plays no part.
      {R"({"x":240,"y":190,"renderedW":2000,"renderedH":2000})", R"({"x":0,"y":0})", true},
      // A group without w and h reads as 400 x 280.
      {R"({"x":250,"y":200})", R"({"x":0,"y":0})", true},
      {R"({"x":251,"y":200})", R"({"x":0,"y":0})", false},
      {R"({"x":"500","y":null})", R"({"x":"1","y":0})", true},
      {R"({"x":0,"y":0})", R"({"x":150,"y":80,"w":-1,"h":0})", false},  // negative sizes stay negative
      {R"(7)", R"({"x":150,"y":80,"w":0,"h":0})", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.node) + " in " + c.group);
    EXPECT_EQ(node_in_group(doc(c.node), doc(c.group)), c.inside);
  }
}

TEST(NodeOwnerMap, AssignmentWinsThenTheSmallestHoldingBox) {
  struct Case {
    const char* name;
    const char* doc;
    std::map<std::string, std::string> owners;
  };
  const Case cases[] = {
      {"nested boxes: the small one owns",
       R"({"nodes":[{"id":"n1","x":100,"y":100}],
           "groups":[{"id":"big","x":0,"y":0,"w":2000,"h":2000},{"id":"small","x":200,"y":150,"w":100,"h":100}]})",
       {{"n1", "small"}}},
      {"equal areas: the earlier one owns",
       R"({"nodes":[{"id":"n1","x":100,"y":100}],
           "groups":[{"id":"a","x":0,"y":0,"w":500,"h":500},{"id":"b","x":100,"y":100,"w":250,"h":1000}]})",
       {{"n1", "a"}}},
      {"a sizeless group has area 112000",
       R"({"nodes":[{"id":"n1","x":0,"y":0}],
           "groups":[{"id":"wide","x":0,"y":0,"w":1000,"h":112.5},{"id":"plain","x":0,"y":0}]})",
       {{"n1", "plain"}}},
      {"groupId naming a group wins over position",
       R"({"nodes":[{"id":"n1","x":0,"y":0,"groupId":"far"}],
           "groups":[{"id":"near","x":0,"y":0,"w":400,"h":280},{"id":"far","x":9000,"y":9000}]})",
       {{"n1", "far"}}},
      {"groupId naming no group falls back to position",
       R"({"nodes":[{"id":"n1","x":0,"y":0,"groupId":"gone"},{"id":"n2","x":5000,"y":0,"groupId":"gone"}],
           "groups":[{"id":"near","x":0,"y":0,"w":400,"h":280}]})",
       {{"n1", "near"}}},
      {"the smallest holder without a text id leaves the card unowned",
       R"({"nodes":[{"id":"n1","x":0,"y":0}],
           "groups":[{"id":"big","x":0,"y":0,"w":900,"h":900},{"id":5,"x":0,"y":0,"w":200,"h":100}]})",
       {}},
      {"cards without a text id have no entry; a groupId of another kind is ignored",
       R"({"nodes":[{"x":0,"y":0},{"id":3,"x":0,"y":0},{"id":"n1","x":0,"y":0,"groupId":5}],
           "groups":[{"id":"g","x":0,"y":0}]})",
       {{"n1", "g"}}},
      {"of cards sharing an id the last with an owner wins",
       R"({"nodes":[{"id":"n1","x":0,"y":0},{"id":"n1","x":0,"y":0,"groupId":"b"},{"id":"n1","x":7000,"y":0}],
           "groups":[{"id":"a","x":0,"y":0},{"id":"b","x":5000,"y":5000}]})",
       {{"n1", "b"}}},
      {"arrays of another kind count as empty", R"({"nodes":{"id":"n1"},"groups":7})", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const OwnerMap owners = node_owner_map(doc(c.doc));
    const std::map<std::string, std::string> sorted(owners.begin(), owners.end());
    EXPECT_EQ(sorted, c.owners);
  }
}

TEST(NodeOwnerMap, OwnerOfLooksUpByText) {
  const OwnerMap owners = node_owner_map(doc(R"({"nodes":[{"id":"n1"}],"groups":[{"id":"g1"}]})"));
  EXPECT_EQ(owner_of(owners, "n1"), "g1");
  EXPECT_EQ(owner_of(owners, "n2"), std::nullopt);
}

// Many overlapping, nested, touching, empty and equal-area boxes on a
// coarse grid, so points fall on edges; the rule read plainly (the first of
// the groups by area, equal areas in array order) is the reference.
TEST(NodeOwnerMap, ManyBoxesAgreeWithThePlainRule) {
  std::mt19937 random(2024);
  const auto coordinate = [&] { return static_cast<int>(random() % 12) * 50 - 100; };
  for (int round = 0; round < 40; ++round) {
    json::array groups, nodes;
    for (int g = 0; g < 25; ++g) {
      json::object group{
          {"x", coordinate()}, {"y", coordinate()}, {"w", coordinate() + 100}, {"h", coordinate() + 100}};
      if (g % 7 != 3) group["id"] = fmt::format("g{}", g);
      groups.push_back(std::move(group));
    }
    for (int n = 0; n < 200; ++n)
      nodes.push_back(
          json::object{{"id", fmt::format("n{}", n)}, {"x", coordinate() - 150}, {"y", coordinate() - 80.0}});
    const json::value board = json::object{{"nodes", nodes}, {"groups", groups}};

    std::vector<std::size_t> by_area(groups.size());
    std::iota(by_area.begin(), by_area.end(), std::size_t{0});
    const auto area = [&](std::size_t g) {
      const Rect b = group_box(groups[g]);
      return b.w * b.h;
    };
    std::stable_sort(by_area.begin(), by_area.end(), [&](std::size_t a, std::size_t b) { return area(a) < area(b); });
    std::map<std::string, std::string> expected;
    for (const json::value& node : nodes)
      for (const std::size_t g : by_area)
        if (node_in_group(node, groups[g])) {
          if (const auto id = id_of(groups[g])) expected[std::string(*id_of(node))] = std::string(*id);
          break;
        }

    const OwnerMap owners = node_owner_map(board);
    SCOPED_TRACE(round);
    const std::map<std::string, std::string> sorted(owners.begin(), owners.end());
    EXPECT_EQ(sorted, expected);
  }
}

TEST(IsFitMember, AssignedCardsCountOnlyForTheirGroupOthersByPosition) {
  const Rect box{0, 0, 400, 280};
  struct Case {
    const char* node;
    bool member;
  };
  const Case cases[] = {
      {R"({"groupId":"g1","x":9000,"y":9000})", true},
      {R"({"groupId":"g2","x":0,"y":0})", false},
      {R"({"groupId":"","x":0,"y":0})", true},
      {R"({"groupId":null,"x":0,"y":0})", true},
      {R"({"groupId":4,"x":0,"y":0})", true},
      {R"({"x":0,"y":0})", true},
      {R"({"x":300,"y":0})", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.node);
    EXPECT_EQ(is_fit_member(doc(c.node), "g1", box), c.member);
  }
}

}  // namespace
}  // namespace vemba_core::project_io
