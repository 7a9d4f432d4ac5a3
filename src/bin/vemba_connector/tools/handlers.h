#pragma once
// What the dispatcher hands a tool, and every tool's handler by family. Each
// handler returns the one result the dispatcher sends.

#include "project_io/board/board.h"
#include "project_io/store/folder_lock.h"
#include "project_io/store/store.h"
#include "vemba_connector/tools/arguments.h"
#include "vemba_connector/tools/tools.h"

#include <expected>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_connector {

namespace fs = std::filesystem;

/// One call past the dispatcher's checks.
struct Call {
  std::string library_root;  // as found, not made canonical
  const json::value& arguments;
  std::optional<std::string> project;             // when `arguments.project` is a text
  vemba_core::project_io::LockDeadline deadline;  // of every lock wait, from the request's arrival
};

/// A project loaded for one call: its canonical folder and normalised state,
/// the canonical library root that every path it follows must stay inside,
/// and, for a tool that writes it, the project's lock until the handler
/// returns (which also tells the temporaries its writes may use).
struct LoadedProject {
  fs::path folder;
  json::value state;
  fs::path library;
  vemba_core::project_io::FolderLock lock;
  vemba_core::project_io::ProjectFile file;  // for a tool that writes it: the file as read
};

/// What an editing tool works on: the state in memory (which a failed edit
/// may leave changed), the canonical library root, the project folder, the
/// tool's arguments and the state's index, kept through a batch. An edit that
/// changes no id and keeps the cards in order says so (index.ids_and_order_kept()).
struct Edit {
  json::value& state;
  const fs::path& library;
  const fs::path& folder;
  Arguments args;
  vemba_core::project_io::EditIndex& index;
};

/// Memory for the next document a call reads (a DocumentArena's, kept from
/// call to call). Taking it ends the last document taken: that one and every
/// value allocated from it must be gone.
json::storage_ptr next_document_storage();

/// An editing tool's success message, or the operation's error text.
using Outcome = std::expected<std::string, std::string>;

// ---- Library tools: no project is loaded (read_tools.cc, project_tools.cc) --

ToolResult serve_list_projects(const Call& call);
ToolResult serve_create_project(const Call& call);

// ---- Read tools (read_tools.cc; the history listing in project_tools.cc) ----

ToolResult serve_get_outline(const Call& call, LoadedProject& project);
ToolResult serve_read_project(const Call& call, LoadedProject& project);
ToolResult serve_read_set_plan(const Call& call, LoadedProject& project);
ToolResult serve_search_project(const Call& call, LoadedProject& project);
ToolResult serve_get_positions(const Call& call, LoadedProject& project);
ToolResult serve_render_board(const Call& call, LoadedProject& project);
ToolResult serve_check_project(const Call& call, LoadedProject& project);
ToolResult serve_production_report(const Call& call, LoadedProject& project);
ToolResult serve_export(const Call& call, LoadedProject& project);
ToolResult serve_list_history(const Call& call, LoadedProject& project);

// ---- The editing tools' write path and batch (write_path.cc) --------------

/// Signals "writing", runs `edit` on the state, writes the project once when
/// it succeeded, signals "done" and replies "Done. " plus the message.
ToolResult serve_edit(const Call& call, LoadedProject& project, Outcome (*edit)(Edit&));
ToolResult serve_batch(const Call& call, LoadedProject& project);

// ---- Media and documents (media.cc, documents.cc) -------------------------

ToolResult serve_list_media(const Call& call, LoadedProject& project);
ToolResult serve_view_media(const Call& call, LoadedProject& project);
ToolResult serve_read_document(const Call& call, LoadedProject& project);

// ---- History, project and asset tools (project_tools.cc) ------------------

ToolResult serve_write_asset(const Call& call, LoadedProject& project);
ToolResult serve_open_project(const Call& call, LoadedProject& project);
ToolResult serve_restore_snapshot(const Call& call, LoadedProject& project);
ToolResult serve_undo_last(const Call& call, LoadedProject& project);

// ---- The 29 editing tools, in memory (mutation_engine.cc) -----------------
// Each reads its arguments by kind, calls its one operation and builds its
// message; serve_edit and batch write the result.
namespace edits {

Outcome add_vemba(Edit& e);
Outcome edit_vemba(Edit& e);
Outcome connect_vembas(Edit& e);
Outcome add_node(Edit& e);
Outcome convert_node_type(Edit& e);
Outcome delete_node(Edit& e);
Outcome create_group(Edit& e);
Outcome edit_group(Edit& e);
Outcome delete_group(Edit& e);
Outcome add_node_to_group(Edit& e);
Outcome remove_node_from_group(Edit& e);
Outcome move_node(Edit& e);
Outcome reorder_node(Edit& e);
Outcome auto_layout_group(Edit& e);
Outcome edit_set_plan(Edit& e);
Outcome arrange_nodes(Edit& e);
Outcome align_nodes(Edit& e);
Outcome place_node(Edit& e);
Outcome fit_group(Edit& e);
Outcome set_project_meta(Edit& e);
Outcome build_shot_list(Edit& e);
Outcome edit_shot_list(Edit& e);
Outcome add_scene(Edit& e);
Outcome add_shot(Edit& e);
Outcome edit_shot(Edit& e);
Outcome add_video_embed(Edit& e);
Outcome add_plan_element(Edit& e);
Outcome edit_plan_element(Edit& e);
Outcome remove_plan_element(Edit& e);

}  // namespace edits
}  // namespace vemba_connector
