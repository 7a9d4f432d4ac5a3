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
