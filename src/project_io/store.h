#pragma once
// The project library on disk: folders, reading and writing the state
// document, snapshots, atomic writes, asset files. The only module that
// writes files.

#include "project_io/json.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

namespace fs = std::filesystem;

/// Milliseconds since the epoch, as the snapshot names take them.
using Millis = unsigned __int128;

inline constexpr std::string_view kHistoryDir = ".vemba-history";
inline constexpr std::string_view kMarkerFile = ".vemba";

/// The system calls take a path up to its first NUL, which would name another
/// file; such a path names none.
bool holds_nul(const fs::path& p);

Status safe_project_name(std::string_view name);
std::expected<fs::path, std::string> project_dir(const fs::path& root, std::string_view name);
/// The path rebuilt from its canonical parent and its last component, when
/// that lies inside the canonical library root (by whole components).
std::expected<fs::path, std::string> ensure_within(const fs::path& root, const fs::path& path);

std::expected<json::value, std::string> read_project(const fs::path& project_folder);
/// The same, with the document's memory taken from `storage`.
std::expected<json::value, std::string> read_project(const fs::path& project_folder, json::storage_ptr storage);
/// Snapshot of the current file first, then the atomic replace.
Status write_project(const fs::path& project_folder, const json::value& document, Millis ms);
Status snapshot(const fs::path& project_folder, Millis ms);

/// Temporary sibling, fsync, rename; three attempts with 120 ms and 240 ms
/// pauses between them.
Status atomic_write(const fs::path& path, std::string_view bytes);
/// The sibling that `atomic_write` writes through (project.tmp-project.json).
fs::path temp_path_for(const fs::path& path);

/// Creates a project folder named after `name`; returns the folder's name.
std::expected<std::string, std::string> create_project(const fs::path& root, std::string_view name,
                                                       std::string_view context);
/// The folder name `create_project` derives from a display name.
std::string folder_name_for(std::string_view name);

std::expected<std::string, std::string> write_asset_file(const fs::path& project_folder, std::string_view file_name,
                                                         std::string_view bytes);

/// Reads a whole file as bytes. A named pipe, socket or device is refused
/// ("not a regular file") rather than read.
std::expected<std::string, std::string> read_file(const fs::path& path);
/// Decimal digits of a 128-bit count.
std::string millis_text(Millis ms);

}  // namespace vemba_core::project_io
