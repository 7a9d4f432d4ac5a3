#pragma once
// The signal file `.vemba-sync.json` that the desktop app watches.

#include <string_view>

namespace vemba_connector {

/// Replaces the library's signal record; failures are dropped, since the
/// app's notice must never change a tool's outcome.
void write_signal(std::string_view library_root, std::string_view project, std::string_view status,
                  std::string_view message);

}  // namespace vemba_connector
