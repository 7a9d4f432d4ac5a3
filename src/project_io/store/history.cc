#include "project_io/store/disk.h"
#include "project_io/store/store.h"

#include "project_io/json/text.h"
#include "project_io/model/document.h"

#include <sys/stat.h>

#include <fmt/format.h>
#include <algorithm>
#include <charconv>
#include <vector>

namespace vemba_core::project_io {
namespace {

constexpr std::string_view kPrefix = "snap-";
constexpr std::string_view kSuffix = ".json";

struct Entry {
  std::uint64_t at_ms;
  std::uint64_t bytes;
  std::string name;
};

// The entry's own size; a link reports its own, not its target's.
std::uint64_t entry_size(const fs::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0 || st.st_size < 0) return 0;
  return static_cast<std::uint64_t>(st.st_size);
}

// The snapshot's document, read into `storage`; its text is gone before the
// caller writes it back.
std::expected<json::value, std::string> read_snapshot(const fs::path& library, const fs::path& path,
                                                      json::storage_ptr storage) {
  auto bytes = read_confined(library, path);
  if (!bytes) return std::unexpected("read snapshot: " + bytes.error());
  // The parser refuses ill-formed UTF-8 itself, so the bytes are checked
  // again only to word a failure.
  auto state = parse_json(*bytes, std::move(storage));
  if (!state && !is_valid_utf8(*bytes))
    return std::unexpected(std::string("read snapshot: stream did not contain valid UTF-8"));
  if (!state) return std::unexpected("snapshot is not valid JSON: " + state.error());
  return state;
}

}  // namespace

std::optional<std::uint64_t> snapshot_millis(std::string_view file_name) {
  if (file_name.size() < kPrefix.size() + kSuffix.size() || !file_name.starts_with(kPrefix) ||
      !file_name.ends_with(kSuffix))
    return std::nullopt;
  std::string_view digits = file_name.substr(kPrefix.size(), file_name.size() - kPrefix.size() - kSuffix.size());
  if (digits.starts_with('+')) digits.remove_prefix(1);
  if (digits.empty() || !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  std::uint64_t ms = 0;
  auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), ms);
  if (ec != std::errc() || ptr != digits.data() + digits.size()) return std::nullopt;
  return ms;
}

json::array list_history(const fs::path& library, const fs::path& project_folder) {
  std::vector<Entry> entries;
  // A history folder that leads outside the library is not listed.
  auto folder = confine(library, project_folder / kHistoryDir);
  if (!folder) return {};
  std::error_code ec;
  for (const fs::directory_entry& entry : disk().list(*folder, ec)) {
    std::string name = lossy_utf8(entry.path().filename().string());
    auto ms = snapshot_millis(name);
    if (!ms) continue;
    entries.push_back({*ms, entry_size(entry.path()), std::move(name)});
  }
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.at_ms > b.at_ms; });
  json::array history;
  history.reserve(entries.size());
  for (Entry& e : entries)
    history.push_back(json::object{{"atMs", e.at_ms}, {"bytes", e.bytes}, {"snapshot", std::move(e.name)}});
  return history;
}

std::expected<std::string, std::string> restore_snapshot(const fs::path& library, const fs::path& project_folder,
                                                         std::string_view name, Millis ms, json::storage_ptr storage) {
  // Not is_bare_name: a "\\" is an ordinary character of a file name here, and
  // a snapshot name holding one has always been accepted.
  if (!name.starts_with(kPrefix) || !name.ends_with(kSuffix) || name.find('/') != std::string_view::npos ||
      name.find("..") != std::string_view::npos)
    return std::unexpected(fmt::format("invalid snapshot name: {} (use a name from list_history)", name));
  auto state = read_snapshot(library, project_folder / kHistoryDir / std::string(name), std::move(storage));
  if (!state) return std::unexpected(state.error());
  if (auto ok = normalize(*state); !ok) return std::unexpected("invalid snapshot: " + ok.error());
  if (auto ok = write_project(library, project_folder, *state, ms); !ok) return std::unexpected(ok.error());
  return fmt::format(
      "Restored {}. The state it replaced was itself snapshotted first, so this restore is reversible via "
      "list_history.",
      name);
}

}  // namespace vemba_core::project_io
