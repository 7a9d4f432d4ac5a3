// The edit floors: the file work of one edit done plainly, as a competent
// programmer would write it without tuning (the server should beat it), and
// the same file work with no JSON at all (what no edit can go below).
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

/// The I/O floor: reads `project_dir`/project.json, writes its bytes to a
/// snapshot and back over the file (each through a temporary, fsync, rename)
/// and writes the two signal records, texts made without a JSON writer.
std::expected<void, std::string> run_io_floor(const std::filesystem::path& library_dir,
                                              const std::filesystem::path& project_dir, std::uint64_t stamp);

}  // namespace bench
