// The write path of the editing tools and batch: signal "writing", edit in
// memory, write the project once (snapshot first), signal "done", reply.

#include "vemba_connector/mutations.h"

#include "vemba_connector/roads.h"
#include "vemba_connector/signal.h"

#include <fmt/format.h>

namespace vemba_connector {
namespace {

namespace io = vemba_core::project_io;

using Outcome = std::expected<std::string, std::string>;

void signal_writing(const Call& call) {
  write_signal(call.library_root, *call.project, "writing", fmt::format("Claude is editing {}\u2026", *call.project));
}

/// Writes the edited state once when the edit succeeded, then signals "done"
/// on every path; a failed edit writes nothing.
ToolResult finish(const Call& call, const LoadedProject& project, Outcome reply) {
  if (reply) {
    if (auto written = io::write_project(project.folder, project.state, now_ms()); !written)
      reply = std::unexpected(written.error());
  }
  write_signal(call.library_root, *call.project, "done", "");
  return reply ? ToolResult::ok(std::move(*reply)) : ToolResult::fail(std::move(reply.error()));
}

/// Every op on the one shared state, stopping at the first failure.
Outcome run_ops(const json::array& ops, LoadedProject& project) {
  static const json::value kNoArguments = json::object();
  std::string lines;
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const json::value& op = ops[i];
    const std::string_view tool = io::text_of(op, "tool");
    const json::value* arguments = io::member(op, "arguments");
    auto message = apply_mutation(project.state, project.folder, tool, arguments ? *arguments : kNoArguments);
    if (!message)
      return std::unexpected(fmt::format(
          "Batch aborted at op {} ({}): {}. NOTHING was written \u2014 fix that op and resend the whole batch. "
          "Ops before it had applied in memory only.",
          i + 1, tool, message.error()));
    lines += fmt::format("\n{}. {}: {}", i + 1, tool, *message);
  }
  return fmt::format("Batch done \u2014 {} op(s), one write, one snapshot.{}", ops.size(), lines);
}

}  // namespace

ToolResult serve_edit(const Call& call, LoadedProject& project) {
  if (!call.project) return ToolResult::fail("missing 'project'");
  signal_writing(call);
  auto message = apply_mutation(project.state, project.folder, call.tool, call.arguments);
  return finish(call, project, message ? Outcome("Done. " + *message) : message);
}

ToolResult serve_batch(const Call& call, LoadedProject& project) {
  if (!call.project) return ToolResult::fail("missing 'project'");
  const json::array* ops = io::array_of(call.arguments, "ops");
  if (!ops || ops->empty()) return ToolResult::fail("ops must be a non-empty array of {tool, arguments}");
  signal_writing(call);
  return finish(call, project, run_ops(*ops, project));
}

}  // namespace vemba_connector
