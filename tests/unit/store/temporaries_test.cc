#include "project_io/store/temporaries.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <set>

namespace vemba_core::project_io {
namespace {

using namespace std::chrono_literals;
using vemba_test::list_names;
using vemba_test::TempDir;
using vemba_test::write_file;

// Only the exact forms count: a user's file that looks alike is not ours.
TEST(Temporaries, OnlyTheFormsWritesMakeAreTemporaries) {
  struct Case {
    const char* name;
    bool temp;
  };
  const Case cases[] = {
      {".vemba-tmp-0123456789abcdef", true},
      // What servers before wrote: an own tag, and the fixed sibling.
      {"project.tmp-0123456789abcdef-project.json", true},
      {".vemba-sync.tmp-00aa11bb22cc33dd-.vemba-sync.json", true},
      {"project.tmp-project.json", true},
      {"snap-5.tmp-snap-5.json", true},
      {"README.tmp-README", true},
      {"a.tmp-b.tmp-a.tmp-b.json", true},  // a stem holding the mark
      {".vemba-tmp-0123456789abcde", false},
      {".vemba-tmp-0123456789abcdef0", false},
      {".vemba-tmp-0123456789ABCDEF", false},
      {".vemba-tmp-0123456789abcdef.png", false},
      {"take.tmp-2-take.mov", false},  // a tag that is no tag of ours
      {"logo.tmp-cafe-logo.png", false},
      {".vemba-sync.tmp-4711-.vemba-sync.json", false},
      {"project.tmp-0123456789abcdef-other.json", false},
      {"notes.tmp-snap-5.json", false},
      {"project.json", false},
      {".tmp-x", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(is_temp_name(c.name), c.temp);
  }
  const fs::path made = temp_path_in("/d");
  EXPECT_EQ(made.parent_path(), "/d");
  EXPECT_TRUE(is_temp_name(made.filename().string()));
  // Short, so a target of the longest name a folder takes can be written.
  EXPECT_EQ(made.filename().string().size(), 27u);
}

TEST(Temporaries, TagsDoNotRepeat) {
  std::set<std::string> tags;
  for (int i = 0; i < 1000; ++i) tags.insert(random_tag());
  EXPECT_EQ(tags.size(), 1000u);
  EXPECT_EQ(random_tag().size(), 16u);
}

// A dead writer's temporary goes once it is over a minute old, a live one's
// stays, links, other folders and look-alikes stay, and a folder is listed
// once per process unless a write there failed. A project folder that a dead
// server was making goes too, unless it holds more than such a folder does.
TEST(Temporaries, SweepRemovesOnlyWhatDeadWritersLeft) {
  TempDir dir;
  TempDir outside;
  const auto age = [&](const fs::path& p, std::chrono::seconds old) {
    fs::last_write_time(p, fs::file_time_type::clock::now() - old);
  };
  const auto plant = [&](const char* name, std::chrono::seconds old) {
    write_file(dir / name, "x");
    age(dir / name, old);
  };
  plant(".vemba-tmp-00aa11bb22cc33dd", 5min);
  plant(".vemba-tmp-0123456789abcdef", 50s);
  plant("project.tmp-0123456789abcdef-project.json", 61min);
  plant("project.tmp-project.json", 2min);
  plant("snap-5.tmp-snap-5.json", 30s);
  plant("take.tmp-2-take.mov", 9min);
  plant("logo.tmp-cafe-logo.png", 9min);
  plant("notes.txt", 9min);
  const auto draft = [&](const char* name, std::chrono::seconds old, std::vector<std::string> files) {
    fs::create_directories(dir / name / "assets");
    for (const std::string& file : files) write_file(dir / name / file, "x");
    age(dir / name, old);
  };
  draft(".vemba-tmp-aaaaaaaaaaaaaaaa", 5min, {});
  draft(".vemba-tmp-cccccccccccccccc", 5min, {".vemba", "project.json", ".vemba-tmp-dddddddddddddddd"});
  draft(".vemba-tmp-eeeeeeeeeeeeeeee", 30s, {".vemba", "project.json"});
  draft(".vemba-tmp-1111111111111111", 5min, {".vemba", "project.json", "assets/shot.png"});
  draft("shot.tmp-shot", 5min, {});  // only the own form is a draft
  write_file(outside / "kept.txt", "the user's");
  age(outside / "kept.txt", 5min);
  fs::create_symlink(outside / "kept.txt", dir / ".vemba-tmp-bbbbbbbbbbbbbbbb");

  sweep_temporaries(dir.path());
  const std::vector<std::string> kept{".vemba-tmp-0123456789abcdef",
                                      ".vemba-tmp-1111111111111111",
                                      ".vemba-tmp-bbbbbbbbbbbbbbbb",
                                      ".vemba-tmp-eeeeeeeeeeeeeeee",
                                      "logo.tmp-cafe-logo.png",
                                      "notes.txt",
                                      "shot.tmp-shot",
                                      "snap-5.tmp-snap-5.json",
                                      "take.tmp-2-take.mov"};
  EXPECT_EQ(list_names(dir.path()), kept);
  EXPECT_TRUE(fs::exists(outside / "kept.txt"));

  plant(".vemba-tmp-ffffffffffffffff", 3min);
  sweep_temporaries(dir.path());
  EXPECT_EQ(list_names(dir.path()).size(), kept.size() + 1) << "listed twice";
  sweep_again(dir.path());
  sweep_temporaries(dir.path());
  EXPECT_EQ(list_names(dir.path()), kept);
}

}  // namespace
}  // namespace vemba_core::project_io
