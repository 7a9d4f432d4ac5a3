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
/// second server's edit waits and then sees this one's change; a lock held
/// by another past `kLockWait` fails the load with "project is busy: …", and
/// so, without a wait, do the writes on that folder that `order` shows had
/// come in by then, unless the lock is free at once.
std::expected<LoadedProject, std::string> load_project(const std::string& library_root, std::string_view project,
                                                       Access access = Access::kRead, const InputOrder& order = {});

}  // namespace vemba_connector
