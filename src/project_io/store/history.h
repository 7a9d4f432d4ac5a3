#pragma once
// The snapshot folder of a project: listing its copies and putting one back.

#include "project_io/store/store.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

/// The milliseconds of a snapshot file name ("snap-" + optional "+" + ASCII
/// digits fitting 64 bits + ".json"), or none for any other name.
std::optional<std::uint64_t> snapshot_millis(std::string_view file_name);

/// Entries {atMs, bytes, snapshot}, newest first (ties keep listing order).
/// A folder that cannot be listed, or that leads outside the canonical
/// `library`, gives an empty array; never fails.
json::array list_history(const fs::path& library, const fs::path& project_folder);

/// Writes the named snapshot back as the project's state through
/// `write_project`, so the state it replaces is snapshotted first under `ms`.
/// Returns the reply message.
std::expected<std::string, std::string> restore_snapshot(const fs::path& library, const fs::path& project_folder,
                                                         std::string_view name, Millis ms);

}  // namespace vemba_core::project_io
