#include "vemba_connector/tools/dispatch.h"

#include "vemba_connector/tools/catalogue.h"

#include "project_io/json/document_arena.h"

#include <fmt/format.h>

#include <cstdlib>
#include <exception>
#include <variant>

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

// Library root, name, project and load are checked in that order before the
// tool's own arguments. A tool that writes the project holds its lock from
// before the load until its handler returns, after the "done" signal and
// before the reply is sent.
ToolResult serve(const Call& call, const ToolSpec& tool) {
  if (!tool.loads_project()) return std::get<ServeLibrary>(tool.serve)(call);
  if (!call.project) return ToolResult::fail("missing 'project'");
  auto loaded = load_project(call.library_root, *call.project, tool.writes_project() ? Access::kWrite : Access::kRead,
                             call.deadline);
  if (!loaded) return ToolResult::fail(loaded.error());
  if (const ServeProject* serve_project = std::get_if<ServeProject>(&tool.serve))
    return (*serve_project)(call, *loaded);
  if (const WritesProject* writes = std::get_if<WritesProject>(&tool.serve)) return writes->serve(call, *loaded);
  return serve_edit(call, *loaded, std::get<ApplyEdit>(tool.serve));
}

ToolResult run_call(const json::value& params, const std::vector<std::string>& args, LockDeadline deadline) {
  auto root = find_library_root(args);
  if (!root)
    return ToolResult::fail(fmt::format("Vemba library not found: {}. Re-run Link now in Vemba.", root.error()));
  const std::string_view name = text_of(params, "name");
  const json::value* given = member(params, "arguments");
  const json::value arguments = given ? *given : json::value(json::object());
  std::optional<std::string> project;
  if (auto p = Arguments(arguments).opt_text("project")) project = std::string(*p);
  const ToolSpec* tool = find_tool(name);
  if (!tool) return ToolResult::fail(fmt::format("unknown tool: {}", name));
  const Call call{std::move(*root), arguments, std::move(project), deadline};
  return serve(call, *tool);
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
                                                       Access access, LockDeadline deadline) {
  auto candidate = project_dir(library_root, project);
  if (!candidate) return std::unexpected(candidate.error());
  auto file = ensure_within(library_root, *candidate / kProjectFile);
  if (!file) return std::unexpected(file.error());
  auto library = resolve_library(library_root);
  if (!library) return std::unexpected(library.error());
  fs::path folder = file->parent_path();
  FolderLock lock;
  std::optional<LockFailure> unlocked;
  if (access == Access::kWrite) {
    auto taken = lock_folder(folder, deadline);
    if (taken) {
      lock = std::move(*taken);
    } else if (taken.error().busy) {
      return std::unexpected(busy_text("project"));
    } else {
      unlocked = std::move(taken.error());
    }
  }
  // A folder that cannot be locked (not a folder, gone) mostly cannot be read
  // either: the read's own text says why.
  ProjectFile original;
  auto state = read_project(*library, folder, next_document_storage(), access == Access::kWrite ? &original : nullptr);
  if (!state) return std::unexpected(state.error());
  if (unlocked) return std::unexpected("lock project: " + unlocked->text);
  // Constructed, not assigned: assigning would copy the document into the
  // target's own (default) storage.
  return LoadedProject{std::move(folder), std::move(*state), std::move(*library), std::move(lock), std::move(original)};
}

json::storage_ptr next_document_storage() {
  // One call's document at a time: the next load takes its memory back, so
  // nothing taken from a document may outlive the call that loaded it.
  static DocumentArena arena;
  return arena.next();
}

void after_reply() { close_replaced_files(); }

ToolResult handle_call(const json::value& params, const std::vector<std::string>& args, LockDeadline deadline) {
  ToolResult result = ToolResult::fail("internal error");
  try {
    result = run_call(params, args, deadline);
  } catch (const std::exception& e) {
    // One faulty request must never end the server.
    result = ToolResult::fail(fmt::format("internal error: {}", e.what()));
  } catch (...) {
  }
  return result;
}

}  // namespace vemba_connector
