// read_project through the real binary: the annotated document or one part
// of it, as pretty text, with nothing written.

#include "e2e/board_fixture.h"

namespace vemba_test {
namespace {

namespace io = vemba_core::project_io;

/// The normalised document's keys, sorted as the reply writes them.
constexpr std::string_view kWhole =
    "bindings custom documents edges groups images links mediaShelf name nodes schemaVersion videoEmbeds ";

std::string keys_of(const json::value& v) {
  std::string keys;
  if (const json::object* o = v.if_object())
    for (const auto& member : *o) keys += std::string(member.key()) + " ";
  return keys;
}

std::string node_ids(const json::value& v) {
  std::string ids;
  if (const json::array* nodes = io::array_of(v, "nodes"))
    for (const json::value& node : *nodes) ids += std::string(io::text_of(node, "id")) + " ";
  return ids;
}

TEST_F(FilmTest, ReadProjectGivesTheWholeDocumentWithCardSizes) {
  const std::string before = project_bytes();
  const ToolReply r = edit("read_project");
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(io::member(r.result, "structuredContent"), nullptr);
  const json::value doc = parse(r.text());
  EXPECT_EQ(r.text(), io::to_pretty(doc));
  EXPECT_EQ(keys_of(doc), kWhole);
  EXPECT_EQ(node_ids(doc), "n1 n2 n3 ");
  for (const json::value& node : *io::array_of(doc, "nodes")) {
    SCOPED_TRACE(to_compact(node));
    EXPECT_TRUE(io::member(node, "w") && io::member(node, "w")->is_double());
    EXPECT_TRUE(io::member(node, "h") && io::member(node, "h")->is_double());
    EXPECT_EQ(io::flag_of(node, "measured"), io::text_of(node, "id") == "n3");
  }
  EXPECT_EQ(part_of(doc, {"nodes", "2", "w"}), "250.0");
  EXPECT_EQ(project_bytes(), before);
  EXPECT_FALSE(fs::exists(history()));
  EXPECT_FALSE(fs::exists(signal_path()));
}

TEST_F(FilmTest, ReadProjectScopes) {
  struct Case {
    const char* args;
    std::string_view keys;
    const char* nodes;
  };
  const Case cases[] = {
      {R"({"scope":"edges"})", "edges ", ""},
      {R"({"scope":"groups"})", "groups ", ""},
      {R"({"scope":"media"})", "documents images mediaShelf videoEmbeds ", ""},
      {R"({"scope":"nodes"})", "nodes ", "n1 n2 n3 "},
      {R"({"scope":"nodes","groupId":"g7"})", "nodes ", "n1 "},
      {R"({"scope":"nodes","groupId":7})", "nodes ", "n1 n2 n3 "},
      {R"({"scope":5})", kWhole, "n1 n2 n3 "},
      {R"({"scope":"Nodes"})", kWhole, "n1 n2 n3 "},
      {R"({"scope":"all","groupId":"g7"})", kWhole, "n1 n2 n3 "},
  };
  const std::string before = project_bytes();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolReply r = edit("read_project", c.args);
    const json::value part = parse(r.text());
    EXPECT_EQ(r.text(), io::to_pretty(part));
    EXPECT_EQ(keys_of(part), c.keys);
    EXPECT_EQ(node_ids(part), c.nodes);
    if (const json::array* nodes = io::array_of(part, "nodes")) {
      for (const json::value& node : *nodes) EXPECT_NE(io::member(node, "measured"), nullptr);
    }
  }
  EXPECT_EQ(edit("read_project", R"({"scope":"edges"})").text(),
            io::to_pretty(json::object{{"edges", *io::member(state(), "edges")}}));
  EXPECT_EQ(project_bytes(), before);
}

}  // namespace
}  // namespace vemba_test
