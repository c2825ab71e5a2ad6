// JPEG (libjpeg) and PNG (libpng) through the front-end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <png.h>
#include <zlib.h>

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

// colour.jpg with another size in its frame header; its scan then ends
// long before the frame is full.
Bytes ResizedJpeg(uint16_t width, uint16_t height) {
  Bytes file = ReadSample("colour.jpg");
  for (size_t i = 2; i + 9 < file.size(); ++i)
    if (file[i] == 0xFF && (file[i + 1] == 0xC0 || file[i + 1] == 0xC2)) {
      file[i + 5] = uint8_t(height >> 8);
      file[i + 6] = uint8_t(height);
      file[i + 7] = uint8_t(width >> 8);
      file[i + 8] = uint8_t(width);
      return file;
    }
  return {};
}

TEST(JpegDecoder, RefusesAFrameOutOfAllProportionToItsData) {
  Bytes bomb = ResizedJpeg(8000, 8000);  // 192 MB of picture from 302 bytes
  ASSERT_EQ(bomb.size(), 302u);
  Decoded d;
  EXPECT_FALSE(Decode(bomb, d));
  EXPECT_EQ(d->data, nullptr);
  // The bound is 1536 bytes of picture per byte of file: 256 x 256 is within
  // it (the missing data comes out grey), 512 x 512 is not.
  ASSERT_TRUE(Decode(ResizedJpeg(256, 256), d));
  EXPECT_EQ(d->width, 256);
  EXPECT_EQ(d->height, 256);
  EXPECT_FALSE(Decode(ResizedJpeg(512, 512), d));
  // A real blank picture, about 740 bytes of picture per byte of file.
  Bytes blank = ReadSample("blank.jpg");
  ASSERT_GT(1024u * 1024 * 3 / blank.size(), 700u);
  ASSERT_TRUE(Decode(blank, d));
  ASSERT_EQ(d->width, 1024);
  ASSERT_EQ(d->height, 1024);
  EXPECT_EQ(PixelAt(d.picture, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(d.picture, 1023, 1023), 0xFFFFFFu);
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

// Interlaced 16-bit files come out as the same file saved without
// interlacing does: every row in its place, every sample narrowed alike.
TEST(PngDecoder, InterlacedSixteenBitRowsLandInPlace) {
  const struct {
    const char *interlaced, *plain;
    int tolerance;  // a linear file's gamma is applied before narrowing here, after it there
  } pairs[] = {
      {"noise16-interlaced.png", "noise16.png", 0},
      {"noise16-alpha-interlaced.png", "noise16-alpha.png", 0},
      {"grey16-interlaced.png", "grey16.png", 0},
      {"linear16-interlaced.png", "linear16.png", 1},
  };
  for (const auto& pair : pairs) {
    SCOPED_TRACE(pair.interlaced);
    Decoded interlaced, plain;
    ASSERT_TRUE(Decode(ReadSample(pair.interlaced), interlaced));
    ASSERT_TRUE(Decode(ReadSample(pair.plain), plain));
    ASSERT_EQ(interlaced->kind, kPicturePng);
    ASSERT_EQ(interlaced->width, 128);
    ASSERT_EQ(interlaced->height, 96);
    ASSERT_EQ(interlaced->dataSize, plain->dataSize);
    int worst = 0;
    size_t firstBad = interlaced->dataSize;
    for (size_t i = 0; i < plain->dataSize; ++i) {
      int difference = std::abs(int(interlaced->data[i]) - int(plain->data[i]));
      if (difference > pair.tolerance && firstBad == interlaced->dataSize) firstBad = i;
      worst = std::max(worst, difference);
    }
    EXPECT_LE(worst, pair.tolerance) << "first at row " << firstBad / 4 / 128 << ", column " << firstBad / 4 % 128;
  }
  // And they are the pixels the files were made from.
  Decoded d;
  ASSERT_TRUE(Decode(ReadSample("noise16-interlaced.png"), d));
  EXPECT_PIXELS_MATCH(d.picture, ReadSource("noise.ppm"));
  ASSERT_TRUE(Decode(ReadSample("noise16-alpha-interlaced.png"), d));
  EXPECT_PIXELS_MATCH(d.picture, ReadSource("noise.ppm"));
  EXPECT_EQ(d->data[3], 0) << "alpha at the left";
  EXPECT_EQ(d->data[127 * 4 + 3], 253) << "alpha at the right, 127/128";
}

void PutBe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (24 - 8 * i));
}

// A PNG of `width` x `height` whose top row is red and the rest blue,
// written by libpng (ImageMagick's policy refuses sizes this large).
Bytes RedOverBluePng(uint32_t width, uint32_t height) {
  std::vector<uint8_t> rgb(size_t(width) * height * 3, 0);
  for (size_t i = 0; i < size_t(width) * height; ++i) rgb[i * 3 + (i < width ? 0 : 2)] = 255;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  image.width = width;
  image.height = height;
  image.format = PNG_FORMAT_RGB;
  png_alloc_size_t size = 0;
  if (!png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr)) return {};
  Bytes file(size);
  if (!png_image_write_to_memory(&image, file.data(), &size, 0, rgb.data(), 0, nullptr)) return {};
  file.resize(size);
  return file;
}

TEST(PngDecoder, WiderOrTallerThanAShort) {
  Decoded d;
  ASSERT_TRUE(Decode(RedOverBluePng(40000, 2), d));
  ASSERT_EQ(d->width, 40000);
  ASSERT_EQ(d->height, 2);
  for (int x : {0, 32767, 32768, 39999}) {
    EXPECT_EQ(PixelAt(d.picture, x, 0), 0xFF0000u) << x;
    EXPECT_EQ(PixelAt(d.picture, x, 1), 0x0000FFu) << x;
  }
  ASSERT_TRUE(Decode(RedOverBluePng(1, 40000), d));
  ASSERT_EQ(d->width, 1);
  ASSERT_EQ(d->height, 40000);
  EXPECT_EQ(PixelAt(d.picture, 0, 0), 0xFF0000u);
  EXPECT_EQ(PixelAt(d.picture, 0, 39999), 0x0000FFu);
  // The bounds every picture has still hold: 50000 x 50000 is 10 GB.
  Bytes huge = RedOverBluePng(1, 1);
  ASSERT_GT(huge.size(), 24u);
  for (size_t at : {16, 20}) PutBe32(huge, at, 50000);  // IHDR width and height
  PutBe32(huge, 29, uint32_t(crc32(0, &huge[12], 17)));
  EXPECT_FALSE(Decode(huge, d));
  PutBe32(huge, 16, 1);  // 1 x 50000 is fine, but the data holds one row only
  PutBe32(huge, 29, uint32_t(crc32(0, &huge[12], 17)));
  EXPECT_FALSE(Decode(huge, d));
  PutBe32(huge, 20, 1);
  PutBe32(huge, 29, uint32_t(crc32(0, &huge[12], 17)));
  EXPECT_TRUE(Decode(huge, d)) << "the file as it was";
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
