#pragma once
// The temporaries that atomic writes go through: their names, made and read
// here only, and the removal of those that writers which died left behind.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace vemba_core::project_io {

namespace fs = std::filesystem;

/// How a write names its temporary. kShared, the one fixed sibling name,
/// only while this process holds the lock of the project the file belongs to;
/// kOwn, a name no other writer can have, wherever no lock keeps writers
/// apart (the signal file, a file system without locks).
enum class Temporaries { kShared, kOwn };

/// The shared sibling (project.tmp-project.json, .vemba-sync.tmp-.vemba-sync.json).
fs::path temp_path_for(const fs::path& path);

/// An own sibling, project.tmp-TAG-project.json, with a tag of lower-case hex
/// digits. Tags from `random_tag` are random, so writers on other machines or
/// in other PID namespaces never pick the same one.
fs::path own_temp_path_for(const fs::path& path, std::string_view tag);
std::string random_tag();

/// What a temporary's name tells: the file name it was to replace, and
/// whether it was a writer's own. None for any other name.
struct TempName {
  std::string target;
  bool own = false;
};
std::optional<TempName> read_temp_name(std::string_view name);

/// Which leftovers a sweep removes: own temporaries older than a minute (no
/// write lasts that long, so their writer died), and with kWithSnapshots the
/// shared temporaries of snapshot files too, whatever their age (each
/// snapshot has a new name, so no later write would reuse them).
enum class Sweep { kOwn, kWithSnapshots };

/// Removes `folder`'s leftover temporaries once per process, so that the
/// cost of a write never grows with the folder; a failed write there (see
/// `sweep_again`) has the next one look again. Links and folders are left
/// alone.
void sweep_temporaries(const fs::path& folder, Sweep sweep = Sweep::kOwn);
void sweep_again(const fs::path& folder);

}  // namespace vemba_core::project_io
