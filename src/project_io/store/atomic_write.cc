// Every file the store writes: a temporary sibling, fsync, rename, so that a
// reader sees the old file or the new one whole.

#include "project_io/store/folder_lock.h"
#include "project_io/store/store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

namespace vemba_core::project_io {
namespace {

std::string os_error(int err) { return std::strerror(err); }

// Writes all of `bytes` to `fd`.
Status write_all(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected("write temp: " + os_error(errno));
    }
    done += static_cast<std::size_t>(n);
  }
  return {};
}

// Copies the whole file open as `from`, from its start, to `fd`, a piece at a
// time, so that a large file never sits in memory whole.
Status copy_all(int from, int fd) {
  std::vector<char> piece(std::size_t{1} << 18);
  for (off_t at = 0;;) {
    const ssize_t n = ::pread(from, piece.data(), piece.size(), at);
    if (n == 0) return {};
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected("read for snapshot: " + os_error(errno));
    }
    if (auto ok = write_all(fd, std::string_view(piece.data(), static_cast<std::size_t>(n))); !ok) return ok;
    at += n;
  }
}

// One attempt: `fill` writes the content to the temporary.
template <class Fill>
Status write_once(const fs::path& path, const fs::path& temp, const Fill& fill) {
  if (holds_nul(temp)) return std::unexpected("create temp: " + os_error(EINVAL));
  // A stale temporary file is reused, but a link planted there would have the
  // write land outside the folder, and a pipe would block it.
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
  if (fd < 0) return std::unexpected("create temp: " + os_error(errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::unexpected(std::string("create temp: not a regular file"));
  }
  if (Status filled = fill(fd); !filled) {
    ::close(fd);
    return filled;
  }
  if (::fsync(fd) != 0) {
    const int err = errno;
    ::close(fd);
    return std::unexpected("fsync: " + os_error(err));
  }
  ::close(fd);
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(temp.c_str());
    return std::unexpected("commit: " + os_error(err));
  }
  return {};
}

// Three attempts with 120 ms and 240 ms pauses between them: a briefly busy
// disk or a syncing app gets a moment before the retry.
template <class Attempt>
Status with_retries(const Attempt& attempt) {
  using namespace std::chrono_literals;
  Status result;
  for (int n = 1; n <= 3; ++n) {
    result = attempt();
    if (result) return result;
    if (n < 3) std::this_thread::sleep_for(n == 1 ? 120ms : 240ms);
  }
  return result;
}

template <class Fill>
Status write_atomically(const fs::path& path, const Fill& fill) {
  const fs::path temp = temp_path_for(path);
  return with_retries([&] { return write_once(path, temp, fill); });
}

// The temporary of this process alone (.vemba-sync.tmp-4711-.vemba-sync.json),
// for a write that does not wait for the folder's lock.
fs::path own_temp_path_for(const fs::path& path) {
  return path.parent_path() / fmt::format("{}.tmp-{}-{}", path.stem().string(), ::getpid(), path.filename().string());
}

// Own temporaries exist for the moment of one write; one older than this was
// left by a process that died inside it.
constexpr auto kStaleTemp = std::chrono::minutes(1);

bool is_own_temp_of(std::string_view name, const fs::path& path) {
  const std::string prefix = fmt::format("{}.tmp-", path.stem().string());
  const std::string suffix = fmt::format("-{}", path.filename().string());
  if (name.size() <= prefix.size() + suffix.size() || !name.starts_with(prefix) || !name.ends_with(suffix))
    return false;
  const std::string_view pid = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
  return pid.find_first_not_of("0123456789") == std::string_view::npos;
}

void remove_stale_own_temps(const fs::path& path) {
  const auto now = fs::file_time_type::clock::now();
  remove_files_where(path.parent_path(), [&](const fs::directory_entry& entry) {
    std::error_code ec;
    if (!is_own_temp_of(entry.path().filename().string(), path)) return false;
    const auto written = entry.last_write_time(ec);
    return !ec && now - written > kStaleTemp;
  });
}

}  // namespace

fs::path temp_path_for(const fs::path& path) {
  const std::string name = path.filename().string();
  return path.parent_path() / (path.stem().string() + ".tmp-" + name);
}

Status atomic_write(const fs::path& path, std::string_view bytes) {
  return write_atomically(path, [&](int fd) { return write_all(fd, bytes); });
}

Status atomic_copy(const fs::path& path, int from) {
  return write_atomically(path, [&](int fd) { return copy_all(from, fd); });
}

Status atomic_write_unwaited(const fs::path& path, std::string_view bytes) {
  const auto fill = [&](int fd) { return write_all(fd, bytes); };
  return with_retries([&] {
    // The folder's lock guards the shared temporary name; held only for this
    // attempt, so no pause is ever taken while holding it.
    if (auto lock = lock_folder(path.parent_path(), std::chrono::milliseconds::zero())) {
      remove_stale_own_temps(path);
      return write_once(path, temp_path_for(path), fill);
    }
    return write_once(path, own_temp_path_for(path), fill);
  });
}

}  // namespace vemba_core::project_io
