#include "project_io/store/folder_lock.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

namespace vemba_core::project_io {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

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
    auto again = lock_folder(dir.path(), 0ms);
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

// Each holder lets go (or dies) while we wait within a long bound: the wait
// ends with the lock. A holder that keeps it fails the wait as busy.
TEST(FolderLock, WaitsWithinItsBound) {
  struct Case {
    const char* name;
    void (*end_hold)(OtherHolder&);  // null: held past the bound
    std::chrono::milliseconds wait;
    bool taken;
  };
  const Case cases[] = {
      {"released", [](OtherHolder& h) { h.let_go(); }, 30s, true},
      {"holder killed", [](OtherHolder& h) { h.kill(); }, 30s, true},
      {"held past the bound", nullptr, 300ms, false},
      {"held, no wait", nullptr, 0ms, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    vemba_test::TempDir dir;
    OtherHolder other(dir.path());
    ASSERT_TRUE(other.held());
    std::thread ender;
    if (c.end_hold)
      ender = std::thread([&] {
        std::this_thread::sleep_for(200ms);
        c.end_hold(other);
      });
    auto lock = lock_folder(dir.path(), c.wait);
    if (ender.joinable()) ender.join();
    EXPECT_EQ(lock.has_value(), c.taken);
    if (!c.taken) {
      ASSERT_FALSE(lock);
      EXPECT_TRUE(lock.error().busy);
    }
  }
}

// A caller that blocks SIGALRM still has the bound, and keeps its mask.
TEST(FolderLock, BoundHoldsWithTheAlarmBlocked) {
  vemba_test::TempDir dir;
  OtherHolder other(dir.path());
  ASSERT_TRUE(other.held());
  sigset_t alarm, before, after;
  sigemptyset(&alarm);
  sigaddset(&alarm, SIGALRM);
  ::sigprocmask(SIG_BLOCK, &alarm, &before);
  // Should the bound fail, the holder's death ends the wait. Started with the
  // alarm blocked, this thread cannot take it from the waiting one.
  std::promise<void> waited;
  std::thread ender([&other, done = waited.get_future()] {
    if (done.wait_for(5s) == std::future_status::timeout) other.kill();
  });
  const auto start = std::chrono::steady_clock::now();
  auto lock = lock_folder(dir.path(), 300ms);
  const auto took = std::chrono::steady_clock::now() - start;
  waited.set_value();
  ender.join();
  sigset_t pending;
  ::sigpending(&pending);
  EXPECT_FALSE(sigismember(&pending, SIGALRM));
  ::signal(SIGALRM, SIG_IGN);  // drops an alarm left pending, which would end the test
  ::signal(SIGALRM, SIG_DFL);
  ::sigprocmask(SIG_SETMASK, &before, &after);
  ASSERT_FALSE(lock);
  EXPECT_TRUE(lock.error().busy);
  EXPECT_LT(took, 3s);
  EXPECT_TRUE(sigismember(&after, SIGALRM));
}

TEST(FolderLock, UnopenableFolderFailsWithTheSystemText) {
  vemba_test::TempDir dir;
  vemba_test::write_file(dir / "file", "x");
  EXPECT_EQ(lock_folder(dir / "none").error().text, "No such file or directory");
  EXPECT_EQ(lock_folder(dir / "file").error().text, "Not a directory");
  EXPECT_FALSE(lock_folder(dir / "file").error().busy);
}

}  // namespace
}  // namespace vemba_core::project_io
