// Every file the store writes: a temporary sibling, fsync, rename, so that a
// reader sees the old file or the new one whole.

#include "project_io/store/disk.h"
#include "project_io/store/os.h"
#include "project_io/store/pending_write.h"
#include "project_io/store/store.h"
#include "project_io/store/temporaries.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <utility>
#include <vector>

namespace vemba_core::project_io {
namespace {

// Writes all of `bytes` to `fd`.
Status write_all(int fd, std::string_view bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = disk().write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::unexpected("write temp: " + os_error(errno));
    }
    done += static_cast<std::size_t>(n);
  }
  return {};
}

// One attempt: `fill` writes the content to the temporary, which is synced
// and renamed into place. A failed attempt has the next write look for
// leftovers again.
template <class Fill>
Status write_once(const fs::path& path, Temporaries temps, const Fill& fill) {
  Status written = [&]() -> Status {
    auto pending = PendingWrite::open(path, temps);
    if (!pending) return std::unexpected(pending.error());
    if (Status filled = fill(*pending); !filled) return filled;
    return pending->commit();
  }();
  if (!written) sweep_again(path.parent_path());
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

PendingWrite::PendingWrite(fs::path target, fs::path temp, Temporaries temps, int fd)
    : target_(std::move(target)), temp_(std::move(temp)), temps_(temps), fd_(fd) {}

PendingWrite::PendingWrite(PendingWrite&& other) noexcept
    : target_(std::move(other.target_)),
      temp_(std::move(other.temp_)),
      temps_(other.temps_),
      fd_(std::exchange(other.fd_, -1)),
      done_(std::exchange(other.done_, true)) {}

PendingWrite::~PendingWrite() {
  close_file();
  // An own temporary would never be reused.
  if (!done_ && temps_ == Temporaries::kOwn) disk().unlink(temp_.c_str());
}

// A shared temporary left by a failed write is reused, but a link planted
// there would have the write land outside the folder, and a pipe would block
// it; an own one is always new.
std::expected<PendingWrite, std::string> PendingWrite::open(const fs::path& target, Temporaries temps) {
  fs::path temp = temps == Temporaries::kShared ? temp_path_for(target) : own_temp_path_for(target, random_tag());
  if (holds_nul(temp)) return std::unexpected("create temp: " + os_error(EINVAL));
  const int reuse = temps == Temporaries::kShared ? O_TRUNC : O_EXCL;
  const int fd = disk().open(temp.c_str(), O_WRONLY | O_CREAT | reuse | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
  if (fd < 0) return std::unexpected("create temp: " + os_error(errno));
  PendingWrite pending(target, std::move(temp), temps, fd);
  struct stat st {};
  if (::fstat(fd, &st) == 0 && !S_ISREG(st.st_mode)) {
    pending.done_ = true;  // not ours to remove
    return std::unexpected(std::string("create temp: not a regular file"));
  }
  return pending;
}

void PendingWrite::close_file() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
}

Status PendingWrite::write(std::string_view bytes) { return write_all(fd_, bytes); }

Status PendingWrite::copy_from(int from) {
  std::vector<char> piece(std::size_t{1} << 18);
  for (off_t at = 0;;) {
    const ssize_t n = disk().pread(from, piece.data(), piece.size(), at);
    if (n == 0) return {};
    if (n < 0) {
      if (errno == EINTR) continue;
      // The copy never began as far as the file is concerned: nothing of it stays.
      const int err = errno;
      abandon();
      return std::unexpected("read for snapshot: " + os_error(err));
    }
    if (auto ok = write(std::string_view(piece.data(), static_cast<std::size_t>(n))); !ok) return ok;
    at += n;
  }
}

void PendingWrite::start_writeback() {
#if defined(__linux__)
  ::sync_file_range(fd_, 0, 0, SYNC_FILE_RANGE_WRITE);
#endif
}

Status PendingWrite::commit() {
  if (disk().fsync(fd_) != 0) {
    const int err = errno;
    close_file();
    return std::unexpected("fsync: " + os_error(err));
  }
  close_file();
  if (disk().rename(temp_.c_str(), target_.c_str()) != 0) {
    const int err = errno;
    abandon();
    return std::unexpected("commit: " + os_error(err));
  }
  done_ = true;
  return {};
}

void PendingWrite::abandon() {
  close_file();
  if (!done_) disk().unlink(temp_.c_str());
  done_ = true;
}

Status atomic_write(const fs::path& path, std::string_view bytes, Temporaries temps) {
  return write_atomically(path, temps, [&](PendingWrite& pending) { return pending.write(bytes); });
}

Status atomic_copy(const fs::path& path, int from, Temporaries temps) {
  return write_atomically(path, temps, [&](PendingWrite& pending) { return pending.copy_from(from); });
}

}  // namespace vemba_core::project_io
