// Every failure of the disk in a write gives its text and leaves the files as
// they were, with no temporary behind: only a snapshot stored before a later
// step failed stays, and a rename whose folder could not be synced.

#include "project_io/store/store.h"

#include "project_io/model/document.h"
#include "support/failing_disk.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vemba_core::project_io {
namespace {

using vemba_test::DiskCall;
using vemba_test::FailingDisk;
using vemba_test::list_names;
using vemba_test::slurp;
using vemba_test::TempDir;
using vemba_test::write_file;

using Names = std::vector<std::string>;

// Where a planted failure strikes: the temporary in a folder (whatever its
// random name), or the sync of the folder itself.
enum class At { kTempIn, kFolder };

void plant(FailingDisk& disk, DiskCall call, int err, At at, const fs::path& folder, int times = 0) {
  if (at == At::kTempIn)
    disk.fail(call, err, (folder / ".vemba-tmp-").string(), 1, times);
  else
    disk.fail_exactly(call, err, folder.string(), 1, times);
}

TEST(DiskFaults, AtomicWrite) {
  struct Case {
    const char* name;
    DiskCall call;
    At at;
    int times;          // 0: every attempt
    const char* error;  // null: the write goes through
    const char* content;
  };
  const Case cases[] = {
      {"open", DiskCall::kOpen, At::kTempIn, 0, "create temp: Input/output error", "old"},
      {"write", DiskCall::kWrite, At::kTempIn, 0, "write temp: No space left on device", "old"},
      {"fsync", DiskCall::kFsync, At::kTempIn, 0, "fsync: Input/output error", "old"},
      {"rename", DiskCall::kRename, At::kTempIn, 0, "commit: Input/output error", "old"},
      // The rename is done but may not survive a power cut: no success.
      {"folder sync", DiskCall::kFsync, At::kFolder, 0, "sync folder: Input/output error", "new"},
      {"folder open", DiskCall::kOpen, At::kFolder, 0, "sync folder: Input/output error", "new"},
      {"write, once", DiskCall::kWrite, At::kTempIn, 1, nullptr, "new"},
      {"rename, twice", DiskCall::kRename, At::kTempIn, 2, nullptr, "new"},
      {"folder sync, twice", DiskCall::kFsync, At::kFolder, 2, nullptr, "new"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    write_file(dir / "f.json", "old");
    FailingDisk disk;
    plant(disk, c.call, c.call == DiskCall::kWrite ? ENOSPC : EIO, c.at, dir.path(), c.times);
    const Status r = atomic_write(dir / "f.json", "new");
    EXPECT_EQ(r.has_value(), c.error == nullptr);
    if (c.error) {
      EXPECT_EQ(r.error(), c.error);
    }
    EXPECT_EQ(slurp(dir / "f.json"), c.content);
    EXPECT_EQ(list_names(dir.path()), Names{"f.json"});
  }
}

// Where the system gives no sync of a folder, the write is as done as it
// can be.
TEST(DiskFaults, AFolderWithoutASyncIsNoFailure) {
  for (const int err : {EACCES, EINVAL, ENOTSUP}) {
    SCOPED_TRACE(err);
    TempDir dir;
    FailingDisk disk;
    disk.fail_exactly(DiskCall::kFsync, err, dir.path().string());
    disk.fail_exactly(DiskCall::kOpen, err, dir.path().string(), 2);
    EXPECT_TRUE(atomic_write(dir / "a", "1"));
    EXPECT_TRUE(atomic_write(dir / "b", "2"));
    EXPECT_EQ(slurp(dir / "b"), "2");
  }
}

// The same failures in a project write, whether the file comes from the
// load or is read again for its snapshot.
TEST(DiskFaults, WriteProject) {
  struct Case {
    const char* name;
    DiskCall call;
    bool in_history;  // else in the project folder
    At at;
    const char* error;
    Names history;
    bool replaced;  // project.json holds the new document
  };
  const Names kSnapshot{"snap-3.json"};
  const Case cases[] = {
      {"snapshot: open", DiskCall::kOpen, true, At::kTempIn, "create temp: Input/output error", {}, false},
      {"snapshot: write", DiskCall::kWrite, true, At::kTempIn, "write temp: Input/output error", {}, false},
      {"snapshot: fsync", DiskCall::kFsync, true, At::kTempIn, "fsync: Input/output error", {}, false},
      {"snapshot: rename", DiskCall::kRename, true, At::kTempIn, "commit: Input/output error", {}, false},
      // A snapshot that may not survive a power cut must not let the file
      // it holds be replaced.
      {"snapshot: folder sync", DiskCall::kFsync, true, At::kFolder, "sync folder: Input/output error", kSnapshot,
       false},
      {"project: open", DiskCall::kOpen, false, At::kTempIn, "create temp: Input/output error", kSnapshot, false},
      {"project: write", DiskCall::kWrite, false, At::kTempIn, "write temp: Input/output error", kSnapshot, false},
      {"project: fsync", DiskCall::kFsync, false, At::kTempIn, "fsync: Input/output error", kSnapshot, false},
      {"project: rename", DiskCall::kRename, false, At::kTempIn, "commit: Input/output error", kSnapshot, false},
      {"project: folder sync", DiskCall::kFsync, false, At::kFolder, "sync folder: Input/output error", kSnapshot,
       true},
  };
  const std::string before = to_pretty(new_document("A", ""));
  const std::string after = to_pretty(new_document("B", ""));
  for (const bool from_load : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (from_load ? ", file from the load" : ", file read again"));
      TempDir dir;
      write_file(dir / "project.json", before);
      fs::create_directory(dir / ".vemba-history");
      ProjectFile file;
      ASSERT_TRUE(read_project(dir.path(), dir.path(), {}, &file));
      FailingDisk disk;
      plant(disk, c.call, EIO, c.at, c.in_history ? dir / ".vemba-history" : dir.path());
      const Status r = write_project(dir.path(), dir.path(), new_document("B", ""), 3, from_load ? &file : nullptr);
      ASSERT_FALSE(r);
      EXPECT_EQ(r.error(), c.error);
      EXPECT_EQ(slurp(dir / "project.json"), c.replaced ? after : before);
      EXPECT_EQ(list_names(dir / ".vemba-history"), c.history);
      if (!c.history.empty()) {
        EXPECT_EQ(slurp(dir / ".vemba-history" / "snap-3.json"), before);
      }
      EXPECT_EQ(list_names(dir.path()), (Names{".vemba-history", "project.json"}));
    }
  }
}

TEST(DiskFaults, ReadForSnapshot) {
  TempDir dir;
  write_file(dir / "project.json", "{}");
  FailingDisk disk;
  disk.fail(DiskCall::kRead, EIO, "project.json");
  const Status r = write_project(dir.path(), dir.path(), new_document("B", ""), 3);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), "read for snapshot: Input/output error");
  EXPECT_EQ(slurp(dir / "project.json"), "{}");
  EXPECT_EQ(list_names(dir / ".vemba-history"), Names{});
}

// The load reads through the disk too, so its failures are the disk's.
TEST(DiskFaults, ReadProject) {
  TempDir dir;
  write_file(dir / "project.json", "{}");
  FailingDisk disk;
  disk.fail(DiskCall::kRead, EIO, "project.json");
  EXPECT_EQ(read_project(dir.path(), dir.path()).error(), "read project: Input/output error");
}

TEST(DiskFaults, WriteAsset) {
  struct Case {
    const char* name;
    DiskCall call;
    At at;
    const char* error;
    const char* content;
  };
  const Case cases[] = {
      {"open", DiskCall::kOpen, At::kTempIn, "create temp: No space left on device", "old picture"},
      {"write", DiskCall::kWrite, At::kTempIn, "write temp: No space left on device", "old picture"},
      {"fsync", DiskCall::kFsync, At::kTempIn, "fsync: No space left on device", "old picture"},
      {"rename", DiskCall::kRename, At::kTempIn, "commit: No space left on device", "old picture"},
      {"folder sync", DiskCall::kFsync, At::kFolder, "sync folder: No space left on device", "new picture"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    write_file(dir / "assets" / "a.png", "old picture");
    FailingDisk disk;
    plant(disk, c.call, ENOSPC, c.at, dir / "assets");
    auto r = write_asset_file(dir.path(), dir.path(), "a.png", "new picture");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), c.error);
    EXPECT_EQ(slurp(dir / "assets" / "a.png"), c.content);
    EXPECT_EQ(list_names(dir / "assets"), Names{"a.png"});
  }
}

}  // namespace
}  // namespace vemba_core::project_io
