// JPEG (libjpeg) and PNG (libpng) through the front-end.
#include <gtest/gtest.h>

#include <cstdlib>

#include "picture_test_files.h"

namespace {

TEST(JpegDecoder, GreyIsExpandedToThreeEqualChannels) {
  Bytes file = ReadSample("grey.jpg");
  Decoded d;
  ASSERT_TRUE(Decode(file, d));
  EXPECT_EQ(d->kind, kPictureJpeg);
  ASSERT_EQ(d->width, 16);
  ASSERT_EQ(d->height, 16);
  EXPECT_EQ(d->dataSize, 16u * 16 * 3);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      uint32_t p = PixelAt(d.picture, x, y);
      int r = int(p >> 16), g = int(p >> 8 & 0xFF), b = int(p & 0xFF);
      ASSERT_TRUE(r == g && g == b) << x << "," << y;
      // Top half was grey 25 %, bottom 75 %.
      ASSERT_NEAR(r, y < 8 ? 64 : 191, 3) << x << "," << y;
    }
}

TEST(JpegDecoder, ColourComesOutBlueGreenRedBottomUp) {
  Decoded d;
  ASSERT_TRUE(Decode(ReadSample("colour.jpg"), d));
  ASSERT_EQ(d->width, 16);
  ASSERT_EQ(d->height, 16);
  // Left half red, right half blue; away from the edge JPEG keeps them pure.
  const uint8_t* bottomLeft = d->data;
  EXPECT_LT(bottomLeft[0], 16);
  EXPECT_LT(bottomLeft[1], 16);
  EXPECT_GT(bottomLeft[2], 240);
  uint32_t right = PixelAt(d.picture, 14, 1);
  EXPECT_LT(right >> 16, 16u);
  EXPECT_GT(right & 0xFF, 240u);
}

TEST(JpegDecoder, DecoderErrorsYieldNothing) {
  Bytes file = ReadSample("colour.jpg");
  Decoded d;
  Bytes cut(file.begin(), file.begin() + file.size() / 2);
  EXPECT_FALSE(Decode(cut, d)) << "truncated";
  Bytes junk = {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3, 4, 5, 6};
  EXPECT_FALSE(Decode(junk, d));
  EXPECT_EQ(d->data, nullptr);
}

TEST(PngDecoder, BlueGreenRedAlphaTopRowFirst) {
  Decoded d;
  ASSERT_TRUE(Decode(ReadSample("alpha.png"), d));
  EXPECT_EQ(d->kind, kPicturePng);
  ASSERT_EQ(d->width, 3);
  ASSERT_EQ(d->height, 1);
  ASSERT_EQ(d->dataSize, 12u);
  // Opaque green, half-transparent blue, fully transparent black.
  EXPECT_EQ(Bytes(d->data, d->data + 12), (Bytes{0, 255, 0, 255, 255, 0, 0, 128, 0, 0, 0, 0}));
  Decoded opaque;
  ASSERT_TRUE(Decode(ReadSample("opaque.png"), opaque));
  EXPECT_PIXELS_MATCH(opaque.picture, ReadSource("colours18.ppm"));
}

TEST(PngDecoder, DamageYieldsNothing) {
  Bytes file = ReadSample("opaque.png");
  Decoded d;
  std::string text(file.begin(), file.end());
  size_t idat = text.find("IDAT");
  ASSERT_NE(idat, std::string::npos);
  Bytes cut(file.begin(), file.begin() + idat + 10);
  EXPECT_FALSE(Decode(cut, d)) << "truncated";
  Bytes corrupt = file;
  corrupt[20] ^= 0x40;  // inside IHDR: its CRC no longer matches
  EXPECT_FALSE(Decode(corrupt, d));
  EXPECT_EQ(d->data, nullptr);
}

}  // namespace
