// The PCX decoders: 8 bits with the optional colour table, and 1 bit.
#include <gtest/gtest.h>

#include <algorithm>

#include "picture_test_files.h"

namespace {

// A 128-byte header for version 5, run-length encoding, then `data`.
Bytes BuildPcx(uint8_t bits, uint8_t planes, uint16_t width, uint16_t height, uint16_t bytesPerLine,
               const Bytes& data) {
  Bytes b(128 + data.size(), 0);
  std::copy(data.begin(), data.end(), b.begin() + 128);
  b[0] = 0x0A;
  b[1] = bits == 1 ? 3 : 5;
  b[2] = 1;
  b[3] = bits;
  PutLe16(b, 8, width - 1);
  PutLe16(b, 10, height - 1);
  b[65] = planes;
  PutLe16(b, 66, bytesPerLine);
  return b;
}

uint8_t IndexAt(const DecodedPicture& p, int x, int y) {
  size_t stride = (size_t(p.width) + 3) / 4 * 4;
  return p.data[kPalettePixelsOffset + stride * y + x];
}

TEST(PcxDecoder, EightBitsWithTheColourTable) {
  for (const char* file : {"pcx8.pcx", "noise.pcx"}) {
    SCOPED_TRACE(file);
    SourceImage expected = ReadSource(file == std::string("pcx8.pcx") ? "colours18.ppm" : "noise.ppm");
    Decoded d;
    ASSERT_TRUE(Decode(ReadSample(file), d));
    EXPECT_EQ(d->kind, kPicturePcx8);
    ASSERT_EQ(d->width, expected.width);
    ASSERT_EQ(d->height, expected.height);
    EXPECT_EQ(PaletteHeader(d.picture).width, expected.width);
    EXPECT_EQ(PaletteHeader(d.picture).height, -expected.height);
    EXPECT_EQ(PaletteHeader(d.picture).bitCount, 8);
    EXPECT_PIXELS_MATCH(d.picture, expected);
  }
}

TEST(PcxDecoder, WithoutThePaletteMarkerEverythingIsBlack) {
  Bytes bytes = ReadSample("pcx8.pcx");
  ASSERT_EQ(bytes[bytes.size() - 769], 12);
  Decoded withTable;
  ASSERT_TRUE(Decode(bytes, withTable));
  bytes.resize(bytes.size() - 769);
  Decoded d;
  ASSERT_TRUE(Decode(bytes, d));
  const uint8_t* table = d->data + sizeof(PictureInfoHeader);
  EXPECT_EQ(Bytes(table, table + 1024), Bytes(1024, 0));
  // The indices themselves are the same as with the table.
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(IndexAt(d.picture, x, y), IndexAt(withTable.picture, x, y));
}

TEST(PcxDecoder, RunsLiteralsAndRowPadding) {
  // 5 x 2, 6 bytes a line: a run of 6 (row 0), then 0xC0 as a literal and a run
  // of 5 crossing nothing, then trailing junk that is no table.
  Bytes data = {0xC6, 7, 0xC0, 0xC5, 9, 1};
  Decoded d;
  ASSERT_TRUE(Decode(BuildPcx(8, 1, 5, 2, 6, data), d));
  EXPECT_EQ(d->dataSize, 1064u + 8 * 2);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(IndexAt(d.picture, x, 0), 7);
  EXPECT_EQ(IndexAt(d.picture, 0, 1), 0xC0);
  for (int x = 1; x < 5; ++x) EXPECT_EQ(IndexAt(d.picture, x, 1), 9);
  const uint8_t* row0 = d->data + kPalettePixelsOffset;
  EXPECT_EQ(row0[5], 0) << "padding is zero, not the line's sixth byte";
  EXPECT_EQ(row0[7], 0);
}

TEST(PcxDecoder, RunsMayCrossLines) {
  Decoded d;
  ASSERT_TRUE(Decode(BuildPcx(8, 1, 2, 3, 2, {0xC5, 4, 8}), d));
  EXPECT_EQ(IndexAt(d.picture, 0, 2), 4);
  EXPECT_EQ(IndexAt(d.picture, 1, 2), 8);
}

TEST(PcxDecoder, OneBitRowsKeepTheirBits) {
  // 10 x 2: 0xF0 0x40 / 0x0F 0xC0, two bytes a line (0xF0 as a run of one,
  // 0xC0 as a literal). Set bits show white.
  Decoded d;
  ASSERT_TRUE(Decode(BuildPcx(1, 1, 10, 2, 2, {0xC1, 0xF0, 0x40, 0x0F, 0xC0}), d));
  EXPECT_EQ(d->kind, kPicturePcx1);
  ASSERT_EQ(d->dataSize, 4u);
  EXPECT_EQ(Bytes(d->data, d->data + 4), (Bytes{0xF0, 0x40, 0x0F, 0xC0}));
  EXPECT_EQ(PixelAt(d.picture, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(PixelAt(d.picture, 4, 0), 0u);
  EXPECT_EQ(PixelAt(d.picture, 9, 1), 0xFFFFFFu);
}

TEST(PcxDecoder, OneBitImageMagickFile) {
  SourceImage source = ReadSource("mono.pbm");
  Decoded d;
  ASSERT_TRUE(Decode(ReadSample("pcx1.pcx"), d));
  EXPECT_EQ(d->kind, kPicturePcx1);
  ASSERT_EQ(d->width, 9);
  ASSERT_EQ(d->height, 3);
  EXPECT_EQ(d->dataSize, 2u * 3) << "rows of 9 bits in one 16-bit word";
  // ImageMagick stores black as 1 (whatever its header palette says); the
  // bits come through as stored, so those pixels show in white.
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 9; ++x)
      EXPECT_EQ(PixelAt(d.picture, x, y), source.At(x, y) ^ 0xFFFFFFu) << x << "," << y;
  Decoded v5;
  EXPECT_FALSE(Decode(ReadSample("pcx1v5.pcx"), v5)) << "1-bit files are taken as version 3 only";
}

TEST(PcxDecoder, RefusesBrokenFiles) {
  Decoded d;
  Bytes good = BuildPcx(8, 1, 2, 2, 2, {0xC4, 1});
  ASSERT_TRUE(Decode(good, d));
  FreeDecodedPicture(&d);

  Bytes b = good;
  b.resize(128);
  EXPECT_FALSE(Decode(b, d)) << "header only";
  b = good;
  b.pop_back();
  EXPECT_FALSE(Decode(b, d)) << "run without its byte";
  b = good;
  PutLe16(b, 4, 5);  // xmin above xmax
  EXPECT_FALSE(Decode(b, d)) << "inverted window";
  b = good;
  b[65] = 3;
  EXPECT_FALSE(Decode(b, d)) << "three planes are true colour";
  b = good;
  PutLe16(b, 66, 1);
  EXPECT_FALSE(Decode(b, d)) << "lines shorter than the picture";
  b = good;
  PutLe16(b, 66, 0);
  EXPECT_FALSE(Decode(b, d)) << "empty lines";
  b = BuildPcx(8, 1, 0xFFFF, 0xFFFF, 0xFFFF, {0xFF, 0});
  EXPECT_FALSE(Decode(b, d)) << "huge window, two bytes of data";
  b = BuildPcx(1, 1, 17, 1, 2, {0xC2, 0xFF});
  EXPECT_FALSE(Decode(b, d)) << "17 bits need 3 bytes a line";
  EXPECT_EQ(d->data, nullptr);
}

}  // namespace
