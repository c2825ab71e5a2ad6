// The GIF decoder: first image, LZW up to 12 bits, interlacing, colour tables.
#include <gtest/gtest.h>

#include <map>

#include "picture_test_files.h"

namespace {

// --- a small GIF writer, to say exactly which codes a file holds ---

// Packs codes least significant bit first at the widths a decoder expects.
Bytes PackCodes(const std::vector<uint32_t>& codes, uint32_t minCodeSize) {
  const uint32_t clear = 1u << minCodeSize, end = clear + 1;
  uint32_t size = minCodeSize + 1, next = clear + 2;
  bool previous = false;
  Bytes out;
  uint32_t buffer = 0, bits = 0;
  for (uint32_t code : codes) {
    buffer |= code << bits;
    bits += size;
    while (bits >= 8) {
      out.push_back(uint8_t(buffer));
      buffer >>= 8;
      bits -= 8;
    }
    if (code == clear) {
      size = minCodeSize + 1;
      next = clear + 2;
      previous = false;
      continue;
    }
    if (code == end) continue;
    if (previous && next < 4096 && ++next == (1u << size) && size < 12) ++size;
    previous = true;
  }
  if (bits) out.push_back(uint8_t(buffer));
  return out;
}

// Plain LZW with no clear code after the first: a long stream fills the
// table and goes on at 12 bits.
std::vector<uint32_t> EncodeLzw(const Bytes& indices, uint32_t minCodeSize) {
  const uint32_t clear = 1u << minCodeSize;
  std::map<std::pair<uint32_t, uint8_t>, uint32_t> table;
  std::vector<uint32_t> codes = {clear};
  uint32_t next = clear + 2, prefix = indices[0];
  for (size_t i = 1; i < indices.size(); ++i) {
    auto found = table.find({prefix, indices[i]});
    if (found != table.end()) {
      prefix = found->second;
      continue;
    }
    codes.push_back(prefix);
    if (next < 4096) table[{prefix, indices[i]}] = next++;
    prefix = indices[i];
  }
  codes.push_back(prefix);
  codes.push_back(clear + 1);
  return codes;
}

void PutSubBlocks(Bytes& b, const Bytes& data) {
  for (size_t at = 0; at < data.size(); at += 255) {
    size_t n = std::min<size_t>(255, data.size() - at);
    b.push_back(uint8_t(n));
    b.insert(b.end(), data.begin() + at, data.begin() + at + n);
  }
  b.push_back(0);
}

// Colour table of 2^(bits) entries from 0xRRGGBB values (the rest black).
void PutTable(Bytes& b, const std::vector<uint32_t>& colours, uint32_t bits) {
  for (uint32_t i = 0; i < (1u << bits); ++i) {
    uint32_t c = i < colours.size() ? colours[i] : 0;
    b.push_back(uint8_t(c >> 16));
    b.push_back(uint8_t(c >> 8));
    b.push_back(uint8_t(c));
  }
}

Bytes GifHeader(uint16_t width, uint16_t height, const std::vector<uint32_t>& global, uint32_t bits) {
  Bytes b = {'G', 'I', 'F', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0};
  PutLe16(b, 6, width);
  PutLe16(b, 8, height);
  if (!global.empty()) {
    b[10] = uint8_t(0x80 | (bits - 1));
    PutTable(b, global, bits);
  }
  return b;
}

void PutImage(Bytes& b, uint16_t width, uint16_t height, uint8_t packed, uint32_t minCodeSize,
              const Bytes& packedCodes, const std::vector<uint32_t>& local = {}) {
  Bytes d = {0x2C, 0, 0, 0, 0, 0, 0, 0, 0, packed};
  PutLe16(d, 5, width);
  PutLe16(d, 7, height);
  b.insert(b.end(), d.begin(), d.end());
  if (packed & 0x80) PutTable(b, local, (packed & 7) + 1);
  b.push_back(uint8_t(minCodeSize));
  PutSubBlocks(b, packedCodes);
}

const std::vector<uint32_t> kFour = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};

// 2 x 2 of indices 0,1 / 2,3 in literal codes.
Bytes FourPixelGif(const std::vector<uint32_t>& codes) {
  Bytes b = GifHeader(2, 2, kFour, 2);
  PutImage(b, 2, 2, 0, 2, PackCodes(codes, 2));
  b.push_back(0x3B);
  return b;
}

uint8_t IndexAt(const DecodedPicture& p, int x, int y) {
  size_t stride = (size_t(PaletteHeader(p).width) + 3) / 4 * 4;
  return p.data[kPalettePixelsOffset + stride * y + x];
}

// --- files made by ImageMagick ---

void ExpectGifMatches(const char* file, const char* source) {
  SCOPED_TRACE(file);
  SourceImage expected = ReadSource(source);
  Decoded d;
  ASSERT_TRUE(Decode(ReadSample(file), d));
  EXPECT_EQ(d->kind, kPictureGif);
  ASSERT_EQ(d->width, expected.width);
  ASSERT_EQ(d->height, expected.height);
  EXPECT_PIXELS_MATCH(d.picture, expected);
}

TEST(GifDecoder, ImageMagickFiles) {
  ExpectGifMatches("gif.gif", "colours18.ppm");
  ExpectGifMatches("noise.gif", "noise.ppm");
}

TEST(GifDecoder, InterlacedRowsLandInPlace) {
  Bytes bytes = ReadSample("interlaced.gif");
  ASSERT_GT(bytes.size(), 0u);
  ExpectGifMatches("interlaced.gif", "rows9.ppm");
  ExpectGifMatches("noise-interlaced.gif", "noise.ppm");
}

TEST(GifDecoder, AnimationGivesItsFirstFrame) {
  // The second frame is the first upside down.
  ExpectGifMatches("animated.gif", "colours18.ppm");
}

TEST(GifDecoder, LayoutIsHeaderTableRows) {
  Decoded d;
  ASSERT_TRUE(Decode(ReadSample("gif.gif"), d));
  const PictureInfoHeader& h = PaletteHeader(d.picture);
  EXPECT_EQ(h.size, 40u);
  EXPECT_EQ(h.width, 6);
  EXPECT_EQ(h.height, -3);
  EXPECT_EQ(h.planes, 1);
  EXPECT_EQ(h.bitCount, 8);
  EXPECT_EQ(h.compression, 0u);
  EXPECT_EQ(h.clrUsed, 256u);
  EXPECT_EQ(h.clrImportant, 256u);
  EXPECT_EQ(d->dataSize, 1064u + 8 * 3);  // rows of 6 padded to 8
  // Top-left is red: its colour-table entry is blue, green, red, 0.
  const uint8_t* entry = d->data + 40 + IndexAt(d.picture, 0, 0) * 4;
  EXPECT_EQ(entry[0], 0);
  EXPECT_EQ(entry[1], 0);
  EXPECT_EQ(entry[2], 255);
  EXPECT_EQ(entry[3], 0);
}

TEST(GifDecoder, FirstImageSmallerThanTheScreen) {
  Decoded d;
  ASSERT_TRUE(Decode(ReadSample("small-image.gif"), d));
  EXPECT_EQ(d->width, 10);  // the logical screen
  EXPECT_EQ(d->height, 7);
  EXPECT_EQ(PaletteHeader(d.picture).width, 6);  // the image itself
  EXPECT_EQ(PaletteHeader(d.picture).height, -3);
  EXPECT_PIXELS_MATCH(d.picture, ReadSource("colours18.ppm"));
}

// --- hand-made code streams ---

TEST(GifDecoder, LiteralCodesAndTheGlobalTable) {
  Decoded d;
  ASSERT_TRUE(Decode(FourPixelGif({4, 0, 1, 2, 3, 5}), d));
  EXPECT_EQ(PixelAt(d.picture, 0, 0), 0xFF0000u);
  EXPECT_EQ(PixelAt(d.picture, 1, 0), 0x00FF00u);
  EXPECT_EQ(PixelAt(d.picture, 0, 1), 0x0000FFu);
  EXPECT_EQ(PixelAt(d.picture, 1, 1), 0xFFFFFFu);
}

TEST(GifDecoder, LocalTableWinsOverGlobal) {
  Bytes b = GifHeader(2, 2, kFour, 2);
  PutImage(b, 2, 2, 0x81, 2, PackCodes({4, 3, 2, 1, 0, 5}, 2), {0x101010, 0x202020, 0x303030, 0x404040});
  b.push_back(0x3B);
  Decoded d;
  ASSERT_TRUE(Decode(b, d));
  EXPECT_EQ(PixelAt(d.picture, 0, 0), 0x404040u);
  EXPECT_EQ(PixelAt(d.picture, 1, 1), 0x101010u);
}

TEST(GifDecoder, NoColourTableAtAllIsBlack) {
  Bytes b = GifHeader(2, 1, {}, 0);
  PutImage(b, 2, 1, 0, 2, PackCodes({4, 3, 1, 5}, 2));
  Decoded d;
  ASSERT_TRUE(Decode(b, d));
  EXPECT_EQ(IndexAt(d.picture, 0, 0), 3);
  EXPECT_EQ(PixelAt(d.picture, 0, 0), 0u);
}

TEST(GifDecoder, ExtensionsAreSkippedAndTransparencyNotApplied) {
  Bytes b = GifHeader(2, 2, kFour, 2);
  // Graphic control: transparent index 0; then a comment.
  Bytes control = {0x21, 0xF9, 4, 0x09, 10, 0, 0, 0};
  b.insert(b.end(), control.begin(), control.end());
  b.insert(b.end(), {0x21, 0xFE});
  PutSubBlocks(b, Bytes(300, 'x'));
  PutImage(b, 2, 2, 0, 2, PackCodes({4, 0, 1, 2, 3, 5}, 2));
  Decoded d;
  ASSERT_TRUE(Decode(b, d));
  EXPECT_EQ(PixelAt(d.picture, 0, 0), 0xFF0000u);
}

TEST(GifDecoder, RepeatedStringsAndTheCodeJustBeingMade) {
  // 0, then 6 (= "0 0", the entry being made), then 6 again: 0 0 0 0 0.
  Bytes b = GifHeader(5, 1, kFour, 2);
  PutImage(b, 5, 1, 0, 2, PackCodes({4, 0, 6, 6, 5}, 2));
  Decoded d;
  ASSERT_TRUE(Decode(b, d));
  for (int x = 0; x < 5; ++x) EXPECT_EQ(IndexAt(d.picture, x, 0), 0) << x;
}

TEST(GifDecoder, CodeBeyondTheNextFreeEntryFails) {
  Decoded d;
  EXPECT_FALSE(Decode(FourPixelGif({4, 0, 7, 5}), d));  // next free is 6
  EXPECT_FALSE(Decode(FourPixelGif({4, 6, 5}), d));     // nothing to repeat yet
  EXPECT_FALSE(Decode(FourPixelGif({4, 1, 4, 6, 5}), d)) << "a clear empties the table";
  EXPECT_EQ(d->data, nullptr);
}

TEST(GifDecoder, LongStreamFillsTheTableAndGoesOnAtTwelveBits) {
  const uint16_t width = 100, height = 100;
  Bytes indices(width * height);
  uint32_t seed = 12345;
  for (auto& i : indices) {
    seed = seed * 1103515245 + 12345;
    i = uint8_t(seed >> 16);
  }
  std::vector<uint32_t> codes = EncodeLzw(indices, 8);
  ASSERT_GT(codes.size(), 4096u) << "the stream must outgrow the table";
  std::vector<uint32_t> grey(256);
  for (uint32_t i = 0; i < 256; ++i) grey[i] = i * 0x010101;
  Bytes b = GifHeader(width, height, grey, 8);
  PutImage(b, width, height, 0, 8, PackCodes(codes, 8));
  Decoded d;
  ASSERT_TRUE(Decode(b, d));
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      ASSERT_EQ(IndexAt(d.picture, x, y), indices[y * width + x]) << x << "," << y;
}

TEST(GifDecoder, CodesStartingWiderThanTheTableNeeds) {
  // Code sizes 9 to 11 over 256 colours, long enough to fill the table.
  const uint16_t width = 64, height = 64;
  Bytes indices(width * height);
  uint32_t seed = 99;
  for (auto& i : indices) {
    seed = seed * 1103515245 + 12345;
    i = uint8_t(seed >> 16);
  }
  std::vector<uint32_t> grey(256);
  for (uint32_t i = 0; i < 256; ++i) grey[i] = i * 0x010101;
  for (uint32_t codeSize : {9u, 10u, 11u}) {
    SCOPED_TRACE(codeSize);
    Bytes b = GifHeader(width, height, grey, 8);
    PutImage(b, width, height, 0, codeSize, PackCodes(EncodeLzw(indices, codeSize), codeSize));
    b.push_back(0x3B);
    Decoded d;
    ASSERT_TRUE(Decode(b, d));
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x)
        ASSERT_EQ(IndexAt(d.picture, x, y), indices[y * width + x]) << x << "," << y;
  }
  // A literal beyond 255 has no 8-bit index, alone or as a string's root.
  for (std::vector<uint32_t> codes : {std::vector<uint32_t>{512, 1, 256, 513},
                                      std::vector<uint32_t>{512, 300, 514, 513}}) {
    Bytes b = GifHeader(4, 1, kFour, 2);
    PutImage(b, 4, 1, 0, 9, PackCodes(codes, 9));
    Decoded d;
    EXPECT_FALSE(Decode(b, d)) << codes[2];
    EXPECT_EQ(d->data, nullptr);
  }
}

// The code stream may stop before the image is full: at an end code, or at
// the data's terminator. The rest is index 0. A file cut inside the data is
// refused (see RefusesBrokenFiles and the truncation test of every format).
TEST(GifDecoder, StreamEndingEarlyLeavesIndexZero) {
  Decoded d;
  ASSERT_TRUE(Decode(FourPixelGif({4, 3, 3, 5}), d));
  EXPECT_EQ(IndexAt(d.picture, 1, 0), 3);
  EXPECT_EQ(IndexAt(d.picture, 0, 1), 0);
  Bytes b = GifHeader(2, 2, kFour, 2);
  PutImage(b, 2, 2, 0, 2, PackCodes({4, 2, 1}, 2));  // no end code
  b.push_back(0x3B);
  ASSERT_TRUE(Decode(b, d));
  EXPECT_EQ(IndexAt(d.picture, 0, 0), 2);
  EXPECT_EQ(IndexAt(d.picture, 1, 0), 1);
  EXPECT_EQ(IndexAt(d.picture, 0, 1), 0);
  EXPECT_EQ(IndexAt(d.picture, 1, 1), 0);
}

TEST(GifDecoder, RefusesBrokenFiles) {
  Decoded d;
  Bytes good = FourPixelGif({4, 0, 1, 2, 3, 5});
  ASSERT_TRUE(Decode(good, d));
  FreeDecodedPicture(&d);

  Bytes noImage = GifHeader(2, 2, kFour, 2);
  noImage.push_back(0x3B);
  noImage.push_back(0);
  EXPECT_FALSE(Decode(noImage, d)) << "only a trailer";
  Bytes b = good;
  b[10] = 0x87;  // a global table of 256 entries that is not there
  EXPECT_FALSE(Decode(b, d)) << "global table";
  b = good;
  b[4] = '8';
  EXPECT_FALSE(Decode(b, d)) << "GIF88a";
  for (uint8_t codeSize : {0, 12, 255}) {
    b = good;
    b[13 + 12 + 10] = codeSize;
    EXPECT_FALSE(Decode(b, d)) << "code size " << int(codeSize);
  }
  for (size_t sizeAt : {13u + 12 + 5, 13u + 12 + 7}) {
    b = good;
    PutLe16(b, sizeAt, 0);
    EXPECT_FALSE(Decode(b, d)) << "zero image size";
  }
  b = GifHeader(0xFFFF, 0xFFFF, kFour, 2);
  PutImage(b, 0xFFFF, 0xFFFF, 0, 2, PackCodes({4, 0, 5}, 2));
  EXPECT_FALSE(Decode(b, d)) << "65535 x 65535 is beyond any picture";
  b = GifHeader(10000, 10000, kFour, 2);
  PutImage(b, 10000, 10000, 0, 2, PackCodes({4, 0, 6, 7, 8, 5}, 2));
  EXPECT_FALSE(Decode(b, d)) << "100 million pixels from 3 bytes of codes";
  b = good;
  b.resize(13 + 12 + 10 + 2);  // inside the first sub-block
  EXPECT_FALSE(Decode(b, d)) << "truncated data";
  EXPECT_EQ(d->data, nullptr);
}

}  // namespace
