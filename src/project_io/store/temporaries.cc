#include "project_io/store/temporaries.h"

#include "project_io/store/store.h"

#include <sys/random.h>
#include <unistd.h>

#include <fmt/format.h>

#include <chrono>
#include <cstdint>
#include <ctime>
#include <set>

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

bool stale(const fs::directory_entry& entry) {
  if (!is_temp_name(entry.path().filename().string())) return false;
  std::error_code ec;
  const auto written = entry.last_write_time(ec);
  return !ec && fs::file_time_type::clock::now() - written > kStaleTemp;
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

bool is_temp_name(std::string_view name) {
  if (name.starts_with(kTempPrefix)) return is_tag(name.substr(kTempPrefix.size()));
  return is_old_temp_name(name);
}

void sweep_temporaries(const fs::path& folder) {
  if (!swept().insert(folder.lexically_normal().string()).second) return;
  remove_files_where(folder, stale);
}

void sweep_again(const fs::path& folder) { swept().erase(folder.lexically_normal().string()); }

}  // namespace vemba_core::project_io
