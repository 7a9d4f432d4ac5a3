// Outline, search and the board picture.

#include "project_io/queries.h"
#include "vemba_connector/arguments.h"
#include "vemba_connector/roads.h"

namespace vemba_connector {

using namespace vemba_core::project_io;

ToolResult serve_get_outline(const Call&, LoadedProject& project) {
  return ToolResult::json_value(get_outline(project.state));
}

// The query goes as sent: the search trims and lower-cases it itself.
ToolResult serve_search_project(const Call& call, LoadedProject& project) {
  return ToolResult::json_value(search_project(project.state, Arguments(call.arguments).text("query")));
}

ToolResult serve_render_board(const Call& call, LoadedProject&) { return not_available(call); }

}  // namespace vemba_connector
