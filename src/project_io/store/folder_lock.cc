#include "project_io/store/folder_lock.h"
#include "project_io/store/disk.h"
#include "project_io/store/os.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
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

extern "C" void on_alarm(int) {}

timeval to_timeval(std::chrono::microseconds t) {
  return {static_cast<time_t>(t.count() / 1000000), static_cast<suseconds_t>(t.count() % 1000000)};
}

// A blocking flock stays in the system's queue of waiters, which keeps the
// waiters' order; an alarm without SA_RESTART ends the wait at the deadline.
// The alarm repeats after the deadline in case it fired just before flock
// began to wait. SIGALRM is unblocked for the wait, since a blocked one would
// never cut it. The wait assumes one thread: the timer is the process's and
// the mask this thread's, so another thread could take the alarm or share the
// timer.
class AlarmAt {
 public:
  explicit AlarmAt(Clock::duration after) {
    struct sigaction action {};
    action.sa_handler = on_alarm;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGALRM, &action, &old_action_);
    // After the handler is in place: an alarm pending from before only calls it.
    sigset_t alarm;
    sigemptyset(&alarm);
    sigaddset(&alarm, SIGALRM);
    ::sigprocmask(SIG_UNBLOCK, &alarm, &old_mask_);
    const auto first =
        std::max(std::chrono::duration_cast<std::chrono::microseconds>(after), std::chrono::microseconds(1));
    itimerval timer{to_timeval(std::chrono::milliseconds(50)), to_timeval(first)};
    ::setitimer(ITIMER_REAL, &timer, &old_timer_);
  }
  ~AlarmAt() {
    itimerval off{};
    ::setitimer(ITIMER_REAL, &off, nullptr);
    ::sigprocmask(SIG_SETMASK, &old_mask_, nullptr);
    ::sigaction(SIGALRM, &old_action_, nullptr);
    ::setitimer(ITIMER_REAL, &old_timer_, nullptr);
  }
  AlarmAt(const AlarmAt&) = delete;
  AlarmAt& operator=(const AlarmAt&) = delete;

 private:
  struct sigaction old_action_ {};
  sigset_t old_mask_{};
  itimerval old_timer_{};
};

// 0, or the errno of the last try; EWOULDBLOCK when the wait ran out.
int flock_within(int fd, Clock::time_point deadline) {
  if (disk().flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
  const auto wait = deadline - Clock::now();
  if (errno != EWOULDBLOCK || wait <= Clock::duration::zero()) return errno;
  AlarmAt alarm(wait);
  for (;;) {
    if (disk().flock(fd, LOCK_EX) == 0) return 0;
    if (errno != EINTR) return errno;
    // Another signal may have cut the wait short; only the deadline ends it.
    if (Clock::now() >= deadline) return disk().flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : EWOULDBLOCK;
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

std::expected<FolderLock, LockFailure> lock_folder(const std::filesystem::path& folder,
                                                   std::chrono::milliseconds wait) {
  if (holds_nul(folder)) return std::unexpected(LockFailure{false, os_error(EINVAL)});
  const Clock::time_point deadline = Clock::now() + wait;
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
    if (const int err = flock_within(fd, deadline); err != 0) {
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
