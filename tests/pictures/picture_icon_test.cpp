// ICO and CUR: which directory entry is taken, and what is kept of it.
#include <gtest/gtest.h>

#include "picture_test_files.h"
#include "pictures/picture_reader.h"

namespace {

struct Entry {
  uint8_t width;
  uint8_t colours;
  int32_t headerWidth;  // in the image's BITMAPINFOHEADER
};

// A directory whose images are bare 40-byte BITMAPINFOHEADERs.
Bytes BuildIconFile(uint16_t type, const std::vector<Entry>& entries) {
  Bytes b(6 + 16 * entries.size(), 0);
  PutLe16(b, 2, type);
  PutLe16(b, 4, uint16_t(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    size_t e = 6 + 16 * i;
    b[e] = entries[i].width;
    b[e + 1] = entries[i].width;
    b[e + 2] = entries[i].colours;
    PutLe32(b, e + 8, 40);
    PutLe32(b, e + 12, uint32_t(b.size()));
    Bytes header(40, 0);
    PutLe32(header, 0, 40);
    PutLe32(header, 4, uint32_t(entries[i].headerWidth));
    PutLe32(header, 8, uint32_t(entries[i].headerWidth * 2));
    PutLe16(header, 14, 4);
    b.insert(b.end(), header.begin(), header.end());
  }
  return b;
}

int ChosenWidth(const Bytes& file) {
  Decoded d;
  return Decode(file, d) ? d->width : -1;
}

TEST(IconDecoder, AllSixteenBySixteenTakesTheLast) {
  Bytes file = ReadSample("two16.ico");
  ASSERT_GE(file.size(), 38u);
  ASSERT_EQ(ReadLe16(file.data() + 4), 2) << "two entries";
  Decoded d;
  ASSERT_TRUE(Decode(file, d));
  EXPECT_EQ(d->kind, kPictureIcon);
  EXPECT_EQ(d->width, 16);
  EXPECT_EQ(d->height, 16);
  uint32_t size = ReadLe32(file.data() + 22 + 8), offset = ReadLe32(file.data() + 22 + 12);
  ASSERT_EQ(d->dataSize, size);
  EXPECT_EQ(Bytes(d->data, d->data + size), Bytes(file.begin() + offset, file.begin() + offset + size))
      << "the second entry's image";
}

TEST(IconDecoder, FirstThirtyTwoWideEntryOfMoreThanFifteenColours) {
  EXPECT_EQ(ChosenWidth(BuildIconFile(1, {{16, 0, 16}, {32, 16, 32}, {48, 0, 48}})), 32);
  EXPECT_EQ(ChosenWidth(BuildIconFile(1, {{32, 16, 31}, {32, 255, 33}})), 31) << "the first match";
  EXPECT_EQ(ChosenWidth(BuildIconFile(1, {{32, 15, 32}, {48, 0, 48}})), 48) << "15 colours is not enough";
  EXPECT_EQ(ChosenWidth(BuildIconFile(1, {{32, 0, 32}, {48, 0, 48}})), 48) << "0 means 256 or more";
  EXPECT_EQ(ChosenWidth(BuildIconFile(1, {{16, 16, 16}, {24, 16, 24}})), 24);
}

TEST(IconDecoder, HeightIsHalfTheHeaders) {
  Bytes file = BuildIconFile(1, {{16, 0, 16}});
  PutLe32(file, 6 + 16 + 8, 60);  // the header says 16 x 60: image 16 x 30
  Decoded d;
  ASSERT_TRUE(Decode(file, d));
  EXPECT_EQ(d->height, 30);
}

TEST(IconDecoder, CursorIsKindFour) {
  Decoded d;
  ASSERT_TRUE(Decode(ReadSample("cursor.cur"), d));
  EXPECT_EQ(d->kind, kPictureCursor);
  EXPECT_EQ(d->width, 16);
  EXPECT_EQ(d->height, 16);
}

TEST(IconDecoder, PngImageTakesItsSizeFromIhdr) {
  Bytes png = ReadSample("opaque.png");
  Bytes file(22, 0);
  PutLe16(file, 2, 1);
  PutLe16(file, 4, 1);
  PutLe32(file, 6 + 8, uint32_t(png.size()));
  PutLe32(file, 6 + 12, 22);
  file.insert(file.end(), png.begin(), png.end());
  Decoded d;
  ASSERT_TRUE(Decode(file, d));
  EXPECT_EQ(d->width, 6);
  EXPECT_EQ(d->height, 3);
}

TEST(IconDecoder, RefusesBrokenFiles) {
  Decoded d;
  Bytes good = BuildIconFile(2, {{16, 0, 16}});
  ASSERT_TRUE(Decode(good, d));
  FreeDecodedPicture(&d);

  Bytes b = good;
  PutLe16(b, 4, 200);
  EXPECT_FALSE(Decode(b, d)) << "directory beyond the file";
  b = good;
  PutLe32(b, 6 + 12, 0xFFFFFFF0u);
  EXPECT_FALSE(Decode(b, d)) << "image offset beyond the file";
  b = good;
  PutLe32(b, 6 + 8, 41);
  EXPECT_FALSE(Decode(b, d)) << "image runs past the end";
  b = good;
  PutLe32(b, 6 + 8, 0);
  EXPECT_FALSE(Decode(b, d)) << "empty image";
  b = good;
  PutLe32(b, 6 + 16 + 8, 1);
  EXPECT_FALSE(Decode(b, d)) << "height 1 halves to nothing";
  b = good;
  PutLe32(b, 6 + 16 + 4, 0xFFFFFFFFu);
  EXPECT_FALSE(Decode(b, d)) << "negative width";
  b = good;
  PutLe32(b, 6 + 16, 12);
  EXPECT_FALSE(Decode(b, d)) << "not a BITMAPINFOHEADER";
  EXPECT_EQ(d->data, nullptr);
}

}  // namespace
