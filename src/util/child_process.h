#pragma once
// A helper program run to its end: started by bare name through PATH, never
// reading the server's standard input, killed when it overstays a deadline.
// Several runs can share one deadline, so a caller's helpers together take no
// longer than it allows.

#include <chrono>
#include <string>
#include <vector>

namespace vemba_util {

enum class ChildOutput { kCapture, kDiscard };

struct ChildRun {
  bool exited_zero = false;  // started, exited normally with status 0 in time
  bool timed_out = false;    // killed (with its process group) at the deadline, or not started past it
  std::string out;           // standard output, when captured
};

/// Standard input is the null device. With kCapture, standard output is kept
/// (up to 64 MiB; the rest is read and dropped) and standard error is read
/// alongside and dropped, so neither pipe can fill and stall the child; with
/// kDiscard both go to the null device. A child still running at `deadline`
/// is killed with its process group; once the deadline has passed nothing is
/// started. Always reaps the child. SIGCHLD must not be ignored, or the
/// system reaps the child itself and its status is lost.
ChildRun run_child(const std::vector<std::string>& argv, ChildOutput output,
                   std::chrono::steady_clock::time_point deadline);

}  // namespace vemba_util
