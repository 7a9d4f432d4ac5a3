#pragma once
// The dispatcher's prologue: the library root and the project a call loads.

#include "vemba_connector/tools/handlers.h"

#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_connector {

/// Whether a call takes the project's lock before it loads.
enum class Access { kRead, kWrite };

/// The library root from `--library` or the app's configuration file, or the
/// reason it cannot be found.
std::expected<std::string, std::string> find_library_root(const std::vector<std::string>& args);

/// With kWrite the project folder is locked before its state is read, so a
/// second server's edit waits and then sees this one's change; a lock still
/// held by another at `deadline` fails the load with "project is busy: …".
std::expected<LoadedProject, std::string> load_project(
    const std::string& library_root, std::string_view project, Access access = Access::kRead,
    vemba_core::project_io::LockDeadline deadline = vemba_core::project_io::lock_deadline());

}  // namespace vemba_connector
