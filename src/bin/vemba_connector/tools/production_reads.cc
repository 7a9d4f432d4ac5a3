// Set-plan reads.

#include "project_io/production/production.h"
#include "vemba_connector/tools/arguments.h"
#include "vemba_connector/tools/handlers.h"

namespace vemba_connector {

ToolResult serve_read_set_plan(const Call& call, LoadedProject& project) {
  auto text = vemba_core::project_io::read_set_plan(project.state, Arguments(call.arguments).text("nodeId"));
  return text ? ToolResult::ok(std::move(*text)) : ToolResult::fail(std::move(text.error()));
}

}  // namespace vemba_connector
