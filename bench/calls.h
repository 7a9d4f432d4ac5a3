// The calls the benchmark times, one entry per kind: how to build the
// request for repetition `rep`, and whether it changes the board.
#pragma once

#include "board.h"

#include <span>
#include <string>

namespace bench {

struct CallKind {
  const char* label;                                         // as printed in the tables and used for capture file names
  bool edits;                                                // writes project.json (and a snapshot)
  bool needs_edit_first;                                     // undo_last: an untimed edit gives it something to undo
  std::string (*arguments)(const Manifest& board, int rep);  // compact JSON object, without "project"
};

std::span<const CallKind> call_kinds();

/// A "tools/call" line for the project "bench".
std::string tool_call_line(int id, std::string_view tool, const std::string& arguments);

/// The tool name of a call kind (its label up to the first blank).
std::string tool_of(const CallKind& kind);

/// Toggles between two titles so that every repetition does the same work.
std::string toggled_title(int rep);

/// The untimed edit that comes before undo_last.
std::string edit_arguments(const Manifest& board, int rep);

/// The one-batch call: `ops` add_vemba ops, each after the card the one
/// before it added, on an empty project (whose ids start at 201).
inline constexpr int kBigBatchOps = 20000;
inline constexpr CallKind kBigBatch = {"batch (20,000 add_vemba)", true, false, nullptr};
std::string big_batch_arguments(int ops);

}  // namespace bench
