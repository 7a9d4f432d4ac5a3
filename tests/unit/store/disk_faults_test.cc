// Every failure of the disk in a write gives its text and leaves the files as
// they were, but for what a failed step is said to leave: a failed write or
// sync leaves the shared temporary for the next write to reuse, and a
// snapshot stored before a later step failed stays.

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

TEST(DiskFaults, AtomicWrite) {
  struct Case {
    const char* name;
    DiskCall call;
    int times;  // 0: every attempt
    Temporaries temps;
    const char* error;  // null: the write goes through
    Names left;         // the folder's names afterwards
  };
  const Case cases[] = {
      {"open", DiskCall::kOpen, 0, Temporaries::kShared, "create temp: Input/output error", {"f.json"}},
      {"write",
       DiskCall::kWrite,
       0,
       Temporaries::kShared,
       "write temp: No space left on device",
       {"f.json", "f.tmp-f.json"}},
      {"fsync", DiskCall::kFsync, 0, Temporaries::kShared, "fsync: Input/output error", {"f.json", "f.tmp-f.json"}},
      {"rename", DiskCall::kRename, 0, Temporaries::kShared, "commit: Input/output error", {"f.json"}},
      {"write, own temporary",
       DiskCall::kWrite,
       0,
       Temporaries::kOwn,
       "write temp: No space left on device",
       {"f.json"}},
      {"fsync, own temporary", DiskCall::kFsync, 0, Temporaries::kOwn, "fsync: Input/output error", {"f.json"}},
      {"write, once", DiskCall::kWrite, 1, Temporaries::kShared, nullptr, {"f.json"}},
      {"rename, twice, own temporary", DiskCall::kRename, 2, Temporaries::kOwn, nullptr, {"f.json"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    write_file(dir / "f.json", "old");
    FailingDisk disk;
    disk.fail(c.call, c.call == DiskCall::kWrite ? ENOSPC : EIO, "", 1, c.times);
    const Status r = atomic_write(dir / "f.json", "new", c.temps);
    EXPECT_EQ(r.has_value(), c.error == nullptr);
    if (c.error) {
      EXPECT_EQ(r.error(), c.error);
    }
    EXPECT_EQ(slurp(dir / "f.json"), c.error ? "old" : "new");
    EXPECT_EQ(list_names(dir.path()), c.left);
  }
}

// The same failures in a project write, whether the file comes from the
// load or is read again for its snapshot.
TEST(DiskFaults, WriteProject) {
  struct Case {
    const char* name;
    DiskCall call;
    const char* where;
    const char* error;
    Names history;  // besides, project.json is always the old one
    Names folder;
  };
  const Names kFolder{".vemba-history", "project.json"};
  const Names kLeftInFolder{".vemba-history", "project.json", "project.tmp-project.json"};
  const Case cases[] = {
      {"snapshot: open", DiskCall::kOpen, "snap-3", "create temp: Input/output error", {}, kFolder},
      {"snapshot: write",
       DiskCall::kWrite,
       "snap-3",
       "write temp: Input/output error",
       {"snap-3.tmp-snap-3.json"},
       kFolder},
      {"snapshot: fsync", DiskCall::kFsync, "snap-3", "fsync: Input/output error", {"snap-3.tmp-snap-3.json"}, kFolder},
      {"snapshot: rename", DiskCall::kRename, "snap-3", "commit: Input/output error", {}, kFolder},
      {"project: open", DiskCall::kOpen, "project.tmp", "create temp: Input/output error", {"snap-3.json"}, kFolder},
      {"project: write",
       DiskCall::kWrite,
       "project.tmp",
       "write temp: Input/output error",
       {"snap-3.json"},
       kLeftInFolder},
      {"project: fsync", DiskCall::kFsync, "project.tmp", "fsync: Input/output error", {"snap-3.json"}, kLeftInFolder},
      {"project: rename", DiskCall::kRename, "project.tmp", "commit: Input/output error", {"snap-3.json"}, kFolder},
  };
  const std::string before = to_pretty(new_document("A", ""));
  for (const bool from_load : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (from_load ? ", file from the load" : ", file read again"));
      TempDir dir;
      write_file(dir / "project.json", before);
      ProjectFile file;
      ASSERT_TRUE(read_project(dir.path(), dir.path(), {}, &file));
      FailingDisk disk;
      disk.fail(c.call, EIO, c.where);
      const Status r = write_project(dir.path(), dir.path(), new_document("B", ""), 3, Temporaries::kShared,
                                     from_load ? &file : nullptr);
      ASSERT_FALSE(r);
      EXPECT_EQ(r.error(), c.error);
      EXPECT_EQ(slurp(dir / "project.json"), before);
      EXPECT_EQ(list_names(dir / ".vemba-history"), c.history);
      if (c.history == Names{"snap-3.json"}) {
        EXPECT_EQ(slurp(dir / ".vemba-history" / "snap-3.json"), before);
      }
      EXPECT_EQ(list_names(dir.path()), c.folder);
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

TEST(DiskFaults, WriteAsset) {
  struct Case {
    const char* name;
    DiskCall call;
    const char* error;
    Names left;
  };
  const Case cases[] = {
      {"open", DiskCall::kOpen, "create temp: No space left on device", {"a.png"}},
      {"write", DiskCall::kWrite, "write temp: No space left on device", {"a.png", "a.tmp-a.png"}},
      {"fsync", DiskCall::kFsync, "fsync: No space left on device", {"a.png", "a.tmp-a.png"}},
      {"rename", DiskCall::kRename, "commit: No space left on device", {"a.png"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    write_file(dir / "assets" / "a.png", "old picture");
    FailingDisk disk;
    disk.fail(c.call, ENOSPC, "a.");
    auto r = write_asset_file(dir.path(), dir.path(), "a.png", "new picture");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), c.error);
    EXPECT_EQ(slurp(dir / "assets" / "a.png"), "old picture");
    EXPECT_EQ(list_names(dir / "assets"), c.left);
  }
}

}  // namespace
}  // namespace vemba_core::project_io
