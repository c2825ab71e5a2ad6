// The front-end: DecodePicture, LoadPictureFile, and what bad input does.
#include <gtest/gtest.h>

#include "picture_test_files.h"
#include "runtime/memory_host.h"

namespace {

uint32_t ReadBe(const Bytes& b, size_t at) {
  return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

const char* const kSamples[] = {
    "bmp24.bmp",  "bmp8.bmp",      "bmp4.bmp",      "bmp1.bmp",        "gif.gif",
    "interlaced.gif", "animated.gif", "small-image.gif", "pcx8.pcx",    "pcx1.pcx",
    "grey.jpg",   "colour.jpg",    "alpha.png",     "opaque.png",      "two16.ico",
    "cursor.cur", "noise.gif",     "noise.pcx",     "noise.bmp",       "noise16-alpha-interlaced.png",
};

TEST(DecodePicture, NothingToDecode) {
  Bytes bmp = ReadSample("bmp24.bmp");
  Decoded d;
  EXPECT_FALSE(DecodePicture(nullptr, 100, &d));
  EXPECT_FALSE(DecodePicture(bmp.data(), 0, &d));
  EXPECT_FALSE(DecodePicture(bmp.data(), -1, &d));
  Bytes text = ReadSample("colours18.ppm");
  EXPECT_FALSE(Decode(text, d));
  EXPECT_EQ(d->kind, kPictureNone);
}

TEST(DecodePicture, FreeLeavesThePictureEmpty) {
  DecodedPicture p{};
  Bytes bmp = ReadSample("bmp24.bmp");
  ASSERT_TRUE(DecodePicture(bmp.data(), int64_t(bmp.size()), &p));
  FreeDecodedPicture(&p);
  EXPECT_EQ(p.kind, kPictureNone);
  EXPECT_EQ(p.data, nullptr);
  FreeDecodedPicture(&p);  // twice is harmless
  FreeDecodedPicture(nullptr);
}

TEST(LoadPictureFile, SameAsDecodingTheBytes) {
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    Decoded fromFile, fromBytes;
    ASSERT_TRUE(LoadPictureFile(SamplePath(name).c_str(), &fromFile));
    ASSERT_TRUE(Decode(ReadSample(name), fromBytes));
    EXPECT_EQ(fromFile->kind, fromBytes->kind);
    EXPECT_EQ(fromFile->width, fromBytes->width);
    EXPECT_EQ(fromFile->height, fromBytes->height);
    ASSERT_EQ(fromFile->dataSize, fromBytes->dataSize);
    EXPECT_EQ(Bytes(fromFile->data, fromFile->data + fromFile->dataSize),
              Bytes(fromBytes->data, fromBytes->data + fromBytes->dataSize));
  }
}

TEST(LoadPictureFile, NoFileOrNoPicture) {
  Decoded d;
  EXPECT_FALSE(LoadPictureFile(SamplePath("no-such-file.bmp").c_str(), &d));
  EXPECT_FALSE(LoadPictureFile(SamplePath("colours18.ppm").c_str(), &d));
  EXPECT_FALSE(LoadPictureFile(SamplePath("").c_str(), &d)) << "a folder";
  EXPECT_FALSE(LoadPictureFile(nullptr, &d));
}

// The shortest prefix of a sample that still holds everything the picture
// is made of, read from the file's own structure: what may follow is the
// last row's padding (BMP), the trailer and later frames (GIF), the colour
// table (PCX, which is then black) and the chunks after the image data (PNG).
size_t BytesThePictureNeeds(const Bytes& f) {
  auto le16 = [&f](size_t at) { return size_t(f[at] | f[at + 1] << 8); };
  switch (SniffPicture(f.data(), f.size())) {
    case kPictureBmp: {
      size_t width = le16(18), height = le16(22), bits = le16(28);
      size_t stride = (width * bits + 31) / 32 * 4;
      return le16(10) + stride * (height - 1) + (width * bits + 7) / 8;
    }
    case kPictureGif: {
      size_t pos = 13 + ((f[10] & 0x80) ? 3u << ((f[10] & 7) + 1) : 0);
      auto skipChain = [&f, &pos] {
        while (f[pos] != 0) pos += f[pos] + 1;
        ++pos;
      };
      while (f[pos] == 0x21) {
        pos += 2;
        skipChain();
      }
      uint8_t packed = f[pos + 9];
      pos += 10 + ((packed & 0x80) ? 3u << ((packed & 7) + 1) : 0) + 1;
      skipChain();
      return pos;
    }
    case kPicturePcx8:
    case kPicturePcx1:
      return f.size() >= 769 && f[f.size() - 769] == 12 ? f.size() - 769 : f.size();
    case kPicturePng: {
      size_t end = 0;
      for (size_t pos = 8; pos + 8 <= f.size();) {
        size_t length = size_t(ReadBe(f, pos));
        if (std::memcmp(&f[pos + 4], "IDAT", 4) == 0) end = pos + 12 + length;
        pos += 12 + length;
      }
      return end;
    }
    default:
      return f.size();  // JPEG, ICO, CUR: up to their last byte
  }
}

// Every prefix of every sample: one that lacks part of the picture is
// refused and leaves nothing behind, one that holds all of it decodes to
// the same picture. The native build runs this under AddressSanitizer, so
// a read past the end fails too.
TEST(DecodePicture, TruncatedFilesOfEveryFormat) {
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    Bytes whole = ReadSample(name);
    ASSERT_FALSE(whole.empty());
    Decoded full;
    ASSERT_TRUE(Decode(whole, full));
    const size_t needed = BytesThePictureNeeds(whole);
    ASSERT_GT(needed, 8u);
    ASSERT_LE(needed, whole.size());
    // Every length for the small files, some 2000 lengths for the big ones,
    // and always the lengths either side of the boundary.
    size_t step = whole.size() / 2000 + 1;
    std::vector<size_t> lengths;
    for (size_t n = 0; n < whole.size(); n += step) lengths.push_back(n);
    lengths.insert(lengths.end(), {needed - 1, needed});
    for (size_t n : lengths) {
      // A copy of exactly n bytes, so that reading past it is caught.
      Bytes cut(whole.begin(), whole.begin() + n);
      Decoded d;
      bool ok = Decode(cut, d);
      ASSERT_EQ(ok, n >= needed) << n << " of " << whole.size() << " bytes, " << needed << " needed";
      if (!ok) {
        ASSERT_EQ(d->kind, kPictureNone);
        ASSERT_EQ(d->data, nullptr);
        continue;
      }
      ASSERT_EQ(d->kind, full->kind);
      ASSERT_EQ(d->width, full->width);
      ASSERT_EQ(d->height, full->height);
      ASSERT_EQ(d->dataSize, full->dataSize);
      // The rows are the whole file's; only a PCX colour table may be missing.
      size_t from = d->kind == kPicturePcx8 ? kPalettePixelsOffset : 0;
      ASSERT_EQ(Bytes(d->data + from, d->data + d->dataSize), Bytes(full->data + from, full->data + full->dataSize))
          << n << " bytes";
    }
  }
}

TEST(DecodePicture, MutatedFilesOfEveryFormat) {
  uint32_t seed = 1;
  auto random = [&seed] { return (seed = seed * 1664525 + 1013904223) >> 8; };
  int decoded = 0, refused = 0;
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    Bytes whole = ReadSample(name);
    for (int round = 0; round < 300; ++round) {
      Bytes b = whole;
      int changes = 1 + random() % 4;
      for (int i = 0; i < changes; ++i) {
        size_t at = random() % b.size();
        switch (random() % 3) {
          case 0: b[at] = uint8_t(random()); break;  // any byte
          case 1: b[at] = uint8_t(random() & 1 ? 0 : 0xFF); break;  // extreme byte
          default: b[at] ^= uint8_t(1 << random() % 8);  // one bit
        }
      }
      Decoded d;
      (Decode(b, d) ? decoded : refused)++;
      if (d->kind != kPictureNone) {
        // Whatever was accepted is self-consistent.
        EXPECT_GT(d->width, 0);
        EXPECT_GT(d->height, 0);
        EXPECT_NE(d->data, nullptr);
        EXPECT_GT(d->dataSize, 0u);
      }
    }
  }
  // Both outcomes happen, so the mutations reach the decoders.
  EXPECT_GT(decoded, 0);
  EXPECT_GT(refused, 0);
}

TEST(DecodePicture, AllocationFailureYieldsNothing) {
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    Bytes whole = ReadSample(name);
    for (int budget = 0; budget < 3; ++budget) {
      SetHostAllocationBudget(budget);
      Decoded d;
      bool ok = Decode(whole, d);
      SetHostAllocationBudget(-1);
      if (budget == 0) {
        EXPECT_FALSE(ok);
      }
      if (!ok) {
        EXPECT_EQ(d->data, nullptr);
      }
    }
  }
}

}  // namespace
