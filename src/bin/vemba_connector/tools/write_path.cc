// The write path of the editing tools and batch: signal "writing", edit in
// memory, write the project once (snapshot first), signal "done", reply.

#include "vemba_connector/tools/handlers.h"

#include "vemba_connector/tools/mutation_engine.h"
#include "vemba_connector/tools/signal.h"

#include <fmt/format.h>

namespace vemba_connector {
namespace {

namespace io = vemba_core::project_io;

/// Signals "writing", runs `edit_in_memory` on the state, writes the project
/// once when it succeeded, then signals "done" on every path, a stray
/// exception included, so the app is never left waiting on "writing".
template <class EditInMemory>
ToolResult bracketed(const Call& call, LoadedProject& project, EditInMemory edit_in_memory) {
  const auto edit_then_write = [&]() -> Outcome {
    Outcome edited = edit_in_memory();
    if (!edited) return edited;
    if (auto written = io::write_project(project.library, project.folder, project.state, io::now_ms(), &project.file);
        !written)
      return std::unexpected(written.error());
    return edited;
  };
  const std::string message = fmt::format("Claude is editing {}\u2026", *call.project);
  Outcome reply = signalled(call.library_root, *call.project, message, edit_then_write);
  return reply ? ToolResult::ok(std::move(*reply)) : ToolResult::fail(std::move(reply.error()));
}

/// Every op on the one shared state, stopping at the first failure.
Outcome run_ops(const json::array& ops, LoadedProject& project) {
  io::EditIndex index(project.state);
  std::string lines;
  for (std::size_t i = 0; i < ops.size(); ++i) {
    const Arguments op(ops[i]);
    const std::string_view tool = op.text("tool");
    auto message = apply_mutation(project.state, project.library, project.folder, tool, op.object("arguments"), index);
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

ToolResult serve_edit(const Call& call, LoadedProject& project, Outcome (*edit)(Edit&)) {
  return bracketed(call, project, [&]() -> Outcome {
    io::EditIndex index(project.state);
    Edit e{project.state, project.library, project.folder, Arguments(call.arguments), index};
    auto message = edit(e);
    if (!message) return message;
    return "Done. " + *message;
  });
}

ToolResult serve_batch(const Call& call, LoadedProject& project) {
  const json::array* ops = Arguments(call.arguments).array("ops");
  if (!ops || ops->empty()) return ToolResult::fail("ops must be a non-empty array of {tool, arguments}");
  return bracketed(call, project, [&] { return run_ops(*ops, project); });
}

}  // namespace vemba_connector
