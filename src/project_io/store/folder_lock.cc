#include "project_io/store/folder_lock.h"
#include "project_io/store/disk.h"
#include "project_io/store/os.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <thread>
#include <utility>
#include <vector>

namespace vemba_core::project_io {
namespace {

using Clock = std::chrono::steady_clock;

struct FolderId {
  dev_t dev;
  ino_t ino;
  bool operator==(const FolderId&) const = default;
};

// Folders locked by this process: a second lock on one of them through another
// descriptor would wait for ourselves.
std::vector<FolderId>& held() {
  static std::vector<FolderId> folders;
  return folders;
}

std::optional<FolderId> id_of(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0) return std::nullopt;
  return FolderId{st.st_dev, st.st_ino};
}

// What an error of opening or locking the folder means.
enum class Outcome {
  kBusy,    // another process held the lock for the whole wait
  kNoLock,  // the system gives no lock here: the write goes on unguarded
  kFailed,  // the lock failed, with the system's text
};

constexpr struct {
  int err;
  Outcome outcome;
} kOutcomes[] = {
    {EWOULDBLOCK, Outcome::kBusy},
    // NFS and SMB emulate flock with byte-range locks, which need a
    // descriptor open for writing; a folder never is.
    {EBADF, Outcome::kNoLock},
    {ENOTSUP, Outcome::kNoLock},
    {EOPNOTSUPP, Outcome::kNoLock},
    {ENOLCK, Outcome::kNoLock},
    {EINVAL, Outcome::kNoLock},
    // A folder the server may write but not list cannot be opened to lock.
    {EACCES, Outcome::kNoLock},
    {EPERM, Outcome::kNoLock},
};

Outcome outcome_of(int err) {
  for (const auto& row : kOutcomes)
    if (row.err == err) return row.outcome;
  return Outcome::kFailed;
}

std::expected<FolderLock, LockFailure> refused(int err) {
  const Outcome outcome = outcome_of(err);
  if (outcome == Outcome::kNoLock) return FolderLock();
  return std::unexpected(LockFailure{outcome == Outcome::kBusy, os_error(err)});
}

// Whether `folder` still names the folder open as `id`: another process may
// have put a copy in its place during the wait.
bool still_named(const std::filesystem::path& folder, const std::optional<FolderId>& id) {
  if (!id) return true;
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && FolderId{st.st_dev, st.st_ino} == *id;
}

int open_folder(const char* path) { return disk().open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC); }

// How often a waiter tries the lock again: soon enough that a lock let go is
// taken within a few milliseconds, seldom enough to cost nothing.
constexpr auto kRetryEvery = std::chrono::milliseconds(10);

// 0, or the errno of the last try; EWOULDBLOCK when the wait ran out. Tries
// that do not block need no signal or timer to end the wait, so no signal
// state a host hands down can stretch it.
int flock_by(int fd, LockDeadline deadline) {
  for (;;) {
    if (disk().flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return errno;
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero()) return EWOULDBLOCK;
    std::this_thread::sleep_for(std::min<Clock::duration>(left, kRetryEvery));
  }
}

// A path that is replaced again and again during the wait is given up.
constexpr int kMaxSwaps = 3;

}  // namespace

FolderLock::FolderLock(FolderLock&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), guards_(std::exchange(other.guards_, false)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
    guards_ = std::exchange(other.guards_, false);
  }
  return *this;
}

FolderLock::~FolderLock() { release(); }

void FolderLock::release() {
  guards_ = false;
  if (fd_ < 0) return;
  if (auto id = id_of(fd_)) std::erase(held(), *id);
  ::close(fd_);  // closing drops the lock
  fd_ = -1;
}

std::expected<FolderLock, LockFailure> lock_folder(const std::filesystem::path& folder, LockDeadline deadline) {
  if (holds_nul(folder)) return std::unexpected(LockFailure{false, os_error(EINVAL)});
  for (int swaps = 0;; ++swaps) {
    const int fd = open_folder(folder.c_str());
    if (fd < 0) return refused(errno);
    const auto id = id_of(fd);
    FolderLock lock;
    lock.guards_ = true;
    if (id && std::ranges::find(held(), *id) != held().end()) {
      ::close(fd);
      return lock;
    }
    if (const int err = flock_by(fd, deadline); err != 0) {
      ::close(fd);
      return refused(err);
    }
    if (!still_named(folder, id)) {
      ::close(fd);  // lock what the path names now
      if (swaps == kMaxSwaps) return std::unexpected(LockFailure{false, "the folder was replaced during the wait"});
      continue;
    }
    if (id) held().push_back(*id);
    lock.fd_ = fd;
    return lock;
  }
}

std::string busy_text(std::string_view what) {
  return fmt::format("{} is busy: another server has been writing it for {} s \u2014 nothing was changed; try again",
                     what, kLockWait.count());
}

}  // namespace vemba_core::project_io
