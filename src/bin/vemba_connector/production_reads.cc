// Set-plan reads.

#include "vemba_connector/roads.h"

namespace vemba_connector {

ToolResult serve_read_set_plan(const Call& call, LoadedProject&) { return not_available(call); }

}  // namespace vemba_connector
