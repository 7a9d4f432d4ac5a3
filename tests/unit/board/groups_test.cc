#include "project_io/board/board.h"

#include "support/fixture.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::doc;

std::string part(const json::value& d, std::string_view array, std::size_t i, std::string_view key = {}) {
  const json::value& record = array_of(d, array)->at(i);
  if (key.empty()) return to_compact(record);
  const json::value* v = member(record, key);
  return v ? to_compact(*v) : "<missing>";
}

TEST(CreateGroup, WritesEveryKeyWithFloatBoxAndNullOrder) {
  json::value d = doc(R"({"nodes":[],"groups":[]})");
  EXPECT_EQ(create_group(d, " Act ", std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt, std::nullopt)
                .value(),
            "g201");
  EXPECT_EQ(part(d, "groups", 0),
            R"({"color":"#CC8E78","h":480.0,"hidden":false,"hiddenInExport":false,"id":"g201","name":" Act ",)"
            R"("order":null,"role":"","w":680.0,"x":120.0,"y":120.0})");
  ASSERT_TRUE(create_group(d, "", std::string_view("slide"), std::string_view(""), 500.0, 300.0, 0.0, -5.0));
  EXPECT_EQ(part(d, "groups", 1), R"({"color":"","h":-5.0,"hidden":false,"hiddenInExport":false,"id":"g202","name":"",)"
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
    EXPECT_EQ(part(d, "groups", 0, "x") + "," + part(d, "groups", 0, "y"), c.at);
  }
}

TEST(CreateGroup, GroupsWithoutASizeBlockAs400By280) {
  // The start (120, 120) is blocked only when the box reaches x 100 and y 80.
  json::value d = doc(R"({"nodes":[],"groups":[{"id":"g1","x":-300,"y":-200}]})");
  ASSERT_TRUE(create_group(d, "G", std::nullopt, std::nullopt, std::nullopt, std::nullopt, 100.0, 100.0));
  EXPECT_EQ(part(d, "groups", 1, "x") + "," + part(d, "groups", 1, "y"), "268.0,-28.0");
}

TEST(CreateGroup, FailsWithoutAGroupsArray) {
  json::value d = doc(R"({"nodes":[],"groups":{}})");
  EXPECT_EQ(create_group(d, "G", std::nullopt, std::nullopt, 1.0, 1.0, std::nullopt, std::nullopt).error(),
            "groups not array");
  EXPECT_EQ(to_compact(d), R"({"groups":{},"nodes":[]})");
}

TEST(EditGroup, StoresBoxKeysAsGivenAndOnlyBooleanFlags) {
  json::value d = doc(R"({"groups":[{"id":"g1","x":0,"hidden":false}]})");
  const PatchResult r =
      edit_group(d, "g1", doc(R"({"x":"left","order":3,"hidden":"yes","id":"g9","hiddenInExport":true,"w":null})"))
          .value();
  EXPECT_EQ(r.applied, (std::vector<std::string>{"hiddenInExport", "order", "w", "x"}));
  EXPECT_EQ(r.ignored, (std::vector<std::string>{"hidden", "id"}));
  EXPECT_EQ(part(d, "groups", 0), R"({"hidden":false,"hiddenInExport":true,"id":"g1","order":3,"w":null,"x":"left"})");
  for (const char* patch : {R"("x")", "{}", "[1]"}) {
    SCOPED_TRACE(patch);
    const PatchResult none = edit_group(d, "g1", doc(patch)).value();
    EXPECT_TRUE(none.applied.empty() && none.ignored.empty());
  }
  EXPECT_EQ(edit_group(d, "G1", doc(R"({"x":1})")).error(), "group not found: G1");
}

constexpr std::string_view kGrouped = R"({
  "nodes":[{"id":"a","groupId":"g1"},{"id":"b","x":0,"y":0},{"id":"c","groupId":"g1"},{"groupId":"g1"},
           {"id":"d","groupId":"g2"}],
  "edges":[{"from":"a","to":"b"},{"from":"b","to":"d"},{"from":"d","to":"c"}],
  "groups":[{"id":"g1","x":0,"y":0},{"id":"g2"}],
  "bindings":[{"members":["a","b","c","a"]}]})";

TEST(DeleteGroup, KeepingChildrenUngroupsOnlyAssignedCards) {
  json::value d = doc(kGrouped);
  EXPECT_EQ(delete_group(d, "g1", true).value(), 0u);
  EXPECT_EQ(to_compact(*member(d, "groups")), R"([{"id":"g2"}])");
  EXPECT_EQ(to_compact(*member(d, "nodes")),
            R"([{"groupId":null,"id":"a"},{"id":"b","x":0,"y":0},{"groupId":null,"id":"c"},{"groupId":null},)"
            R"({"groupId":"g2","id":"d"}])");
  EXPECT_EQ(array_of(d, "edges")->size(), 3u);
}

TEST(DeleteGroup, WithoutChildrenRemovesAssignedCardsTheirEdgesAndMemberships) {
  json::value d = doc(kGrouped);
  EXPECT_EQ(delete_group(d, "g1", false).value(), 3u);
  // b lies in the box but is not assigned: it stays.
  EXPECT_EQ(to_compact(*member(d, "nodes")), R"([{"id":"b","x":0,"y":0},{"groupId":"g2","id":"d"}])");
  EXPECT_EQ(to_compact(*member(d, "edges")), R"([{"from":"b","to":"d"}])");
  EXPECT_EQ(to_compact(*member(d, "bindings")), R"([{"members":["b"]}])");
  EXPECT_EQ(delete_group(d, "g1", false).error(), "group not found: g1");
}

TEST(GroupAssignment, GroupIsLookedUpFirstAndNothingMoves) {
  json::value d = doc(R"({"nodes":[{"id":"n1","x":5000,"y":5000,"groupId":"g2"},{"id":"n2"}],"groups":[{"id":"g1"}]})");
  EXPECT_EQ(add_node_to_group(d, "zz", "gz").error(), "group not found: gz");
  EXPECT_EQ(add_node_to_group(d, "zz", "g1").error(), "node not found: zz");
  ASSERT_TRUE(add_node_to_group(d, "n1", "g1"));
  EXPECT_EQ(part(d, "nodes", 0), R"({"groupId":"g1","id":"n1","x":5000,"y":5000})");
  ASSERT_TRUE(remove_node_from_group(d, "n2"));
  EXPECT_EQ(part(d, "nodes", 1), R"({"groupId":null,"id":"n2"})");
  EXPECT_EQ(remove_node_from_group(d, "").error(), "node not found: ");
}

}  // namespace
}  // namespace vemba_core::project_io
