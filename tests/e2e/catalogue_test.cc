#include "support/session.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace vemba_test {
namespace {

using vemba_core::project_io::array_of;
using vemba_core::project_io::member;
using vemba_core::project_io::text_of;
using vemba_core::project_io::to_compact;

constexpr std::string_view kListRequest = R"({"jsonrpc":"2.0","id":1,"method":"tools/list"})";
constexpr std::string_view kReplyHead = R"({"id":1,"jsonrpc":"2.0","result":{"tools":)";

// The expected input schema of every tool, in catalogue order, as written on
// the wire (keys sorted, `required` in its own order).
struct Schema {
  std::string_view tool;
  std::string_view input_schema;
};
// clang-format off
const Schema kSchemas[] = {
    {"list_projects", R"({"properties":{},"type":"object"})"},
    {"get_outline", R"({"properties":{"project":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"read_project", R"({"properties":{"groupId":{"type":"string"},"project":{"description":"Project folder name","type":"string"},"scope":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"add_vemba", R"({"properties":{"after":{"type":"string"},"body":{"type":"string"},"project":{"type":"string"},"title":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"edit_vemba", R"({"properties":{"patch":{"type":"object"},"project":{"type":"string"},"vembaId":{"type":"string"}},"required":["project","vembaId","patch"],"type":"object"})"},
    {"connect_vembas", R"({"properties":{"condition":{"type":"string"},"from":{"type":"string"},"label":{"type":"string"},"project":{"type":"string"},"to":{"type":"string"},"type":{"type":"string"}},"required":["project","from","to"],"type":"object"})"},
    {"add_node", R"({"properties":{"body":{"type":"string"},"kind":{"type":"string"},"project":{"type":"string"},"title":{"type":"string"}},"required":["project","kind"],"type":"object"})"},
    {"convert_node_type", R"({"properties":{"newType":{"type":"string"},"nodeId":{"type":"string"},"project":{"type":"string"}},"required":["project","nodeId","newType"],"type":"object"})"},
    {"delete_node", R"({"properties":{"nodeId":{"type":"string"},"project":{"type":"string"}},"required":["project","nodeId"],"type":"object"})"},
    {"create_group", R"({"properties":{"color":{"type":"string"},"h":{"type":"number"},"name":{"type":"string"},"project":{"type":"string"},"role":{"type":"string"},"w":{"type":"number"},"x":{"type":"number"},"y":{"type":"number"}},"required":["project","name"],"type":"object"})"},
    {"edit_group", R"({"properties":{"groupId":{"type":"string"},"patch":{"type":"object"},"project":{"type":"string"}},"required":["project","groupId","patch"],"type":"object"})"},
    {"delete_group", R"({"properties":{"groupId":{"type":"string"},"keepChildren":{"type":"boolean"},"project":{"type":"string"}},"required":["project","groupId"],"type":"object"})"},
    {"add_node_to_group", R"({"properties":{"groupId":{"type":"string"},"nodeId":{"type":"string"},"project":{"type":"string"}},"required":["project","nodeId","groupId"],"type":"object"})"},
    {"remove_node_from_group", R"({"properties":{"nodeId":{"type":"string"},"project":{"type":"string"}},"required":["project","nodeId"],"type":"object"})"},
    {"move_node", R"({"properties":{"nodeId":{"type":"string"},"project":{"type":"string"},"x":{"type":"number"},"y":{"type":"number"}},"required":["project","nodeId","x","y"],"type":"object"})"},
    {"reorder_node", R"({"properties":{"nodeId":{"type":"string"},"order":{"type":"integer"},"project":{"type":"string"}},"required":["project","nodeId","order"],"type":"object"})"},
    {"auto_layout_group", R"({"properties":{"groupId":{"type":"string"},"mode":{"type":"string"},"project":{"type":"string"}},"required":["project","groupId"],"type":"object"})"},
    {"read_document", R"({"properties":{"docId":{"type":"string"},"project":{"type":"string"}},"required":["project","docId"],"type":"object"})"},
    {"list_media", R"({"properties":{"project":{"type":"string"},"type":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"read_set_plan", R"({"properties":{"nodeId":{"type":"string"},"project":{"type":"string"}},"required":["project","nodeId"],"type":"object"})"},
    {"edit_set_plan", R"({"properties":{"nodeId":{"type":"string"},"plan":{"type":"object"},"project":{"type":"string"}},"required":["project","nodeId","plan"],"type":"object"})"},
    {"search_project", R"({"properties":{"project":{"type":"string"},"query":{"type":"string"}},"required":["project","query"],"type":"object"})"},
    {"get_positions", R"({"properties":{"project":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"arrange_nodes", R"({"properties":{"gap":{"type":"number"},"mode":{"type":"string"},"nodeIds":{"items":{"type":"string"},"type":"array"},"originX":{"type":"number"},"originY":{"type":"number"},"project":{"type":"string"}},"required":["project","nodeIds"],"type":"object"})"},
    {"align_nodes", R"({"properties":{"distribute":{"type":"boolean"},"edge":{"type":"string"},"nodeIds":{"items":{"type":"string"},"type":"array"},"project":{"type":"string"}},"required":["project","nodeIds","edge"],"type":"object"})"},
    {"place_node", R"({"properties":{"gap":{"type":"number"},"nextFree":{"type":"boolean"},"nodeId":{"type":"string"},"project":{"type":"string"},"refId":{"type":"string"},"side":{"type":"string"},"x":{"type":"number"},"y":{"type":"number"}},"required":["project","nodeId"],"type":"object"})"},
    {"fit_group", R"({"properties":{"groupId":{"type":"string"},"padding":{"type":"number"},"paddingBottom":{"type":"number"},"paddingLeft":{"type":"number"},"paddingRight":{"type":"number"},"paddingTop":{"type":"number"},"project":{"type":"string"}},"required":["project","groupId"],"type":"object"})"},
    {"render_board", R"({"properties":{"groupId":{"type":"string"},"h":{"type":"number"},"project":{"type":"string"},"w":{"type":"number"},"x":{"type":"number"},"y":{"type":"number"}},"required":["project"],"type":"object"})"},
    {"create_project", R"({"properties":{"context":{"description":"The 'About this story' text every AI prompt prepends","type":"string"},"name":{"description":"Display name; also seeds the folder name","type":"string"}},"required":["name"],"type":"object"})"},
    {"set_project_meta", R"({"properties":{"patch":{"type":"object"},"project":{"type":"string"}},"required":["project","patch"],"type":"object"})"},
    {"write_asset", R"({"properties":{"bytesBase64":{"type":"string"},"filename":{"type":"string"},"project":{"type":"string"}},"required":["project","filename","bytesBase64"],"type":"object"})"},
    {"view_media", R"({"properties":{"maxPx":{"type":"number"},"project":{"type":"string"},"ref":{"type":"string"}},"required":["project","ref"],"type":"object"})"},
    {"build_shot_list", R"({"properties":{"groupId":{"type":"string"},"nodeId":{"type":"string"},"nodeIds":{"items":{"type":"string"},"type":"array"},"project":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"edit_shot_list", R"({"properties":{"nodeId":{"type":"string"},"patch":{"type":"object"},"project":{"type":"string"}},"required":["project","nodeId","patch"],"type":"object"})"},
    {"add_scene", R"({"properties":{"groupId":{"type":"string"},"name":{"type":"string"},"nodeId":{"type":"string"},"project":{"type":"string"}},"required":["project","nodeId"],"type":"object"})"},
    {"add_shot", R"({"properties":{"fields":{"type":"object"},"nodeId":{"type":"string"},"project":{"type":"string"},"sceneId":{"type":"string"},"vembaId":{"type":"string"}},"required":["project","nodeId"],"type":"object"})"},
    {"edit_shot", R"({"properties":{"nodeId":{"type":"string"},"patch":{"type":"object"},"project":{"type":"string"},"shotId":{"type":"string"}},"required":["project","nodeId","shotId","patch"],"type":"object"})"},
    {"batch", R"({"properties":{"ops":{"items":{"properties":{"arguments":{"type":"object"},"tool":{"type":"string"}},"required":["tool"],"type":"object"},"type":"array"},"project":{"type":"string"}},"required":["project","ops"],"type":"object"})"},
    {"open_project", R"({"properties":{"project":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"add_video_embed", R"({"properties":{"project":{"type":"string"},"url":{"type":"string"},"x":{"type":"number"},"y":{"type":"number"}},"required":["project","url"],"type":"object"})"},
    {"add_plan_element", R"({"properties":{"element":{"type":"object"},"nodeId":{"type":"string"},"project":{"type":"string"}},"required":["project","nodeId","element"],"type":"object"})"},
    {"edit_plan_element", R"({"properties":{"elementId":{"type":"string"},"nodeId":{"type":"string"},"patch":{"type":"object"},"project":{"type":"string"}},"required":["project","nodeId","elementId","patch"],"type":"object"})"},
    {"remove_plan_element", R"({"properties":{"elementId":{"type":"string"},"nodeId":{"type":"string"},"project":{"type":"string"}},"required":["project","nodeId","elementId"],"type":"object"})"},
    {"check_project", R"({"properties":{"project":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"production_report", R"({"properties":{"project":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"export", R"({"properties":{"format":{"type":"string"},"project":{"type":"string"}},"required":["project","format"],"type":"object"})"},
    {"list_history", R"({"properties":{"project":{"type":"string"}},"required":["project"],"type":"object"})"},
    {"restore_snapshot", R"({"properties":{"project":{"type":"string"},"snapshot":{"type":"string"}},"required":["project","snapshot"],"type":"object"})"},
    {"undo_last", R"({"properties":{"project":{"type":"string"}},"required":["project"],"type":"object"})"},
};
// clang-format on

const std::set<std::string, std::less<>> kReadOnly = {"view_media", "check_project", "production_report", "export",
                                                      "list_history"};

struct Described {
  std::string name, description;
};

// tests/data/tool_descriptions.txt: "name<TAB>description" per line, in order.
std::vector<Described> golden_descriptions() {
  std::vector<Described> out;
  const std::string text = slurp(fs::path(VEMBA_TEST_DATA_DIR) / "tool_descriptions.txt");
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t end = std::min(text.find('\n', at), text.size());
    const std::string line = text.substr(at, end - at);
    const std::size_t tab = line.find('\t');
    if (tab != std::string::npos) out.push_back({line.substr(0, tab), line.substr(tab + 1)});
    at = end + 1;
  }
  return out;
}

// The descriptor as it must stand on the wire.
std::string expected_descriptor(std::string_view name, std::string_view description, std::string_view schema) {
  std::string out = "{";
  if (kReadOnly.contains(name)) out += R"("annotations":{"readOnlyHint":true},)";
  out += R"("description":)" + to_compact(json::value(description));
  out += R"(,"inputSchema":)" + std::string(schema);
  out += R"(,"name":)" + to_compact(json::value(name)) + "}";
  return out;
}

// One "tools/list" exchange, kept as the raw reply line and parsed.
class ToolsList : public ::testing::Test {
 protected:
  ToolsList() {
    s_.server().send(kListRequest);
    line_ = s_.server().read_line().value_or("");
    reply_ = parse(line_);
  }

  const json::array& tools() const {
    static const json::array none;
    const json::value* result = reply_.is_object() ? reply_.as_object().if_contains("result") : nullptr;
    const json::value* list = result && result->is_object() ? result->as_object().if_contains("tools") : nullptr;
    EXPECT_TRUE(list && list->is_array()) << line_;
    return list && list->is_array() ? list->as_array() : none;
  }

  const json::object& descriptor(std::string_view name) const {
    static const json::object none;
    for (const json::value& t : tools())
      if (t.is_object() && text_of(t, "name") == name) return t.as_object();
    ADD_FAILURE() << "no tool " << name;
    return none;
  }

  // The properties of a descriptor's input schema.
  static const json::object& properties(const json::object& tool) {
    static const json::object none;
    const json::value* schema = tool.if_contains("inputSchema");
    const json::value* props = schema && schema->is_object() ? schema->as_object().if_contains("properties") : nullptr;
    return props && props->is_object() ? props->as_object() : none;
  }

  bool on_wire(std::string_view text) const { return line_.find(text) != std::string::npos; }

  Session s_;
  std::string line_;
  json::value reply_;
};

TEST_F(ToolsList, EveryDescriptorByteForByte) {
  const std::vector<Described> golden = golden_descriptions();
  ASSERT_EQ(golden.size(), 49u);
  ASSERT_EQ(std::size(kSchemas), 49u);
  ASSERT_EQ(tools().size(), 49u);

  std::string array = "[";
  std::set<std::string> names;
  for (std::size_t i = 0; i < golden.size(); ++i) {
    SCOPED_TRACE(golden[i].name);
    ASSERT_EQ(golden[i].name, kSchemas[i].tool);
    EXPECT_TRUE(names.insert(golden[i].name).second) << "twice";
    const std::string expected = expected_descriptor(golden[i].name, golden[i].description, kSchemas[i].input_schema);
    EXPECT_EQ(to_compact(tools()[i]), expected);
    array += (i ? "," : "") + expected;
  }
  EXPECT_EQ(line_, std::string(kReplyHead) + array + "]}}");
}

TEST_F(ToolsList, PropertyCensus) {
  std::map<std::string, int> by_type;
  std::set<std::string> described, with_items;
  int count = 0;
  for (const json::value& t : tools()) {
    const std::string tool(text_of(t, "name"));
    for (const auto& [name, schema] : properties(t.as_object())) {
      ++count;
      ++by_type[std::string(text_of(schema, "type"))];
      const std::string where = tool + "." + std::string(name);
      if (const json::value* d = member(schema, "description"))
        described.insert(where + "=" + std::string(d->is_string() ? d->get_string() : ""));
      if (member(schema, "items")) with_items.insert(where);
    }
  }
  EXPECT_EQ(count, 153);
  EXPECT_EQ(by_type,
            (std::map<std::string, int>{
                {"array", 4}, {"boolean", 3}, {"integer", 1}, {"number", 24}, {"object", 9}, {"string", 112}}));
  EXPECT_EQ(described,
            (std::set<std::string>{"create_project.context=The 'About this story' text every AI prompt prepends",
                                   "create_project.name=Display name; also seeds the folder name",
                                   "read_project.project=Project folder name"}));
  EXPECT_EQ(with_items, (std::set<std::string>{"align_nodes.nodeIds", "arrange_nodes.nodeIds", "batch.ops",
                                               "build_shot_list.nodeIds"}));
}

TEST_F(ToolsList, OnlyFiveToolsAreAnnotated) {
  std::set<std::string> annotated;
  for (const json::value& t : tools()) {
    const json::value* a = member(t, "annotations");
    if (!a) continue;
    annotated.insert(std::string(text_of(t, "name")));
    EXPECT_EQ(to_compact(*a), R"({"readOnlyHint":true})");
  }
  EXPECT_EQ(annotated, (std::set<std::string>(kReadOnly.begin(), kReadOnly.end())));
  // A plain descriptor starts with its description, not an empty annotations object.
  EXPECT_TRUE(on_wire(R"([{"description":"List all Vemba projects)"));
  EXPECT_FALSE(on_wire(R"("annotations":{})"));
}

TEST_F(ToolsList, QuotedDescriptorLines) {
  EXPECT_TRUE(on_wire(
      R"({"annotations":{"readOnlyHint":true},"description":"List the project's snapshots (every connector write makes one first). Newest first: {snapshot, atMs, bytes}.","inputSchema":{"properties":{"project":{"type":"string"}},"required":["project"],"type":"object"},"name":"list_history"})"));
  EXPECT_TRUE(on_wire(
      R"({"description":"Delete a node and its incident edges + binding membership.","inputSchema":{"properties":{"nodeId":{"type":"string"},"project":{"type":"string"}},"required":["project","nodeId"],"type":"object"},"name":"delete_node"})"));
}

TEST_F(ToolsList, RequiredListsNameTheirOwnProperties) {
  for (const json::value& t : tools()) {
    const std::string_view name = text_of(t, "name");
    SCOPED_TRACE(name);
    const json::value* schema = member(t, "inputSchema");
    const json::array* required = schema ? array_of(*schema, "required") : nullptr;
    if (name == "list_projects") {
      EXPECT_EQ(required, nullptr);
      continue;
    }
    ASSERT_NE(required, nullptr);
    ASSERT_FALSE(required->empty());
    std::set<std::string_view> seen;
    for (const json::value& r : *required) {
      ASSERT_TRUE(r.is_string());
      EXPECT_TRUE(seen.insert(r.get_string()).second) << "twice: " << r.get_string();
      EXPECT_TRUE(properties(t.as_object()).contains(r.get_string())) << r.get_string();
    }
    const bool has_project = properties(t.as_object()).contains("project");
    EXPECT_EQ(has_project, name != "create_project");
    if (has_project) {
      EXPECT_EQ(required->front(), "project");
    }
  }
  EXPECT_TRUE(on_wire(R"("inputSchema":{"properties":{},"type":"object"},"name":"list_projects"})"));
  EXPECT_TRUE(on_wire(
      R"("inputSchema":{"properties":{"context":{"description":"The 'About this story' text every AI prompt prepends","type":"string"},"name":{"description":"Display name; also seeds the folder name","type":"string"}},"required":["name"],"type":"object"},"name":"create_project"})"));
}

TEST_F(ToolsList, MembersAreWrittenInByteOrder) {
  EXPECT_TRUE(on_wire(
      R"("properties":{"groupId":{"type":"string"},"padding":{"type":"number"},"paddingBottom":{"type":"number"},"paddingLeft":{"type":"number"},"paddingRight":{"type":"number"},"paddingTop":{"type":"number"},"project":{"type":"string"}},"required":["project","groupId"],"type":"object"},"name":"fit_group"})"));
  EXPECT_TRUE(on_wire(
      R"("ops":{"items":{"properties":{"arguments":{"type":"object"},"tool":{"type":"string"}},"required":["tool"],"type":"object"},"type":"array"})"));
}

TEST_F(ToolsList, DescriptionsKeepQuotesAndUtf8) {
  // The one escape is the quote of edit_vemba; everything else goes out as it is.
  EXPECT_TRUE(on_wire(R"(product (the card's \"Vemba's Focus\" field; alias: focus))"));
  EXPECT_TRUE(on_wire("Use this first \xE2\x80\x94 it is far smaller than read_project."));
  EXPECT_TRUE(
      on_wire("vemba heights commonly run 350\xE2\x80\x93"
              "1200px"));
  EXPECT_TRUE(on_wire("converts pixels\xE2\x86\x94metres (default 1/150)"));
  EXPECT_TRUE(on_wire("(long edge <= 1200px)"));
  EXPECT_TRUE(on_wire("groups -> ordered child nodes"));
  EXPECT_TRUE(on_wire("take (int >= 1 or null)"));
  EXPECT_TRUE(on_wire("arguments omit `project` (implied)"));
  EXPECT_EQ(line_.find("\\u"), std::string::npos);
  EXPECT_EQ(line_.find("\\/"), std::string::npos);
}

TEST_F(ToolsList, SameCatalogueOnEveryRequest) {
  const std::string array = line_.substr(std::min(kReplyHead.size(), line_.size()));
  s_.server().send(R"({"jsonrpc":"2.0","method":"tools/list","params":{"cursor":"x"}})");
  EXPECT_EQ(s_.server().read_line().value_or(""), R"({"id":null,"jsonrpc":"2.0","result":{"tools":)" + array);
  s_.server().send(R"({"jsonrpc":"2.0","id":"again","method":"tools/list"})");
  EXPECT_EQ(s_.server().read_line().value_or(""), R"({"id":"again","jsonrpc":"2.0","result":{"tools":)" + array);
}

}  // namespace
}  // namespace vemba_test
