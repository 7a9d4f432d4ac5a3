// The group tools through the real binary: replies and the document on disk.

#include "e2e/board_fixture.h"

namespace vemba_test {
namespace {

TEST_F(FilmTest, CreateGroupEchoesTheStoredRecord) {
  const ToolReply r = edit("create_group", R"({"name":"Act II","role":"section","x":100,"y":-20})");
  EXPECT_FALSE(r.is_error());
  const std::string record =
      R"({"color":"#CC8E78","h":480.0,"hidden":false,"hiddenInExport":false,"id":"g201","name":"Act II",)"
      R"("order":null,"role":"section","w":680.0,"x":100.0,"y":-20.0})";
  EXPECT_EQ(r.text(), "Done. Created group g201. Group: " + record);
  EXPECT_EQ(on_disk({"groups", "1"}), record);
  EXPECT_EQ(on_disk({"groups", "0", "id"}), R"("g7")");
  expect_signal_done();
}

TEST_F(FilmTest, CreateGroupWithoutAPositionKeepsClearOfCardsAndGroups) {
  // The cells above the start touch the group g7 or the card n3; the first
  // clear one is left of the start, one row down.
  const ToolReply r = edit("create_group", R"({"name":5,"color":null})");
  EXPECT_EQ(on_disk({"groups", "1"}),
            R"({"color":"#CC8E78","h":480.0,"hidden":false,"hiddenInExport":false,"id":"g201","name":"",)"
            R"("order":null,"role":"","w":680.0,"x":-608.0,"y":648.0})");
  EXPECT_EQ(r.text(), "Done. Created group g201. Group: " + on_disk({"groups", "1"}));
}

TEST_F(FilmTest, GroupEditsAndTheirMessages) {
  struct Case {
    const char* tool;
    const char* args;
    const char* reply;
    std::initializer_list<std::string_view> path;
    const char* value;
  };
  const Case cases[] = {
      {"edit_group", R"({"groupId":"g7","patch":{"x":"left","hidden":"yes","id":"g9","order":2}})",
       "Done. Applied: order, x. IGNORED: hidden, id.", {"groups", "0"},
       R"({"h":280,"id":"g7","name":"Act","order":2,"w":400,"x":"left","y":0})"},
      {"edit_group", R"({"groupId":"g7","patch":"x"})", "Done. Applied: (none).", {"groups", "0", "x"}, "0"},
      {"delete_group", R"({"groupId":"g7","keepChildren":"false"})",
       "Done. Deleted group (0 member node(s) also deleted).", {"nodes", "0", "groupId"}, "null"},
      {"delete_group", R"({"groupId":"g7"})", "Done. Deleted group (0 member node(s) also deleted).", {"groups"},
       "[]"},
      {"add_node_to_group", R"({"nodeId":"n3","groupId":"g7"})", "Done. Node assigned to group.",
       {"nodes", "2", "groupId"}, R"("g7")"},
      {"remove_node_from_group", R"({"nodeId":"n2"})", "Done. Node detached from group.", {"nodes", "1", "groupId"},
       "null"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + c.args);
    write_file(folder_ / "project.json", kFilm);
    const ToolReply r = edit(c.tool, c.args);
    EXPECT_FALSE(r.is_error());
    EXPECT_EQ(r.text(), c.reply);
    EXPECT_EQ(on_disk(c.path), c.value);
  }
}

TEST_F(FilmTest, DeleteGroupWithoutChildrenTakesTheAssignedCardsAndTheirLinks) {
  const ToolReply r = edit("delete_group", R"({"groupId":"g7","keepChildren":false})");
  EXPECT_EQ(r.text(), "Done. Deleted group (1 member node(s) also deleted).");
  EXPECT_EQ(on_disk({"groups"}), "[]");
  EXPECT_EQ(on_disk({"nodes", "0", "id"}), R"("n2")");
  EXPECT_EQ(on_disk({"edges"}), R"([{"from":"n2","label":"","to":"n3","type":"reference"}])");
  EXPECT_EQ(on_disk({"bindings"}), R"([{"id":"b1","members":["n2","n3"]}])");
}

TEST_F(FilmTest, FailedGroupEditsWriteNothing) {
  struct Case {
    const char* tool;
    const char* args;
    const char* error;
  };
  const Case cases[] = {
      {"edit_group", R"({"patch":{"x":1}})", "group not found: "},
      {"delete_group", R"({"groupId":"G7"})", "group not found: G7"},
      {"add_node_to_group", R"({"nodeId":"zz","groupId":"gz"})", "group not found: gz"},
      {"add_node_to_group", R"({"nodeId":"zz","groupId":"g7"})", "node not found: zz"},
      {"remove_node_from_group", R"({"nodeId":5})", "node not found: "},
  };
  const std::string before = project_bytes();
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + c.args);
    const ToolReply r = edit(c.tool, c.args);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), c.error);
    EXPECT_EQ(project_bytes(), before);
    EXPECT_FALSE(fs::exists(history()));
    expect_signal_done();
  }
}

}  // namespace
}  // namespace vemba_test
