#include "floor.h"

#include "files.h"
#include "plain_json.h"

#include <fcntl.h>
#include <fmt/format.h>
#include <sys/stat.h>
#include <unistd.h>

#include <boost/json.hpp>

#include <cerrno>
#include <cstring>

namespace bench {
namespace {

using Record = std::string (*)(std::uint64_t at, const char* status, const char* message);

std::string json_record(std::uint64_t at, const char* status, const char* message) {
  return to_plain_compact(
      boost::json::object{{"at", at}, {"message", message}, {"project", "bench"}, {"status", status}});
}

// The bytes json_record gives, without a JSON writer.
std::string text_record(std::uint64_t at, const char* status, const char* message) {
  return fmt::format(R"({{"at":{},"message":"{}","project":"bench","status":"{}"}})", at, message, status);
}

// The project's snapshot folder, made when missing.
std::expected<std::filesystem::path, std::string> ensure_history(const std::filesystem::path& project_dir) {
  const std::filesystem::path history = project_dir / ".vemba-history";
  std::error_code ec;
  std::filesystem::create_directories(history, ec);
  if (ec) return std::unexpected(fmt::format("ensure history: {}", ec.message()));
  return history;
}

// The file work of one edit; `replace` turns the text project.json held, once
// it is in the snapshot, into the text that replaces it.
template <class Replace>
std::expected<void, std::string> edit_files(const std::filesystem::path& library_dir,
                                            const std::filesystem::path& project_dir, std::uint64_t stamp,
                                            Record record, const Replace& replace) {
  const std::filesystem::path file = project_dir / "project.json";
  const std::filesystem::path signal = library_dir / ".vemba-sync.json";
  auto text = read_file(file);
  if (!text) return std::unexpected(text.error());
  // The signal matters only to a running app: its folder is not synced.
  if (auto s = atomic_write(signal, record(stamp, "writing", "Claude is editing bench\xE2\x80\xA6"), false); !s)
    return s;
  const auto history = ensure_history(project_dir);
  if (!history) return std::unexpected(history.error());
  if (auto s = atomic_write(*history / fmt::format("snap-{}.json", stamp), *text); !s) return s;
  if (auto s = replace(*text); !s) return s;
  if (auto s = atomic_write(file, *text); !s) return s;
  return atomic_write(signal, record(stamp, "done", ""), false);
}

}  // namespace

std::expected<void, std::string> run_floor(const std::filesystem::path& library_dir,
                                           const std::filesystem::path& project_dir, const std::string& card_id,
                                           const std::string& title, std::uint64_t stamp) {
  return edit_files(
      library_dir, project_dir, stamp, json_record, [&](std::string& text) -> std::expected<void, std::string> {
        boost::json::error_code ec;
        boost::json::value doc = boost::json::parse(text, ec);
        if (ec) return std::unexpected(fmt::format("parse: {}", ec.message()));
        if (auto* nodes = doc.as_object().if_contains("nodes"); nodes && nodes->is_array())
          for (auto& node : nodes->get_array())
            if (auto* obj = node.if_object(); obj && obj->contains("id") && obj->at("id") == card_id.c_str()) {
              (*obj)["title"] = title;
              break;
            }
        text = to_plain_pretty(doc, text.size());
        return {};
      });
}

// The same bytes go back: the file keeps its size, and the plain floor its board.
std::expected<int, std::string> run_io_floor(const std::filesystem::path& library_dir,
                                             const std::filesystem::path& project_dir, std::uint64_t stamp) {
  const std::filesystem::path file = project_dir / "project.json";
  const std::filesystem::path signal = library_dir / ".vemba-sync.json";
  const int loaded = ::open(file.c_str(), O_RDONLY);
  if (loaded < 0) return std::unexpected(fmt::format("open {}: {}", file.string(), std::strerror(errno)));
  auto result = [&]() -> std::expected<void, std::string> {
    struct stat info {};
    if (::fstat(loaded, &info) != 0) return std::unexpected(fmt::format("fstat: {}", std::strerror(errno)));
    // Kept from call to call, as the server keeps its large buffers: on some
    // machines the fresh pages of a 33 MB text cost more than the file work.
    static std::string text;
    text.resize(static_cast<std::size_t>(info.st_size));
    for (std::size_t have = 0; have < text.size();) {
      const ssize_t n = ::read(loaded, text.data() + have, text.size() - have);
      if (n <= 0) return std::unexpected(fmt::format("read {}: {}", file.string(), std::strerror(errno)));
      have += static_cast<std::size_t>(n);
    }
    if (auto s = atomic_write(signal, text_record(stamp, "writing", "Claude is editing bench\xE2\x80\xA6"), false); !s)
      return s;
    const auto history = ensure_history(project_dir);
    if (!history) return std::unexpected(history.error());
    const std::filesystem::path snap_temp = *history / ".floor-tmp", file_temp = project_dir / ".floor-tmp";
    auto snap = begin_write(snap_temp, text);
    if (!snap) return std::unexpected(snap.error());
    auto replace = begin_write(file_temp, text);
    if (!replace) {
      ::close(*snap);
      return std::unexpected(replace.error());
    }
    auto stored = finish_write(*snap, snap_temp, *history / fmt::format("snap-{}.json", stamp));
    if (!stored) {
      ::close(*replace);
      return stored;
    }
    if (auto s = finish_write(*replace, file_temp, file); !s) return s;
    return atomic_write(signal, text_record(stamp, "done", ""), false);
  }();
  if (!result) {
    ::close(loaded);
    return std::unexpected(result.error());
  }
  return loaded;
}

}  // namespace bench
