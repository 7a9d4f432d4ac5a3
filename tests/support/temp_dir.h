#pragma once
// A temporary folder that removes itself, with small file helpers.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vemba_test {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const fs::path& path() const { return path_; }
  fs::path operator/(std::string_view child) const { return path_ / std::string(child); }

 private:
  fs::path path_;
};

/// Writes `bytes` to `path`, creating parent folders.
void write_file(const fs::path& path, std::string_view bytes);
/// The whole file, or an empty text when it cannot be read.
std::string slurp(const fs::path& path);
/// File names in a folder, sorted.
std::vector<std::string> list_names(const fs::path& folder);

}  // namespace vemba_test
