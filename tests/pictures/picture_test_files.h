// Helpers shared by the picture tests: sample files, expected pixels and
// reading decoded pixels back whatever the layout.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "pictures/picture.h"

#ifndef PICTURE_SAMPLES
#error "PICTURE_SAMPLES names the folder that picture_samples.sh filled"
#endif

using Bytes = std::vector<uint8_t>;

inline std::string SamplePath(const char* name) { return std::string(PICTURE_SAMPLES) + "/" + name; }

inline Bytes ReadSample(const char* name) {
  Bytes bytes;
  if (std::FILE* f = std::fopen(SamplePath(name).c_str(), "rb")) {
    uint8_t buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(f);
  }
  return bytes;
}

// The source pixels a sample was made from (P3 or P1 text), as 0xRRGGBB.
struct SourceImage {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[size_t(y) * width + x]; }
};

inline SourceImage ReadSource(const char* name) {
  SourceImage image;
  Bytes text = ReadSample(name);
  text.push_back(0);
  const char* p = reinterpret_cast<const char*>(text.data());
  char magic[3] = {};
  int consumed = 0;
  if (std::sscanf(p, "%2s %d %d%n", magic, &image.width, &image.height, &consumed) != 3) return {};
  p += consumed;
  bool mono = std::strcmp(magic, "P1") == 0;
  if (!mono) {
    int maxValue;
    std::sscanf(p, "%d%n", &maxValue, &consumed);
    p += consumed;
  }
  for (int i = 0; i < image.width * image.height; ++i) {
    unsigned r, g, b;
    if (mono) {
      std::sscanf(p, "%u%n", &r, &consumed);
      p += consumed;
      image.pixels.push_back(r ? 0x000000 : 0xFFFFFF);  // PBM: 1 is black
    } else {
      std::sscanf(p, "%u %u %u%n", &r, &g, &b, &consumed);
      p += consumed;
      image.pixels.push_back(r << 16 | g << 8 | b);
    }
  }
  return image;
}

// Frees the picture when the test ends, whatever it asserted.
struct Decoded {
  DecodedPicture picture{};
  ~Decoded() { FreeDecodedPicture(&picture); }
  DecodedPicture* operator&() { return &picture; }
  const DecodedPicture* operator->() const { return &picture; }
};

inline bool Decode(const Bytes& bytes, Decoded& out) {
  FreeDecodedPicture(&out.picture);
  return DecodePicture(bytes.data(), int64_t(bytes.size()), &out.picture);
}

// The image rows of a kind-5 or kind-6 picture (its own size, top row first).
inline const PictureInfoHeader& PaletteHeader(const DecodedPicture& p) {
  return *reinterpret_cast<const PictureInfoHeader*>(p.data);
}

// Pixel (x, y), y counted from the top, as 0xRRGGBB; alpha is dropped.
inline uint32_t PixelAt(const DecodedPicture& p, int x, int y) {
  const uint8_t* px = nullptr;
  switch (p.kind) {
    case kPictureJpeg:
    case kPictureBmp:
      px = p.data + (size_t(p.height - 1 - y) * p.width + x) * 3;
      break;
    case kPicturePng:
      px = p.data + (size_t(y) * p.width + x) * 4;
      break;
    case kPictureGif:
    case kPicturePcx8: {
      const PictureInfoHeader& h = PaletteHeader(p);
      size_t stride = (size_t(h.width) + 3) / 4 * 4;
      uint8_t index = p.data[kPalettePixelsOffset + stride * y + x];
      px = p.data + sizeof(PictureInfoHeader) + index * 4;
      break;
    }
    case kPicturePcx1: {
      size_t stride = (size_t(p.width) + 15) / 16 * 2;
      bool set = p.data[stride * y + x / 8] & (0x80 >> (x % 8));
      return set ? 0xFFFFFF : 0x000000;
    }
    default:
      return 0xDEADBEEF;
  }
  return uint32_t(px[2]) << 16 | uint32_t(px[1]) << 8 | px[0];
}

// Every pixel of `picture` (from its top-left) matches `source`; a source
// that could not be read, or a picture smaller than it, is a failure too.
inline ::testing::AssertionResult PixelsMatch(const DecodedPicture& picture, const SourceImage& source) {
  if (source.width <= 0 || source.height <= 0 || source.pixels.size() != size_t(source.width) * source.height)
    return ::testing::AssertionFailure() << "the expected pixels could not be read";
  if (!picture.data || picture.width < source.width || picture.height < source.height)
    return ::testing::AssertionFailure() << "picture " << picture.width << "x" << picture.height
                                         << " cannot hold " << source.width << "x" << source.height;
  int wrong = 0;
  ::testing::AssertionResult result = ::testing::AssertionSuccess();
  for (int y = 0; y < source.height; ++y)
    for (int x = 0; x < source.width; ++x) {
      uint32_t actual = PixelAt(picture, x, y), expected = source.At(x, y);
      if (actual == expected) continue;
      if (wrong++ == 0) result = ::testing::AssertionFailure();
      char line[64];
      std::snprintf(line, sizeof line, "pixel %d,%d: %06X, not %06X; ", x, y, unsigned(actual), unsigned(expected));
      if (wrong <= 8) result << line;
    }
  if (wrong) result << wrong << " pixels differ";
  return result;
}
#define EXPECT_PIXELS_MATCH(picture, source) EXPECT_TRUE(PixelsMatch((picture), (source)))

inline void PutLe16(Bytes& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v);
  b[at + 1] = uint8_t(v >> 8);
}
inline void PutLe32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = uint8_t(v >> (8 * i));
}
