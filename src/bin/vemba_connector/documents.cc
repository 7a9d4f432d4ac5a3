// Document text extraction.

#include "vemba_connector/roads.h"

namespace vemba_connector {

ToolResult serve_document(const Call& call, LoadedProject&) { return not_available(call); }

}  // namespace vemba_connector
