// Outline, search and the board picture.

#include "vemba_connector/roads.h"

namespace vemba_connector {

ToolResult serve_get_outline(const Call& call, LoadedProject&) { return not_available(call); }
ToolResult serve_search_project(const Call& call, LoadedProject&) { return not_available(call); }
ToolResult serve_render_board(const Call& call, LoadedProject&) { return not_available(call); }

}  // namespace vemba_connector
