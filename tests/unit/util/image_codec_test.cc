#include "util/image_codec.h"

#include <gtest/gtest.h>

#include <cstring>

namespace vemba_util {
namespace {

TEST(FitSize, KeepsTheAspectWithinTheBound) {
  struct Case {
    Size picture;
    std::uint32_t max_px;
    Size shown;
  };
  const Case cases[] = {
      {{1000, 500}, 900, {900, 450}},    {{800, 600}, 900, {800, 600}},
      {{1000, 500}, 64, {64, 32}},       {{4000, 3}, 64, {64, 1}},
      {{3, 4000}, 64, {1, 64}},          {{900, 900}, 900, {900, 900}},
      {{901, 3}, 900, {900, 3}},         {{1001, 3}, 1000, {1000, 3}},
      {{1000, 999}, 64, {64, 64}},        // 999 x 0.064 = 63.936 rounds up
      {{3000, 1001}, 1500, {1500, 501}},  // 500.5 rounds away from zero
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.picture.width << "x" << c.picture.height << " in " << c.max_px);
    EXPECT_EQ(fit_size(c.picture, c.max_px), c.shown);
  }
}

Picture grey(std::uint32_t w, std::uint32_t h, std::vector<std::uint8_t> pixels) {
  return Picture{w, h, 1, 8, std::move(pixels)};
}

TEST(Shrink, EachSourcePixelFallsInOneTargetPixel) {
  // 5 columns into 2: columns 0-1 and 2-4; 3 rows into 2: row 0 and rows 1-2.
  const Picture src = grey(5, 3,
                           {10, 20, 30, 40, 50,  //
                            0, 0, 90, 90, 90,    //
                            100, 100, 60, 60, 63});
  const Picture out = shrink(src, {2, 2});
  EXPECT_EQ(out.pixels, (std::vector<std::uint8_t>{15, 40, 50, 76}));
}

TEST(Shrink, AveragesChannelsApartAtSixteenBits) {
  Picture src{2, 1, 2, 16, std::vector<std::uint8_t>(8)};
  const std::uint16_t samples[] = {1000, 65535, 2001, 0};
  std::memcpy(src.pixels.data(), samples, sizeof samples);
  const Picture out = shrink(src, {1, 1});
  ASSERT_EQ(out.pixels.size(), 4u);
  std::uint16_t got[2];
  std::memcpy(got, out.pixels.data(), sizeof got);
  EXPECT_EQ(got[0], 1501);   // 1500.5 rounds up
  EXPECT_EQ(got[1], 32768);  // 32767.5 rounds up
  EXPECT_EQ(out.depth, 16);
  EXPECT_EQ(out.channels, 2);
}

TEST(Shrink, SameSizeIsUnchanged) {
  const Picture src = grey(2, 2, {1, 2, 3, 4});
  EXPECT_EQ(shrink(src, {2, 2}).pixels, src.pixels);
}

TEST(DecodeImage, RefusesUnknownAndOversizedContent) {
  EXPECT_EQ(decode_image("hello").error(), "the image format could not be determined");
  EXPECT_EQ(decode_image("").error(), "the image format could not be determined");
  EXPECT_EQ(check_decode_size(10000, 10001).error(), "image size 10000x10001 is over the limit of 100000000 pixels");
  EXPECT_TRUE(check_decode_size(10000, 10000));
  EXPECT_EQ(check_decode_size(0, 5).error(), "image size 0x5 has no pixels");
  // A one-pixel canvas whose frame claims 20000x20000: decoding every line of
  // such a frame costs seconds per hundred million pixels, canvas or not.
  const std::string gif(
      "GIF89a\x01\x00\x01\x00\x80\x00\x00"  // screen 1x1, two colours
      "\x00\x00\x00\xff\xff\xff"
      "\x2c\x00\x00\x00\x00\x20\x4e\x20\x4e\x00"  // frame 20000x20000
      "\x02\x02\x44\x01\x00\x3b",
      35);
  EXPECT_EQ(decode_image(gif).error(), "image size 20000x20000 is over the limit of 100000000 pixels");
}

TEST(EncodePng, KeepsTheLayout) {
  auto png = encode_png(grey(3, 2, {1, 2, 3, 4, 5, 6}));
  ASSERT_TRUE(png) << png.error();
  auto back = decode_image(*png);
  ASSERT_TRUE(back) << back.error();
  EXPECT_EQ(back->channels, 1);
  EXPECT_EQ(back->depth, 8);
  EXPECT_EQ(back->pixels, (std::vector<std::uint8_t>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
}  // namespace vemba_util
