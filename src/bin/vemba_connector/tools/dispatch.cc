#include "vemba_connector/tools/dispatch.h"

#include "vemba_connector/tools/catalogue.h"
#include "vemba_connector/tools/roads.h"

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

// Every tool that can rewrite the project or its assets; open_project only
// signals.
bool writes_project(const ToolSpec& tool) {
  return tool.road == Road::kEdit || tool.road == Road::kBatch ||
         (tool.road == Road::kProject && tool.name != "open_project");
}

ToolResult route(const Call& call, const ToolSpec& tool) {
  if (tool.name == "list_projects") return serve_list_projects(call);
  if (tool.name == "create_project") return serve_create_project(call);
  if (!call.project) return ToolResult::fail("missing 'project'");
  auto loaded = load_project(call.library_root, *call.project, writes_project(tool) ? Access::kWrite : Access::kRead);
  if (!loaded) return ToolResult::fail(loaded.error());
  switch (tool.road) {
    case Road::kRead: return serve_read(call, *loaded);
    case Road::kEdit: return serve_edit(call, *loaded);
    case Road::kBatch: return serve_batch(call, *loaded);
    case Road::kMedia: return serve_media(call, *loaded);
    case Road::kDocument: return serve_document(call, *loaded);
    case Road::kProject: return serve_project_tool(call, *loaded);
  }
  return ToolResult::fail("unroutable tool");
}

ToolResult run_call(const json::value& params, const std::vector<std::string>& args) {
  auto root = find_library_root(args);
  if (!root) return ToolResult::fail(fmt::format("Vemba library not found: {}. Re-run Link now in Vemba.", root.error()));
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

std::expected<LoadedProject, std::string> load_project(const std::string& library_root, std::string_view project,
                                                       Access access) {
  auto candidate = project_dir(library_root, project);
  if (!candidate) return std::unexpected(candidate.error());
  auto file = ensure_within(library_root, *candidate / "project.json");
  if (!file) return std::unexpected(file.error());
  auto library = resolve_library(library_root);
  if (!library) return std::unexpected(library.error());
  LoadedProject loaded{file->parent_path(), {}, std::move(*library), {}};
  if (access == Access::kWrite) {
    auto lock = lock_folder(loaded.folder);
    if (!lock) return std::unexpected("lock project: " + lock.error());
    loaded.lock = std::move(*lock);
  }
  auto state = read_project(loaded.library, loaded.folder);
  if (!state) return std::unexpected(state.error());
  loaded.state = std::move(*state);
  return loaded;
}

void handle_call(const json::value& id, const json::value& params, const std::vector<std::string>& args,
                 Replies& out) {
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

ToolResult not_available(const Call& call) { return ToolResult::fail(fmt::format("{} is not available yet", call.tool)); }

}  // namespace vemba_connector
