#include "project_io/store/store.h"

#include "project_io/model/document.h"
#include "project_io/store/temporaries.h"
#include "support/failing_disk.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>

namespace vemba_core::project_io {
namespace {

using vemba_test::DiskCall;
using vemba_test::FailingDisk;
using vemba_test::list_names;
using vemba_test::slurp;
using vemba_test::TempDir;
using vemba_test::write_file;

TEST(AtomicWrite, ReplacesWholeAndLeavesNoTemporary) {
  TempDir dir;
  const fs::path target = dir / "project.json";
  write_file(target, "old");
  ASSERT_TRUE(atomic_write(target, "new content"));
  EXPECT_EQ(slurp(target), "new content");
  EXPECT_EQ(list_names(dir.path()), std::vector<std::string>{"project.json"});
}

TEST(AtomicWrite, FailingTargetReturnsThirdAttemptAfterPauses) {
  TempDir dir;
  fs::create_directories(dir / "taken" / "child");  // a non-empty folder cannot be renamed over
  const auto start = std::chrono::steady_clock::now();
  auto r = atomic_write(dir / "taken", "x");
  const auto elapsed = std::chrono::steady_clock::now() - start;
  ASSERT_FALSE(r);
  EXPECT_TRUE(r.error().text.starts_with("commit: ")) << r.error().text;
  EXPECT_EQ(r.error().kind, WriteFailure::Kind::kNotWritten);
  EXPECT_GE(elapsed, std::chrono::milliseconds(360));
  EXPECT_EQ(list_names(dir.path()), std::vector<std::string>{"taken"});
}

TEST(AtomicWrite, MissingFolderFailsAtCreate) {
  TempDir dir;
  auto r = atomic_write(dir / "none" / "f.json", "x");
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error().text, "create temp: No such file or directory");
}

// Files at the names earlier servers wrote through, hard links to a file
// outside among them, are never written through.
TEST(AtomicWrite, NeverWritesThroughWhatStandsAtATemporaryName) {
  TempDir dir, outside;
  write_file(outside / "keep.txt", "keep");
  write_file(dir / "project.json", R"({"name": "A"})");
  write_file(dir / "assets" / "pic.png", "old");
  fs::create_hard_link(outside / "keep.txt", dir / "project.tmp-project.json");
  fs::create_hard_link(outside / "keep.txt", dir / "assets" / "pic.tmp-pic.png");
  fs::create_symlink(outside / "keep.txt", dir / "project.tmp-0123456789abcdef-project.json");
  ProjectFile file;
  ASSERT_TRUE(read_project(dir.path(), dir.path(), {}, &file));
  ASSERT_TRUE(write_project(dir.path(), dir.path(), new_document("B", ""), 1, &file));
  ASSERT_TRUE(write_asset_file(dir.path(), dir.path(), "pic.png", "new"));
  close_replaced_files();
  EXPECT_EQ(slurp(outside / "keep.txt"), "keep");
  EXPECT_EQ(text_of(*read_project(dir.path(), dir.path()), "name"), "B");
  EXPECT_EQ(slurp(dir / "assets" / "pic.png"), "new");
}

// What another process puts at a temporary's own name just before it is
// opened, a hard link to a file elsewhere above all, is refused, not written.
TEST(AtomicWrite, RefusesWhatIsPlantedAtItsOwnTemporary) {
  struct Case {
    const char* name;
    void (*plant)(const fs::path& outside, const fs::path& at);
  };
  const Case cases[] = {
      {"file", [](const fs::path&, const fs::path& at) { write_file(at, "planted"); }},
      {"hard link", [](const fs::path& outside, const fs::path& at) { fs::create_hard_link(outside, at); }},
      {"symbolic link", [](const fs::path& outside, const fs::path& at) { fs::create_symlink(outside, at); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir, outside;
    write_file(outside / "keep.txt", "keep");
    write_file(dir / "f.json", "old");
    FailingDisk disk;
    disk.before(
        DiskCall::kOpen, [&](const std::string& p) { return p.find("/.vemba-tmp-") != std::string::npos; },
        [&](const std::string& p) { c.plant(outside / "keep.txt", p); });
    const auto r = atomic_write(dir / "f.json", "new");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error().text, "create temp: File exists");
    EXPECT_EQ(slurp(outside / "keep.txt"), "keep");
    EXPECT_EQ(slurp(dir / "f.json"), "old");
  }
}

// The temporary's name does not grow with the target's, so every name the
// file system takes can be written.
TEST(AtomicWrite, WritesTheLongestNameTheFolderTakes) {
  TempDir dir;
  for (const std::size_t length : {128u, 200u, 255u}) {
    SCOPED_TRACE(length);
    const std::string name = std::string(length - 4, 'n') + ".png";
    ASSERT_EQ(write_asset_file(dir.path(), dir.path(), name, "png").value(), name);
    EXPECT_EQ(slurp(dir / "assets" / name), "png");
  }
  EXPECT_EQ(list_names(dir / "assets").size(), 3u);
  EXPECT_EQ(write_asset_file(dir.path(), dir.path(), std::string(256, 'n'), "png").error(),
            "commit: File name too long");
}

// Each rename is followed by a sync of its folder, and the snapshot's folder
// is synced before the project file is replaced; a new folder is synced in
// the folder it was made in. create_project makes the project whole in a
// draft folder (marker and project.json synced, then the draft itself), and
// then renames the draft in and syncs the library.
TEST(AtomicWrite, EachRenameIsFollowedByASyncOfItsFolder) {
  TempDir dir;
  write_file(dir / "P" / "project.json", R"({"name": "A"})");
  FailingDisk disk;
  ProjectFile file;
  ASSERT_TRUE(read_project(dir.path(), dir / "P", {}, &file));
  ASSERT_TRUE(write_project(dir.path(), dir / "P", new_document("B", ""), 1, &file));
  ASSERT_TRUE(write_asset_file(dir.path(), dir / "P", "a.png", "x"));
  ASSERT_TRUE(create_project(dir.path(), "New", ""));
  close_replaced_files();
  // Renames by the folder they are in, and the folders synced, in order; the
  // draft, gone by now, by that name.
  std::vector<std::string> seen;
  for (const auto& [call, path] : disk.calls()) {
    std::string where = fs::relative(path, dir.path()).string();
    if (where.starts_with(".vemba-tmp-")) where.replace(0, 27, "draft");
    const std::string folder = fs::path(where).parent_path().empty() ? "." : fs::path(where).parent_path().string();
    if (call == DiskCall::kRename) seen.push_back("rename in " + folder);
    if (call == DiskCall::kFsync && (fs::is_directory(path) || where == "draft")) seen.push_back("sync " + where);
    if (call == DiskCall::kFsync && where == "draft/.vemba") seen.push_back("sync marker");
  }
  EXPECT_EQ(seen,
            (std::vector<std::string>{"sync P",  // the history folder made
                                      "rename in P/.vemba-history", "sync P/.vemba-history", "rename in P", "sync P",
                                      "sync P",  // assets made
                                      "rename in P/assets", "sync P/assets", "sync marker", "rename in draft",
                                      "sync draft", "rename in .", "sync ."}));
}

TEST(EnsureWithin, Containment) {
  TempDir dir;
  const fs::path root = dir / "lib";
  fs::create_directories(root / "inside");
  fs::create_directories(dir / "lib-sibling");
  fs::create_directories(dir / "outside");
  fs::create_directory_symlink(dir / "outside", root / "escape");
  fs::create_directory_symlink(root / "inside", root / "alias");
  const fs::path canon = fs::canonical(root);

  auto ok = ensure_within(root, root / "inside" / "project.json");
  ASSERT_TRUE(ok) << ok.error();
  EXPECT_EQ(*ok, canon / "inside" / "project.json");

  auto alias = ensure_within(root.string() + "/", root / "alias" / "project.json");
  ASSERT_TRUE(alias) << alias.error();
  EXPECT_EQ(*alias, canon / "inside" / "project.json");

  auto escape = ensure_within(root, root / "escape" / "project.json");
  ASSERT_FALSE(escape);
  EXPECT_EQ(escape.error(), "path escapes library: " + (fs::canonical(dir / "outside") / "project.json").string());

  auto sibling = ensure_within(root, root / ".." / "lib-sibling" / "project.json");
  ASSERT_FALSE(sibling);
  EXPECT_TRUE(sibling.error().starts_with("path escapes library: ")) << sibling.error();

  EXPECT_EQ(ensure_within(root, root / "missing" / "project.json").error(),
            "path not found: No such file or directory");
  EXPECT_EQ(ensure_within(dir / "nolib", root / "inside" / "project.json").error(),
            "library not found: No such file or directory");
  EXPECT_EQ(ensure_within(root, root / "inside" / "..").error(), "no file name");
}

TEST(EnsureWithin, EscapeNamesTheResolvedPathAsText) {
  TempDir dir;
  const fs::path root = dir / "lib";
  fs::create_directories(root);
  fs::create_directories(dir / "out\xFF");
  fs::create_directory_symlink(dir / "out\xFF", root / "odd");
  EXPECT_EQ(ensure_within(root, root / "odd" / "project.json").error(),
            "path escapes library: " + fs::canonical(dir.path()).string() + "/out\uFFFD/project.json");
}

// A NUL would end the path early at the system call, so another file would be
// read, resolved or replaced in place.
TEST(Store, PathsHoldingNulAreRefused) {
  TempDir dir;
  write_file(dir / "a.png", "original");
  const fs::path cut = dir / std::string("a.png\0x", 7);
  EXPECT_EQ(read_file(cut).error(), "Invalid argument");
  const fs::path library = fs::canonical(dir.path());
  EXPECT_TRUE(is_confined_file(library, library / "a.png"));
  EXPECT_FALSE(is_confined_file(library, library / std::string("a.png\0x", 7)));
  EXPECT_EQ(atomic_write(cut, "new").error().text, "create temp: Invalid argument");
  EXPECT_EQ(slurp(dir / "a.png"), "original");
  EXPECT_EQ(ensure_within(dir.path(), dir / std::string("a.png\0x", 7) / "project.json").error(),
            "path not found: Invalid argument");
  fs::create_directories(dir / "lib");
  EXPECT_EQ(ensure_within(dir / std::string("lib\0x", 5), dir / "lib" / "project.json").error(),
            "library not found: Invalid argument");
}

TEST(BareName, NamesAnEntryOfTheFolderItself) {
  for (const char* bad : {"", "/", "a/b", "/abs", "\\", "a\\b", "..", "a..b", "...", "../x"}) {
    SCOPED_TRACE(bad);
    EXPECT_FALSE(is_bare_name(bad));
  }
  for (const char* good : {"a.png", ".", ".hidden", "snap-1.json", "Été 2", "a.b.c"}) {
    SCOPED_TRACE(good);
    EXPECT_TRUE(is_bare_name(good));
  }
}

TEST(ProjectName, Refusals) {
  for (const char* bad : {"", "a..b", "..", "a/b", "a\\b"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(safe_project_name(bad).error(), std::string("invalid project name: ") + bad);
  }
  for (const char* good : {"Act 2 (first cut)", ".", "Été", "a.b"}) {
    SCOPED_TRACE(good);
    EXPECT_TRUE(safe_project_name(good));
  }
}

TEST(WriteProject, SnapshotsThePreviousFileFirst) {
  TempDir dir;
  json::value doc = new_document("A", "");
  ASSERT_TRUE(write_project(dir.path(), dir.path(), doc, 5));  // no file yet: no snapshot
  EXPECT_FALSE(fs::exists(dir / ".vemba-history"));
  const std::string first = slurp(dir / "project.json");
  EXPECT_EQ(first, to_pretty(doc));

  doc.as_object()["name"] = "B";
  ASSERT_TRUE(write_project(dir.path(), dir.path(), doc, 5));
  ASSERT_TRUE(write_project(dir.path(), dir.path(), doc, 5));  // same millisecond: the next free one
  EXPECT_EQ(list_names(dir / ".vemba-history"), (std::vector<std::string>{"snap-5.json", "snap-6.json"}));
  EXPECT_EQ(slurp(dir / ".vemba-history" / "snap-5.json"), first);
  EXPECT_EQ(slurp(dir / ".vemba-history" / "snap-6.json"), to_pretty(doc));
}

// Dead writers' temporaries go on every write path, the load's included;
// the user's look-alikes and young ones stay.
TEST(WriteProject, RemovesWhatDeadWritersLeft) {
  for (const bool from_load : {false, true}) {
    SCOPED_TRACE(from_load ? "file from the load" : "file read again");
    TempDir dir;
    write_file(dir / "project.json", "{}");
    const fs::path history = dir / ".vemba-history";
    const auto plant = [](const fs::path& p, std::chrono::minutes age) {
      write_file(p, "x");
      fs::last_write_time(p, fs::file_time_type::clock::now() - age);
    };
    plant(dir / "project.tmp-0123456789abcdef-project.json", std::chrono::minutes(60));
    plant(dir / "project.tmp-project.json", std::chrono::minutes(2));
    plant(dir / "notes.tmp-1-notes.txt", std::chrono::minutes(60));
    plant(history / "snap-5.tmp-snap-5.json", std::chrono::minutes(5));
    plant(history / ".vemba-tmp-00000000000000ff", std::chrono::minutes(5));
    plant(history / ".vemba-tmp-00000000000000fe", std::chrono::minutes(0));
    plant(history / "snap-5.json", std::chrono::minutes(60));
    ProjectFile file;
    ASSERT_TRUE(read_project(dir.path(), dir.path(), {}, &file));
    ASSERT_TRUE(write_project(dir.path(), dir.path(), new_document("A", ""), 9, from_load ? &file : nullptr));
    close_replaced_files();
    EXPECT_EQ(list_names(history),
              (std::vector<std::string>{".vemba-tmp-00000000000000fe", "snap-5.json", "snap-9.json"}));
    EXPECT_EQ(list_names(dir.path()),
              (std::vector<std::string>{".vemba-history", "notes.tmp-1-notes.txt", "project.json"}));
  }
}

TEST(WriteProject, FailedSnapshotWritesNothing) {
  TempDir dir;
  write_file(dir / "project.json", "{}");
  write_file(dir / ".vemba-history", "a file where the folder should be");
  auto r = write_project(dir.path(), dir.path(), new_document("A", ""), 1);
  ASSERT_FALSE(r);
  EXPECT_TRUE(r.error().starts_with("ensure history: ")) << r.error();
  EXPECT_EQ(slurp(dir / "project.json"), "{}");
}

// The server's write, with the file as its load read it, leaves what the
// plain write leaves: also when something else wrote the file in between,
// whose content the snapshot must then hold.
TEST(WriteProject, WithTheLoadedFileLeavesWhatThePlainWriteLeaves) {
  struct Case {
    const char* name;
    void (*meanwhile)(const fs::path& folder);
  };
  const Case cases[] = {
      {"unchanged since the load", [](const fs::path&) {}},
      {"rewritten in place since the load",
       [](const fs::path& f) { write_file(f / "project.json", R"({"name": "the app's, longer"})"); }},
      {"replaced since the load",
       [](const fs::path& f) {
         write_file(f / "other.json", R"({"name": "B"})");
         fs::rename(f / "other.json", f / "project.json");
       }},
      // Only the nanoseconds of its time tell this rewrite from the file read.
      {"rewritten to the same size within the same second",
       [](const fs::path& f) {
         const auto read = fs::last_write_time(f / "project.json");
         write_file(f / "project.json", R"({"name": "Z"})");
         fs::last_write_time(f / "project.json", read + std::chrono::nanoseconds(1));
       }},
  };
  json::value doc = new_document("Edited", "");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir plain, loaded;
    for (const TempDir* d : {&plain, &loaded}) write_file(*d / "project.json", R"({"name": "A"})");
    ProjectFile file;
    ASSERT_TRUE(read_project(loaded.path(), loaded.path(), {}, &file));
    c.meanwhile(plain.path());
    c.meanwhile(loaded.path());
    ASSERT_TRUE(write_project(plain.path(), plain.path(), doc, 7));
    ASSERT_TRUE(write_project(loaded.path(), loaded.path(), doc, 7, &file));
    close_replaced_files();
    EXPECT_EQ(slurp(loaded / "project.json"), slurp(plain / "project.json"));
    EXPECT_EQ(list_names(loaded / ".vemba-history"), std::vector<std::string>{"snap-7.json"});
    EXPECT_EQ(slurp(loaded / ".vemba-history" / "snap-7.json"), slurp(plain / ".vemba-history" / "snap-7.json"));
    EXPECT_EQ(list_names(loaded.path()), list_names(plain.path()));
  }
}

TEST(WriteProject, RefusesADocumentTooDeepToReadBack) {
  // A patch value nested just within the request's limit can sit deep enough
  // in the document to pass the reader's limit once stored.
  auto deep = [](int levels) {
    json::value v = json::array{};
    for (int i = 1; i < levels; ++i) v = json::array{v};
    return v;
  };
  struct Case {
    const char* name;
    int levels;  // of the value under the document's one key
    bool ok;
  };
  const Case cases[] = {{"127 levels in all", 126, true}, {"128 levels in all", 127, false}};
  for (const bool from_load : {false, true}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (from_load ? ", file from the load" : ", file read again"));
      TempDir dir;
      write_file(dir / "project.json", "{}");
      ProjectFile file;
      ASSERT_TRUE(read_project(dir.path(), dir.path(), {}, &file));
      const json::value doc = json::object{{"k", deep(c.levels)}};
      auto r = write_project(dir.path(), dir.path(), doc, 1, from_load ? &file : nullptr);
      EXPECT_EQ(r.has_value(), c.ok);
      if (c.ok) {
        EXPECT_TRUE(read_project(dir.path(), dir.path())) << read_project(dir.path(), dir.path()).error();
      } else {
        // The snapshot begun before the failure leaves nothing.
        EXPECT_EQ(r.error(), "serialize: nested deeper than 127 levels");
        EXPECT_EQ(slurp(dir / "project.json"), "{}");
        EXPECT_EQ(list_names(dir / ".vemba-history"), std::vector<std::string>{});
        EXPECT_EQ(list_names(dir.path()), (std::vector<std::string>{".vemba-history", "project.json"}));
      }
    }
  }
}

TEST(ReadProject, Failures) {
  TempDir dir;
  EXPECT_EQ(read_project(dir.path(), dir.path()).error(), "read project: No such file or directory");
  write_file(dir / "project.json", "\xff{}");
  EXPECT_EQ(read_project(dir.path(), dir.path()).error(), "read project: stream did not contain valid UTF-8");
  write_file(dir / "project.json", "{\"a\":}");
  EXPECT_TRUE(read_project(dir.path(), dir.path()).error().starts_with("parse project: "))
      << read_project(dir.path(), dir.path()).error();
  write_file(dir / "project.json", "[1]");
  EXPECT_TRUE(read_project(dir.path(), dir.path()).error().starts_with("parse project: "))
      << read_project(dir.path(), dir.path()).error();
}

// Bytes that are not UTF-8 anywhere in the file are named as such, whatever
// else is wrong with it and wherever they sit.
TEST(ReadProject, IllFormedUtf8WinsOverEveryParseError) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* error;  // empty: reads
  };
  const std::string utf8 = "read project: stream did not contain valid UTF-8";
  const Case cases[] = {
      {"in a string", "{\"a\":\"x\xC3\"}", utf8.c_str()},
      {"an encoded surrogate in a key", "{\"\xED\xA0\x80\":1}", utf8.c_str()},
      {"after a syntax error", "{\"a\":} \"\xFF\"", utf8.c_str()},
      {"after a huge zero exponent", "{\"a\":0e99999999999,\"b\":\"\xC0\xAF\"}", utf8.c_str()},
      {"past the end of the value", "{} \xF5", utf8.c_str()},
      {"well-formed but outside strings", "\xC2\xA0{}", "parse project: "},
      {"well-formed in strings", "{\"\xC3\xA9\":\"\xF0\x9F\x8E\xAC\"}", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    write_file(dir / "project.json", c.bytes);
    const auto r = read_project(dir.path(), dir.path());
    if (std::string_view(c.error).empty())
      EXPECT_TRUE(r) << r.error();
    else
      EXPECT_TRUE(!r && r.error().starts_with(c.error)) << (r ? "read" : r.error());
  }
}

TEST(ReadFile, RefusesPipesAndDevicesInsteadOfBlocking) {
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0666), 0);
  fs::create_symlink("/dev/zero", dir / "endless");
  fs::create_directory(dir / "folder");
  write_file(dir / "plain", "{}");
  struct Case {
    const char* name;
    const char* error;  // empty: read
  };
  const Case cases[] = {
      {"pipe", "not a regular file"}, {"endless", "not a regular file"}, {"folder", "Is a directory"}, {"plain", ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto r = read_file(dir / c.name);
    EXPECT_EQ(r ? std::string() : r.error(), c.error);
  }
  fs::create_directory(dir / "p");
  ASSERT_EQ(::mkfifo((dir / "p" / "project.json").c_str(), 0666), 0);
  EXPECT_EQ(read_project(dir.path(), dir / "p").error(), "read project: not a regular file");
}

TEST(ReadProject, RoundTripIsStable) {
  TempDir dir;
  write_file(dir / "project.json",
             R"({"nodes":[{"id":"n1","x":1.0,"y":-3,"w":1588.8355434374535,"k":{"z":[1,2.5]}}],"name":"P"})");
  auto doc = read_project(dir.path(), dir.path());
  ASSERT_TRUE(doc) << doc.error();
  ASSERT_TRUE(write_project(dir.path(), dir.path(), *doc, 1));
  const std::string once = slurp(dir / "project.json");
  auto again = read_project(dir.path(), dir.path());
  ASSERT_TRUE(again);
  EXPECT_EQ(*again, *doc);
  EXPECT_EQ(to_pretty(*again), once);
  EXPECT_NE(once.find("\"x\": 1.0,"), std::string::npos);
  EXPECT_NE(once.find("\"y\": -3\n"), std::string::npos);
  EXPECT_NE(once.find("1588.8355434374535"), std::string::npos);
}

TEST(CreateProject, FolderNames) {
  struct Case {
    const char* name;
    const char* folder;
  };
  const Case cases[] = {{"Act: One", "Act One"},
                        {"  My Film  ", "My Film"},
                        {"!!!", "Untitled Project"},
                        {"", "Untitled Project"},
                        {"a   b", "a  b"},
                        {"a    b", "a  b"},
                        {"a     b", "a   b"},
                        {"Été 2024 №1", "Été 2024 1"},
                        {"x.y/z\\w\tv", "x y z w v"},
                        {"Ⅻ and ½ and ٣", "Ⅻ and ½ and ٣"},
                        {"snake_case-name", "snake_case-name"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(folder_name_for(c.name), c.folder);
  }
}

TEST(CreateProject, CreatesAndPicksAFreeName) {
  TempDir dir;
  const fs::path root = dir / "lib" / "nested";
  auto first = create_project(root, "  My Film ", "About it");
  ASSERT_TRUE(first) << first.error();
  EXPECT_EQ(*first, "My Film");
  EXPECT_EQ(slurp(root / "My Film" / ".vemba"), "1\n");
  EXPECT_TRUE(fs::is_directory(root / "My Film" / "assets"));
  auto doc = read_project(dir.path(), root / "My Film");
  ASSERT_TRUE(doc);
  EXPECT_EQ(text_of(*doc, "name"), "My Film");
  EXPECT_EQ(text_of(*doc, "context"), "About it");
  EXPECT_EQ(create_project(root, "My Film", "").value(), "My Film (2)");
  write_file(root / "Other", "a plain file takes the name too");
  EXPECT_EQ(create_project(root, "Other", "").value(), "Other (2)");
  EXPECT_EQ(create_project(root, "My Film", "").value(), "My Film (3)");
  fs::create_directories(root / ".vemba-tmp-0123456789abcdef" / "assets");
  fs::last_write_time(root / ".vemba-tmp-0123456789abcdef", fs::file_time_type::clock::now() - std::chrono::minutes(5));
  sweep_again(root);
  ASSERT_TRUE(create_project(root, " ", ""));
  EXPECT_EQ(text_of(*read_project(dir.path(), root / "Untitled Project"), "name"), "Untitled project");
  ASSERT_TRUE(create_project(root, "...", ""));
  EXPECT_EQ(text_of(*read_project(dir.path(), root / "Untitled Project (2)"), "name"), "...");
  // Each was made in a draft and renamed in: no draft is left, nor one that a
  // dead server left.
  EXPECT_EQ(list_names(root), (std::vector<std::string>{"My Film", "My Film (2)", "My Film (3)", "Other", "Other (2)",
                                                        "Untitled Project", "Untitled Project (2)"}));
}

TEST(WriteAssetFile, NamesAndReplace) {
  TempDir dir;
  for (const char* bad : {"", "a/b.png", "a\\b.png", "a..b.png", ".."}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(write_asset_file(dir.path(), dir.path(), bad, "x").error(),
              std::string("invalid asset filename: ") + bad);
  }
  EXPECT_EQ(write_asset_file(dir.path(), dir.path(), "still.png", "12345").value(), "still.png");
  EXPECT_EQ(write_asset_file(dir.path(), dir.path(), "still.png", "ab").value(), "still.png");
  EXPECT_EQ(slurp(dir / "assets" / "still.png"), "ab");
}

TEST(MillisText, WideValues) {
  EXPECT_EQ(millis_text(0), "0");
  EXPECT_EQ(millis_text(1999), "1999");
  EXPECT_EQ(millis_text(static_cast<Millis>(UINT64_MAX) * 10), "184467440737095516150");
}

TEST(Clock, NowIsAfterTheEpoch) { EXPECT_GT(now_ms(), static_cast<Millis>(1'600'000'000'000ULL)); }

}  // namespace
}  // namespace vemba_core::project_io
