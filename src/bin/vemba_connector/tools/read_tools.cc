// The read tools: answer from the library or one loaded project, write nothing.

#include "project_io/board/board.h"
#include "project_io/geometry/geometry.h"
#include "project_io/json/json.h"
#include "project_io/queries/queries.h"
#include "vemba_connector/tools/arguments.h"
#include "vemba_connector/tools/handlers.h"

namespace vemba_connector {
namespace {

using namespace vemba_core::project_io;

// A folder, marker or state document that leads outside the library is not
// one of its projects.
bool is_project(const fs::path& library, const fs::path& folder) {
  return confine(library, folder) && is_confined_file(library, folder / kMarkerFile);
}

}  // namespace

ToolResult serve_list_projects(const Call& call) {
  json::array projects;
  if (holds_nul(call.library_root)) return ToolResult::json_value(std::move(projects));
  const auto library = resolve_library(call.library_root);
  if (!library) return ToolResult::json_value(std::move(projects));
  std::error_code ec;
  fs::directory_iterator it(fs::path(call.library_root), ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    const fs::path folder = it->path();
    if (!is_project(*library, folder)) continue;
    auto state = read_project(*library, folder);
    if (!state) continue;
    std::uint64_t vembas = 0;
    if (const json::array* nodes = array_of(*state, "nodes"))
      for (const json::value& node : *nodes) vembas += is_story_card(node);
    projects.push_back(json::object{
        {"project", lossy_utf8(folder.filename().string())}, {"name", text_of(*state, "name")}, {"vembas", vembas}});
  }
  return ToolResult::json_value(std::move(projects));
}

ToolResult serve_read_project(const Call& call, LoadedProject& project) {
  const Arguments args(call.arguments);
  const std::string_view scope = args.text_or("scope", "all");
  const std::optional<std::string_view> group = args.opt_text("groupId");
  if (scope == "all" && !group) return ToolResult::ok(annotated_text(project.state, project_file_size(project.folder)));
  return ToolResult::ok(to_pretty(read_scoped(annotate_sizes(project.state), scope, group)));
}

}  // namespace vemba_connector
