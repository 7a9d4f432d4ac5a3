#pragma once
// The signal file `.vemba-sync.json` that the desktop app watches.

#include <exception>
#include <expected>
#include <string>
#include <string_view>

namespace vemba_connector {

/// Replaces the library's signal record; failures are dropped, since the
/// app's notice must never change a tool's outcome. Only an "open" record has
/// its folder synced: the app reads it again at its next launch.
void write_signal(std::string_view library_root, std::string_view project, std::string_view status,
                  std::string_view message);

/// Runs `work` between a "writing" record carrying `message` and exactly one
/// "done" record. A stray exception becomes a failure and "done" is still
/// written, so the app is never left waiting on "writing".
template <class Work>
std::expected<std::string, std::string> signalled(std::string_view library_root, std::string_view project,
                                                  std::string_view message, Work&& work) {
  write_signal(library_root, project, "writing", message);
  std::expected<std::string, std::string> outcome;
  try {
    outcome = work();
  } catch (const std::exception& e) {
    outcome = std::unexpected(std::string("internal error: ") + e.what());
  }
  write_signal(library_root, project, "done", "");
  return outcome;
}

}  // namespace vemba_connector
