// The layout, placement and fitting tools through the real binary: replies
// and the document on disk.

#include "e2e/board_fixture.h"

namespace vemba_test {
namespace {

// Film's cards: n1 300 x 376 at (100, 120) in g7; n2 a 220 x 184 note at
// (460, 120); n3 measured 250 x 90 at (820.5, 40). g7 is 400 x 280 at (0, 0).
TEST_F(FilmTest, LayoutToolsMoveCardsAndRefitGroups) {
  struct Case {
    const char* tool;
    const char* args;
    const char* reply;
    std::initializer_list<std::string_view> path;
    const char* value;
  };
  const Case cases[] = {
      {"arrange_nodes", R"({"nodeIds":["n2",5,"n3"],"mode":"row","gap":10})", "Done. Arranged 2 node(s).",
       {"nodes", "2"}, R"({"id":"n3","renderedH":90,"renderedW":250,"title":"Three","x":690.0,"y":40.0})"},
      {"arrange_nodes", R"({"nodeIds":["n1","n2"],"originX":0,"originY":0})", "Done. Arranged 2 node(s).",
       {"nodes", "1"}, R"({"id":"n2","title":"Two","type":"note","x":340.0,"y":0.0})"},
      {"align_nodes", R"({"nodeIds":["n1","n2","n3"],"edge":"top"})", "Done. Aligned 3 node(s).",
       {"nodes", "0", "y"}, "40.0"},
      {"align_nodes", R"({"nodeIds":["n1","n2","n3"],"distribute":true})", "Done. Aligned 3 node(s).",
       {"nodes", "0"}, R"({"body":"","groupId":"g7","id":"n1","title":"One","type":"vemba","x":100.0,"y":80.0})"},
      {"place_node", R"({"nodeId":"n3","refId":"n1","side":"below"})", "Done. Placed node at (100, 536).",
       {"nodes", "2", "y"}, "536.0"},
      {"place_node", R"({"nodeId":"n3","refId":"n1","side":"left","nextFree":1})",
       "Done. Placed node at (-190, 120).", {"nodes", "2", "x"}, "-190.0"},
      {"place_node", R"({"nodeId":"n3","nextFree":true,"x":2000,"y":0,"gap":12.5})",
       "Done. Placed node at (2000, 0).", {"nodes", "2", "x"}, "2000.0"},
      {"fit_group", R"({"groupId":"g7","padding":10,"paddingTop":0})", "Done. Fitted group box around 1 member(s).",
       {"groups", "0"}, R"({"h":426.0,"id":"g7","name":"Act","w":320.0,"x":90.0,"y":80.0})"},
      {"fit_group", R"({"groupId":"g7"})", "Done. Fitted group box around 1 member(s).", {"groups", "0"},
       R"({"h":464.0,"id":"g7","name":"Act","w":348.0,"x":76.0,"y":56.0})"},
      {"auto_layout_group", R"({"groupId":"g7"})", "Done. Laid out 1 node(s).", {"nodes", "0"},
       R"({"body":"","groupId":"g7","id":"n1","order":0,"title":"One","type":"vemba","x":24.0,"y":64.0})"},
      {"auto_layout_group", R"({"groupId":"g7","mode":"row"})", "Done. Laid out 1 node(s).", {"groups", "0"},
       R"({"h":464.0,"id":"g7","name":"Act","w":348.0,"x":0.0,"y":0.0})"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.tool) + " " + c.args);
    write_file(folder_ / "project.json", kFilm);
    const ToolReply r = edit(c.tool, c.args);
    EXPECT_FALSE(r.is_error());
    EXPECT_EQ(r.text(), c.reply);
    EXPECT_EQ(on_disk(c.path), c.value);
    EXPECT_EQ(on_disk({"custom"}), R"({"kept":true})");
  }
}

TEST_F(FilmTest, FailedLayoutEditsWriteNothing) {
  struct Case {
    const char* tool;
    const char* args;
    const char* error;
  };
  const Case cases[] = {
      {"arrange_nodes", R"({"nodeIds":"n1"})", "no valid node ids"},
      {"arrange_nodes", "{}", "no valid node ids"},
      {"align_nodes", R"({"edge":"middle"})", "no valid node ids"},
      {"align_nodes", R"({"nodeIds":["n1"],"edge":"middle"})", "unknown edge: middle"},
      {"place_node", R"({"refId":"n1"})", "node not found: "},
      {"place_node", R"({"nodeId":"n1","side":"right","x":5})", "place_node needs refId+side, or nextFree"},
      {"place_node", R"({"nodeId":"n1","refId":"zz"})", "ref not found: zz"},
      {"place_node", R"({"nodeId":"n1","refId":"n2","side":"up"})", "unknown side: up"},
      {"place_node", R"({"nodeId":"n1","refId":"zz","nextFree":true})", "ref not found: zz"},
      {"fit_group", R"({"groupId":"zz"})", "group not found: zz"},
      {"auto_layout_group", "{}", "group not found: "},
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

TEST_F(FilmTest, ABatchFitsAGroupCreatedEarlierInIt) {
  const ToolReply r = edit("batch", R"({"ops":[
    {"tool":"create_group","arguments":{"name":"Side","x":800,"y":0,"w":400,"h":200}},
    {"tool":"add_node_to_group","arguments":{"nodeId":"n3","groupId":"g201"}},
    {"tool":"fit_group","arguments":{"groupId":"g201","padding":0}}]})");
  EXPECT_FALSE(r.is_error()) << r.text();
  EXPECT_EQ(on_disk({"groups", "1", "x"}) + " " + on_disk({"groups", "1", "y"}) + " " + on_disk({"groups", "1", "w"}) +
                " " + on_disk({"groups", "1", "h"}),
            "820.5 0.0 250.0 130.0");
}

}  // namespace
}  // namespace vemba_test
