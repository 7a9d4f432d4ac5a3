#include "project_io/store/folder_lock.h"

#include "support/failing_disk.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>

namespace vemba_core::project_io {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// The deadline of a wait of `wait` from now.
LockDeadline after(std::chrono::milliseconds wait) { return std::chrono::steady_clock::now() + wait; }

// Whether another open file description could take the lock right now.
bool free_for_others(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return taken;
}

// Another process holding the folder's lock, as another server would, until
// it is told to let go or is killed.
class OtherHolder {
 public:
  explicit OtherHolder(const fs::path& folder) {
    int ready[2];
    if (::pipe(ready) != 0 || ::pipe(release_) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
      ::flock(fd, LOCK_EX);
      (void)!::write(ready[1], "x", 1);
      char c;
      (void)!::read(release_[0], &c, 1);
      ::_exit(0);
    }
    char c;
    held_ = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    ::close(ready[1]);
  }
  ~OtherHolder() {
    kill();
    ::close(release_[0]);
    ::close(release_[1]);
  }
  bool held() const { return held_; }
  void let_go() { (void)!::write(release_[1], "x", 1); }
  void kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
  }

 private:
  int release_[2] = {-1, -1};
  pid_t pid_ = -1;
  bool held_ = false;
};

TEST(FolderLock, ExcludesOthersUntilReleased) {
  vemba_test::TempDir dir;
  {
    auto lock = lock_folder(dir.path());
    ASSERT_TRUE(lock) << lock.error().text;
    EXPECT_FALSE(free_for_others(dir.path()));
    // The library root can be the project folder too: no wait on ourselves.
    auto again = lock_folder(dir.path(), after(0ms));
    ASSERT_TRUE(again);
  }
  EXPECT_TRUE(free_for_others(dir.path()));
}

TEST(FolderLock, DiesWithItsHolder) {
  vemba_test::TempDir dir;
  OtherHolder other(dir.path());
  ASSERT_TRUE(other.held());
  EXPECT_FALSE(free_for_others(dir.path()));
  other.kill();
  EXPECT_TRUE(free_for_others(dir.path()));
}

// Runs `body` in a child process, a single thread as the server is, while
// this one runs `meanwhile`; the child's exit status, or none when it was
// still running at `limit` (it is killed then), so that a wait that ignores
// its bound fails the test instead of hanging it.
std::optional<int> in_child(const std::function<int()>& body, const std::function<void()>& meanwhile,
                            std::chrono::milliseconds limit) {
  const pid_t pid = ::fork();
  if (pid == 0) ::_exit(body());
  meanwhile();
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (std::chrono::steady_clock::now() > deadline) {
      ::kill(pid, SIGKILL);
      ::waitpid(pid, nullptr, 0);
      return std::nullopt;
    }
    std::this_thread::sleep_for(5ms);
  }
}

enum Took { kTaken = 0, kBusy = 1, kRefused = 2, kWrongFolder = 3 };

int took(const std::expected<FolderLock, LockFailure>& lock) {
  if (lock) return kTaken;
  return lock.error().busy ? kBusy : kRefused;
}

// Each holder lets go (or dies) while we wait within a long bound: the wait
// ends with the lock, soon after (the waiter tries every few milliseconds).
// A holder that keeps it fails the wait as busy, at its bound.
TEST(FolderLock, WaitsWithinItsBound) {
  struct Case {
    const char* name;
    void (*end_hold)(OtherHolder&);  // null: held past the bound
    std::chrono::milliseconds wait;
    Took outcome;
  };
  const Case cases[] = {
      {"released", [](OtherHolder& h) { h.let_go(); }, 30s, kTaken},
      {"holder killed", [](OtherHolder& h) { h.kill(); }, 30s, kTaken},
      {"held past the bound", nullptr, 300ms, kBusy},
      {"held, no wait", nullptr, 0ms, kBusy},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vemba_test::TempDir dir;
    OtherHolder other(dir.path());
    ASSERT_TRUE(other.held());
    const auto start = std::chrono::steady_clock::now();
    auto released = start;
    const auto outcome = in_child([&] { return took(lock_folder(dir.path(), after(c.wait))); },
                                  [&] {
                                    std::this_thread::sleep_for(200ms);
                                    if (c.end_hold) c.end_hold(other);
                                    released = std::chrono::steady_clock::now();
                                  },
                                  c.outcome == kTaken ? 5s : c.wait + 2s);
    ASSERT_TRUE(outcome) << "still waiting past its bound";
    EXPECT_EQ(*outcome, c.outcome);
    if (c.outcome == kBusy) {
      EXPECT_GE(std::chrono::steady_clock::now() - start, c.wait);
    } else {
      EXPECT_LT(std::chrono::steady_clock::now() - released, 150ms) << "taken late after it was let go";
    }
  }
}

// A folder reached through a link is the folder it leads to, not one that
// was replaced during the wait.
TEST(FolderLock, AFolderReachedThroughALinkIsLocked) {
  vemba_test::TempDir dir;
  fs::create_directories(dir / "real");
  fs::create_directory_symlink(dir / "real", dir / "link");
  auto lock = lock_folder(dir / "link");
  ASSERT_TRUE(lock) << lock.error().text;
  EXPECT_TRUE(lock->guards());
  EXPECT_FALSE(free_for_others(dir / "real"));
}

TEST(FolderLock, UnopenableFolderFailsWithTheSystemText) {
  vemba_test::TempDir dir;
  vemba_test::write_file(dir / "file", "x");
  EXPECT_EQ(lock_folder(dir / "none").error().text, "No such file or directory");
  EXPECT_EQ(lock_folder(dir / "file").error().text, "Not a directory");
  EXPECT_FALSE(lock_folder(dir / "file").error().busy);
}

// Every row of the errno table, through a disk that fails the open or the
// lock: where the system gives no lock the write goes on unguarded; other
// errors fail with the system's text.
TEST(FolderLock, EachSystemErrorHasItsOutcome) {
  enum Outcome { kGuarded, kUnguarded, kFailedBusy, kFailed };
  struct Case {
    const char* name;
    int open_errno;
    int flock_errno;
    Outcome outcome;
  };
  const Case cases[] = {
      {"locked", 0, 0, kGuarded},
      {"held by another", 0, EWOULDBLOCK, kFailedBusy},
      {"network file system", 0, EBADF, kUnguarded},
      {"no locks here", 0, ENOTSUP, kUnguarded},
      {"no locks here (socket text)", 0, EOPNOTSUPP, kUnguarded},
      {"no lock records", 0, ENOLCK, kUnguarded},
      {"not lockable", 0, EINVAL, kUnguarded},
      {"folder not readable", EACCES, 0, kUnguarded},
      {"folder not permitted", EPERM, 0, kUnguarded},
      {"disk error", 0, EIO, kFailed},
      {"folder gone", ENOENT, 0, kFailed},
      {"not a folder", ENOTDIR, 0, kFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vemba_test::TempDir dir;
    auto lock = [&] {
      vemba_test::FailingDisk disk;
      if (c.open_errno) disk.fail(vemba_test::DiskCall::kOpen, c.open_errno);
      if (c.flock_errno) disk.fail(vemba_test::DiskCall::kFlock, c.flock_errno);
      return lock_folder(dir.path(), after(0ms));
    }();
    switch (c.outcome) {
      case kGuarded:
      case kUnguarded:
        ASSERT_TRUE(lock) << lock.error().text;
        EXPECT_EQ(lock->guards(), c.outcome == kGuarded);
        EXPECT_EQ(free_for_others(dir.path()), c.outcome == kUnguarded);
        break;
      case kFailedBusy:
      case kFailed:
        ASSERT_FALSE(lock);
        EXPECT_EQ(lock.error().busy, c.outcome == kFailedBusy);
        EXPECT_EQ(lock.error().text, std::strerror(c.open_errno ? c.open_errno : c.flock_errno));
        break;
    }
  }
}

// Another process put a copy in the folder's place while we waited for the
// old one: what the path names now is locked, waiting for its holder too.
TEST(FolderLock, AFolderReplacedDuringTheWaitIsLockedAgain) {
  for (const bool copy_held : {false, true}) {
    SCOPED_TRACE(copy_held ? "copy held by another" : "copy free");
    vemba_test::TempDir dir;
    const fs::path folder = dir / "Film";
    fs::create_directories(folder);
    fs::create_directories(dir / "copy");
    OtherHolder original(folder);
    std::optional<OtherHolder> copy_holder;
    if (copy_held) copy_holder.emplace(dir / "copy");
    const auto outcome = in_child(
        [&]() -> int {
          auto lock = lock_folder(folder, after(1500ms));
          if (!lock) return took(lock);
          return lock->guards() && !free_for_others(folder) && free_for_others(dir / "old") ? kTaken : kWrongFolder;
        },
        [&] {
          std::this_thread::sleep_for(200ms);
          fs::rename(folder, dir / "old");
          fs::rename(dir / "copy", folder);
          original.let_go();
        },
        4s);
    ASSERT_TRUE(outcome) << "still waiting past its bound";
    EXPECT_EQ(*outcome, copy_held ? kBusy : kTaken);
  }
}

}  // namespace
}  // namespace vemba_core::project_io
