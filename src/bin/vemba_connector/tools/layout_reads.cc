// Geometry-only read of cards and group boxes.

#include "project_io/geometry/geometry.h"
#include "vemba_connector/tools/handlers.h"

namespace vemba_connector {

ToolResult serve_get_positions(const Call&, LoadedProject& project) {
  return ToolResult::json_value(vemba_core::project_io::get_positions(project.state));
}

}  // namespace vemba_connector
