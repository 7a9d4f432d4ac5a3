#pragma once
// What the store's system calls share: the paths they can take and the
// system's own text when they fail.

#include <filesystem>
#include <string>
#include <system_error>

namespace vemba_core::project_io {

/// The system calls take a path up to its first NUL, which would name another
/// file; such a path names none.
bool holds_nul(const std::filesystem::path& p);

/// The system's text of an errno value or of an error code.
std::string os_error(int err);
std::string os_error(const std::error_code& ec);

}  // namespace vemba_core::project_io
