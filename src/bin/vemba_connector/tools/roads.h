#pragma once
// The roads a tool call takes after the dispatcher's prologue. Each returns the
// one result the dispatcher sends.

#include "vemba_connector/tools/dispatch.h"

namespace vemba_connector {

/// list_projects and the other read tools.
ToolResult serve_list_projects(const Call& call);
ToolResult serve_read(const Call& call, LoadedProject& project);
ToolResult serve_read_project(const Call& call, LoadedProject& project);
ToolResult serve_list_history(const Call& call, LoadedProject& project);
/// get_positions (layout_reads.cc).
ToolResult serve_get_positions(const Call& call, LoadedProject& project);
/// get_outline, search_project, render_board (board_reads.cc).
ToolResult serve_get_outline(const Call& call, LoadedProject& project);
ToolResult serve_search_project(const Call& call, LoadedProject& project);
ToolResult serve_render_board(const Call& call, LoadedProject& project);
/// read_set_plan (production_reads.cc).
ToolResult serve_read_set_plan(const Call& call, LoadedProject& project);
/// check_project, production_report, export (report_reads.cc).
ToolResult serve_check_project(const Call& call, LoadedProject& project);
ToolResult serve_production_report(const Call& call, LoadedProject& project);
ToolResult serve_export(const Call& call, LoadedProject& project);
/// The 29 editing tools and batch.
ToolResult serve_edit(const Call& call, LoadedProject& project);
ToolResult serve_batch(const Call& call, LoadedProject& project);
/// list_media, view_media.
ToolResult serve_media(const Call& call, LoadedProject& project);
/// read_document.
ToolResult serve_document(const Call& call, LoadedProject& project);
/// create_project (no project loaded).
ToolResult serve_create_project(const Call& call);
/// undo_last, restore_snapshot, open_project, write_asset.
ToolResult serve_project_tool(const Call& call, LoadedProject& project);

/// The answer of a tool whose work is not built yet.
ToolResult not_available(const Call& call);

}  // namespace vemba_connector
