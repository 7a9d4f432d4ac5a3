// Tools past the mutation engine: create_project, write_asset, open_project,
// restore_snapshot and undo_last, and the history listing.

#include "project_io/store/store.h"
#include "util/base64.h"
#include "vemba_connector/tools/handlers.h"
#include "vemba_connector/tools/signal.h"

#include <fmt/format.h>

namespace vemba_connector {
namespace {

using namespace vemba_core::project_io;

// Puts the chosen snapshot back between the "writing" and "done" signals.
ToolResult restore(const Call& call, LoadedProject& project, const std::string& name) {
  // The state as loaded is not needed: the snapshot is read into its memory.
  project.state = nullptr;
  auto message = signalled(
      call.library_root, *call.project, fmt::format("Claude is restoring {}\u2026", *call.project),
      [&] { return restore_snapshot(project.library, project.folder, name, now_ms(), next_document_storage()); });
  if (!message) return ToolResult::fail(message.error());
  return ToolResult::ok(std::move(*message));
}

// `bytesBase64` wins whenever present, even when it is not a text.
std::string_view base64_argument(const Arguments& args) {
  return args.text(args.has("bytesBase64") ? "bytesBase64" : "bytes_base64");
}

}  // namespace

ToolResult serve_write_asset(const Call& call, LoadedProject& project) {
  const Arguments args(call.arguments);
  const std::string_view filename = args.text("filename");
  auto bytes = vemba_util::base64_decode(base64_argument(args));
  if (!bytes) return ToolResult::fail("bytesBase64 did not decode: " + bytes.error());
  if (bytes->empty()) return ToolResult::fail("empty file");
  auto written = write_asset_file(project.library, project.folder, filename, *bytes);
  if (!written) return ToolResult::fail(written.error());
  return ToolResult::ok(fmt::format(
      "Wrote assets/{0} ({1} bytes). Reference it by the bare filename \"{0}\" (e.g. in a node's images array, a "
      "shot's ref, or plan.bg). The app generates its own thumbnails on open.",
      *written, bytes->size()));
}

ToolResult serve_create_project(const Call& call) {
  const Arguments args(call.arguments);
  auto folder = create_project(call.library_root, args.text("name"), args.text("context"), call.deadline);
  if (!folder) return ToolResult::fail(folder.error());
  return ToolResult::ok(fmt::format(
      "Created project \"{}\". Use exactly this as the `project` argument in every other tool. It is empty \u2014 "
      "add_vemba / add_node to fill it, write_asset to add media, set_project_meta for name/theme/context.",
      *folder));
}

ToolResult serve_open_project(const Call& call, LoadedProject& project) {
  // The state is not needed past the load; drop it before the signal.
  project.state = nullptr;
  write_signal(call.library_root, *call.project, "open", "");
  return ToolResult::ok(fmt::format(
      "Asked Vemba to open \"{}\". If the app is running it switches to it now; if not, it opens on next launch's "
      "signal check.",
      *call.project));
}

// The snapshot name is checked before any signal is written.
ToolResult serve_restore_snapshot(const Call& call, LoadedProject& project) {
  auto name = Arguments(call.arguments).opt_text("snapshot");
  if (!name) return ToolResult::fail("missing 'snapshot' (a name from list_history)");
  return restore(call, project, std::string(*name));
}

ToolResult serve_undo_last(const Call& call, LoadedProject& project) {
  const json::array history = list_history(project.library, project.folder);
  const std::optional<std::string_view> newest =
      history.empty() ? std::nullopt : opt_text_of(history.front(), "snapshot");
  if (!newest) return ToolResult::fail("no snapshots yet \u2014 nothing to undo");
  return restore(call, project, std::string(*newest));
}

ToolResult serve_list_history(const Call&, LoadedProject& project) {
  return ToolResult::json_value(list_history(project.library, project.folder));
}

}  // namespace vemba_connector
