#pragma once
// The dispatcher's prologue: the library root and the project a call loads.

#include "vemba_connector/tools/handlers.h"

#include <expected>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_connector {

/// The library root from `--library` or the app's configuration file, or the
/// reason it cannot be found.
std::expected<std::string, std::string> find_library_root(const std::vector<std::string>& args);

std::expected<LoadedProject, std::string> load_project(const std::string& library_root, std::string_view project);

}  // namespace vemba_connector
