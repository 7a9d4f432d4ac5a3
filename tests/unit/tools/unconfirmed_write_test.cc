// A write whose rename is made but whose folder's sync then fails is answered
// for what it is: a failure whose text says the change was made, so that no
// host makes it again blindly; it is made once, and the app's signal still
// ends at "done".

#include "project_io/store/store.h"
#include "support/failing_disk.h"
#include "support/temp_dir.h"
#include "vemba_connector/tools/tools.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

namespace vemba_connector {
namespace {

using vemba_test::DiskCall;
using vemba_test::FailingDisk;
using vemba_test::list_names;
using vemba_test::slurp;
using vemba_test::TempDir;
using vemba_test::write_file;
namespace io = vemba_core::project_io;

constexpr const char* kMade =
    "sync folder: Input/output error \u2014 the change was made, but the disk did not confirm it is stored; check "
    "before trying again";

TEST(UnconfirmedWrite, EveryWritingToolSaysWhatWasMade) {
  struct Case {
    const char* tool;
    const char* arguments;
    const char* folder;  // whose sync fails, in the library
    const char* reply;
    std::size_t cards;  // in Film afterwards
    std::vector<std::string> library;
  };
  const std::vector<std::string> kSignalled{".vemba-sync.json", "Film"};
  const Case cases[] = {
      {"add_vemba", R"({"project": "Film", "title": "New"})", "Film", kMade, 2, kSignalled},
      {"batch", R"({"project": "Film", "ops": [{"tool": "add_vemba", "arguments": {"title": "New"}}]})", "Film", kMade,
       2, kSignalled},
      {"undo_last", R"({"project": "Film"})", "Film", kMade, 0, kSignalled},
      {"write_asset",
       R"({"project": "Film", "filename": "a.png", "bytesBase64": "AAAA"})",
       "Film/assets",
       kMade,
       1,
       {"Film"}},
      {"create_project",
       R"({"name": "Pilot"})",
       "",
       "sync folder: Input/output error \u2014 the project \"Pilot\" was created, but the disk did not confirm it is "
       "stored; check before trying again",
       1,
       {"Film", "Pilot"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.tool);
    TempDir lib;
    write_file(lib / "Film" / ".vemba", "1\n");
    write_file(lib / "Film" / "project.json", R"({"nodes": [{"id": "n1", "type": "vemba", "x": 0, "y": 0}]})");
    write_file(lib / "Film" / "assets" / "old.png", "x");
    write_file(lib / "Film" / ".vemba-history" / "snap-1.json", R"({"nodes": []})");
    FailingDisk disk;
    disk.fail_exactly(DiskCall::kFsync, EIO, *c.folder ? (lib / c.folder).string() : lib.path().string());
    const std::vector<std::string> args{"vemba_connector", "--library", lib.path().string()};
    const json::value params = json::object{{"name", c.tool}, {"arguments", io::parse_json(c.arguments).value()}};
    const ToolResult r = handle_call(params, args);
    EXPECT_EQ(r.kind, ToolResult::Kind::kError);
    EXPECT_EQ(r.text, c.reply);
    const auto film = io::read_project(lib.path(), lib / "Film");
    ASSERT_TRUE(film);
    EXPECT_EQ(film->at("nodes").as_array().size(), c.cards);
    EXPECT_EQ(list_names(lib.path()), c.library);
    if (c.library == kSignalled) {
      EXPECT_TRUE(slurp(lib / ".vemba-sync.json").ends_with(R"("status":"done"})"));
    }
  }
}

}  // namespace
}  // namespace vemba_connector
