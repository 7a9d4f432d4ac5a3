// Tools past the mutation engine: create_project, write_asset, open_project,
// restore_snapshot and undo_last.

#include "vemba_connector/roads.h"

#include <fmt/format.h>

namespace vemba_connector {

using namespace vemba_core::project_io;

ToolResult serve_create_project(const Call& call) {
  auto folder = create_project(call.library_root, text_of(call.arguments, "name"), text_of(call.arguments, "context"));
  if (!folder) return ToolResult::fail(folder.error());
  return ToolResult::ok(fmt::format(
      "Created project \"{}\". Use exactly this as the `project` argument in every other tool. It is empty \u2014 "
      "add_vemba / add_node to fill it, write_asset to add media, set_project_meta for name/theme/context.",
      *folder));
}

ToolResult serve_project_tool(const Call& call, LoadedProject&) { return not_available(call); }

ToolResult serve_list_history(const Call& call, LoadedProject&) { return not_available(call); }

}  // namespace vemba_connector
