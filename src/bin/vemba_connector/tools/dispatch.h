#pragma once
// One "tools/call": library root, tool name, project check, loading, routing.

#include "project_io/store/store.h"
#include "vemba_connector/protocol/replies.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vemba_connector {

namespace fs = std::filesystem;

/// What the dispatcher hands to a tool's road.
struct Call {
  std::string library_root;  // as found, not made canonical
  std::string_view tool;
  const json::value& arguments;
  std::optional<std::string> project;  // when `arguments.project` is a text
};

/// A project loaded for one call: its canonical folder and normalised state.
struct LoadedProject {
  fs::path folder;
  json::value state;
};

/// Runs one tool call and sends exactly one reply; never throws.
void handle_call(const json::value& id, const json::value& params, const std::vector<std::string>& args,
                 Replies& out);

/// The library root from `--library` or the app's configuration file, or the
/// reason it cannot be found.
std::expected<std::string, std::string> find_library_root(const std::vector<std::string>& args);

std::expected<LoadedProject, std::string> load_project(const std::string& library_root, std::string_view project);

}  // namespace vemba_connector
