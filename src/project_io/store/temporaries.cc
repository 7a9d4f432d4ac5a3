#include "project_io/store/temporaries.h"

#include "project_io/store/disk.h"
#include "project_io/store/store.h"

#include <sys/random.h>
#include <unistd.h>

#include <fmt/format.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <ctime>
#include <set>
#include <vector>

namespace vemba_core::project_io {
namespace {

constexpr std::string_view kTempPrefix = ".vemba-tmp-";
constexpr std::string_view kOldMark = ".tmp-";
constexpr std::size_t kTagSize = 16;
constexpr auto kStaleTemp = std::chrono::minutes(1);

bool is_tag(std::string_view s) {
  return s.size() == kTagSize && s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

std::string stem_of(std::string_view file_name) { return fs::path(std::string(file_name)).stem().string(); }

// What servers before this one wrote through: "STEM.tmp-TAG-NAME" and
// "STEM.tmp-NAME". The stem may itself hold the mark (a.tmp-b.json), so
// every place counts.
bool is_old_temp_name(std::string_view name) {
  for (std::size_t mark = name.find(kOldMark); mark != std::string_view::npos; mark = name.find(kOldMark, mark + 1)) {
    if (mark == 0) continue;
    const std::string_view stem = name.substr(0, mark);
    const std::string_view rest = name.substr(mark + kOldMark.size());
    if (rest.size() > kTagSize + 1 && rest[kTagSize] == '-' && is_tag(rest.substr(0, kTagSize)) &&
        stem_of(rest.substr(kTagSize + 1)) == stem)
      return true;
    if (!rest.empty() && stem_of(rest) == stem) return true;
  }
  return false;
}

// Folders swept by this process.
std::set<std::string>& swept() {
  static std::set<std::string> folders;
  return folders;
}

bool old_enough(const fs::directory_entry& entry) {
  std::error_code ec;
  const auto written = entry.last_write_time(ec);
  return !ec && fs::file_time_type::clock::now() - written > kStaleTemp;
}

fs::file_type kind_of(const fs::directory_entry& entry) {
  std::error_code ec;
  return entry.symlink_status(ec).type();
}

// What a project folder being made may hold.
bool belongs_in_draft(const fs::directory_entry& entry) {
  const std::string name = entry.path().filename().string();
  const fs::file_type kind = kind_of(entry);
  if (kind == fs::file_type::directory) {
    std::error_code ec;
    return name == kAssetsDir && fs::is_empty(entry.path(), ec) && !ec;
  }
  return kind == fs::file_type::regular && (name == kMarkerFile || name == kProjectFile || is_own_temp_name(name));
}

}  // namespace

fs::path temp_path_in(const fs::path& folder) { return folder / fmt::format("{}{}", kTempPrefix, random_tag()); }

std::string random_tag() {
  std::uint64_t bits = 0;
  if (::getentropy(&bits, sizeof bits) != 0) {
    // No entropy source: the process, the clock and a count still differ
    // between writers in practice.
    static std::uint64_t count = 0;
    const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
    bits = (static_cast<std::uint64_t>(::getpid()) << 40) ^ static_cast<std::uint64_t>(now) ^
           (++count * 0x9E3779B97F4A7C15ull) ^ static_cast<std::uint64_t>(std::time(nullptr));
  }
  return fmt::format("{:016x}", bits);
}

bool is_temp_name(std::string_view name) { return is_own_temp_name(name) || is_old_temp_name(name); }

bool is_own_temp_name(std::string_view name) {
  return name.starts_with(kTempPrefix) && is_tag(name.substr(kTempPrefix.size()));
}

void remove_project_draft(const fs::path& folder) {
  std::error_code ec;
  const std::vector<fs::directory_entry> entries = disk().list(folder, ec);
  if (ec || !std::ranges::all_of(entries, belongs_in_draft)) return;
  for (const fs::directory_entry& entry : entries) {
    if (kind_of(entry) == fs::file_type::directory)
      ::rmdir(entry.path().c_str());
    else
      disk().unlink(entry.path().c_str());
  }
  ::rmdir(folder.c_str());
}

void sweep_temporaries(const fs::path& folder) {
  if (!swept().insert(folder.lexically_normal().string()).second) return;
  std::error_code ec;
  for (const fs::directory_entry& entry : disk().list(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (!is_temp_name(name) || !old_enough(entry)) continue;
    const fs::file_type kind = kind_of(entry);
    if (kind == fs::file_type::regular)
      disk().unlink(entry.path().c_str());
    else if (kind == fs::file_type::directory && is_own_temp_name(name))
      remove_project_draft(entry.path());
  }
}

void sweep_again(const fs::path& folder) { swept().erase(folder.lexically_normal().string()); }

}  // namespace vemba_core::project_io
