// The read tools: answer from the library or one loaded project, write nothing.

#include "project_io/board/board.h"
#include "project_io/geometry/geometry.h"
#include "project_io/production/production.h"
#include "project_io/queries/queries.h"
#include "project_io/render/render.h"
#include "project_io/reports/reports.h"
#include "project_io/store/listing.h"
#include "vemba_connector/tools/arguments.h"
#include "vemba_connector/tools/handlers.h"

#include <utility>

namespace vemba_connector {

using namespace vemba_core::project_io;

// ---- The library and the whole project --------------------------------------

ToolResult serve_list_projects(const Call& call) {
  json::array projects;
  const ProjectFolders found = project_folders(call.library_root);
  for (const fs::path& folder : found.folders) {
    auto state = read_project(found.library, folder);
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
  return ToolResult::ok(scoped_text(project.state, args.text_or("scope", "all"), args.opt_text("groupId"),
                                    project_file_size(project.folder)));
}

// ---- Outline, search, positions and the board picture ------------------------

ToolResult serve_get_outline(const Call&, LoadedProject& project) {
  return ToolResult::json_value(get_outline(project.state));
}

// The query goes as sent: the search trims and lower-cases it itself.
ToolResult serve_search_project(const Call& call, LoadedProject& project) {
  return ToolResult::json_value(search_project(project.state, Arguments(call.arguments).text("query")));
}

ToolResult serve_get_positions(const Call&, LoadedProject& project) {
  return ToolResult::json_value(get_positions(project.state));
}

// A rectangle counts only when all four of x, y, w and h are numbers; it then
// wins over a group id.
ToolResult serve_render_board(const Call& call, LoadedProject& project) {
  const Arguments args(call.arguments);
  const std::optional<double> x = args.opt_number("x"), y = args.opt_number("y"), w = args.opt_number("w"),
                              h = args.opt_number("h");
  std::optional<Rect> rect;
  if (x && y && w && h) rect = Rect{*x, *y, *w, *h};
  std::expected<std::string, std::string> png = render_board(project.state, args.opt_text("groupId"), rect);
  if (!png) return ToolResult::fail(std::move(png.error()));
  return ToolResult::png(std::move(*png));
}

// ---- Set plans, the integrity check, the readiness report and exports --------

ToolResult serve_read_set_plan(const Call& call, LoadedProject& project) {
  auto text = read_set_plan(project.state, Arguments(call.arguments).text("nodeId"));
  return text ? ToolResult::ok(std::move(*text)) : ToolResult::fail(std::move(text.error()));
}

ToolResult serve_check_project(const Call&, LoadedProject& project) {
  return ToolResult::json_value(check_project(project.state, asset_names(project.library, project.folder)));
}

ToolResult serve_production_report(const Call&, LoadedProject& project) {
  return ToolResult::json_value(production_report(project.state));
}

ToolResult serve_export(const Call& call, LoadedProject& project) {
  const std::string_view format = Arguments(call.arguments).text_or("format", "markdown");
  auto text = export_text(project.state, format);
  return text ? ToolResult::ok(std::move(*text)) : ToolResult::fail(std::move(text.error()));
}

}  // namespace vemba_connector
