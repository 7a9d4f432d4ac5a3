#include "e2e/image_fixtures.h"
#include "e2e/project_fixture.h"

#include <gtest/gtest.h>
#include <spng.h>
#include <sys/stat.h>

namespace vemba_test {
namespace {

using vemba_core::project_io::to_compact;

constexpr auto kGrey = SPNG_COLOR_TYPE_GRAYSCALE, kGreyAlpha = SPNG_COLOR_TYPE_GRAYSCALE_ALPHA,
               kRgb = SPNG_COLOR_TYPE_TRUECOLOR, kRgba = SPNG_COLOR_TYPE_TRUECOLOR_ALPHA,
               kPalette = SPNG_COLOR_TYPE_INDEXED;

constexpr std::string_view kMediaState = R"({
  "name": "Film",
  "images": [{"id": "i1", "src": "a.png"}, "bare", {"id": 7}],
  "mediaShelf": [{"id": "m1", "src": {"k": 1}}],
  "documents": [{"id": "d1", "src": "script.pdf"}],
  "nodes": [
    {"id": "n1", "images": ["x.png", "y.png"], "documents": [{"id": "d2", "src": "notes.md"}]},
    {"images": [5], "documents": "none"},
    {"id": "n3", "images": "x.png"}
  ],
  "videoEmbeds": [
    {"id": "v1", "url": null, "thumbnailUrl": "t.jpg"},
    {"id": "v2", "thumbnailUrl": "t2.jpg"},
    {"id": "v3"},
    {"id": "v4", "url": "https://example.test/v"}
  ]
})";

TEST(ListMedia, RowsInSourceOrderAndFilters) {
  Session s;
  s.make_project("Film", kMediaState);
  const std::string images = R"({"id":"i1","kind":"image","src":"a.png"},{"id":null,"kind":"image","src":null},)"
                             R"({"id":7,"kind":"image","src":null},{"id":"m1","kind":"image","src":{"k":1}},)"
                             R"({"id":"n1","kind":"image","src":"x.png"},{"id":"n1","kind":"image","src":"y.png"},)"
                             R"({"id":null,"kind":"image","src":5})";
  const std::string docs = R"({"id":"d1","kind":"doc","src":"script.pdf"},{"id":"d2","kind":"doc","src":"notes.md"})";
  const std::string videos =
      R"({"id":"v1","kind":"video","src":null},{"id":"v2","kind":"video","src":"t2.jpg"},)"
      R"({"id":"v3","kind":"video","src":null},{"id":"v4","kind":"video","src":"https://example.test/v"})";
  struct Case {
    const char* name;
    json::value type;  // null: not given
    std::string rows;
  };
  const Case cases[] = {
      {"no filter", nullptr, images + "," + docs + "," + videos},
      {"number filter lists all", 5, images + "," + docs + "," + videos},
      {"image", "image", images},
      {"doc", "doc", docs},
      {"video", "video", videos},
      {"empty filter", "", ""},
      {"case differs", "Image", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::object args{{"project", "Film"}};
    if (!c.type.is_null()) args["type"] = c.type;
    ToolReply r = s.call("list_media", args);
    EXPECT_FALSE(r.is_error());
    EXPECT_EQ(to_compact(parse(r.text())), "[" + c.rows + "]");
  }
  EXPECT_EQ(s.call("list_media", json::object{{"project", "Film"}, {"type", ""}}).text(), "[]");
}

class ViewMedia : public FilmProject {
 protected:
  ViewMedia()
      : FilmProject(R"({"name": "Film", "nodes": [
      {"id": "card", "images": ["small.png", "other.png"]},
      {"id": "both.png", "images": ["wide.png"]},
      {"id": "gone", "images": ["missing.png"]},
      {"id": "uri", "images": ["data:image/png;base64,AAAA"]},
      {"id": "up", "images": ["../secret.png"]},
      {"id": "nontext", "images": [5, "small.png"]},
      {"id": "fifo", "images": ["pipe"]},
      {"id": "dir", "images": ["sub"]},
      {"id": "blank", "images": [""]},
      {"id": "empty", "images": []},
      {"id": "card.png\u0000zzz", "images": ["other.png"]}
    ]})") {}
  ToolReply view(json::object args) { return call("view_media", std::move(args)); }
};

TEST_F(ViewMedia, ShrinksEachFormatAndKeepsItsLayout) {
  struct Case {
    const char* name;
    std::string bytes;
    json::value max_px;  // null: not given
    std::uint32_t width, height;
    std::uint8_t colour_type, depth;
    std::vector<std::uint16_t> first_pixel;
  };
  const Case cases[] = {
      {"rgb8 default bound", make_png(1000, 500, kRgb, 8, {10, 20, 30}), nullptr, 900, 450, kRgb, 8, {10, 20, 30}},
      {"grey8 fits", make_png(800, 600, kGrey, 8, {77}), nullptr, 800, 600, kGrey, 8, {77}},
      {"grey+alpha 16 below the floor",
       make_png(1000, 500, kGreyAlpha, 16, {0x1234, 0xABCD}),
       10,
       64,
       32,
       kGreyAlpha,
       16,
       {0x1234, 0xABCD}},
      {"rgba8 thin", make_png(4000, 3, kRgba, 8, {1, 2, 3, 4}), 64, 64, 1, kRgba, 8, {1, 2, 3, 4}},
      {"rgb16 above the ceiling",
       make_png(2000, 100, kRgb, 16, {0x0102, 0x8000, 0xFFFE}),
       5000,
       1600,
       80,
       kRgb,
       16,
       {0x0102, 0x8000, 0xFFFE}},
      {"grey 1-bit widens", make_png(50, 40, kGrey, 1, {1}), nullptr, 50, 40, kGrey, 8, {255}},
      {"grey16 with tRNS gains alpha",
       make_png(10, 10, kGrey, 16, {0x4321}, true),
       nullptr,
       10,
       10,
       kGreyAlpha,
       16,
       {0x4321, 0}},
      {"rgb8 with tRNS gains alpha",
       make_png(10, 10, kRgb, 8, {5, 6, 7}, true),
       nullptr,
       10,
       10,
       kRgba,
       8,
       {5, 6, 7, 0}},
      {"palette becomes rgb",
       make_png(100, 100, kPalette, 8, {200, 100, 50}),
       nullptr,
       100,
       100,
       kRgb,
       8,
       {200, 100, 50}},
      {"palette with tRNS becomes rgba",
       make_png(100, 100, kPalette, 8, {200, 100, 50, 128}, true),
       nullptr,
       100,
       100,
       kRgba,
       8,
       {200, 100, 50, 128}},
      {"maxPx with a fraction", make_png(1000, 500, kGrey, 8, {1}), 500.0, 900, 450, kGrey, 8, {1}},
      {"negative maxPx", make_png(1000, 500, kGrey, 8, {1}), -1, 900, 450, kGrey, 8, {1}},
      {"maxPx as text", make_png(1000, 500, kGrey, 8, {1}), "500", 900, 450, kGrey, 8, {1}},
      {"maxPx 500", make_png(1000, 500, kGrey, 8, {1}), 500, 500, 250, kGrey, 8, {1}},
      {"huge maxPx integer",
       make_png(2000, 100, kGrey, 8, {1}),
       json::value(18446744073709551615ull),
       1600,
       80,
       kGrey,
       8,
       {1}},
      {"jpeg colour", make_jpeg(1000, 500, false, {200, 40, 40}), nullptr, 900, 450, kRgb, 8, {}},
      {"jpeg grey stays grey", make_jpeg(200, 100, true, {90, 90, 90}), nullptr, 200, 100, kGrey, 8, {}},
      {"gif", make_gif(300, 200, {{255, 0, 0}, {0, 0, 255}}), nullptr, 300, 200, kRgba, 8, {}},
      {"gif shrunk", make_gif(2000, 1000, {{255, 0, 0}}), nullptr, 900, 450, kRgba, 8, {}},
      {"webp rgb", make_webp(1000, 500, {9, 99, 199}), nullptr, 900, 450, kRgb, 8, {9, 99, 199}},
      {"webp alpha", make_webp(100, 50, {9, 99, 199}, 128), nullptr, 100, 50, kRgba, 8, {9, 99, 199, 128}},
      {"animated webp first frame",
       make_animated_webp(64, 32, {{0, 255, 0}, {255, 0, 255}}),
       nullptr,
       64,
       32,
       kRgb,
       8,
       {0, 255, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    asset("pic", c.bytes);
    json::object args{{"ref", "pic"}};
    if (!c.max_px.is_null()) args["maxPx"] = c.max_px;
    ToolReply r = view(args);
    ASSERT_FALSE(r.is_error()) << r.text();
    auto png = reply_png(r);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, c.width);
    EXPECT_EQ(png->height, c.height);
    EXPECT_EQ(png->colour_type, c.colour_type);
    EXPECT_EQ(png->depth, c.depth);
    for (std::size_t ch = 0; ch < c.first_pixel.size(); ++ch) {
      EXPECT_EQ(png->sample(0, 0, static_cast<int>(ch)), c.first_pixel[ch]) << "channel " << ch;
      EXPECT_EQ(png->sample(c.width - 1, c.height - 1, static_cast<int>(ch)), c.first_pixel[ch]) << "channel " << ch;
    }
  }
}

TEST_F(ViewMedia, LossyAndComposedPixels) {
  asset("photo.jpg", make_jpeg(64, 64, false, {200, 40, 40}));
  auto jpeg = reply_png(view({{"ref", "photo.jpg"}}));
  ASSERT_TRUE(jpeg);
  EXPECT_NEAR(jpeg->sample(10, 10, 0), 200, 4);
  EXPECT_NEAR(jpeg->sample(10, 10, 1), 40, 4);
  // The first GIF frame covers the left half; the rest of the screen is clear.
  asset("anim.gif", make_gif(40, 20, {{255, 0, 0}, {0, 0, 255}}));
  auto gif = reply_png(view({{"ref", "anim.gif"}}));
  ASSERT_TRUE(gif);
  EXPECT_EQ(gif->sample(39, 19, 3), 0);
  const std::uint16_t red[] = {255, 0, 0, 255};
  for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(gif->sample(0, 0, ch), red[ch]);
}

TEST_F(ViewMedia, FindsTheAssetOrTheCardImage) {
  asset("small.png", make_png(10, 10, kGrey, 8, {1}));
  asset("wide.png", make_png(20, 10, kGrey, 8, {1}));
  asset("both.png", make_png(30, 10, kGrey, 8, {1}));
  asset("card.png", make_png(40, 10, kGrey, 8, {1}));
  asset("other.png", make_png(50, 10, kGrey, 8, {1}));
  struct Case {
    std::string_view ref;
    std::uint32_t width;
  };
  // Cut at its NUL a name would test card.png, which the read would never
  // open: such a name is no asset file, so the node of that id is shown.
  const Case cases[] = {
      {"small.png", 10}, {"card", 10}, {"both.png", 30}, {"card.png", 40}, {std::string_view("card.png\0zzz", 12), 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ref);
    auto png = reply_png(view({{"ref", c.ref}}));
    ASSERT_TRUE(png);
    EXPECT_EQ(png->width, c.width);
  }
}

TEST_F(ViewMedia, Failures) {
  asset("notes.png", "just some text");
  asset("sub/inner.png", make_png(10, 10, kGrey, 8, {1}));
  write_file(folder_ / "secret.png", make_png(10, 10, kGrey, 8, {1}));
  const std::string png = make_png(300, 300, kRgb, 8, {1, 2, 3});
  asset("cut.png", png.substr(0, png.size() / 2));
  const std::string jpeg = make_jpeg(300, 300, false, {1, 2, 3});
  asset("cut.jpg", jpeg.substr(0, jpeg.size() / 2));
  const std::string gif = make_gif(300, 300, {{1, 2, 3}});
  asset("cut.gif", gif.substr(0, 40));
  asset("no-pixels.gif", gif.substr(0, 35));  // ends right after the frame descriptor
  const std::string webp = make_webp(300, 300, {1, 2, 3});
  asset("cut.webp", webp.substr(0, webp.size() / 2));
  asset("huge.png", png_header_only(20000, 20000));
  asset("huge.gif", std::string("GIF89a\xff\xff\xff\xff\x00\x00\x00", 13));
  ASSERT_EQ(::mkfifo((folder_ / "assets" / "pipe").c_str(), 0666), 0);
  struct Case {
    const char* name;
    json::value ref;  // null: not given
    std::string_view text;
  };
  const Case cases[] = {
      {"no ref", nullptr, "missing 'ref' (an asset filename, or a node id whose first image to show)"},
      {"empty ref", "", "missing 'ref' (an asset filename, or a node id whose first image to show)"},
      {"number ref", 5, "missing 'ref' (an asset filename, or a node id whose first image to show)"},
      {"unknown", "nothing", "no asset file or node image found for \"nothing\""},
      {"first image not a text", "nontext", "no asset file or node image found for \"nontext\""},
      {"no images", "empty", "no asset file or node image found for \"empty\""},
      {"asset folder itself", ".", "no asset file or node image found for \".\""},
      {"path into a sub-folder", "sub/inner.png", "no asset file or node image found for \"sub/inner.png\""},
      {"path out of assets", "../secret.png", "no asset file or node image found for \"../secret.png\""},
      {"NUL in the name of an asset", json::string("notes.png\0x", 11),
       std::string_view("no asset file or node image found for \"notes.png\0x\"", 51)},
      {"card image out of assets", "up", "read ../secret.png: not a file in the assets folder"},
      {"card image missing", "gone", "read missing.png: No such file or directory"},
      {"card image a data uri", "uri", "read data:image/png;base64,AAAA: not a file in the assets folder"},
      {"card image a named pipe", "fifo", "read pipe: not a regular file"},
      {"card image a folder", "dir", "read sub: Is a directory"},
      // An empty name is no escape: it is read as the folder itself.
      {"card image an empty name", "blank", "read : Is a directory"},
      {"text file", "notes.png", "not a decodable image (notes.png): the image format could not be determined"},
      {"truncated png", "cut.png", "not a decodable image (cut.png): end of stream"},
      {"truncated jpeg", "cut.jpg", "not a decodable image (cut.jpg): Premature end of JPEG file"},
      {"truncated gif", "cut.gif", "not a decodable image (cut.gif): Failed to read from given file"},
      {"gif cut before its pixels", "no-pixels.gif", "not a decodable image (no-pixels.gif): damaged GIF data"},
      {"truncated webp", "cut.webp", "not a decodable image (cut.webp): WebP data is truncated"},
      {"huge png", "huge.png",
       "not a decodable image (huge.png): image size 20000x20000 is over the limit of 100000000 pixels"},
      {"huge gif", "huge.gif",
       "not a decodable image (huge.gif): image size 65535x65535 is over the limit of 100000000 pixels"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    json::object args;
    if (!c.ref.is_null()) args["ref"] = c.ref;
    ToolReply r = view(args);
    EXPECT_TRUE(r.is_error());
    EXPECT_EQ(r.text(), c.text);
  }
  EXPECT_FALSE(fs::exists(s_.library() / ".vemba-sync.json"));
}

}  // namespace
}  // namespace vemba_test
