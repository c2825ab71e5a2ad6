// The front-end: DecodePicture, LoadPictureFile, and what bad input does.
#include <gtest/gtest.h>

#include "picture_test_files.h"
#include "runtime/memory_host.h"

namespace {

const char* const kSamples[] = {
    "bmp24.bmp",  "bmp8.bmp",      "bmp4.bmp",      "bmp1.bmp",        "gif.gif",
    "interlaced.gif", "animated.gif", "small-image.gif", "pcx8.pcx",    "pcx1.pcx",
    "grey.jpg",   "colour.jpg",    "alpha.png",     "opaque.png",      "two16.ico",
    "cursor.cur", "noise.gif",     "noise.pcx",     "noise.bmp",
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

// Every prefix of every sample: no crash, no read past the end (the native
// build runs this under AddressSanitizer), and a whole file still decodes.
TEST(DecodePicture, TruncatedFilesOfEveryFormat) {
  for (const char* name : kSamples) {
    SCOPED_TRACE(name);
    Bytes whole = ReadSample(name);
    ASSERT_FALSE(whole.empty());
    // Every length for the small files, some 2000 lengths for the big ones.
    size_t step = whole.size() / 2000 + 1;
    for (size_t n = 0; n < whole.size(); n += step) {
      // A copy of exactly n bytes, so that reading past it is caught.
      Bytes cut(whole.begin(), whole.begin() + n);
      Decoded d;
      Decode(cut, d);
    }
    Decoded d;
    EXPECT_TRUE(Decode(whole, d));
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
