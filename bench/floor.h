// The edit floor: the file work of one edit done plainly, as a competent
// programmer would write it without tuning. The server should beat it.
#pragma once

#include <cstdint>
#include <expected>
#include <filesystem>
#include <string>

namespace bench {

/// Reads and parses `project_dir`/project.json, copies its bytes to a
/// snapshot, sets the title of card `card_id`, writes the document back as
/// pretty sorted JSON (fsync, rename) and writes the two signal records into
/// `library_dir`. `stamp` names the snapshot.
std::expected<void, std::string> run_floor(const std::filesystem::path& library_dir,
                                           const std::filesystem::path& project_dir, const std::string& card_id,
                                           const std::string& title, std::uint64_t stamp);

}  // namespace bench
