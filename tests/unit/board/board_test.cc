#include "project_io/board/board.h"

#include "project_io/production/production.h"
#include "support/fixture.h"
#include "support/shortcuts.h"

#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::add_node;
using vemba_test::add_vemba;
using vemba_test::doc;
using vemba_test::move_node;

std::string node_json(const json::value& d, std::size_t i) { return to_compact(array_of(d, "nodes")->at(i)); }
std::string edges_json(const json::value& d) { return to_compact(*member(d, "edges")); }

constexpr std::string_view kEmpty = R"({"nodes":[],"edges":[],"bindings":[]})";

TEST(AddVemba, CreatesStoryCardsAlongTheTopRow) {
  json::value d = doc(kEmpty);
  EXPECT_EQ(add_vemba(d, "Opening", "Dawn.", std::nullopt).value(), "n201");
  EXPECT_EQ(node_json(d, 0),
            R"({"alt":false,"body":"Dawn.","collapsed":false,"color":null,"documents":[],"duration":"",)"
            R"("hidden":false,"id":"n201","images":[],"product":"","seqName":"","seqStart":false,"shotType":"",)"
            R"("slug":"","title":"Opening","tones":[],"type":"vemba","x":120.0,"y":120.0})");
  EXPECT_EQ(add_vemba(d, "Next", "", std::nullopt).value(), "n202");
  EXPECT_EQ(to_compact(*member(array_of(d, "nodes")->at(1), "x")), "480.0");
  EXPECT_EQ(edges_json(d), "[]");
}

TEST(AddVemba, ChainsFromAfterOnlyWhenItNamesACard) {
  json::value d = doc(R"({"nodes":[{"id":"n7","x":0}],"edges":[]})");
  ASSERT_TRUE(add_vemba(d, "", "", std::string_view("missing")));
  ASSERT_TRUE(add_vemba(d, "", "", std::string_view("")));
  EXPECT_EQ(edges_json(d), "[]");
  EXPECT_EQ(add_vemba(d, "", "", std::string_view("n7")).value(), "n203");
  // The lookup sees the new card, so naming its own id links it to itself.
  EXPECT_EQ(add_vemba(d, "", "", std::string_view("n204")).value(), "n204");
  EXPECT_EQ(edges_json(d), R"([{"from":"n7","label":"","to":"n203","type":"continues"},)"
                           R"({"from":"n204","label":"","to":"n204","type":"continues"}])");
}

TEST(AddVemba, MissingArraysFailWithoutChange) {
  json::value no_nodes = doc(R"({"edges":[]})");
  EXPECT_EQ(add_vemba(no_nodes, "", "", std::nullopt).error(), "nodes not array");
  json::value no_edges = doc(R"({"nodes":[{"id":"n1"}],"edges":{}})");
  EXPECT_EQ(add_vemba(no_edges, "", "", std::string_view("n1")).error(), "edges not array");
  EXPECT_EQ(array_of(no_edges, "nodes")->size(), 1u);
}

TEST(DefaultCardX, RightOfTheRightmostNumericX) {
  struct Case {
    const char* nodes;
    double x;
  };
  const Case cases[] = {{"[]", 120},
                        {R"([{"x":"500"},{"id":"a"},7])", 120},
                        {R"([{"x":-1000},{"x":-500}])", -140},
                        {R"([{"x":10},{"x":2.5}])", 370}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.nodes);
    EXPECT_EQ(default_card_x(doc(std::string(R"({"nodes":)") + c.nodes + "}")), c.x);
  }
}

TEST(AddNode, EachKindGetsItsOwnFields) {
  struct Case {
    const char* kind;
    const char* extra;
  };
  const Case cases[] = {{"note", ""},
                        {"shotlist", R"("scenes":[],"shots":[],)"},
                        {"palette", R"("colors":[],)"},
                        {"checklist", R"("items":[{"done":false,"t":""}],)"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.kind);
    json::value d = doc(kEmpty);
    ASSERT_EQ(add_node(d, c.kind, "T", "B").value(), "n201");
    const std::string want = std::string(R"({"body":"B",)") + c.extra +
                             R"("color":null,"hidden":false,"id":"n201","images":[],"title":"T","type":")" + c.kind +
                             R"(","x":120.0,"y":120.0})";
    // The writer sorts keys, so the expected text may list them in any order.
    json::value want_value = doc(want);
    EXPECT_EQ(node_json(d, 0), to_compact(want_value));
  }
  json::value d = doc(kEmpty);
  ASSERT_TRUE(add_node(d, "setplan", "", ""));
  EXPECT_EQ(to_compact(*member(array_of(d, "nodes")->at(0), "plan")), to_compact(default_set_plan()));
}

TEST(AddNode, RefusesOtherKinds) {
  for (std::string_view kind : {"vemba", "Note", "", "note "}) {
    json::value d = doc(kEmpty);
    EXPECT_EQ(add_node(d, kind, "", "").error(), "unsupported node kind: " + std::string(kind));
    EXPECT_TRUE(array_of(d, "nodes")->empty());
  }
  json::value d = doc("{}");
  EXPECT_EQ(add_node(d, "note", "", "").error(), "nodes not array");
}

TEST(ConvertNodeType, ChangesOnlyTheType) {
  json::value d = doc(R"({"nodes":[{"id":"n1","type":"palette","colors":["#fff"],"zz":1}]})");
  ASSERT_TRUE(convert_node_type(d, "n1", "vemba"));
  EXPECT_EQ(node_json(d, 0), R"({"colors":["#fff"],"id":"n1","type":"vemba","zz":1})");
  ASSERT_TRUE(convert_node_type(d, "n1", "setplan"));
  EXPECT_EQ(node_json(d, 0), R"({"colors":["#fff"],"id":"n1","type":"setplan","zz":1})");
  EXPECT_EQ(convert_node_type(d, "nope", "shotlist").error(), "unsupported type: shotlist");
  EXPECT_EQ(convert_node_type(d, "nope", "note").error(), "node not found: nope");
}

TEST(DeleteNode, RemovesTheFirstCardWithItsEdgesAndMemberships) {
  json::value d = doc(R"({"nodes":[{"id":"a"},{"id":"b"},{"id":"a","second":true}],
    "edges":[{"from":"a","to":"b"},{"from":"b","to":"c"},{"from":"a","to":"a"},{"from":"c","to":"a"},{"from":1,"to":"b"}],
    "bindings":[{"members":["a","b","a",3]},{"members":"a"},{"id":"x"}],
    "groups":[{"id":"g1"}]})");
  EXPECT_EQ(delete_node(d, "a").value(), "a");
  EXPECT_EQ(to_compact(*member(d, "nodes")), R"([{"id":"b"},{"id":"a","second":true}])");
  EXPECT_EQ(edges_json(d), R"([{"from":"b","to":"c"},{"from":1,"to":"b"}])");
  EXPECT_EQ(to_compact(*member(d, "bindings")), R"([{"members":["b",3]},{"members":"a"},{"id":"x"}])");
  EXPECT_EQ(to_compact(*member(d, "groups")), R"([{"id":"g1"}])");
  EXPECT_EQ(delete_node(d, "zz").error(), "node not found: zz");
}

TEST(DeleteNode, IdMayPointIntoTheCardItRemoves) {
  json::value d = doc(R"({"nodes":[{"id":"n5"}],"edges":[{"from":"n5","to":"n5"}]})");
  const std::string_view id = array_of(d, "nodes")->at(0).get_object().at("id").get_string();
  EXPECT_EQ(delete_node(d, id).value(), "n5");
  EXPECT_EQ(edges_json(d), "[]");
}

TEST(MoveAndReorder, WriteFloatsAndIntegers) {
  json::value d = doc(R"({"nodes":[{"id":"n1","x":5,"keep":"me"}]})");
  ASSERT_TRUE(move_node(d, "n1", 100, -2.5));
  ASSERT_TRUE(reorder_node(d, "n1", -4));
  EXPECT_EQ(node_json(d, 0), R"({"id":"n1","keep":"me","order":-4,"x":100.0,"y":-2.5})");
  EXPECT_EQ(move_node(d, "n2", 0, 0).error(), "node not found: n2");
  json::value no_nodes = doc(R"({"nodes":{}})");
  EXPECT_EQ(reorder_node(no_nodes, "n1", 1).error(), "node not found: n1");
}

TEST(FindIndex, FirstWholeIdMatch) {
  json::value d = doc(R"({"nodes":[3,{"id":5},{"id":"N1"},{"id":"n1"},{"id":"n1"}],"groups":[{"id":"g1"}]})");
  EXPECT_EQ(find_node_index(d, "n1"), 3u);
  EXPECT_EQ(find_node_index(d, "n"), std::nullopt);
  EXPECT_EQ(find_group_index(d, "g1"), 0u);
  EXPECT_EQ(find_group_index(d, "n1"), std::nullopt);
}

TEST(DefaultSetPlan, KeyOrderNumberKindsAndIndependence) {
  EXPECT_EQ(to_compact(default_set_plan()),
            R"({"bg":null,"bgOpacity":0.6,"dark":false,"elements":[],"grid":true,"h":525,)"
            R"("scale":{"roomH":3.5,"roomW":5,"unit":"m","unitsPerPx":0.006666666666666667},)"
            R"("sensorW":24.89,"showRays":false,"snap":false,"w":750})");
  json::value a = default_set_plan();
  json::value b = default_set_plan();
  array_of(a, "elements")->push_back(json::object());
  EXPECT_TRUE(array_of(b, "elements")->empty());
}

}  // namespace
}  // namespace vemba_core::project_io
