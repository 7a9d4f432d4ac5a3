#include "project_io/board/board.h"

#include "project_io/json/json.h"
#include "support/shortcuts.h"

#include <fmt/format.h>
#include <gtest/gtest.h>

namespace vemba_core::project_io {
namespace {

using vemba_test::add_node;

json::value empty_board() { return *parse_json(R"({"nodes":[],"videoEmbeds":[]})"); }

TEST(AddVideoEmbed, ParsesLinks) {
  struct Case {
    const char* url;
    const char* provider;
    const char* id;
  };
  const Case cases[] = {
      {"https://www.youtube.com/watch?v=dQw4w9WgXcQ&t=42s", "youtube", "dQw4w9WgXcQ"},
      {"https://youtu.be/abcdefghij0123456789?si=x", "youtube", "abcdefghij0123456789"},
      {"https://youtube.com/shorts/a-b_c1#frag", "youtube", "a-b_c1"},
      {"https://www.youtube-nocookie.com/embed/xyz123/", "youtube", "xyz123"},
      {"https://example.org/watch?v=ABCDEF", "youtube", "ABCDEF"},
      // The short-link marker outranks watch?v= wherever it stands.
      {"https://x.test/watch?v=zzzzzzzz&from=youtu.be/shortid", "youtube", "shortid"},
      {"https://vimeo.com/76979871", "vimeo", "76979871"},
      {"https://player.vimeo.com/video/123456?h=1", "vimeo", "123456"},
      {" \thttps://vimeo.com/987654\n ", "vimeo", "987654"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    json::value d = empty_board();
    ASSERT_EQ(add_video_embed(d, c.url, std::nullopt, std::nullopt).value(), "vid201");
    const json::value& e = array_of(d, "videoEmbeds")->at(0);
    EXPECT_EQ(text_of(e, "provider"), c.provider);
    EXPECT_EQ(text_of(e, "videoId"), c.id);
    EXPECT_EQ(text_of(e, "originalUrl"), trim_white(c.url));
  }
}

TEST(AddVideoEmbed, RefusesLinksWithoutAnId) {
  const std::string only =
      "only YouTube and Vimeo URLs make embed cards (got: {}). For downloads/extraction, "
      "use the app's video importer.";
  struct Case {
    const char* url;
    std::string error;
  };
  const Case cases[] = {
      {"https://youtu.be/abcde", "could not parse a YouTube id from: https://youtu.be/abcde"},
      {"https://www.youtube.com/watch?v=ab&cdefgh",
       "could not parse a YouTube id from: https://www.youtube.com/watch?v=ab&cdefgh"},
      {"https://vimeo.com/channels/staffpicks",
       "could not parse a Vimeo id from: https://vimeo.com/channels/staffpicks"},
      {"https://vimeo.com/12345", "could not parse a Vimeo id from: https://vimeo.com/12345"},
      {"https://www.youtube.com/watch?feature=x&v=dQw4w9WgXcQ",
       fmt::format(fmt::runtime(only), "https://www.youtube.com/watch?feature=x&v=dQw4w9WgXcQ")},
      {"  ", fmt::format(fmt::runtime(only), "")},
      {" https://Vimeo.com/123456 ", fmt::format(fmt::runtime(only), "https://Vimeo.com/123456")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    json::value d = empty_board();
    EXPECT_EQ(add_video_embed(d, c.url, std::nullopt, std::nullopt).error(), c.error);
    EXPECT_TRUE(array_of(d, "videoEmbeds")->empty());
  }
  json::value no_array = *parse_json(R"({"nodes":[]})");
  EXPECT_EQ(add_video_embed(no_array, "https://vimeo.com/123456", std::nullopt, std::nullopt).error(),
            "videoEmbeds not array");
}

TEST(AddVideoEmbed, RecordAndPlacement) {
  json::value d = empty_board();
  const std::string url = "https://youtu.be/abcdef";
  ASSERT_TRUE(add_video_embed(d, url, std::nullopt, std::nullopt));
  ASSERT_TRUE(add_video_embed(d, url, std::nullopt, std::nullopt));
  ASSERT_TRUE(add_node(d, "note", "", ""));
  ASSERT_TRUE(add_video_embed(d, url, std::nullopt, std::nullopt));
  ASSERT_TRUE(add_video_embed(d, url, 7, -3.5));
  EXPECT_EQ(to_compact(*member(d, "videoEmbeds")),
            R"([{"h":200,"id":"vid201","originalUrl":"https://youtu.be/abcdef","provider":"youtube",)"
            R"("videoId":"abcdef","w":360,"x":120.0,"y":120.0},)"
            R"({"h":200,"id":"vid202","originalUrl":"https://youtu.be/abcdef","provider":"youtube",)"
            R"("videoId":"abcdef","w":360,"x":120.0,"y":120.0},)"
            R"({"h":200,"id":"vid204","originalUrl":"https://youtu.be/abcdef","provider":"youtube",)"
            R"("videoId":"abcdef","w":360,"x":480.0,"y":120.0},)"
            R"({"h":200,"id":"vid205","originalUrl":"https://youtu.be/abcdef","provider":"youtube",)"
            R"("videoId":"abcdef","w":360,"x":7.0,"y":-3.5}])");
}

}  // namespace
}  // namespace vemba_core::project_io
