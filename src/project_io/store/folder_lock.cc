#include "project_io/store/folder_lock.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <fmt/format.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
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

bool locks_unsupported(int err) { return err == ENOTSUP || err == EOPNOTSUPP || err == ENOLCK || err == EINVAL; }

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
int flock_within(int fd, std::chrono::milliseconds wait) {
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return 0;
  if (errno != EWOULDBLOCK || wait <= std::chrono::milliseconds::zero()) return errno;
  const Clock::time_point deadline = Clock::now() + wait;
  AlarmAt alarm(wait);
  for (;;) {
    if (::flock(fd, LOCK_EX) == 0) return 0;
    if (errno != EINTR) return errno;
    // Another signal may have cut the wait short; only the deadline ends it.
    if (Clock::now() >= deadline) return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : EWOULDBLOCK;
  }
}

}  // namespace

FolderLock::FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FolderLock& FolderLock::operator=(FolderLock&& other) noexcept {
  if (this != &other) {
    release();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FolderLock::~FolderLock() { release(); }

void FolderLock::release() {
  if (fd_ < 0) return;
  if (auto id = id_of(fd_)) std::erase(held(), *id);
  ::close(fd_);  // closing drops the lock
  fd_ = -1;
}

std::expected<FolderLock, LockFailure> lock_folder(const std::filesystem::path& folder,
                                                   std::chrono::milliseconds wait) {
  if (folder.native().find('\0') != std::string::npos)
    return std::unexpected(LockFailure{false, std::strerror(EINVAL)});
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return std::unexpected(LockFailure{false, std::strerror(errno)});
  const auto id = id_of(fd);
  if (id && std::ranges::find(held(), *id) != held().end()) {
    ::close(fd);
    return FolderLock();
  }
  if (const int err = flock_within(fd, wait); err != 0) {
    ::close(fd);
    if (err == EWOULDBLOCK) return std::unexpected(LockFailure{true, std::strerror(err)});
    if (locks_unsupported(err)) return FolderLock();
    return std::unexpected(LockFailure{false, std::strerror(err)});
  }
  if (id) held().push_back(*id);
  FolderLock lock;
  lock.fd_ = fd;
  return lock;
}

std::string busy_text(std::string_view what) {
  return fmt::format("{} is busy: another server has been writing it for {} s \u2014 nothing was changed; try again",
                     what, kLockWait.count());
}

}  // namespace vemba_core::project_io
