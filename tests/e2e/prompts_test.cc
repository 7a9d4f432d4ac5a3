#include "support/session.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace vemba_test {
namespace {

using vemba_core::project_io::to_compact;

// Each prompt's fixed text, cut where its arguments go.
// clang-format off
const std::map<std::string_view, std::vector<std::string_view>> kPieces = {
    {"break_into_vembas",
     {"Break this material into story vembas on the Vemba board for project \"",
      "\".\n\nMaterial:\n",
      "\n\nMethod: call get_outline first to see what exists. Then use ONE batch call: add_vemba per vemba (title = "
      "the moment, body = what happens on screen), connect_vembas in story order, create_group per act/sequence, "
      "add_node_to_group accordingly, then auto_layout_group each group. Keep vemba bodies to 2-4 sentences of what "
      "the CAMERA sees."}},
    {"build_shot_list",
     {"Build a shot list for project \"",
      "\": call get_outline to find the vembas and groups, then build_shot_list (it creates one scene per canvas group "
      "and links every vemba \xE2\x80\x94 columns pull live). Then render_board to confirm, and open_project to show "
      "the result."}},
    {"continuity_pass",
     {"Continuity pass on \"",
      "\" in project \"",
      "\": read_project scope=nodes, find every vemba whose body mentions it (the app links @mentions), list where "
      "it appears IN STORY ORDER, flag gaps of 3+ vembas and contradictions (described differently in different "
      "vembas). Report as a table; change nothing."}},
    {"dress_set_plan",
     {"Set-dress a Set Plan in project \"",
      "\" for this scene: ",
      "\n\nMethod: read_set_plan first. Then edit_set_plan with the FULL plan back: real-world sizes "
      "(scale.unitsPerPx), camera with focal length, lights with fixture/kelvin/intensity, the subject, and props at "
      "true scale. Elements: kind camera|light|subject|prop|wall|window|door|note, each with x, y, rot."}},
};
// clang-format on

std::string filled(std::string_view prompt, const std::vector<std::string_view>& values) {
  const std::vector<std::string_view>& pieces = kPieces.at(prompt);
  EXPECT_EQ(pieces.size(), values.size() + 1) << prompt;
  std::string out(pieces.front());
  for (std::size_t i = 0; i < values.size() && i + 1 < pieces.size(); ++i) out.append(values[i]).append(pieces[i + 1]);
  return out;
}

// A request line; `params` is JSON text, or null for a request without params.
std::string request(std::string_view method, const char* params, const json::value* id) {
  json::object msg{{"jsonrpc", "2.0"}, {"method", method}};
  if (id) msg["id"] = *id;
  if (params) msg["params"] = parse(params);
  return to_compact(msg);
}

std::string reply_to(Session& s, const std::string& line) {
  s.server().send(line);
  return s.server().read_line().value_or("");
}

// Prompts need no library: the server runs without one.
Session without_library() { return Session(std::vector<std::string>{}); }

TEST(Prompts, ListIsFixed) {
  const std::string prompts =
      R"j({"prompts":[)j"
      R"j({"arguments":[{"description":"Project folder name","name":"project","required":true},{"description":"The text to break down (or a docId to read)","name":"source","required":true}],"description":"Turn a script or treatment into vembas on the board","name":"break_into_vembas"},)j"
      R"j({"arguments":[{"description":"Project folder name","name":"project","required":true}],"description":"Build a linked shot list from the board's vembas","name":"build_shot_list"},)j"
      R"j({"arguments":[{"description":"Project folder name","name":"project","required":true},{"description":"The character/location/prop to track","name":"element","required":true}],"description":"Track one character/location/prop across every vemba","name":"continuity_pass"},)j"
      R"j({"arguments":[{"description":"Project folder name","name":"project","required":true},{"description":"What the scene needs (mood, sources, blocking)","name":"scene","required":true}],"description":"Set-dress and light a Set Plan from a scene description","name":"dress_set_plan"})j"
      R"j(]})j";
  Session s = without_library();
  const json::value id = 3;
  for (const char* params : {static_cast<const char*>(nullptr), "{}", R"({"cursor":"next"})", "[1]", "null"}) {
    SCOPED_TRACE(params ? params : "no params");
    EXPECT_EQ(reply_to(s, request("prompts/list", params, &id)),
              R"({"id":3,"jsonrpc":"2.0","result":)" + prompts + "}");
    EXPECT_EQ(reply_to(s, request("prompts/list", params, nullptr)),
              R"({"id":null,"jsonrpc":"2.0","result":)" + prompts + "}");
  }
}

TEST(Prompts, GetFillsTheTemplate) {
  struct Case {
    const char* label;
    std::string_view prompt;
    const char* arguments;                 // JSON text, or null for no `arguments`
    std::vector<std::string_view> values;  // in the order of the template's places
  };
  const Case cases[] = {
      {"both arguments",
       "break_into_vembas",
       R"({"project":"Film","source":"INT. KITCHEN - NIGHT"})",
       {"Film", "INT. KITCHEN - NIGHT"}},
      {"no source", "break_into_vembas", R"({"project":"Film"})", {"Film", ""}},
      {"a document id as source", "break_into_vembas", R"({"project":"Film","source":"doc-12"})", {"Film", "doc-12"}},
      {"only project", "build_shot_list", R"({"project":"Film"})", {"Film"}},
      {"extra arguments ignored", "build_shot_list", R"({"project":"Film","source":"s","scene":"c","x":1})", {"Film"}},
      {"no arguments", "build_shot_list", nullptr, {""}},
      {"arguments not an object", "build_shot_list", R"(["Film"])", {""}},
      {"element before project", "continuity_pass", R"({"project":"Film","element":"Mara"})", {"Mara", "Film"}},
      {"quotes and line feeds kept",
       "continuity_pass",
       R"({"project":"My \"Film\"","element":"the red\nscarf"})",
       {"the red\nscarf", "My \"Film\""}},
      {"scene is a number", "dress_set_plan", R"({"project":"Film","scene":42})", {"Film", ""}},
      {"null and object values", "dress_set_plan", R"({"project":null,"scene":{"mood":"dark"}})", {"", ""}},
      {"braces in a value stay", "dress_set_plan", R"({"project":"{}","scene":"{} and {}"})", {"{}", "{} and {}"}},
      {"non-ASCII kept",
       "dress_set_plan",
       R"({"project":"Caf\u00e9","scene":"dusk \u2014 one practical"})",
       {"Caf\xC3\xA9", "dusk \xE2\x80\x94 one practical"}},
      {"untrimmed", "dress_set_plan", R"({"project":"  Film ","scene":"\t"})", {"  Film ", "\t"}},
  };
  Session s = without_library();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    json::object params{{"name", c.prompt}};
    if (c.arguments) params["arguments"] = parse(c.arguments);
    const json::value id = 7;
    const std::string line = reply_to(s, request("prompts/get", to_compact(params).c_str(), &id));
    const json::value expected = json::object{
        {"id", 7},
        {"jsonrpc", "2.0"},
        {"result", json::object{{"description", c.prompt},
                                {"messages",
                                 json::array{json::object{
                                     {"content", json::object{{"text", filled(c.prompt, c.values)}, {"type", "text"}}},
                                     {"role", "user"}}}}}}};
    EXPECT_EQ(line, to_compact(expected));
  }
}

TEST(Prompts, GetWithoutIdAnswersWithNull) {
  Session s = without_library();
  const std::string line = reply_to(s, request("prompts/get", R"({"name":"build_shot_list"})", nullptr));
  EXPECT_TRUE(line.starts_with(R"({"id":null,"jsonrpc":"2.0","result":{"description":"build_shot_list","messages":)"))
      << line;
  // The em dash leaves as UTF-8, not as an escape.
  EXPECT_NE(line.find("links every vemba \xE2\x80\x94 columns pull live"), std::string::npos) << line;
}

TEST(Prompts, UnknownNameIsAProtocolError) {
  struct Case {
    const char* label;
    const char* params;  // JSON text, or null for no params
    const char* message;
  };
  const Case cases[] = {
      {"letter case differs", R"({"name":"Build_Shot_List","arguments":{"project":"Film"}})",
       "unknown prompt: Build_Shot_List"},
      {"trailing blank", R"({"name":"continuity_pass "})", "unknown prompt: continuity_pass "},
      {"not a prompt", R"({"name":"write_script"})", "unknown prompt: write_script"},
      {"quote in the name", R"({"name":"say \"hi\""})", "unknown prompt: say \"hi\""},
      {"no name", R"({"arguments":{"project":"Film"}})", "unknown prompt: "},
      {"name not a text", R"({"name":["dress_set_plan"]})", "unknown prompt: "},
      {"params not an object", R"("dress_set_plan")", "unknown prompt: "},
      {"params null", "null", "unknown prompt: "},
      {"no params", nullptr, "unknown prompt: "},
  };
  Session s = without_library();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    const json::value error = json::object{{"code", -32602}, {"message", c.message}};
    const json::value id = "p-1";
    EXPECT_EQ(reply_to(s, request("prompts/get", c.params, &id)),
              to_compact(json::object{{"error", error}, {"id", "p-1"}, {"jsonrpc", "2.0"}}));
    EXPECT_EQ(reply_to(s, request("prompts/get", c.params, nullptr)),
              to_compact(json::object{{"error", error}, {"id", nullptr}, {"jsonrpc", "2.0"}}));
  }
}

}  // namespace
}  // namespace vemba_test
