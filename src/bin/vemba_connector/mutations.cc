// The write path of the editing tools and batch.

#include "vemba_connector/roads.h"

namespace vemba_connector {

ToolResult serve_edit(const Call& call, LoadedProject&) { return not_available(call); }
ToolResult serve_batch(const Call& call, LoadedProject&) { return not_available(call); }

}  // namespace vemba_connector
