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

/// Temporary sibling, fsync, rename: the way the server replaces a file.
std::expected<void, std::string> atomic_write(const std::filesystem::path& path, std::string_view bytes);

}  // namespace bench
