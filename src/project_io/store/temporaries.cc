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

constexpr std::string_view kTempMark = ".tmp-";
constexpr auto kStaleTemp = std::chrono::minutes(1);

bool is_tag(std::string_view s) {
  return !s.empty() && s.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

std::string stem_of(std::string_view file_name) { return fs::path(std::string(file_name)).stem().string(); }

// Folders swept by this process.
std::set<std::string>& swept() {
  static std::set<std::string> folders;
  return folders;
}

bool stale(const fs::directory_entry& entry, Sweep sweep) {
  const auto name = read_temp_name(entry.path().filename().string());
  if (!name) return false;
  if (!name->own) return sweep == Sweep::kWithSnapshots && snapshot_millis(name->target);
  std::error_code ec;
  const auto written = entry.last_write_time(ec);
  return !ec && fs::file_time_type::clock::now() - written > kStaleTemp;
}

}  // namespace

fs::path temp_path_for(const fs::path& path) {
  const std::string name = path.filename().string();
  return path.parent_path() / fmt::format("{}{}{}", path.stem().string(), kTempMark, name);
}

fs::path own_temp_path_for(const fs::path& path, std::string_view tag) {
  const std::string name = path.filename().string();
  return path.parent_path() / fmt::format("{}{}{}-{}", path.stem().string(), kTempMark, tag, name);
}

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

std::optional<TempName> read_temp_name(std::string_view name) {
  // The stem may itself hold the mark (a.tmp-b.json), so every place counts.
  for (std::size_t mark = name.find(kTempMark); mark != std::string_view::npos; mark = name.find(kTempMark, mark + 1)) {
    if (mark == 0) continue;
    const std::string_view stem = name.substr(0, mark);
    const std::string_view rest = name.substr(mark + kTempMark.size());
    // An own name's tag holds no "-"; its target must give back the same stem.
    if (const std::size_t dash = rest.find('-'); dash != std::string_view::npos && is_tag(rest.substr(0, dash))) {
      const std::string_view target = rest.substr(dash + 1);
      if (!target.empty() && stem_of(target) == stem) return TempName{std::string(target), true};
    }
    if (!rest.empty() && temp_path_for(std::string(rest)) == name) return TempName{std::string(rest), false};
  }
  return std::nullopt;
}

void sweep_temporaries(const fs::path& folder, Sweep sweep) {
  if (!swept().insert(folder.lexically_normal().string()).second) return;
  remove_files_where(folder, [&](const fs::directory_entry& entry) { return stale(entry, sweep); });
}

void sweep_again(const fs::path& folder) { swept().erase(folder.lexically_normal().string()); }

}  // namespace vemba_core::project_io
