// Every failure of the disk in a write gives its text and leaves the files as
// they were, with no temporary behind: only a snapshot stored before a later
// step failed stays, and a rename whose folder could not be synced, which is
// never made again and whose text says the change was made.

#include "project_io/store/store.h"

#include "project_io/model/document.h"
#include "support/failing_disk.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <functional>

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
    bool replaced;      // f.json holds the new text
    int renames;        // made of temporaries, failed ones included
  };
  const Case cases[] = {
      {"open", DiskCall::kOpen, At::kTempIn, 0, "create temp: Input/output error", false, 0},
      {"write", DiskCall::kWrite, At::kTempIn, 0, "write temp: No space left on device", false, 0},
      {"fsync", DiskCall::kFsync, At::kTempIn, 0, "fsync: Input/output error", false, 0},
      {"rename", DiskCall::kRename, At::kTempIn, 0, "commit: Input/output error", false, 3},
      // The rename is done: it is never made again, and the failure is
      // unconfirmed, not "nothing changed".
      {"folder sync", DiskCall::kFsync, At::kFolder, 0, "sync folder: Input/output error", true, 1},
      {"folder sync, once", DiskCall::kFsync, At::kFolder, 1, "sync folder: Input/output error", true, 1},
      {"folder open", DiskCall::kOpen, At::kFolder, 0, "sync folder: Input/output error", true, 1},
      {"write, once", DiskCall::kWrite, At::kTempIn, 1, nullptr, true, 1},
      {"rename, twice", DiskCall::kRename, At::kTempIn, 2, nullptr, true, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    write_file(dir / "f.json", "old");
    FailingDisk disk;
    plant(disk, c.call, c.call == DiskCall::kWrite ? ENOSPC : EIO, c.at, dir.path(), c.times);
    const WriteResult r = atomic_write(dir / "f.json", "new");
    EXPECT_EQ(r.has_value(), c.error == nullptr);
    if (c.error) {
      EXPECT_EQ(r.error().text, c.error);
      EXPECT_EQ(r.error().kind, c.replaced ? WriteFailure::Kind::kUnconfirmed : WriteFailure::Kind::kNotWritten);
    }
    EXPECT_EQ(slurp(dir / "f.json"), c.replaced ? "new" : "old");
    EXPECT_EQ(disk.count(DiskCall::kRename, (dir / ".vemba-tmp-").string()), c.renames);
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
  const char* const kUnconfirmed =
      "sync folder: Input/output error \u2014 the change was made, but the disk did not confirm it is stored; check "
      "before trying again";
  const Case cases[] = {
      {"snapshot: open", DiskCall::kOpen, true, At::kTempIn, "create temp: Input/output error", {}, false},
      {"snapshot: write", DiskCall::kWrite, true, At::kTempIn, "write temp: Input/output error", {}, false},
      {"snapshot: fsync", DiskCall::kFsync, true, At::kTempIn, "fsync: Input/output error", {}, false},
      {"snapshot: rename", DiskCall::kRename, true, At::kTempIn, "commit: Input/output error", {}, false},
      // A snapshot that may not survive a power cut must not let the file
      // it holds be replaced: the project is as it was.
      {"snapshot: folder sync", DiskCall::kFsync, true, At::kFolder, "sync folder: Input/output error", kSnapshot,
       false},
      {"project: open", DiskCall::kOpen, false, At::kTempIn, "create temp: Input/output error", kSnapshot, false},
      {"project: write", DiskCall::kWrite, false, At::kTempIn, "write temp: Input/output error", kSnapshot, false},
      {"project: fsync", DiskCall::kFsync, false, At::kTempIn, "fsync: Input/output error", kSnapshot, false},
      {"project: rename", DiskCall::kRename, false, At::kTempIn, "commit: Input/output error", kSnapshot, false},
      {"project: folder sync", DiskCall::kFsync, false, At::kFolder, kUnconfirmed, kSnapshot, true},
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

// A failed sync after the rename is answered at once: the new file is not
// renamed again, so an app's save made meanwhile stays, and the one snapshot
// is the only one.
TEST(DiskFaults, AnUnconfirmedWriteIsNotMadeAgain) {
  for (const bool from_load : {false, true}) {
    SCOPED_TRACE(from_load ? "file from the load" : "file read again");
    TempDir dir;
    write_file(dir / "project.json", to_pretty(new_document("A", "")));
    fs::create_directory(dir / ".vemba-history");
    ProjectFile file;
    ASSERT_TRUE(read_project(dir.path(), dir.path(), {}, &file));
    FailingDisk disk;
    const auto folder = [&](const std::string& p) { return p == dir.path().string(); };
    disk.before(DiskCall::kFsync, folder, [&](const std::string&) {
      write_file(dir / "app-save", "the app's save");
      fs::rename(dir / "app-save", dir / "project.json");
    });
    disk.fail_where(DiskCall::kFsync, EIO, folder, 1, 1);
    const Status r = write_project(dir.path(), dir.path(), new_document("B", ""), 3, from_load ? &file : nullptr);
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(),
              "sync folder: Input/output error \u2014 the change was made, but the disk did not confirm it is stored; "
              "check before trying again");
    EXPECT_EQ(slurp(dir / "project.json"), "the app's save");
    EXPECT_EQ(disk.count(DiskCall::kRename, (dir / ".vemba-tmp-").string()), 1);
    EXPECT_EQ(list_names(dir / ".vemba-history"), Names{"snap-3.json"});
    EXPECT_EQ(list_names(dir.path()), (Names{".vemba-history", "project.json"}));
  }
}

// A folder made for a write whose parent then fails to sync is taken back
// with the failure: nothing visible changed.
TEST(DiskFaults, AFolderMadeForAFailedWriteIsTakenBack) {
  TempDir dir;
  write_file(dir / "project.json", "{}");
  FailingDisk disk;
  disk.fail_exactly(DiskCall::kFsync, EIO, dir.path().string(), 1, 1);
  EXPECT_EQ(write_project(dir.path(), dir.path(), new_document("B", ""), 3).error(),
            "ensure history: sync folder: Input/output error");
  disk.fail_exactly(DiskCall::kFsync, EIO, dir.path().string(), 1, 1);
  EXPECT_EQ(write_asset_file(dir.path(), dir.path(), "a.png", "x").error(),
            "ensure assets: sync folder: Input/output error");
  EXPECT_EQ(list_names(dir.path()), Names{"project.json"});
  EXPECT_EQ(slurp(dir / "project.json"), "{}");
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
  const auto r = read_project(dir.path(), dir.path());
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error(), "read project: Input/output error");
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
      {"folder sync", DiskCall::kFsync, At::kFolder,
       "sync folder: No space left on device \u2014 the change was made, but the disk did not confirm it is stored; "
       "check before trying again",
       "new picture"},
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

// A new project is made in a draft folder that no one sees until it is
// renamed in: every failure before that leaves the library as it was. After
// it the project exists, and a failed sync of the library says so, with its
// name, and nothing is renamed again.
TEST(DiskFaults, CreateProject) {
  using Pick = FailingDisk::Pick;
  const auto is_draft_name = [](const fs::path& p) { return p.filename().string().starts_with(".vemba-tmp-"); };
  struct Case {
    const char* name;
    DiskCall call;
    int err;
    std::function<Pick(const fs::path& root)> pick;
    const char* error;
    bool created;
  };
  const auto marker = [](const fs::path&) -> Pick {
    return [](const std::string& p) { return p.ends_with("/.vemba"); };
  };
  const auto in_draft = [&](const fs::path&) -> Pick {
    return [&](const std::string& p) { return is_draft_name(p) && is_draft_name(fs::path(p).parent_path()); };
  };
  const auto draft = [&](const fs::path& root) -> Pick {
    return [&, root](const std::string& p) { return fs::path(p).parent_path() == root && is_draft_name(p); };
  };
  const auto library = [](const fs::path& root) -> Pick {
    return [root](const std::string& p) { return p == root.string(); };
  };
  const Case cases[] = {
      {"marker: open", DiskCall::kOpen, EIO, marker, "write marker: Input/output error", false},
      {"marker: fsync", DiskCall::kFsync, EIO, marker, "write marker: Input/output error", false},
      {"project.json: open", DiskCall::kOpen, EIO, in_draft, "create temp: Input/output error", false},
      {"project.json: write", DiskCall::kWrite, ENOSPC, in_draft, "write temp: No space left on device", false},
      {"project.json: fsync", DiskCall::kFsync, EIO, in_draft, "fsync: Input/output error", false},
      {"project.json: rename", DiskCall::kRename, EIO, in_draft, "commit: Input/output error", false},
      // No one sees the draft yet: its failed sync changed nothing visible.
      {"draft: sync", DiskCall::kFsync, EIO, draft, "sync folder: Input/output error", false},
      {"draft: rename in", DiskCall::kRename, EIO, draft, "commit: Input/output error", false},
      {"library: sync", DiskCall::kFsync, EIO, library,
       "sync folder: Input/output error \u2014 the project \"Pilot\" was created, but the disk did not confirm it is "
       "stored; check before trying again",
       true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    write_file(dir / "Old" / ".vemba", "1\n");
    FailingDisk disk;
    disk.fail_where(c.call, c.err, c.pick(dir.path()));
    const auto r = create_project(dir.path(), "Pilot", "");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error(), c.error);
    EXPECT_EQ(list_names(dir.path()), c.created ? (Names{"Old", "Pilot"}) : Names{"Old"});
    if (c.created) {
      EXPECT_EQ(disk.count(DiskCall::kRename, (dir / ".vemba-tmp-").string()), 2);  // project.json, then the folder
      EXPECT_EQ(text_of(*read_project(dir.path(), dir / "Pilot"), "name"), "Pilot");
      EXPECT_EQ(list_names(dir / "Pilot"), (Names{".vemba", "assets", "project.json"}));
    }
  }
}

}  // namespace
}  // namespace vemba_core::project_io
