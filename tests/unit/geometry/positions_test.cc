#include "project_io/geometry/geometry.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

std::string positions(std::string_view doc) { return to_compact(get_positions(*parse_json(doc))); }

TEST(GetPositions, EmptyOrMistypedArraysGiveEmptyLists) {
  EXPECT_EQ(positions(R"({"nodes":[],"groups":[]})"), R"({"groups":[],"nodes":[]})");
  EXPECT_EQ(positions(R"({"nodes":{},"groups":"x"})"), R"({"groups":[],"nodes":[]})");
}

TEST(GetPositions, CardRowsReportEveryCardWithFloatNumbers) {
  struct Case {
    const char* name;
    const char* node;
    const char* row;
  };
  const Case cases[] = {
      {"integer x, text y", R"({"id":"n1","type":"note","title":"T","x":100,"y":"5","hidden":true})",
       R"({"groupId":null,"h":184.0,"id":"n1","measured":false,"ownerGroupId":null,"title":"T","type":"note",)"
       R"("w":220.0,"x":100.0,"y":0.0})"},
      {"measured, no type or title", R"({"id":"n2","renderedW":300,"renderedH":200,"x":5000,"y":0})",
       R"({"groupId":null,"h":200.0,"id":"n2","measured":true,"ownerGroupId":null,"title":"","type":"vemba",)"
       R"("w":300.0,"x":5000.0,"y":0.0})"},
      {"no id: listed, never owned", R"({"x":0,"y":0,"groupId":"g1"})",
       R"({"groupId":"g1","h":376.0,"id":null,"measured":false,"ownerGroupId":null,"title":"","type":"vemba",)"
       R"("w":300.0,"x":0.0,"y":0.0})"},
      {"id of another kind copied as it is", R"({"id":7,"x":0,"y":0})",
       R"({"groupId":null,"h":376.0,"id":7,"measured":false,"ownerGroupId":null,"title":"","type":"vemba",)"
       R"("w":300.0,"x":0.0,"y":0.0})"},
      {"not an object", "3",
       R"({"groupId":null,"h":376.0,"id":null,"measured":false,"ownerGroupId":null,"title":"","type":"vemba",)"
       R"("w":300.0,"x":0.0,"y":0.0})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(positions(std::string(R"({"nodes":[)") + c.node + "]}"),
              std::string(R"({"groups":[],"nodes":[)") + c.row + "]}");
  }
}

TEST(GetPositions, OwnersComeFromTheOwnerMapAndGroupRowsKeepMissingSizesAtZero) {
  const json::value result = get_positions(*parse_json(R"({
    "nodes":[{"id":"a","x":200,"y":150,"groupId":"gone"},{"id":"b","x":0,"y":0,"groupId":"g2"},
             {"id":"a","x":9000,"y":0}],
    "groups":[{"id":"g1","name":"Open","x":100,"y":50},{"id":"g2","name":7,"x":-1.5,"y":2,"w":10,"h":20},
              {"x":1}]})"));
  // g1 has no size: the row says 0.0, while a (point 350, 230) lies in its 400 x 280 box.
  EXPECT_EQ(to_compact(*member(result, "groups")), R"([{"h":0.0,"id":"g1","name":"Open","w":0.0,"x":100.0,"y":50.0},)"
                                                   R"({"h":20.0,"id":"g2","name":"","w":10.0,"x":-1.5,"y":2.0},)"
                                                   R"({"h":0.0,"id":null,"name":"","w":0.0,"x":1.0,"y":0.0}])");
  const json::array& nodes = *array_of(result, "nodes");
  auto owner = [&](std::size_t i) { return to_compact(*member(nodes[i], "ownerGroupId")); };
  auto stored = [&](std::size_t i) { return to_compact(*member(nodes[i], "groupId")); };
  EXPECT_EQ(stored(0), R"("gone")");
  EXPECT_EQ(owner(0), R"("g1")");
  EXPECT_EQ(owner(1), R"("g2")");
  // Cards sharing an id share the owner entered last for it.
  EXPECT_EQ(owner(2), R"("g1")");
}

}  // namespace
}  // namespace vemba_core::project_io
