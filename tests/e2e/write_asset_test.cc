#include "e2e/project_fixture.h"

#include <gtest/gtest.h>

namespace vemba_test {
namespace {

std::string wrote(std::string_view name, std::size_t bytes) {
  return "Wrote assets/" + std::string(name) + " (" + std::to_string(bytes) + " bytes). Reference it by the bare " +
         "filename \"" + std::string(name) +
         "\" (e.g. in a node's images array, a shot's ref, or plan.bg). The app generates its own thumbnails on open.";
}

class WriteAsset : public FilmProject {
 protected:
  WriteAsset() : FilmProject(R"({"name": "Film"})") { fs::remove(folder_ / "assets"); }
  ToolReply write(json::object args) { return call("write_asset", std::move(args)); }
};

TEST_F(WriteAsset, DecodesStrictBase64) {
  struct Case {
    const char* name;
    json::object args;
    const char* error;       // null: succeeds
    std::string_view bytes;  // the file written on success
  };
  const Case cases[] = {
      {"valid", {{"bytesBase64", "aGVsbG8="}}, nullptr, "hello"},
      {"binary", {{"bytesBase64", "AP8A"}}, nullptr, std::string_view("\0\xFF\0", 3)},
      {"old key", {{"bytes_base64", "aGk="}}, nullptr, "hi"},
      {"bad symbol", {{"bytesBase64", "aGVs*G8="}}, "bytesBase64 did not decode: Invalid symbol 42, offset 4.", {}},
      {"pad inside", {{"bytesBase64", "aG=sbG8="}}, "bytesBase64 did not decode: Invalid symbol 61, offset 2.", {}},
      {"bad length", {{"bytesBase64", "aGVsb"}}, "bytesBase64 did not decode: Invalid input length: 5", {}},
      {"no padding", {{"bytesBase64", "aGVsbG8"}}, "bytesBase64 did not decode: Invalid padding", {}},
      {"bad last symbol",
       {{"bytesBase64", "aGVsbG9="}},
       "bytesBase64 did not decode: Invalid last symbol 57, offset 6.",
       {}},
      {"line break", {{"bytesBase64", "aGVs\nbG8="}}, "bytesBase64 did not decode: Invalid symbol 10, offset 4.", {}},
      {"trailing line feed",
       {{"bytesBase64", "aGVsbG8=\n"}},
       "bytesBase64 did not decode: Invalid symbol 10, offset 8.",
       {}},
      {"old key decodes the same way",
       {{"bytes_base64", "aGVsb"}},
       "bytesBase64 did not decode: Invalid input length: 5",
       {}},
      {"empty", {{"bytesBase64", ""}}, "empty file", {}},
      {"no content", {}, "empty file", {}},
      {"not a text wins over the old key", {{"bytesBase64", 5}, {"bytes_base64", "aGk="}}, "empty file", {}},
      {"empty text wins over the old key", {{"bytesBase64", ""}, {"bytes_base64", "aGk="}}, "empty file", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::object args = c.args;
    args["filename"] = "a.bin";
    fs::remove(folder_ / "assets" / "a.bin");
    ToolReply r = write(args);
    if (c.error) {
      EXPECT_TRUE(r.is_error());
      EXPECT_EQ(r.text(), c.error);
      EXPECT_FALSE(fs::exists(folder_ / "assets" / "a.bin"));
    } else {
      EXPECT_FALSE(r.is_error()) << r.text();
      EXPECT_EQ(r.text(), wrote("a.bin", c.bytes.size()));
      EXPECT_EQ(slurp(folder_ / "assets" / "a.bin"), c.bytes);
    }
  }
}

TEST_F(WriteAsset, FileNames) {
  struct Case {
    json::value filename;  // null: not given
    const char* base64;
    const char* text;
  };
  const Case cases[] = {
      {"a/b.png", "aGk=", "invalid asset filename: a/b.png"},
      {"a\\b.png", "aGk=", "invalid asset filename: a\\b.png"},
      {"a..b.png", "aGk=", "invalid asset filename: a..b.png"},
      {"..", "aGk=", "invalid asset filename: .."},
      {"", "aGk=", "invalid asset filename: "},
      {nullptr, "aGk=", "invalid asset filename: "},
      {7, "aGk=", "invalid asset filename: "},
      {"a/b.png", "", "empty file"},  // content is tested first
      // Cut at the NUL, the name would write a.png in place.
      {json::string("a.png\0x", 7), "aGk=", "create temp: Invalid argument"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    json::object args{{"bytesBase64", c.base64}};
    if (!c.filename.is_null()) args["filename"] = c.filename;
    ToolReply r = write(args);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), c.text);
  }
  EXPECT_EQ(list_names(folder_ / "assets"), std::vector<std::string>{});
}

TEST_F(WriteAsset, ReplacesAndLeavesTheProjectAlone) {
  const std::string before = slurp(folder_ / "project.json");
  EXPECT_EQ(write({{"filename", "still one.jpg"}, {"bytesBase64", "aGVsbG8="}}).text(), wrote("still one.jpg", 5));
  EXPECT_EQ(write({{"filename", "still one.jpg"}, {"bytesBase64", "aGk="}}).text(), wrote("still one.jpg", 2));
  EXPECT_EQ(slurp(folder_ / "assets" / "still one.jpg"), "hi");
  EXPECT_EQ(list_names(folder_ / "assets"), std::vector<std::string>{"still one.jpg"});
  EXPECT_EQ(slurp(folder_ / "project.json"), before);
  EXPECT_FALSE(fs::exists(folder_ / ".vemba-history"));
  EXPECT_FALSE(fs::exists(s_.library() / ".vemba-sync.json"));
  EXPECT_EQ(s_.call("write_asset", json::object{{"filename", "x"}, {"bytesBase64", "aGk="}}).text(),
            "missing 'project'");
}

}  // namespace
}  // namespace vemba_test
