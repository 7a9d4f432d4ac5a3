// Media listing and viewing.

#include "vemba_connector/roads.h"

namespace vemba_connector {

ToolResult serve_media(const Call& call, LoadedProject&) { return not_available(call); }

}  // namespace vemba_connector
