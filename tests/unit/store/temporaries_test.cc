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

TEST(Temporaries, NamesAreMadeAndReadBack) {
  struct Case {
    const char* name;
    std::optional<TempName> read;
  };
  const Case cases[] = {
      {"project.tmp-project.json", TempName{"project.json", false}},
      {"project.tmp-0f3a9c-project.json", TempName{"project.json", true}},
      {".vemba-sync.tmp-.vemba-sync.json", TempName{".vemba-sync.json", false}},
      // What servers of before wrote: the process id alone as the tag.
      {".vemba-sync.tmp-4711-.vemba-sync.json", TempName{".vemba-sync.json", true}},
      {"snap-5.tmp-snap-5.json", TempName{"snap-5.json", false}},
      {"README.tmp-README", TempName{"README", false}},
      // A target whose stem holds the mark or a "-" is still told apart.
      {"a.tmp-b.tmp-a.tmp-b.json", TempName{"a.tmp-b.json", false}},
      {"abc-x.tmp-abc-x.json", TempName{"abc-x.json", false}},
      {"project.json", std::nullopt},
      {"notes.tmp-snap-5.json", std::nullopt},
      {"project.tmp-0F3A-project.json", std::nullopt},  // tags are lower case
      {"project.tmp-zz-project.json", std::nullopt},
      {".tmp-x", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const auto read = read_temp_name(c.name);
    ASSERT_EQ(read.has_value(), c.read.has_value());
    if (!read) continue;
    EXPECT_EQ(read->target, c.read->target);
    EXPECT_EQ(read->own, c.read->own);
  }
  for (const char* target : {"project.json", ".vemba-sync.json", "snap-12.json", "photo.png", "README"}) {
    SCOPED_TRACE(target);
    const std::string own = own_temp_path_for(fs::path("/d") / target, random_tag()).filename().string();
    ASSERT_TRUE(read_temp_name(own));
    EXPECT_EQ(read_temp_name(own)->target, target);
    EXPECT_TRUE(read_temp_name(own)->own);
    EXPECT_EQ(read_temp_name(temp_path_for(fs::path("/d") / target).filename().string())->target, target);
  }
}

TEST(Temporaries, TagsDoNotRepeat) {
  std::set<std::string> tags;
  for (int i = 0; i < 1000; ++i) tags.insert(random_tag());
  EXPECT_EQ(tags.size(), 1000u);
  EXPECT_EQ(random_tag().size(), 16u);
}

// A dead writer's own temporary goes, a live one's (fresh) stays, and a
// folder is listed once per process unless a write there failed.
TEST(Temporaries, SweepRemovesOnlyWhatDeadWritersLeft) {
  TempDir dir;
  const auto plant = [&](const char* name, std::chrono::minutes age) {
    write_file(dir / name, "x");
    fs::last_write_time(dir / name, fs::file_time_type::clock::now() - age);
  };
  plant(".vemba-sync.tmp-4711-.vemba-sync.json", 5min);
  plant(".vemba-sync.tmp-00aa11bb22cc33dd-.vemba-sync.json", 0min);
  plant("project.tmp-0123456789abcdef-project.json", 2min);
  plant("snap-5.tmp-snap-5.json", 0min);
  plant("project.tmp-project.json", 9min);  // the shared one is reused, never swept
  plant("notes.txt", 9min);
  fs::create_directory(dir / "snap-7.tmp-0a-snap-7.json");
  fs::last_write_time(dir / "snap-7.tmp-0a-snap-7.json", fs::file_time_type::clock::now() - 5min);

  sweep_temporaries(dir.path(), Sweep::kWithSnapshots);
  const std::vector<std::string> kept{".vemba-sync.tmp-00aa11bb22cc33dd-.vemba-sync.json", "notes.txt",
                                      "project.tmp-project.json", "snap-7.tmp-0a-snap-7.json"};
  EXPECT_EQ(list_names(dir.path()), kept);

  plant("project.tmp-ffff-project.json", 3min);
  sweep_temporaries(dir.path());
  EXPECT_EQ(list_names(dir.path()).size(), kept.size() + 1) << "listed twice";
  sweep_again(dir.path());
  sweep_temporaries(dir.path());
  EXPECT_EQ(list_names(dir.path()), kept);
}

TEST(Temporaries, PlainSweepLeavesSnapshotTemporaries) {
  TempDir dir;
  write_file(dir / "snap-5.tmp-snap-5.json", "x");
  sweep_temporaries(dir.path());
  EXPECT_EQ(list_names(dir.path()), std::vector<std::string>{"snap-5.tmp-snap-5.json"});
}

}  // namespace
}  // namespace vemba_core::project_io
