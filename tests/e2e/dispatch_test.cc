// The tool dispatcher: library root, tool name, project check and loading.

#include "support/session.h"

#include <gtest/gtest.h>

namespace vemba_test {
namespace {

using vemba_core::project_io::parse_json;
using vemba_core::project_io::to_compact;

constexpr const char* kConfigDir = "Library/Application Support/com.vemba.app";

// One tool call against a server started with exactly these args and env.
std::string call_text(const std::vector<std::string>& args, const std::vector<std::string>& env, std::string_view tool,
                      const json::value& arguments = json::object()) {
  ServerProcess server(VEMBA_CONNECTOR_BIN, args, env);
  server.send(to_compact(json::object{{"jsonrpc", "2.0"},
                                      {"id", 1},
                                      {"method", "tools/call"},
                                      {"params", json::object{{"name", tool}, {"arguments", arguments}}}}));
  auto line = server.read_line();
  if (!line) return "<no reply>";
  ToolReply reply{parse(*line).as_object().at("result")};
  return (reply.is_error() ? "error: " : "ok: ") + reply.text();
}

std::string not_found(std::string_view reason) {
  return "error: Vemba library not found: " + std::string(reason) + ". Re-run Link now in Vemba.";
}

TEST(LibraryRoot, FailureReasons) {
  TempDir home;
  const std::string home_env = "HOME=" + home.path().string();
  EXPECT_EQ(call_text({}, {}, "list_projects"), not_found("no HOME"));
  EXPECT_EQ(call_text({}, {}, "no_such_tool"), not_found("no HOME"));
  EXPECT_EQ(call_text({}, {home_env}, "list_projects"), not_found("config: No such file or directory"));
  write_file(home / kConfigDir / "config.json", "{oops");
  EXPECT_TRUE(call_text({}, {home_env}, "list_projects")
                  .starts_with("error: Vemba library not found: config parse: syntax error at line 1 column 2"));
  for (const char* config : {"[]", R"({"library_path":5})", R"({"other":"x"})"}) {
    SCOPED_TRACE(config);
    write_file(home / kConfigDir / "config.json", config);
    EXPECT_EQ(call_text({}, {home_env}, "list_projects"), not_found("no library_path"));
  }
  EXPECT_EQ(call_text({"--library"}, {home_env}, "list_projects"), not_found("no library_path"));
  EXPECT_EQ(call_text({"--library=/tmp"}, {home_env}, "list_projects"), not_found("no library_path"));
}

TEST(LibraryRoot, CommandLineAndConfig) {
  TempDir tmp;
  fs::create_directories(tmp / "a" / "P");
  write_file(tmp / "a" / "P" / ".vemba", "1\n");
  write_file(tmp / "a" / "P" / "project.json", R"({"name":"From A"})");
  const std::string a = (tmp / "a").string(), b = (tmp / "b").string();
  // With --library, HOME is never needed.
  EXPECT_EQ(call_text({"--library", a, "--library", b}, {}, "list_projects"),
            "ok: [\n  {\n    \"name\": \"From A\",\n    \"project\": \"P\",\n    \"vembas\": 0\n  }\n]");
  EXPECT_EQ(call_text({"--library", ""}, {}, "get_outline", json::object{{"project", "P"}}),
            "error: library not found: No such file or directory");
  // Without it, the configuration is read anew on every call.
  const fs::path config = tmp / "home" / kConfigDir / "config.json";
  write_file(config, to_compact(json::object{{"library_path", a}}));
  ServerProcess server(VEMBA_CONNECTOR_BIN, {"--other"}, {"HOME=" + (tmp / "home").string()});
  const std::string request = R"({"id":1,"method":"tools/call","params":{"name":"list_projects"}})";
  server.send(request);
  EXPECT_NE(server.read_line().value_or("").find("From A"), std::string::npos);
  write_file(config, to_compact(json::object{{"library_path", b}}));
  server.send(request);
  EXPECT_EQ(server.read_line().value_or(""),
            R"({"id":1,"jsonrpc":"2.0","result":{"content":[{"text":"[]","type":"text"}]}})");
}

TEST(Dispatch, NameAndProjectChecks) {
  Session s;
  s.make_project("P", "{}");
  struct Case {
    const char* name;
    json::value params;
    const char* text;
  };
  const Case cases[] = {
      {"no name", json::object(), "unknown tool: "},
      {"name not a text", json::object{{"name", 5}}, "unknown tool: "},
      {"case differs", json::object{{"name", "Add_Vemba"}}, "unknown tool: Add_Vemba"},
      {"no arguments", json::object{{"name", "get_outline"}}, "missing 'project'"},
      {"arguments null", json::object{{"name", "get_outline"}, {"arguments", nullptr}}, "missing 'project'"},
      {"arguments array", json::object{{"name", "undo_last"}, {"arguments", json::array{"P"}}}, "missing 'project'"},
      {"project a number", json::object{{"name", "get_outline"}, {"arguments", {{"project", 12}}}},
       "missing 'project'"},
      {"project null", json::object{{"name", "batch"}, {"arguments", {{"project", nullptr}}}}, "missing 'project'"},
      {"empty project", json::object{{"name", "get_outline"}, {"arguments", {{"project", ""}}}},
       "invalid project name: "},
      {"dot dot", json::object{{"name", "get_outline"}, {"arguments", {{"project", "a..b"}}}},
       "invalid project name: a..b"},
      {"slash", json::object{{"name", "open_project"}, {"arguments", {{"project", "x/P"}}}},
       "invalid project name: x/P"},
      {"missing folder", json::object{{"name", "get_outline"}, {"arguments", {{"project", "Nope"}}}},
       "path not found: No such file or directory"},
      // The system call would stop at the NUL and open project P instead.
      {"NUL in the name",
       json::object{{"name", "get_outline"}, {"arguments", {{"project", std::string_view("P\0x", 3)}}}},
       "path not found: Invalid argument"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::value reply = s.request("tools/call", c.params);
    ToolReply r{reply.as_object().at("result")};
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), c.text);
  }
}

TEST(Dispatch, LoadErrors) {
  Session s;
  fs::create_directories(s.library() / "Empty");
  s.make_project("Bad", "{\"nodes\": [}");
  s.make_project("Array", "[1, 2]");
  TempDir outside;
  write_file(outside / "project.json", "{}");
  fs::create_directory_symlink(outside.path(), s.library() / "Linked");
  const json::value args = json::object{{"project", "Empty"}};
  EXPECT_EQ(s.call("get_outline", args).text(), "read project: No such file or directory");
  ToolReply bad = s.call("list_history", {{"project", "Bad"}});
  EXPECT_TRUE(bad.is_error());
  EXPECT_TRUE(bad.text().starts_with("parse project: syntax error at line 1 column 12")) << bad.text();
  ToolReply array = s.call("open_project", {{"project", "Array"}});
  EXPECT_TRUE(array.is_error());
  EXPECT_EQ(array.text(), "parse project: project state is not a JSON object");
  EXPECT_EQ(slurp(s.library() / "Array" / "project.json"), "[1, 2]");
  EXPECT_EQ(s.call("get_outline", {{"project", "Linked"}}).text(),
            "path escapes library: " + (fs::canonical(outside.path()) / "project.json").string());
}

TEST(ListProjects, KeepsMarkedReadableProjects) {
  Session s;
  s.make_project(
      "Good",
      R"({"name":"Good one","nodes":[{"id":"a"},{"type":"vemba"},{"type":5},{"type":"note"},{"type":"Vemba"},7]})");
  s.make_project("Unparsable", "{");
  write_file(s.library() / "NoMarker" / "project.json", "{}");
  fs::create_directories(s.library() / "MarkerFolder" / ".vemba");
  write_file(s.library() / "MarkerFolder" / "project.json", "{}");
  write_file(s.library() / "plain.txt", "x");
  write_file(s.library() / ".vemba-sync.json", "{}");
  ToolReply r = s.call("list_projects", {{"project", "ignored"}});
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(r.text(), "[\n  {\n    \"name\": \"Good one\",\n    \"project\": \"Good\",\n    \"vembas\": 4\n  }\n]");
  EXPECT_FALSE(r.result.as_object().contains("structuredContent"));
}

TEST(ListProjects, MissingLibraryIsEmpty) {
  TempDir tmp;
  EXPECT_EQ(call_text({"--library", (tmp / "none").string()}, {}, "list_projects", json::array{1}), "ok: []");
}

TEST(LibraryRoot, HoldingNulNamesNoFolder) {
  // A configured root cut short at the NUL would name another folder.
  TempDir tmp;
  fs::create_directories(tmp / "lib" / "P");
  write_file(tmp / "lib" / "P" / ".vemba", "1\n");
  write_file(tmp / "lib" / "P" / "project.json", "{}");
  const fs::path config = tmp / "home" / kConfigDir / "config.json";
  write_file(config, to_compact(json::object{{"library_path", (tmp / "lib").string() + std::string(1, '\0') + "x"}}));
  const std::vector<std::string> env{"HOME=" + (tmp / "home").string()};
  EXPECT_EQ(call_text({}, env, "list_projects"), "ok: []");
  EXPECT_EQ(call_text({}, env, "create_project", {{"name", "New"}}), "error: ensure library: Invalid argument");
  EXPECT_EQ(list_names(tmp / "lib"), std::vector<std::string>{"P"});
}

TEST(CreateProject, RepliesWithTheFolderName) {
  TempDir tmp;
  const fs::path lib = tmp / "new" / "library";
  auto created =
      call_text({"--library", lib.string()}, {}, "create_project", json::object{{"name", "Act: One"}, {"context", 7}});
  EXPECT_EQ(created,
            "ok: Created project \"Act One\". Use exactly this as the `project` argument in every other tool. It is "
            "empty \u2014 add_vemba / add_node to fill it, write_asset to add media, set_project_meta for "
            "name/theme/context.");
  auto doc = parse(slurp(lib / "Act One" / "project.json"));
  EXPECT_EQ(doc.as_object().at("name"), "Act: One");
  EXPECT_EQ(doc.as_object().at("context"), "");
  EXPECT_FALSE(doc.as_object().contains("bindings"));
  EXPECT_FALSE(fs::exists(lib / ".vemba-sync.json"));
  EXPECT_TRUE(call_text({"--library", lib.string()}, {}, "create_project")
                  .starts_with("ok: Created project \"Untitled Project\"."));
  EXPECT_TRUE(call_text({"--library", lib.string()}, {}, "create_project", {{"name", "Act One"}})
                  .starts_with("ok: Created project \"Act One (2)\"."));
}

}  // namespace
}  // namespace vemba_test
