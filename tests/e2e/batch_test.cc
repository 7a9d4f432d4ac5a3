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

}  // namespace
}  // namespace vemba_test
