#include "project_io/store/folder_lock.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vemba_core::project_io {
namespace {

namespace fs = std::filesystem;

// Whether another open file description could take the lock right now.
bool free_for_others(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
  ::close(fd);
  return taken;
}

TEST(FolderLock, ExcludesOthersUntilReleased) {
  vemba_test::TempDir dir;
  {
    auto lock = lock_folder(dir.path());
    ASSERT_TRUE(lock) << lock.error();
    EXPECT_FALSE(free_for_others(dir.path()));
    // The library root can be the project folder too: no wait on ourselves.
    auto again = lock_folder(dir.path());
    ASSERT_TRUE(again);
  }
  EXPECT_TRUE(free_for_others(dir.path()));
}

TEST(FolderLock, DiesWithItsHolder) {
  vemba_test::TempDir dir;
  int ready[2];
  ASSERT_EQ(::pipe(ready), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto lock = lock_folder(dir.path());
    (void)!::write(ready[1], "x", 1);
    ::pause();
    ::_exit(0);
  }
  char c;
  ASSERT_EQ(::read(ready[0], &c, 1), 1);
  EXPECT_FALSE(free_for_others(dir.path()));
  ::kill(child, SIGKILL);
  ::waitpid(child, nullptr, 0);
  EXPECT_TRUE(free_for_others(dir.path()));
  ::close(ready[0]);
  ::close(ready[1]);
}

TEST(FolderLock, MissingFolderFails) {
  vemba_test::TempDir dir;
  EXPECT_EQ(lock_folder(dir / "none").error(), "No such file or directory");
}

}  // namespace
}  // namespace vemba_core::project_io
