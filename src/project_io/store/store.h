#pragma once
// The project library on disk: folders, reading and writing the state
// document, snapshots and their history, atomic writes, asset files, the
// clock that names snapshots. The only module that writes files.

#include "project_io/json/json.h"
#include "project_io/store/atomic_write.h"
#include "project_io/store/folder_lock.h"
#include "project_io/store/project_file.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

namespace fs = std::filesystem;

/// Milliseconds since the epoch, as the snapshot names take them.
__extension__ typedef unsigned __int128 Millis;

/// Wall-clock milliseconds since the epoch; 0 before it.
Millis now_ms();

/// The fixed names: in a project folder the state document, its assets, its
/// snapshots and the marker that makes it a project; in the library the
/// signal file the app watches.
inline constexpr std::string_view kProjectFile = "project.json";
inline constexpr std::string_view kAssetsDir = "assets";
inline constexpr std::string_view kHistoryDir = ".vemba-history";
inline constexpr std::string_view kMarkerFile = ".vemba";
inline constexpr std::string_view kSignalFile = ".vemba-sync.json";

/// A name that, joined to a folder, names an entry of that very folder: not
/// empty and holding no "/", no "\\" and no "..". Project folders and asset
/// files must have one.
bool is_bare_name(std::string_view name);

Status safe_project_name(std::string_view name);
std::expected<fs::path, std::string> project_dir(const fs::path& root, std::string_view name);
/// The path rebuilt from its canonical parent and its last component, when
/// that lies inside the canonical library root (by whole components).
std::expected<fs::path, std::string> ensure_within(const fs::path& root, const fs::path& path);

// Every path the store follows for a project must stay inside the library,
// whatever links a project folder brought with it. `library` below is the
// canonical library root (see `resolve_library`).

/// The canonical library root, or "library not found: {}".
std::expected<fs::path, std::string> resolve_library(const fs::path& root);
/// `path` with every link resolved when it leads inside `library`, else
/// "path escapes library: {}" with the resolved path. A path that does not
/// resolve (missing, or a dangling link) comes back unchanged, so that the
/// step using it reports the system's own error, unless its folder already
/// leads outside.
std::expected<fs::path, std::string> confine(const fs::path& library, const fs::path& path);
/// `read_file` of the confined path.
std::expected<std::string, std::string> read_confined(const fs::path& library, const fs::path& path);
/// True when the confined path is a regular file (links followed); never for
/// a path holding a NUL.
bool is_confined_file(const fs::path& library, const fs::path& path);

std::expected<json::value, std::string> read_project(const fs::path& library, const fs::path& project_folder);
/// The same, with the document's memory taken from `storage`; with `keep`,
/// the bytes and the open file are kept there for the write to come.
std::expected<json::value, std::string> read_project(const fs::path& library, const fs::path& project_folder,
                                                     json::storage_ptr storage, ProjectFile* keep = nullptr);
/// The size of the folder's project.json, 0 when it cannot be told: what a
/// text of the document is reserved at.
std::size_t project_file_size(const fs::path& project_folder);
/// Snapshot of the current file first (its folder synced before the file is
/// replaced), then the atomic replace. With `loaded` (the file as the load
/// read it) the snapshot takes the load's bytes while the file is unchanged.
Status write_project(const fs::path& library, const fs::path& project_folder, const json::value& document, Millis ms,
                     ProjectFile* loaded = nullptr);

/// Creates a project folder named after `name`; returns the folder's name.
/// Holds the library root's lock while it picks and makes the folder, so two
/// servers never share one; "library is busy: …" when another holds it past
/// `deadline`. Everything it made is synced before it returns.
std::expected<std::string, std::string> create_project(const fs::path& root, std::string_view name,
                                                       std::string_view context,
                                                       LockDeadline deadline = lock_deadline());
/// The folder name `create_project` derives from a display name.
std::string folder_name_for(std::string_view name);

std::expected<std::string, std::string> write_asset_file(const fs::path& library, const fs::path& project_folder,
                                                         std::string_view file_name, std::string_view bytes);

/// Reads a whole file as bytes. A named pipe, socket or device is refused
/// ("not a regular file") rather than read.
std::expected<std::string, std::string> read_file(const fs::path& path);
/// Decimal digits of a 128-bit count.
std::string millis_text(Millis ms);

// ---- History (history.cc): the snapshot folder of a project ----------------

/// The milliseconds of a snapshot file name ("snap-" + optional "+" + ASCII
/// digits fitting 64 bits + ".json"), or none for any other name.
std::optional<std::uint64_t> snapshot_millis(std::string_view file_name);

/// Entries {atMs, bytes, snapshot}, newest first (ties keep listing order).
/// A folder that cannot be listed, or that leads outside the canonical
/// `library`, gives an empty array; never fails.
json::array list_history(const fs::path& library, const fs::path& project_folder);

/// Writes the named snapshot back as the project's state through
/// `write_project`, so the state it replaces is snapshotted first under `ms`.
/// Returns the reply message. The snapshot is read into `storage`.
std::expected<std::string, std::string> restore_snapshot(const fs::path& library, const fs::path& project_folder,
                                                         std::string_view name, Millis ms,
                                                         json::storage_ptr storage = {});

}  // namespace vemba_core::project_io
