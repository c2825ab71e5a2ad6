// The BMP decoder: every bit depth to blue-green-red, bottom row first.
#include <gtest/gtest.h>

#include "picture_test_files.h"

namespace {

// A BI_RGB file: 14-byte file header, 40-byte info header, palette, rows as given.
Bytes BuildBmp(int32_t width, int32_t height, uint16_t bits, const std::vector<uint32_t>& palette,
               const Bytes& rows, uint32_t colorsUsed = 0) {
  Bytes b(54 + palette.size() * 4);
  b[0] = 'B';
  b[1] = 'M';
  PutLe32(b, 10, uint32_t(b.size()));
  PutLe32(b, 14, 40);
  PutLe32(b, 18, uint32_t(width));
  PutLe32(b, 22, uint32_t(height));
  PutLe16(b, 26, 1);
  PutLe16(b, 28, bits);
  PutLe32(b, 46, colorsUsed);
  for (size_t i = 0; i < palette.size(); ++i) PutLe32(b, 54 + i * 4, palette[i]);
  b.insert(b.end(), rows.begin(), rows.end());
  PutLe32(b, 2, uint32_t(b.size()));
  return b;
}

void ExpectSampleMatches(const char* file, uint16_t bits, const char* source) {
  SCOPED_TRACE(file);
  Bytes bytes = ReadSample(file);
  ASSERT_GE(bytes.size(), 54u);
  ASSERT_EQ(bytes[28], bits) << "the sample does not have the depth under test";
  SourceImage expected = ReadSource(source);
  Decoded d;
  ASSERT_TRUE(Decode(bytes, d));
  EXPECT_EQ(d->kind, kPictureBmp);
  ASSERT_EQ(d->width, expected.width);
  ASSERT_EQ(d->height, expected.height);
  EXPECT_EQ(d->dataSize, uint32_t(expected.width * expected.height * 3));
  EXPECT_PIXELS_MATCH(d.picture, expected);
}

TEST(BmpDecoder, ImageMagickFilesOfEveryPaletteDepth) {
  ExpectSampleMatches("bmp24.bmp", 24, "colours18.ppm");
  ExpectSampleMatches("bmp8.bmp", 8, "colours18.ppm");
  ExpectSampleMatches("bmp4.bmp", 4, "colours15.ppm");
  ExpectSampleMatches("bmp1.bmp", 1, "mono.pbm");
}

TEST(BmpDecoder, RowsArePackedBottomFirstAsBlueGreenRed) {
  Bytes bytes = ReadSample("bmp24.bmp");
  Decoded d;
  ASSERT_TRUE(Decode(bytes, d));
  // colours18: bottom-left is (0,128,128), top-left red; 6 pixels = 18 bytes a row.
  const uint8_t* bottomLeft = d->data;
  EXPECT_EQ(bottomLeft[0], 128);
  EXPECT_EQ(bottomLeft[1], 128);
  EXPECT_EQ(bottomLeft[2], 0);
  const uint8_t* topLeft = d->data + 2 * 18;
  EXPECT_EQ(topLeft[0], 0);
  EXPECT_EQ(topLeft[1], 0);
  EXPECT_EQ(topLeft[2], 255);
}

TEST(BmpDecoder, ThirtyTwoBitsBottomUpAndTopDown) {
  // 3 x 2: top row red, green, blue; bottom row white, black, grey. X byte set.
  Bytes bottomUp = {0xFF, 0xFF, 0xFF, 0x55, 0, 0, 0, 0x55, 0x80, 0x80, 0x80, 0x55,
                    0, 0, 0xFF, 0x55, 0, 0xFF, 0, 0x55, 0xFF, 0, 0, 0x55};
  Bytes topDown(bottomUp.begin() + 12, bottomUp.end());
  topDown.insert(topDown.end(), bottomUp.begin(), bottomUp.begin() + 12);
  const uint32_t expected[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x000000, 0x808080}};
  for (int32_t height : {2, -2}) {
    SCOPED_TRACE(height);
    Decoded d;
    ASSERT_TRUE(Decode(BuildBmp(3, height, 32, {}, height > 0 ? bottomUp : topDown), d));
    ASSERT_EQ(d->width, 3);
    ASSERT_EQ(d->height, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) EXPECT_EQ(PixelAt(d.picture, x, y), expected[y][x]) << x << "," << y;
  }
}

TEST(BmpDecoder, IndicesBeyondAShortColourTableAreBlack) {
  // 8-bit, two colours used; the pixel indices are 1, 5, 0, 255 (one row of 4).
  Bytes b = BuildBmp(4, 1, 8, {0x00112233, 0x00445566}, {1, 5, 0, 255}, 2);
  Decoded d;
  ASSERT_TRUE(Decode(b, d));
  EXPECT_EQ(PixelAt(d.picture, 0, 0), 0x445566u);
  EXPECT_EQ(PixelAt(d.picture, 1, 0), 0u);
  EXPECT_EQ(PixelAt(d.picture, 2, 0), 0x112233u);
  EXPECT_EQ(PixelAt(d.picture, 3, 0), 0u);
}

TEST(BmpDecoder, RefusesWhatItDoesNotTake) {
  Decoded d;
  EXPECT_FALSE(Decode(ReadSample("bitfields32.bmp"), d)) << "BI_BITFIELDS is not BI_RGB";
  EXPECT_FALSE(Decode(ReadSample("rle8.bmp"), d)) << "BI_RLE8";
  Bytes good = BuildBmp(2, 2, 24, {}, Bytes(16, 0x7F));
  ASSERT_TRUE(Decode(good, d));
  FreeDecodedPicture(&d);

  Bytes b = good;
  PutLe16(b, 28, 16);
  EXPECT_FALSE(Decode(b, d)) << "16 bits";
  b = good;
  PutLe32(b, 30, 1);
  EXPECT_FALSE(Decode(b, d)) << "run-length compressed";
  b = good;
  PutLe32(b, 14, 12);
  EXPECT_FALSE(Decode(b, d)) << "core header";
  for (uint32_t width : {0u, 0x80000000u, 0xFFFFFFFFu, 0x10000000u}) {
    b = good;
    PutLe32(b, 18, width);
    EXPECT_FALSE(Decode(b, d)) << "width " << width;
  }
  for (uint32_t height : {0u, 0x80000000u, 0x7FFFFFFFu, 3u}) {
    b = good;
    PutLe32(b, 22, height);
    EXPECT_FALSE(Decode(b, d)) << "height " << height;
  }
  b = good;
  PutLe32(b, 10, 0xFFFFFFF0u);
  EXPECT_FALSE(Decode(b, d)) << "pixels beyond the file";
  b = good;
  b.resize(b.size() - 9);
  EXPECT_FALSE(Decode(b, d)) << "a row short";
  b = BuildBmp(2, 1, 8, {}, {0, 0, 0, 0});
  EXPECT_FALSE(Decode(b, d)) << "the 256-entry table is missing";
  EXPECT_EQ(d->data, nullptr);
}

TEST(BmpDecoder, ShortLastRowPaddingIsTaken) {
  Bytes b = BuildBmp(2, 2, 24, {}, Bytes(16, 0x20));
  b.resize(b.size() - 2);  // the final row's two padding bytes
  Decoded d;
  ASSERT_TRUE(Decode(b, d));
  EXPECT_EQ(PixelAt(d.picture, 1, 0), 0x202020u);
}

}  // namespace
