// Outline, search and the board picture.

#include "project_io/queries/queries.h"
#include "project_io/render/render.h"
#include "vemba_connector/tools/arguments.h"
#include "vemba_connector/tools/handlers.h"

#include <utility>

namespace vemba_connector {

using namespace vemba_core::project_io;

ToolResult serve_get_outline(const Call&, LoadedProject& project) {
  return ToolResult::json_value(get_outline(project.state));
}

// The query goes as sent: the search trims and lower-cases it itself.
ToolResult serve_search_project(const Call& call, LoadedProject& project) {
  return ToolResult::json_value(search_project(project.state, Arguments(call.arguments).text("query")));
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

}  // namespace vemba_connector
