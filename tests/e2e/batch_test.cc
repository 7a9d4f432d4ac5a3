// batch through the real binary: all ops on one state, one write, one
// snapshot, or nothing at all.

#include "e2e/board_fixture.h"

#include <fmt/format.h>

namespace vemba_test {
namespace {

constexpr std::string_view kAbortTail =
    ". NOTHING was written \u2014 fix that op and resend the whole batch. Ops before it had applied in memory only.";

TEST_F(FilmTest, BatchAppliesEveryOpToOneStateAndWritesOnce) {
  const std::string before = project_bytes();
  const ToolReply r = edit("batch", R"({"ops":[
      {"tool":"add_vemba","arguments":{"title":"A"}},
      {"tool":"add_vemba","arguments":{"title":"B","after":"n201"}},
      {"tool":"move_node","arguments":{"nodeId":"n202","x":1,"y":2,"project":"other"}},
      {"tool":"add_node","arguments":{"kind":"note"},"extra":true}]})");
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(r.text(),
            "Batch done \u2014 4 op(s), one write, one snapshot.\n"
            "1. add_vemba: Added vemba n201.\n"
            "2. add_vemba: Added vemba n202.\n"
            "3. move_node: Node moved.\n"
            "4. add_node: Added node n203.");
  EXPECT_EQ(on_disk({"nodes", "4", "x"}), "1.0");
  EXPECT_EQ(on_disk({"edges", "3"}), R"({"from":"n201","label":"","to":"n202","type":"continues"})");
  const std::vector<std::string> snaps = list_names(history());
  ASSERT_EQ(snaps.size(), 1u);
  EXPECT_EQ(slurp(history() / snaps[0]), before);
  expect_signal_done();
}

TEST_F(FilmTest, BatchOfOneOpWithoutArguments) {
  EXPECT_EQ(edit("batch", R"({"ops":[{"tool":"add_vemba"}]})").text(),
            "Batch done \u2014 1 op(s), one write, one snapshot.\n1. add_vemba: Added vemba n201.");
  EXPECT_EQ(on_disk({"nodes", "3", "title"}), R"("")");
}

TEST_F(FilmTest, BatchAbortsAtTheFirstFailingOpAndLeavesTheFolderAsItWas) {
  write_file(history() / "snap-1.json", "{}");
  const auto before = tree_of(folder_);
  const ToolReply r = edit("batch", R"({"ops":[
      {"tool":"move_node","arguments":{"nodeId":"n1","x":9}},
      {"tool":"add_vemba","arguments":{"title":"Lost"}},
      {"tool":"delete_node","arguments":{"nodeId":"zz"}},
      {"tool":"not even read"}]})");
  EXPECT_TRUE(r.is_error());
  EXPECT_EQ(r.text(), std::string("Batch aborted at op 3 (delete_node): node not found: zz") + std::string(kAbortTail));
  EXPECT_EQ(tree_of(folder_), before);
  expect_signal_done();
}

TEST_F(FilmTest, BatchOpsMayNameOnlyMutatingTools) {
  struct Case {
    const char* op;
    const char* tool;
  };
  const Case cases[] = {{R"({"tool":"batch","arguments":{"ops":[]}})", "batch"},
                        {R"({"tool":"read_project"})", "read_project"},
                        {R"({"tool":"write_asset"})", "write_asset"},
                        {R"({"tool":"Add_Vemba"})", "Add_Vemba"},
                        {R"({"arguments":{}})", ""},
                        {R"({"tool":7})", ""},
                        {"5", ""}};
  const std::string before = project_bytes();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.op);
    const ToolReply r = edit("batch", std::string(R"({"ops":[{"tool":"add_vemba"},)") + c.op + "]}");
    EXPECT_EQ(r.text(),
              fmt::format("Batch aborted at op 2 ({}): unknown mutating tool: {}{}", c.tool, c.tool, kAbortTail));
    EXPECT_EQ(project_bytes(), before);
    EXPECT_FALSE(fs::exists(history()));
  }
}

TEST_F(FilmTest, BatchOpArgumentsThatAreNotAnObjectReadAsMissing) {
  EXPECT_EQ(edit("batch", R"({"ops":[{"tool":"move_node","arguments":["n1"]}]})").text(),
            std::string("Batch aborted at op 1 (move_node): node not found: ") + std::string(kAbortTail));
}

TEST_F(FilmTest, BatchRefusesOpsThatAreNotANonEmptyArrayWithoutASignal) {
  const std::string before = project_bytes();
  for (const char* args : {"{}", R"({"ops":[]})", R"({"ops":{"tool":"add_vemba"}})", R"({"ops":"add_vemba"})"}) {
    SCOPED_TRACE(args);
    const ToolReply r = edit("batch", args);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), "ops must be a non-empty array of {tool, arguments}");
  }
  EXPECT_EQ(project_bytes(), before);
  EXPECT_FALSE(fs::exists(signal_path()));
}

// A batch keeps the next id, the cards by id and the rightmost card from op
// to op instead of scanning for them; every kind of edit between the ops
// that use them must leave the same replies and the same file as the same
// ops sent one call each.
TEST_F(FilmTest, BatchGivesWhatTheSameOpsGiveOneCallEach) {
  const char* const ops[] = {
      R"({"tool":"add_vemba","arguments":{"title":"A","after":"n1"}})",
      R"({"tool":"add_node","arguments":{"kind":"shotlist","title":"List"}})",
      R"({"tool":"add_vemba","arguments":{"after":"n201"}})",
      R"({"tool":"move_node","arguments":{"nodeId":"n203","x":5000,"y":0}})",
      R"({"tool":"add_vemba","arguments":{"after":"n203"}})",
      R"({"tool":"edit_vemba","arguments":{"vembaId":"n204","patch":{"x":9000,"title":"E"}}})",
      R"({"tool":"add_vemba","arguments":{"title":"after the edit"}})",
      R"({"tool":"create_group","arguments":{"name":"G"}})",
      R"({"tool":"add_vemba","arguments":{"after":"n205"}})",
      R"({"tool":"add_scene","arguments":{"nodeId":"n202","name":"S1"}})",
      R"({"tool":"add_shot","arguments":{"nodeId":"n202","vembaId":"n1","fields":{}}})",
      R"({"tool":"add_vemba","arguments":{}})",
      R"({"tool":"add_node","arguments":{"kind":"setplan"}})",
      R"({"tool":"add_plan_element","arguments":{"nodeId":"n211","element":{"kind":"camera","id":"e900"}}})",
      R"({"tool":"add_vemba","arguments":{}})",
      R"({"tool":"remove_plan_element","arguments":{"nodeId":"n211","elementId":"e212"}})",
      R"({"tool":"add_vemba","arguments":{"after":"n214"}})",
      R"({"tool":"delete_node","arguments":{"nodeId":"n203"}})",
      R"({"tool":"add_vemba","arguments":{"after":"n204"}})",
      R"({"tool":"edit_vemba","arguments":{"vembaId":"n204","patch":{"body":"after a delete"}}})",
      R"({"tool":"convert_node_type","arguments":{"nodeId":"n2","newType":"prop"}})",
      R"({"tool":"add_video_embed","arguments":{"url":"https://www.youtube.com/watch?v=dQw4w9WgXcQ"}})",
      R"({"tool":"add_vemba","arguments":{}})",
      R"({"tool":"add_node_to_group","arguments":{"nodeId":"n205","groupId":"g7"}})",
      R"({"tool":"auto_layout_group","arguments":{"groupId":"g7"}})",
      R"({"tool":"fit_group","arguments":{"groupId":"g7"}})",
      R"({"tool":"arrange_nodes","arguments":{"nodeIds":["n1","n205","n217"],"originX":20000}})",
      R"({"tool":"add_vemba","arguments":{"after":"n217"}})",
      R"({"tool":"align_nodes","arguments":{"nodeIds":["n1","n2","n218"],"edge":"right"}})",
      R"({"tool":"place_node","arguments":{"nodeId":"n218","refId":"n1","nextFree":true}})",
      R"({"tool":"reorder_node","arguments":{"nodeId":"n218","order":0}})",
      R"({"tool":"connect_vembas","arguments":{"from":"n218","to":"n1"}})",
      R"({"tool":"remove_node_from_group","arguments":{"nodeId":"n205"}})",
      R"({"tool":"edit_group","arguments":{"groupId":"g206","patch":{"x":-500}}})",
      R"({"tool":"set_project_meta","arguments":{"patch":{"name":"Renamed"}}})",
      R"({"tool":"add_vemba","arguments":{}})",
      R"({"tool":"build_shot_list","arguments":{"nodeId":"n202","nodeIds":["n1","n218"]}})",
      R"({"tool":"edit_shot_list","arguments":{"nodeId":"n202","patch":{"title":"Listed"}}})",
      R"({"tool":"add_vemba","arguments":{"after":"n219"}})",
      R"({"tool":"delete_group","arguments":{"groupId":"g7","keepChildren":false}})",
      R"({"tool":"edit_vemba","arguments":{"vembaId":"n224","patch":{"title":"last"}}})",
      R"({"tool":"add_node","arguments":{"kind":"note"}})",
  };
  const std::string before = project_bytes();
  std::string lines;
  std::string batch = R"({"ops":[)";
  for (std::size_t i = 0; i < std::size(ops); ++i) {
    const json::value op = parse(ops[i]);
    const std::string tool(op.at("tool").as_string());
    const ToolReply r = edit(tool, to_compact(op.at("arguments")));
    ASSERT_FALSE(r.is_error()) << ops[i] << ": " << r.text();
    lines += fmt::format("\n{}. {}: {}", i + 1, tool, r.text().substr(std::string_view("Done. ").size()));
    if (i) batch += ',';
    batch += ops[i];
  }
  const std::string one_call_each = project_bytes();
  write_file(folder_ / "project.json", before);
  const ToolReply r = edit("batch", batch + "]}");
  EXPECT_EQ(r.text(), fmt::format("Batch done \u2014 {} op(s), one write, one snapshot.{}", std::size(ops), lines));
  EXPECT_EQ(project_bytes(), one_call_each);
}

}  // namespace
}  // namespace vemba_test
