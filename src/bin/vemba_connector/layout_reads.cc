// Geometry-only read of cards and group boxes.

#include "vemba_connector/roads.h"

namespace vemba_connector {

ToolResult serve_get_positions(const Call& call, LoadedProject&) { return not_available(call); }

}  // namespace vemba_connector
