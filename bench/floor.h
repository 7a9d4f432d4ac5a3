// The edit floors: the file work of one edit done plainly, as a competent
// programmer would write it without tuning (the server should beat it), and
// the same file work with no JSON at all, done as fast as the server does it
// (what no edit can go below). Both make every write durable as the server
// does: fsync, rename, then a sync of the folder.
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
/// snapshot and back over the file, each through a temporary, and the two
/// signal records, texts made without a JSON writer. As in the server, both
/// temporaries are written (their write-back started) before either is
/// synced, and the replaced file stays open: its descriptor, which the
/// caller closes once the time is taken, as the server does after its reply.
std::expected<int, std::string> run_io_floor(const std::filesystem::path& library_dir,
                                             const std::filesystem::path& project_dir, std::uint64_t stamp);

}  // namespace bench
