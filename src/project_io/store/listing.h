#pragma once
// The folder listings of the library: its project folders and a project's
// asset files. Nothing outside the library counts as either.

#include <filesystem>
#include <string>
#include <vector>

namespace vemba_core::project_io {

namespace fs = std::filesystem;

/// The project folders of a library, as found under its root.
struct ProjectFolders {
  fs::path library;  // the canonical root, which every folder stays inside
  std::vector<fs::path> folders;
};

/// The entries of the library root `root` that are project folders, in
/// listing order: a folder, and its marker file, that stay inside the
/// library. None when the root holds a NUL or cannot be resolved.
ProjectFolders project_folders(const fs::path& root);

/// The regular files of the assets folder (links followed), in listing order.
/// A missing or unlistable folder has none; an unreadable entry is passed over.
/// Nothing outside the library counts: an assets folder that leads outside has
/// no files, and an entry that leads outside is passed over.
std::vector<std::string> asset_names(const fs::path& library, const fs::path& project_folder);

}  // namespace vemba_core::project_io
