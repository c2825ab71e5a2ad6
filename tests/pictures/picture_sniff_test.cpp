// Format recognition from the first 8 bytes.
#include <gtest/gtest.h>

#include "picture_test_files.h"

namespace {

PictureKind Sniff(std::initializer_list<uint8_t> head) {
  Bytes b(head);
  return SniffPicture(b.data(), b.size());
}

TEST(SniffPicture, RecognisesEachSignature) {
  EXPECT_EQ(Sniff({0xFF, 0xD8, 0xFF, 0xE0, 0, 0, 0, 0}), kPictureJpeg);
  EXPECT_EQ(Sniff({'B', 'M', 0, 0, 0, 0, 0, 0}), kPictureBmp);
  EXPECT_EQ(Sniff({0, 0, 1, 0, 1, 0, 0, 0}), kPictureIcon);
  EXPECT_EQ(Sniff({0, 0, 2, 0, 3, 0, 0, 0}), kPictureCursor);
  EXPECT_EQ(Sniff({'G', 'I', 'F', '8', '7', 'a', 0, 0}), kPictureGif);
  EXPECT_EQ(Sniff({'G', 'I', 'F', '8', '9', 'a', 0, 0}), kPictureGif);
  EXPECT_EQ(Sniff({0x0A, 5, 1, 8, 0, 0, 0, 0}), kPicturePcx8);
  EXPECT_EQ(Sniff({0x0A, 0, 1, 8, 0, 0, 0, 0}), kPicturePcx8);
  EXPECT_EQ(Sniff({0x0A, 3, 1, 1, 0, 0, 0, 0}), kPicturePcx1);
  EXPECT_EQ(Sniff({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A}), kPicturePng);
}

TEST(SniffPicture, RefusesNearMisses) {
  EXPECT_EQ(Sniff({'G', 'I', 'F', '8', '8', 'a', 0, 0}), kPictureNone);
  EXPECT_EQ(Sniff({'G', 'I', 'F', '8', '9', 'b', 0, 0}), kPictureNone);
  EXPECT_EQ(Sniff({0, 0, 1, 0, 0, 0, 0, 0}), kPictureNone);  // no images
  EXPECT_EQ(Sniff({0, 0, 3, 0, 1, 0, 0, 0}), kPictureNone);
  EXPECT_EQ(Sniff({0, 1, 1, 0, 1, 0, 0, 0}), kPictureNone);  // reserved word set
  EXPECT_EQ(Sniff({0x0A, 6, 1, 8, 0, 0, 0, 0}), kPictureNone);
  EXPECT_EQ(Sniff({0x0A, 5, 0, 8, 0, 0, 0, 0}), kPictureNone);
  EXPECT_EQ(Sniff({0x0A, 5, 1, 1, 0, 0, 0, 0}), kPictureNone);  // 1-bit only as version 3
  EXPECT_EQ(Sniff({0x0A, 3, 1, 4, 0, 0, 0, 0}), kPictureNone);
  EXPECT_EQ(Sniff({0xFF, 0xD9, 0, 0, 0, 0, 0, 0}), kPictureNone);
  EXPECT_EQ(SniffPicture(nullptr, 100), kPictureNone);
}

TEST(SniffPicture, NeedsEightBytes) {
  const uint8_t png[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  EXPECT_EQ(SniffPicture(png, 7), kPictureNone);
  EXPECT_EQ(SniffPicture(png, 8), kPicturePng);
  const uint8_t bmp[2] = {'B', 'M'};
  EXPECT_EQ(SniffPicture(bmp, 2), kPictureNone);
}

TEST(SniffPicture, SevenBytesOfPngAreNoPicture) {
  Bytes png = ReadSample("opaque.png");
  ASSERT_GT(png.size(), 8u);
  Decoded d;
  EXPECT_FALSE(DecodePicture(png.data(), 7, &d));
  EXPECT_EQ(d->kind, kPictureNone);
  EXPECT_EQ(d->data, nullptr);
}

TEST(SniffPicture, EveryGeneratedSampleHasItsKind) {
  const struct {
    const char* file;
    PictureKind kind;
  } samples[] = {
      {"bmp24.bmp", kPictureBmp},   {"grey.jpg", kPictureJpeg},     {"alpha.png", kPicturePng},
      {"two16.ico", kPictureIcon},  {"cursor.cur", kPictureCursor}, {"gif.gif", kPictureGif},
      {"pcx8.pcx", kPicturePcx8},   {"pcx1.pcx", kPicturePcx1},     {"pcx1v5.pcx", kPictureNone},
      {"colours18.ppm", kPictureNone},
  };
  for (const auto& s : samples) {
    Bytes b = ReadSample(s.file);
    ASSERT_FALSE(b.empty()) << s.file;
    EXPECT_EQ(SniffPicture(b.data(), b.size()), s.kind) << s.file;
  }
}

}  // namespace
