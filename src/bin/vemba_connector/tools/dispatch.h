#pragma once
// One "tools/call": library root, tool name, project check, loading, routing.

#include "project_io/store/folder_lock.h"
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

/// A project loaded for one call: its canonical folder and normalised state,
/// the canonical library root that every path it follows must stay inside,
/// and, for a tool that writes it, the project's lock until the call ends.
struct LoadedProject {
  fs::path folder;
  json::value state;
  fs::path library;
  vemba_core::project_io::FolderLock lock;
};

/// Whether a call takes the project's lock before it loads.
enum class Access { kRead, kWrite };

/// Runs one tool call and sends exactly one reply; never throws.
void handle_call(const json::value& id, const json::value& params, const std::vector<std::string>& args, Replies& out);

/// The library root from `--library` or the app's configuration file, or the
/// reason it cannot be found.
std::expected<std::string, std::string> find_library_root(const std::vector<std::string>& args);

/// With kWrite the project folder is locked before its state is read, so a
/// second server's edit waits and then sees this one's change.
std::expected<LoadedProject, std::string> load_project(const std::string& library_root, std::string_view project,
                                                       Access access = Access::kRead);

}  // namespace vemba_connector
