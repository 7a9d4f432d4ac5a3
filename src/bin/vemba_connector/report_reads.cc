// Integrity check, readiness report and text exports.

#include "vemba_connector/roads.h"

namespace vemba_connector {

ToolResult serve_check_project(const Call& call, LoadedProject&) { return not_available(call); }
ToolResult serve_production_report(const Call& call, LoadedProject&) { return not_available(call); }
ToolResult serve_export(const Call& call, LoadedProject&) { return not_available(call); }

}  // namespace vemba_connector
