#include "project_io/render/render.h"

#include "project_io/render/drawing.h"

#include <gtest/gtest.h>

#include <spng.h>

#include <fmt/format.h>

#include <limits>
#include <memory>

namespace vemba_core::project_io {
namespace {

using vemba_util::Picture;

// The decoded PNG; fails the test unless it is 8-bit RGB.
struct Decoded {
  std::uint32_t width = 0, height = 0;
  std::vector<std::uint8_t> rgb;

  std::string at(std::uint32_t x, std::uint32_t y) const {
    const std::uint8_t* p = &rgb[(std::size_t{y} * width + x) * 3];
    return fmt::format("#{:02X}{:02X}{:02X}", p[0], p[1], p[2]);
  }
};

Decoded decode(const std::string& png) {
  Decoded out;
  std::unique_ptr<spng_ctx, decltype(&spng_ctx_free)> ctx(spng_ctx_new(0), spng_ctx_free);
  spng_ihdr ihdr{};
  std::size_t size = 0;
  EXPECT_EQ(spng_set_png_buffer(ctx.get(), png.data(), png.size()), 0);
  EXPECT_EQ(spng_get_ihdr(ctx.get(), &ihdr), 0);
  EXPECT_EQ(ihdr.bit_depth, 8);
  EXPECT_EQ(ihdr.color_type, SPNG_COLOR_TYPE_TRUECOLOR);
  EXPECT_EQ(spng_decoded_image_size(ctx.get(), SPNG_FMT_PNG, &size), 0);
  out.width = ihdr.width;
  out.height = ihdr.height;
  out.rgb.resize(size);
  EXPECT_EQ(spng_decode_image(ctx.get(), out.rgb.data(), size, SPNG_FMT_PNG, 0), 0);
  EXPECT_EQ(size, std::size_t{out.width} * out.height * 3);
  return out;
}

Decoded render(const json::value& doc, std::optional<std::string_view> group, std::optional<Rect> rect) {
  const auto png = render_board(doc, group, rect);
  if (!png) ADD_FAILURE() << png.error();
  return png ? decode(*png) : Decoded{};
}

Decoded render(std::string_view doc, std::optional<Rect> rect) { return render(*parse_json(doc), std::nullopt, rect); }

std::string size_of(const Decoded& d) { return fmt::format("{}x{}", d.width, d.height); }

constexpr std::string_view kOneCard = R"({"nodes":[{"id":"a","x":0,"y":0}],"groups":[]})";

TEST(RenderBoard, PictureSize) {
  struct Case {
    Rect rect;
    const char* size;
  };
  const Case cases[] = {
      {{0, 0, 2400, 600}, "1200x300"}, {{-50, 7, 300, 200}, "300x200"}, {{0, 0, 0.4, 0.4}, "1x1"},
      {{0, 0, 600, 2400}, "300x1200"}, {{0, 0, 1200.5, 3}, "1200x3"},   {{0, 0, 2129, 10}, "1200x6"},
      {{0, 0, 10, 2129}, "6x1200"},    {{0, 0, 1e300, 1}, "1200x1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fmt::format("{} x {}", c.rect.w, c.rect.h));
    EXPECT_EQ(size_of(render(kOneCard, c.rect)), c.size);
  }
  // The whole board: the story card's 300 x 376 and a margin of 40.
  EXPECT_EQ(size_of(render(kOneCard, std::nullopt)), "380x456");
  // A group without a size reads as 400 x 280, grown by 24 on every side.
  const json::value grouped = *parse_json(R"({"groups":[{"id":"g","x":5000}],"nodes":[]})");
  EXPECT_EQ(size_of(render(grouped, "g", std::nullopt)), "448x328");
  EXPECT_EQ(size_of(render(grouped, std::nullopt, std::nullopt)), "480x360");
}

TEST(RenderBoard, Failures) {
  struct Case {
    const char* name;
    const char* doc;
    std::optional<std::string_view> group;
    std::optional<Rect> rect;
    const char* error;
  };
  const char* kInvalid = "invalid render rect (w/h must be > 0)";
  const Case cases[] = {
      {"empty board", R"({"nodes":[],"groups":[],"edges":[{"from":"a","to":"b"}],"videoEmbeds":[{"id":"v"}]})",
       std::nullopt, std::nullopt, "board is empty — nothing to render"},
      {"no arrays", R"({"nodes":5})", std::nullopt, std::nullopt, "board is empty — nothing to render"},
      {"unknown group", kOneCard.data(), "g9", std::nullopt, "group not found: g9"},
      {"groups not an array", R"({"nodes":[{}],"groups":{"id":"g"}})", "g", std::nullopt, "group not found: g"},
      {"zero width", kOneCard.data(), std::nullopt, Rect{0, 0, 0, 10}, kInvalid},
      {"negative height", kOneCard.data(), std::nullopt, Rect{0, 0, 10, -1}, kInvalid},
      {"narrow group", R"({"groups":[{"id":"g","w":-100}]})", "g", std::nullopt, kInvalid},
      {"rectangle wins over a group", kOneCard.data(), "g9", Rect{0, 0, 10, 0}, kInvalid},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const json::value doc = *parse_json(c.doc);
    const json::value before = doc;
    const auto png = render_board(doc, c.group, c.rect);
    ASSERT_FALSE(png);
    EXPECT_EQ(png.error(), c.error);
    EXPECT_EQ(doc, before);
  }
  EXPECT_TRUE(render_board(*parse_json(kOneCard), "g9", Rect{0, 0, 10, 10}));
}

// At scale 1: a group box, a note above a story card joined by a vertical
// edge, and an edge to the group, which is not drawn.
constexpr std::string_view kBoard = R"({
  "groups": [{"id": "g", "x": 100, "y": 100, "w": 300, "h": 200, "hidden": true}],
  "nodes": [
    {"id": "note", "type": "note", "x": 500, "y": 100},
    {"id": "story", "x": 460, "y": 350, "hidden": true}
  ],
  "edges": [{"from": "note", "to": "story"}, {"from": "note", "to": "g"}]
})";

TEST(RenderBoard, ColoursAtScaleOne) {
  const json::value doc = *parse_json(kBoard);
  const json::value before = doc;
  const Decoded d = render(doc, std::nullopt, Rect{0, 0, 1000, 600});
  ASSERT_EQ(size_of(d), "1000x600");
  struct Probe {
    const char* what;
    std::uint32_t x, y;
    const char* colour;
  };
  const Probe probes[] = {
      {"background", 50, 50, "#FFFFFF"},
      {"group outline, top", 250, 100, "#A59B8C"},
      {"group outline, left", 100, 200, "#A59B8C"},
      {"group outline, right", 399, 200, "#A59B8C"},
      {"group outline, bottom", 250, 299, "#A59B8C"},
      {"group header", 250, 101, "#D8CEBE"},
      {"last header row", 250, 139, "#D8CEBE"},
      {"group fill", 250, 140, "#F9F7F3"},
      {"below the group", 250, 300, "#FFFFFF"},
      {"note corner", 500, 100, "#FFFFFF"},
      {"note border", 500, 150, "#C4B06A"},
      {"note top border", 610, 100, "#C4B06A"},
      {"note fill", 501, 150, "#FBE89E"},
      {"note's last column", 719, 150, "#C4B06A"},
      {"right of the note", 720, 150, "#FFFFFF"},
      {"edge between the cards", 610, 320, "#96928A"},
      {"beside the edge", 611, 320, "#FFFFFF"},
      {"no edge to the group", 450, 196, "#FFFFFF"},
      {"story card over the edge", 610, 400, "#F5EDE2"},
      {"story card border", 460, 400, "#BCAA94"},
  };
  for (const Probe& p : probes) {
    SCOPED_TRACE(p.what);
    EXPECT_EQ(d.at(p.x, p.y), p.colour);
  }
  EXPECT_EQ(doc, before);
}

TEST(RenderBoard, CardColoursByType) {
  struct Case {
    const char* type;  // null: no type
    const char* border;
    const char* fill;
  };
  const Case cases[] = {
      {"note", "#C4B06A", "#FBE89E"},    {"prop", "#AC9EC0", "#ECE6F3"},     {"title", "#AAAAAA", "#FFFFFF"},
      {"thought", "#9AB0D0", "#E4ECF7"}, {"gallery", "#A8A8A8", "#E9E9E9"},  {"palette", "#BEAC96", "#F7EFE5"},
      {"setplan", "#B6B0A0", "#FBFAF6"}, {"location", "#9AB892", "#E3EFDF"}, {"character", "#B49CBA", "#F0E4F2"},
      {"vemba", "#BCAA94", "#F5EDE2"},   {"shotlist", "#BCAA94", "#F5EDE2"}, {"checklist", "#BCAA94", "#F5EDE2"},
      {"Note", "#BCAA94", "#F5EDE2"},    {nullptr, "#BCAA94", "#F5EDE2"},
  };
  json::array nodes;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    json::object card{{"x", static_cast<double>(i) * 85}, {"y", 0}, {"w", 80}};
    if (cases[i].type) card["type"] = cases[i].type;
    nodes.push_back(std::move(card));
  }
  const Decoded d = render(json::object{{"nodes", std::move(nodes)}}, std::nullopt, Rect{0, 0, 1200, 100});
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(cases[i].type ? cases[i].type : "no type");
    const auto x = static_cast<std::uint32_t>(i * 85);
    EXPECT_EQ(d.at(x, 50), cases[i].border);
    EXPECT_EQ(d.at(x + 40, 50), cases[i].fill);
  }
}

TEST(RenderBoard, CropsToAGroup) {
  const json::value doc = *parse_json(R"({
    "groups": [{"id": "far", "x": -900, "y": 0}, {"id": "g", "x": 1000, "y": 2000, "w": 400, "h": 280}],
    "nodes": [{"id": "a", "type": "note", "x": 1100, "y": 2100}]
  })");
  const Decoded d = render(doc, "g", std::nullopt);
  ASSERT_EQ(size_of(d), "448x328");
  EXPECT_EQ(d.at(23, 100), "#FFFFFF");
  EXPECT_EQ(d.at(24, 100), "#A59B8C");
  EXPECT_EQ(d.at(200, 30), "#D8CEBE");
  EXPECT_EQ(d.at(50, 200), "#F9F7F3");
  EXPECT_EQ(d.at(124, 200), "#C4B06A");  // the note's left border at 1100 - 976
  EXPECT_EQ(d.at(150, 200), "#FBE89E");
}

TEST(RenderBoard, ScaledHeaderAndRadius) {
  // Scale 0.05: the 40-unit header would be 2 pixels and is drawn 3 tall.
  const json::value doc = *parse_json(R"({"groups":[{"id":"g","x":0,"y":0,"w":4000,"h":1000}]})");
  Decoded d = render(doc, std::nullopt, Rect{0, 0, 24000, 1000});
  ASSERT_EQ(size_of(d), "1200x50");
  EXPECT_EQ(d.at(100, 2), "#D8CEBE");
  EXPECT_EQ(d.at(100, 3), "#F9F7F3");
  // Scale 0.1: the card radius is 2 pixels, so its corner and the pixel
  // beside it stay white and the next one is border.
  d = render(R"({"nodes":[{"type":"note","x":0,"y":0}]})", Rect{0, 0, 12000, 100});
  EXPECT_EQ(d.at(0, 0), "#FFFFFF");
  EXPECT_EQ(d.at(1, 0), "#FFFFFF");
  EXPECT_EQ(d.at(2, 0), "#C4B06A");
  EXPECT_EQ(d.at(0, 2), "#C4B06A");
}

TEST(RenderBoard, EdgeLinesAreBoundedByTheirStepBudget) {
  // A 100 x 100 view has a budget of 204 steps; the target card's box starts
  // at column 50, so the edge shows in columns 0 to 49 of row 80.
  for (const auto& [from_x, drawn] : {std::pair{-300.0, true}, std::pair{-1000.0, false}}) {
    SCOPED_TRACE(from_x);
    json::value doc = *parse_json(R"({"nodes":[{"id":"to","x":50,"y":0,"renderedW":300,"renderedH":160}],
                                      "edges":[{"from":"from","to":"to"}]})");
    doc.as_object()["nodes"].as_array().push_back(
        json::object{{"id", "from"}, {"x", from_x}, {"y", 0}, {"renderedW", 300}, {"renderedH", 160}});
    const Decoded d = render(doc, std::nullopt, Rect{0, 0, 100, 100});
    EXPECT_EQ(d.at(10, 80), drawn ? "#96928A" : "#FFFFFF");
    EXPECT_EQ(d.at(10, 79), "#FFFFFF");
  }
}

// The fast settings change the file, never the picture: a board of every
// card colour, edges and groups decodes to the same pixels both ways.
TEST(EncodePng, BothEffortsGiveTheSamePixels) {
  Picture picture = blank_picture(300, 200);
  for (std::int64_t i = 0; i < 40; ++i)
    fill_round_rect(picture, i * 7, i * 5 - 20, i * 7 + 60, i * 5 + 30, i % 9,
                    Rgb{static_cast<std::uint8_t>(i * 6), static_cast<std::uint8_t>(255 - i), 0x80});
  for (std::uint32_t x = 0; x < picture.width; ++x) set_pixel(picture, x, (x * x) % picture.height, Rgb{1, 2, 3});
  const auto small = vemba_util::encode_png(picture);
  const auto fast = vemba_util::encode_png(picture, vemba_util::PngEffort::kFast);
  ASSERT_TRUE(small && fast);
  EXPECT_NE(*small, *fast);
  EXPECT_EQ(decode(*small).rgb, picture.pixels);
  EXPECT_EQ(decode(*fast).rgb, picture.pixels);
}

}  // namespace
}  // namespace vemba_core::project_io
