// Integrity check, readiness report and text exports.

#include "project_io/json/json.h"
#include "project_io/reports/reports.h"
#include "vemba_connector/tools/arguments.h"
#include "vemba_connector/tools/handlers.h"

#include <string>
#include <vector>

namespace vemba_connector {
namespace {

using namespace vemba_core::project_io;

// The regular files of the assets folder (links followed), in listing order.
// A missing or unlistable folder has none; an unreadable entry is passed over.
// Nothing outside the library counts: an assets folder that leads outside has
// no files, and an entry that leads outside is passed over.
std::vector<std::string> asset_names(const fs::path& library, const fs::path& project_folder) {
  std::vector<std::string> names;
  auto assets = confine(library, project_folder / kAssetsDir);
  if (!assets) return names;
  std::error_code ec;
  fs::directory_iterator it(*assets, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec))
    if (is_confined_file(library, it->path())) names.push_back(lossy_utf8(it->path().filename().string()));
  return names;
}

}  // namespace

ToolResult serve_check_project(const Call&, LoadedProject& project) {
  return ToolResult::json_value(check_project(project.state, asset_names(project.library, project.folder)));
}

ToolResult serve_production_report(const Call&, LoadedProject& project) {
  return ToolResult::json_value(production_report(project.state));
}

ToolResult serve_export(const Call& call, LoadedProject& project) {
  const std::string_view format = Arguments(call.arguments).text_or("format", "markdown");
  auto text = export_text(project.state, format);
  return text ? ToolResult::ok(std::move(*text)) : ToolResult::fail(std::move(text.error()));
}

}  // namespace vemba_connector
