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
std::vector<std::string> asset_names(const fs::path& project_folder) {
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(project_folder / kAssetsDir, ec);
  for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code kind_ec;
    if (fs::is_regular_file(it->path(), kind_ec)) names.push_back(lossy_utf8(it->path().filename().string()));
  }
  return names;
}

}  // namespace

ToolResult serve_check_project(const Call&, LoadedProject& project) {
  return ToolResult::json_value(check_project(project.state, asset_names(project.folder)));
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
