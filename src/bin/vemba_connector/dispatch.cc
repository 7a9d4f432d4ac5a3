#include "vemba_connector/dispatch.h"

#include "vemba_connector/catalogue.h"
#include "vemba_connector/roads.h"

#include "project_io/document_arena.h"

#include <fmt/format.h>

#include <cstdlib>
#include <exception>

namespace vemba_connector {
namespace {

using namespace vemba_core::project_io;

constexpr std::string_view kConfigPath = "Library/Application Support/com.vemba.app/config.json";

std::expected<std::string, std::string> root_from_config() {
  const char* home = std::getenv("HOME");
  if (!home || !is_valid_utf8(home)) return std::unexpected(std::string("no HOME"));
  auto text = read_file(fs::path(home) / kConfigPath);
  if (!text) return std::unexpected("config: " + text.error());
  if (!is_valid_utf8(*text)) return std::unexpected(std::string("config: stream did not contain valid UTF-8"));
  auto config = parse_json(*text);
  if (!config) return std::unexpected("config parse: " + config.error());
  if (auto root = opt_text_of(*config, "library_path")) return std::string(*root);
  return std::unexpected(std::string("no library_path"));
}

ToolResult route(const Call& call, const ToolSpec& tool) {
  if (tool.name == "list_projects") return serve_list_projects(call);
  if (tool.name == "create_project") return serve_create_project(call);
  if (!call.project) return ToolResult::fail("missing 'project'");
  auto loaded = load_project(call.library_root, *call.project);
  if (!loaded) return ToolResult::fail(loaded.error());
  switch (tool.road) {
    case Road::kRead:
      return serve_read(call, *loaded);
    case Road::kEdit:
      return serve_edit(call, *loaded);
    case Road::kBatch:
      return serve_batch(call, *loaded);
    case Road::kMedia:
      return serve_media(call, *loaded);
    case Road::kDocument:
      return serve_document(call, *loaded);
    case Road::kProject:
      return serve_project_tool(call, *loaded);
  }
  return ToolResult::fail("unroutable tool");
}

ToolResult run_call(const json::value& params, const std::vector<std::string>& args) {
  auto root = find_library_root(args);
  if (!root)
    return ToolResult::fail(fmt::format("Vemba library not found: {}. Re-run Link now in Vemba.", root.error()));
  const std::string_view name = text_of(params, "name");
  const json::value* given = member(params, "arguments");
  const json::value arguments = given ? *given : json::value(json::object());
  std::optional<std::string> project;
  if (auto p = opt_text_of(arguments, "project")) project = std::string(*p);
  const ToolSpec* tool = find_tool(name);
  if (!tool) return ToolResult::fail(fmt::format("unknown tool: {}", name));
  const Call call{std::move(*root), tool->name, arguments, std::move(project)};
  return route(call, *tool);
}

}  // namespace

std::expected<std::string, std::string> find_library_root(const std::vector<std::string>& args) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] != "--library") continue;
    if (i + 1 < args.size()) return args[i + 1];
    break;
  }
  return root_from_config();
}

std::expected<LoadedProject, std::string> load_project(const std::string& library_root, std::string_view project) {
  auto candidate = project_dir(library_root, project);
  if (!candidate) return std::unexpected(candidate.error());
  auto file = ensure_within(library_root, *candidate / "project.json");
  if (!file) return std::unexpected(file.error());
  fs::path folder = file->parent_path();
  // One call's document at a time: the next load takes its memory back, so
  // nothing taken from a document may outlive the call that loaded it.
  static DocumentArena arena;
  auto state = read_project(folder, arena.next());
  if (!state) return std::unexpected(state.error());
  // Constructed, not assigned: assigning would copy the document into the
  // target's own (default) storage.
  return LoadedProject{std::move(folder), std::move(*state)};
}

void handle_call(const json::value& id, const json::value& params, const std::vector<std::string>& args, Replies& out) {
  ToolResult result = ToolResult::fail("internal error");
  try {
    result = run_call(params, args);
  } catch (const std::exception& e) {
    // One faulty request must never end the server.
    result = ToolResult::fail(fmt::format("internal error: {}", e.what()));
  } catch (...) {
  }
  out.tool_result(id, result);
}

}  // namespace vemba_connector

namespace vemba_connector {

ToolResult not_available(const Call& call) {
  return ToolResult::fail(fmt::format("{} is not available yet", call.tool));
}

}  // namespace vemba_connector
