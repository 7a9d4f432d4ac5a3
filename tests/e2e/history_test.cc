#include "e2e/project_fixture.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace vemba_test {
namespace {

using vemba_core::project_io::text_of;
using vemba_core::project_io::to_compact;
using vemba_core::project_io::to_pretty;

constexpr std::string_view kCurrent = R"({"name":"Now","nodes":[{"id":"n1"}],"edges":[],"groups":[],"images":[],)"
                                      R"("links":[],"documents":[],"mediaShelf":[],"videoEmbeds":[],"bindings":[],)"
                                      R"("extra":true})";
constexpr std::string_view kOlder = R"({"name":"Before","nodes":[],"edges":[],"groups":[],"images":[],"links":[],)"
                                    R"("documents":[],"mediaShelf":[],"videoEmbeds":[],"bindings":[]})";

std::string restored(std::string_view name) {
  return "Restored " + std::string(name) +
         ". The state it replaced was itself snapshotted first, so this restore is reversible via list_history.";
}

class History : public FilmProject {
 protected:
  // As the server writes it, so a round trip can be compared byte for byte.
  History() : FilmProject(to_pretty(parse(kCurrent))) {}
  fs::path history_dir() const { return folder_ / ".vemba-history"; }
  void snapshot(std::string_view name, std::string_view bytes) { write_file(history_dir() / std::string(name), bytes); }
  json::array listed() {
    ToolReply r = s_.call("list_history", json::object{{"project", "Film"}});
    EXPECT_FALSE(r.is_error()) << r.text();
    json::value v = parse(r.text());
    return v.is_array() ? v.as_array() : json::array();
  }
  std::string signal() const { return slurp(s_.library() / ".vemba-sync.json"); }
  std::string signal_status() const {
    const std::string text = signal();
    return text.empty() ? "" : std::string(text_of(parse(text), "status"));
  }
};

TEST_F(History, ListsQualifyingNamesNewestFirst) {
  struct File {
    const char* name;
    std::size_t bytes;  // 0: not listed
  };
  const File files[] = {
      {"snap-9.json", 9},
      {"snap-10.json", 10},
      {"snap-100.json", 100},
      {"notes.txt", 0},
      {"snap-05.json", 5},
      {"snap-+7.json", 7},
      {"snap-18446744073709551615.json", 20},
      {"snap-18446744073709551616.json", 0},
      {"snap-.json", 0},
      {"snap-abc.json", 0},
      {"snap--5.json", 0},
      {"snap-++5.json", 0},
      {"snap-5.tmp-snap-5.json", 0},
      {"snap-5.json.bak", 0},
      {"snap-1.JSON", 0},
  };
  for (const File& f : files) snapshot(f.name, std::string(f.bytes ? f.bytes : 3, 'x'));
  // A link reports its own size; a folder with a qualifying name is listed.
  fs::create_symlink(folder_ / "project.json", history_dir() / "snap-4.json");
  fs::create_directory(history_dir() / "snap-3.json");
  struct stat link {
  }, dir{};
  ASSERT_EQ(::lstat((history_dir() / "snap-4.json").c_str(), &link), 0);
  ASSERT_EQ(::lstat((history_dir() / "snap-3.json").c_str(), &dir), 0);

  struct Row {
    const char* name;
    std::uint64_t at_ms, bytes;
  };
  const Row rows[] = {{"snap-18446744073709551615.json", 18446744073709551615ull, 20},
                      {"snap-100.json", 100, 100},
                      {"snap-10.json", 10, 10},
                      {"snap-9.json", 9, 9},
                      {"snap-+7.json", 7, 7},
                      {"snap-05.json", 5, 5},
                      {"snap-4.json", 4, static_cast<std::uint64_t>(link.st_size)},
                      {"snap-3.json", 3, static_cast<std::uint64_t>(dir.st_size)}};
  json::array expected;
  for (const Row& row : rows)
    expected.push_back(json::object{{"atMs", row.at_ms}, {"bytes", row.bytes}, {"snapshot", row.name}});
  EXPECT_EQ(to_compact(json::value(listed())), to_compact(json::value(expected)));
}

TEST_F(History, EmptyWithoutSnapshotFolder) {
  ToolReply r = call("list_history");
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(r.text(), "[]");
  EXPECT_EQ(signal(), "");
}

TEST_F(History, ListingNeedsALoadableProject) {
  write_file(folder_ / "project.json", "{oops");
  snapshot("snap-1.json", "{}");
  ToolReply r = call("list_history");
  EXPECT_TRUE(r.is_error());
  EXPECT_TRUE(r.text().starts_with("parse project: ")) << r.text();
}

TEST_F(History, RestoreSnapshotsTheReplacedStateAndSignals) {
  snapshot("snap-1000.json", kOlder);
  const std::string before = slurp(folder_ / "project.json");
  ToolReply r = call("restore_snapshot", {{"snapshot", "snap-1000.json"}});
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(r.text(), restored("snap-1000.json"));
  // Written anew in the pretty form, not copied byte for byte.
  EXPECT_EQ(slurp(folder_ / "project.json"), to_pretty(parse(kOlder)));
  const json::array history = listed();
  ASSERT_EQ(history.size(), 2u);
  const std::string newest(text_of(history[0], "snapshot"));
  EXPECT_NE(newest, "snap-1000.json");
  EXPECT_EQ(slurp(history_dir() / newest), before);
  EXPECT_EQ(slurp(history_dir() / "snap-1000.json"), kOlder);
  const std::string record = signal();
  EXPECT_TRUE(record.starts_with("{\"at\":")) << record;
  EXPECT_TRUE(record.ends_with(R"(,"message":"","project":"Film","status":"done"})")) << record;
}

TEST_F(History, TwoUndosGiveBackTheStateBeforeTheFirst) {
  snapshot("snap-1000.json", kOlder);
  const std::string now = slurp(folder_ / "project.json");
  ToolReply first = call("undo_last", {{"snapshot", "snap-nothing.json"}});
  EXPECT_EQ(first.text(), restored("snap-1000.json"));
  EXPECT_EQ(to_compact(s_.state("Film")), to_compact(parse(kOlder)));
  ToolReply second = call("undo_last");
  EXPECT_FALSE(second.is_error()) << second.text();
  EXPECT_EQ(slurp(folder_ / "project.json"), now);
  EXPECT_EQ(listed().size(), 3u);
  EXPECT_EQ(signal_status(), "done");
}

TEST_F(History, RestoringAnEmptyObjectNormalizes) {
  snapshot("snap-abc.json", "{}");
  EXPECT_EQ(call("restore_snapshot", {{"snapshot", "snap-abc.json"}}).text(), restored("snap-abc.json"));
  const json::value state = s_.state("Film");
  EXPECT_EQ(to_compact(state),
            R"({"bindings":[],"documents":[],"edges":[],"groups":[],"images":[],"links":[],"mediaShelf":[],)"
            R"("name":"Untitled project","nodes":[],"videoEmbeds":[]})");
}

// The restore name rule is not the bare-name rule: "\\" is an ordinary
// character of a file name, so a snapshot holding one is found.
TEST_F(History, RestoreTakesANameHoldingABackslash) {
  snapshot("snap-1\\2.json", "{}");
  EXPECT_EQ(call("restore_snapshot", {{"snapshot", "snap-1\\2.json"}}).text(), restored("snap-1\\2.json"));
}

TEST_F(History, UndoWithoutSnapshotsWritesNothing) {
  ToolReply r = call("undo_last");
  EXPECT_TRUE(r.is_error());
  EXPECT_EQ(r.text(), "no snapshots yet \u2014 nothing to undo");
  EXPECT_FALSE(fs::exists(s_.library() / ".vemba-sync.json"));
  EXPECT_FALSE(fs::exists(history_dir()));
}

TEST_F(History, RefusedRestoresChangeNothing) {
  snapshot("snap-1000.json", kOlder);
  snapshot("snap-3000.json", "not json");
  snapshot("snap-4000.json", "[1]");
  snapshot("snap-5000.json", "{\"name\": \"\xFF\"}");
  struct Case {
    const char* name;
    json::value snapshot;  // null: not given
    const char* text;
    const char* signal;  // the last status written, "" for none
  };
  const Case cases[] = {
      {"missing", nullptr, "missing 'snapshot' (a name from list_history)", ""},
      {"a number", 5, "missing 'snapshot' (a name from list_history)", ""},
      {"empty", "", "invalid snapshot name:  (use a name from list_history)", "done"},
      {"climbs out", "../project.json", "invalid snapshot name: ../project.json (use a name from list_history)",
       "done"},
      {"folder in the name", "snap-1/../../x.json",
       "invalid snapshot name: snap-1/../../x.json (use a name from list_history)", "done"},
      {"no prefix", "project.json", "invalid snapshot name: project.json (use a name from list_history)", "done"},
      {"no such file", "snap-2000.json", "read snapshot: No such file or directory", "done"},
      {"not JSON", "snap-3000.json", "snapshot is not valid JSON: syntax error at line 1 column 1", "done"},
      {"not an object", "snap-4000.json", "invalid snapshot: project state is not a JSON object", "done"},
      {"not UTF-8", "snap-5000.json", "read snapshot: stream did not contain valid UTF-8", "done"},
  };
  const std::string before = slurp(folder_ / "project.json");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(s_.library() / ".vemba-sync.json");
    json::object args;
    if (!c.snapshot.is_null()) args["snapshot"] = c.snapshot;
    ToolReply r = call("restore_snapshot", args);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), c.text);
    EXPECT_EQ(signal_status(), c.signal);
    EXPECT_EQ(slurp(folder_ / "project.json"), before);
    EXPECT_EQ(list_names(history_dir()).size(), 4u);
  }
}

TEST_F(History, ProjectThatDoesNotLoadSendsNoSignal) {
  for (const char* tool : {"undo_last", "restore_snapshot", "open_project"}) {
    SCOPED_TRACE(tool);
    ToolReply r = s_.call(tool, json::object{{"project", "Nope"}, {"snapshot", "snap-1.json"}});
    EXPECT_TRUE(r.is_error());
    EXPECT_TRUE(r.text().starts_with("path not found: ")) << r.text();
    EXPECT_EQ(s_.call(tool, json::object{}).text(), "missing 'project'");
  }
  EXPECT_FALSE(fs::exists(s_.library() / ".vemba-sync.json"));
}

TEST_F(History, OpenProjectSignalsOpen) {
  ToolReply r = call("open_project");
  EXPECT_FALSE(r.is_error());
  EXPECT_EQ(r.text(),
            "Asked Vemba to open \"Film\". If the app is running it switches to it now; if not, it opens on next "
            "launch's signal check.");
  const std::string record = signal();
  EXPECT_TRUE(record.starts_with("{\"at\":")) << record;
  EXPECT_TRUE(record.ends_with(R"(,"message":"","project":"Film","status":"open"})")) << record;
  EXPECT_FALSE(fs::exists(history_dir()));
}

}  // namespace
}  // namespace vemba_test
