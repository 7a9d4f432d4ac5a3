// Whole-file reads and writes for the benchmark tools.
#pragma once

#include <expected>
#include <filesystem>
#include <string>
#include <string_view>

namespace bench {

std::expected<std::string, std::string> read_file(const std::filesystem::path& path);

/// Plain write, no fsync: for generated inputs and captured outputs.
std::expected<void, std::string> write_file(const std::filesystem::path& path, std::string_view bytes);

/// Temporary sibling, fsync, rename, then a sync of the folder unless
/// `sync_folder` is false: the way the server replaces a file.
std::expected<void, std::string> atomic_write(const std::filesystem::path& path, std::string_view bytes,
                                              bool sync_folder = true);

/// The first half of an atomic write: the temporary `temp` created and
/// filled, its write-back to the device started. Its descriptor.
std::expected<int, std::string> begin_write(const std::filesystem::path& temp, std::string_view bytes);
/// The second half: fsync, close, rename over `target`, sync its folder.
std::expected<void, std::string> finish_write(int fd, const std::filesystem::path& temp,
                                              const std::filesystem::path& target);

}  // namespace bench
