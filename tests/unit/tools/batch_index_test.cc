// The batch index against fresh scans: after every one of the editing tools,
// run through apply_mutation with an index that was asked everything before,
// the index must answer what scans of the document answer. An edit that says
// it kept every id while it removed or renamed one leaves the index finding
// cards that are gone.

#include "vemba_connector/tools/catalogue.h"
#include "vemba_connector/tools/mutation_engine.h"
#include "vemba_connector/tools/tools.h"

#include "project_io/model/document.h"
#include "support/fixture.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

namespace vemba_connector {
namespace {

namespace io = vemba_core::project_io;
using io::to_compact;

// Every kind of record the edits reach: cards in and out of groups, one
// with the largest id and the rightmost x (deleted by one row), a group
// whose card goes with it, a shot list and a set plan.
constexpr std::string_view kBoard = R"({
  "schemaVersion": 1, "name": "Film",
  "nodes": [
    {"id": "n1", "type": "vemba", "title": "One", "body": "", "x": 100, "y": 120, "groupId": "g7"},
    {"id": "n2", "type": "note", "title": "Two", "x": 460, "y": 120},
    {"id": "n3", "title": "Three", "x": 820.5, "y": 40, "groupId": "g7"},
    {"id": "n450", "type": "vemba", "title": "Last", "x": 3000, "y": 0},
    {"id": "n14", "type": "vemba", "title": "Doomed", "x": 2100, "y": 40, "groupId": "g12"},
    {"id": "n5", "type": "shotlist", "title": "List", "x": 0, "y": 900,
     "scenes": [{"id": "sc6", "name": "S"}], "shots": [{"id": "sh8", "sceneId": "sc6", "vembaId": "n1"}]},
    {"id": "n9", "type": "setplan", "title": "Stage", "x": 400, "y": 900,
     "plan": {"elements": [{"id": "e10", "kind": "camera", "x": 1, "y": 1, "rot": 0}]}}
  ],
  "edges": [{"from": "n1", "to": "n2", "type": "continues", "label": ""}],
  "groups": [{"id": "g7", "name": "Act", "x": 0, "y": 0, "w": 400, "h": 280},
             {"id": "g12", "name": "Gone", "x": 2000, "y": 0, "w": 400, "h": 280}],
  "bindings": [{"id": "b13", "members": ["n1", "n2", "n14"]}]
})";

// kBoard as a load leaves it: every array there.
json::value board() {
  json::value state = vemba_test::doc(kBoard);
  EXPECT_TRUE(io::normalize(state));
  return state;
}

struct Row {
  const char* tool;
  const char* args;
};

// One row per editing tool, each changing the board from kBoard and also
// in this order, one after another.
constexpr Row kEdits[] = {
    {"add_vemba", R"({"title":"A","after":"n1"})"},
    {"edit_vemba", R"({"vembaId":"n3","patch":{"x":5000,"title":"Far"}})"},
    {"connect_vembas", R"({"from":"n3","to":"n2","label":"then"})"},
    {"add_node", R"({"kind":"note","title":"Aside"})"},
    {"convert_node_type", R"({"nodeId":"n2","newType":"prop"})"},
    {"delete_node", R"({"nodeId":"n450"})"},
    {"move_node", R"({"nodeId":"n1","x":7000,"y":10})"},
    {"reorder_node", R"({"nodeId":"n3","order":5})"},
    {"create_group", R"({"name":"G"})"},
    {"edit_group", R"({"groupId":"g7","patch":{"x":-500,"name":"Act I"}})"},
    {"delete_group", R"({"groupId":"g12","keepChildren":false})"},
    {"add_node_to_group", R"({"nodeId":"n2","groupId":"g7"})"},
    {"remove_node_from_group", R"({"nodeId":"n1"})"},
    {"auto_layout_group", R"({"groupId":"g7"})"},
    {"arrange_nodes", R"({"nodeIds":["n1","n2","n3"],"originX":20000})"},
    {"align_nodes", R"({"nodeIds":["n1","n2","n3"],"edge":"right"})"},
    {"place_node", R"({"nodeId":"n2","refId":"n1","side":"below"})"},
    {"fit_group", R"({"groupId":"g7","padding":10})"},
    {"set_project_meta", R"({"patch":{"name":"Renamed"}})"},
    {"add_video_embed", R"({"url":"https://www.youtube.com/watch?v=dQw4w9WgXcQ"})"},
    {"edit_set_plan",
     R"({"nodeId":"n9","plan":{"elements":[{"id":"e10","kind":"camera","x":1,"y":1,"rot":0},{"id":"e700","kind":"light"}]}})"},
    {"build_shot_list", R"({"nodeId":"n5","nodeIds":["n1","n3"]})"},
    {"edit_shot_list", R"({"nodeId":"n5","patch":{"title":"Listed"}})"},
    {"add_scene", R"({"nodeId":"n5","name":"S2"})"},
    {"add_shot", R"({"nodeId":"n5","sceneId":"sc6","vembaId":"n1","fields":{"lens":"50mm"}})"},
    {"edit_shot", R"({"nodeId":"n5","shotId":"sh8","patch":{"lens":"35mm"}})"},
    {"add_plan_element", R"({"nodeId":"n9","element":{"kind":"prop"}})"},
    {"edit_plan_element", R"({"nodeId":"n9","elementId":"e10","patch":{"x":50}})"},
    {"remove_plan_element", R"({"nodeId":"n9","elementId":"e10"})"},
};

std::set<std::string> node_ids(const json::value& doc) {
  std::set<std::string> ids{"", "n999"};
  if (const json::array* nodes = io::array_of(doc, "nodes"))
    for (const json::value& node : *nodes)
      if (const auto id = io::id_of(node)) ids.emplace(*id);
  return ids;
}

// Asked several times over, so that the index builds its tables and
// answers from them.
void expect_fresh(io::EditIndex& index, const json::value& doc, const std::set<std::string>& ids) {
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(index.next_uid(), io::next_uid(doc));
    EXPECT_EQ(index.default_card_x(), io::default_card_x(doc));
    for (const std::string& id : ids) EXPECT_EQ(index.find_node(id), io::find_node_index(doc, id)) << id;
  }
}

// Applies the row with the index, then checks the index for every id that
// was there before or is there after.
void apply_and_compare(json::value& state, io::EditIndex& index, const Row& row) {
  const std::string before = to_compact(state);
  std::set<std::string> ids = node_ids(state);
  const Outcome done = apply_mutation(state, "/", "/nonexistent", row.tool, vemba_test::doc(row.args), index);
  ASSERT_TRUE(done) << done.error();
  ASSERT_NE(to_compact(state), before) << "the row changes nothing";
  ids.merge(node_ids(state));
  expect_fresh(index, state, ids);
}

TEST(BatchIndex, EveryEditingToolHasARow) {
  std::set<std::string> batchable, rows;
  for (const json::value& tool : tool_list()) {
    const std::string name(tool.at("name").as_string());
    if (find_tool(name)->batchable()) batchable.insert(name);
  }
  for (const Row& row : kEdits) EXPECT_TRUE(rows.insert(row.tool).second) << row.tool;
  EXPECT_EQ(rows, batchable);
}

TEST(BatchIndex, EachEditAfterAWarmIndexLeavesItAnsweringAsScans) {
  for (const Row& row : kEdits) {
    SCOPED_TRACE(row.tool);
    json::value state = board();
    io::EditIndex index(state);
    expect_fresh(index, state, node_ids(state));
    apply_and_compare(state, index, row);
  }
}

TEST(BatchIndex, OneRunOfEveryEditThroughOneIndex) {
  json::value state = board();
  io::EditIndex index(state);
  expect_fresh(index, state, node_ids(state));
  for (const Row& row : kEdits) {
    SCOPED_TRACE(row.tool);
    apply_and_compare(state, index, row);
  }
}

}  // namespace
}  // namespace vemba_connector
