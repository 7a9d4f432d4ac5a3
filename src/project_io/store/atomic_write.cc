// Every file the store writes: a temporary sibling, fsync, rename, so that a
// reader sees the old file or the new one whole.

#include "project_io/store/store.h"
#include "project_io/store/temporaries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// Opens the temporary. A shared one left by a failed write is reused, but a
// link planted there would have the write land outside the folder, and a pipe
// would block it; an own one is always new.
std::expected<int, std::string> open_temp(const fs::path& temp, Temporaries temps) {
  if (holds_nul(temp)) return std::unexpected("create temp: " + os_error(EINVAL));
  const int reuse = temps == Temporaries::kShared ? O_TRUNC : O_EXCL;
  const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | reuse | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
  if (fd < 0) return std::unexpected("create temp: " + os_error(errno));
  struct stat st {};
  if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
    ::close(fd);
    return std::unexpected(std::string("create temp: not a regular file"));
  }
  return fd;
}

// One attempt: `fill` writes the content to the temporary, which is synced
// and renamed into place.
template <class Fill>
Status fill_and_commit(int fd, const fs::path& path, const fs::path& temp, const Fill& fill) {
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

// A failed attempt leaves a shared temporary for the next write to reuse; an
// own one would never be reused, so it goes at once. Either way the next
// write looks for leftovers again.
template <class Fill>
Status write_once(const fs::path& path, Temporaries temps, const Fill& fill) {
  const fs::path temp = temps == Temporaries::kShared ? temp_path_for(path) : own_temp_path_for(path, random_tag());
  auto fd = open_temp(temp, temps);
  Status written = fd ? fill_and_commit(*fd, path, temp, fill) : Status(std::unexpected(fd.error()));
  if (!written) {
    if (fd && temps == Temporaries::kOwn) ::unlink(temp.c_str());
    sweep_again(path.parent_path());
  }
  return written;
}

// Three attempts with 120 ms and 240 ms pauses between them: a briefly busy
// disk or a syncing app gets a moment before the retry.
template <class Fill>
Status write_atomically(const fs::path& path, Temporaries temps, const Fill& fill) {
  using namespace std::chrono_literals;
  sweep_temporaries(path.parent_path());
  Status result;
  for (int n = 1; n <= 3; ++n) {
    result = write_once(path, temps, fill);
    if (result) return result;
    if (n < 3) std::this_thread::sleep_for(n == 1 ? 120ms : 240ms);
  }
  return result;
}

}  // namespace

Status atomic_write(const fs::path& path, std::string_view bytes, Temporaries temps) {
  return write_atomically(path, temps, [&](int fd) { return write_all(fd, bytes); });
}

Status atomic_copy(const fs::path& path, int from, Temporaries temps) {
  return write_atomically(path, temps, [&](int fd) { return copy_all(from, fd); });
}

}  // namespace vemba_core::project_io
