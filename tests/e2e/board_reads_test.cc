// get_outline, search_project and render_board through the real binary:
// their replies, their failure texts, and nothing written.

#include "e2e/board_fixture.h"
#include "e2e/image_fixtures.h"

#include <spng.h>

#include <fmt/format.h>

namespace vemba_test {
namespace {

namespace io = vemba_core::project_io;

// The picture of an image reply, which must be 8-bit RGB.
struct Png {
  DecodedPng png;

  std::string size() const { return fmt::format("{}x{}", png.width, png.height); }
  std::string at(std::uint32_t x, std::uint32_t y) const {
    return fmt::format("#{:02X}{:02X}{:02X}", png.sample(x, y, 0), png.sample(x, y, 1), png.sample(x, y, 2));
  }
};

Png picture_of(const ToolReply& r) {
  EXPECT_FALSE(r.is_error()) << r.text();
  const std::optional<DecodedPng> png = reply_png(r);
  EXPECT_TRUE(png);
  if (!png) return {};
  EXPECT_EQ(png->depth, 8);
  EXPECT_EQ(png->colour_type, SPNG_COLOR_TYPE_TRUECOLOR);
  return {*png};
}

class BoardReadsTest : public FilmTest {
 protected:
  void SetUp() override { before_ = tree_of(s_.library()); }
  // Reads leave the library as it was: no write, no snapshot, no signal.
  void TearDown() override { EXPECT_EQ(tree_of(s_.library()), before_); }

  std::map<std::string, std::string> before_;
};

TEST_F(BoardReadsTest, OutlineListsGroupsMembersAndOrphans) {
  const ToolReply r = edit("get_outline");
  ASSERT_FALSE(r.is_error()) << r.text();
  const json::value outline = parse(r.text());
  EXPECT_EQ(r.text(), io::to_pretty(outline));
  EXPECT_EQ(part_of(r.result, {"structuredContent"}), to_compact(outline));
  EXPECT_EQ(to_compact(outline),
            R"({"groups":[{"hidden":false,"id":"g7","name":"Act","nodes":[)"
            R"({"hidden":false,"id":"n1","number":"2","role":"","title":"One","type":"vemba"}],)"
            R"("order":null,"role":""}],"orphans":[)"
            R"({"hidden":false,"id":"n2","role":"","title":"Two","type":"note"},)"
            R"({"hidden":false,"id":"n3","number":"1","role":"","title":"Three","type":"vemba"}],"project":"Film"})");
}

TEST_F(BoardReadsTest, SearchFindsCardsAndGroups) {
  const ToolReply r = edit("search_project", R"({"query":"  tHREE "})");
  ASSERT_FALSE(r.is_error()) << r.text();
  EXPECT_EQ(io::member(r.result, "structuredContent"), nullptr);
  EXPECT_EQ(to_compact(parse(r.text())), R"([{"id":"n3","snippet":"Three","title":"Three","type":"vemba"}])");
  EXPECT_EQ(to_compact(parse(edit("search_project", R"({"query":"act"})").text())),
            R"([{"id":"g7","snippet":"Act","title":"Act","type":"group"}])");
  for (const char* args : {R"({})", R"({"query":7})", R"({"query":"   "})"}) {
    SCOPED_TRACE(args);
    const ToolReply none = edit("search_project", args);
    EXPECT_FALSE(none.is_error());
    EXPECT_EQ(to_compact(parse(none.text())), "[]");
  }
}

TEST_F(BoardReadsTest, RenderBoardViews) {
  struct Case {
    const char* args;
    const char* size;
  };
  // The whole board runs from the group's corner (0, 0) to the measured
  // card's right edge at 1070.5 and the first card's bottom at 496.
  const Case cases[] = {
      {R"({})", "1151x576"},
      {R"({"groupId":"g7"})", "448x328"},
      {R"({"x":100,"y":100,"w":2400,"h":600})", "1200x300"},
      {R"({"x":0,"y":0,"w":300,"h":200.5,"groupId":"nope"})", "300x201"},
      {R"({"x":0,"y":0,"w":800})", "1151x576"},
      {R"({"x":"0","y":0,"w":800,"h":100,"groupId":"g7"})", "448x328"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    EXPECT_EQ(picture_of(edit("render_board", c.args)).size(), c.size);
  }
  const Png whole = picture_of(edit("render_board"));
  ASSERT_EQ(whole.size(), "1151x576");
  EXPECT_EQ(whole.at(0, 0), "#FFFFFF");
  EXPECT_EQ(whole.at(40, 40), "#A59B8C");   // the group's corner
  EXPECT_EQ(whole.at(300, 400), "#F5EDE2");  // inside the first card
  EXPECT_EQ(whole.at(600, 200), "#FBE89E");  // inside the note
}

TEST_F(BoardReadsTest, RenderBoardFailures) {
  struct Case {
    const char* args;
    const char* error;
  };
  const Case cases[] = {
      {R"({"groupId":"g9"})", "group not found: g9"},
      {R"({"groupId":""})", "group not found: "},
      {R"({"x":0,"y":0,"w":0,"h":100})", "invalid render rect (w/h must be > 0)"},
      {R"({"x":0,"y":0,"w":100,"h":-5,"groupId":"g7"})", "invalid render rect (w/h must be > 0)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args);
    const ToolReply r = edit("render_board", c.args);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), c.error);
  }
}

TEST(BoardReads, EmptyBoardAndMissingProject) {
  Session s;
  s.make_project("Empty", R"({"name":"Empty","nodes":[],"groups":[],"edges":[{"from":"a","to":"b"}]})");
  const ToolReply empty = s.call("render_board", {{"project", "Empty"}});
  EXPECT_TRUE(empty.is_error());
  EXPECT_EQ(empty.text(), "board is empty — nothing to render");
  EXPECT_EQ(to_compact(parse(s.call("get_outline", {{"project", "Empty"}}).text())),
            R"({"groups":[],"orphans":[],"project":"Empty"})");
  for (const char* tool : {"get_outline", "search_project", "render_board"}) {
    SCOPED_TRACE(tool);
    const ToolReply r = s.call(tool, {{"query", "x"}});
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), "missing 'project'");
  }
}

}  // namespace
}  // namespace vemba_test
