#pragma once
// Runs a helper program to its end: started by bare name through PATH, never
// reading the server's standard input, killed when it overstays its time.

#include <chrono>
#include <string>
#include <vector>

namespace vemba_connector {

enum class ChildOutput { kCapture, kDiscard };

struct ChildRun {
  bool exited_zero = false;  // started, exited normally with status 0 in time
  bool timed_out = false;    // killed (with its process group) at the limit
  std::string out;           // standard output, when captured
};

/// Standard input is the null device. With kCapture, standard output is kept
/// (up to 64 MiB; the rest is read and dropped) and standard error is read
/// alongside and dropped, so neither pipe can fill and stall the child; with
/// kDiscard both go to the null device. Always reaps the child.
ChildRun run_child(const std::vector<std::string>& argv, ChildOutput output, std::chrono::milliseconds limit);

}  // namespace vemba_connector
