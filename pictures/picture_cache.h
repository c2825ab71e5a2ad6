// What a unit keeps for one picture property: the value it was made from,
// the decoded picture and its prepared bitmap. Decoding happens when the
// value changes, never on paint. Windows only.
#pragma once
#include "pictures/picture_draw.h"

class PictureCache {
 public:
  PictureCache() = default;
  ~PictureCache();
  PictureCache(const PictureCache&) = delete;
  PictureCache& operator=(const PictureCache&) = delete;

  // Operations
  // Takes a picture property value (a byte-set block, or null for none).
  // Equal bytes keep what is held; a new background only re-prepares.
  // False when the value holds no usable picture (the cache is then empty).
  bool SetValue(const void* byteSet, COLORREF background);
  bool SetBytes(const uint8_t* bytes, uint32_t length, COLORREF background);
  void Clear();
  // Draws on `dc` as DrawPicture does; false when there is no picture.
  bool Draw(HDC dc, int x, int y, int width, int height, int32_t operation) const;

  // Attributes
  bool HasPicture() const { return prepared_.kind != kPictureNone; }
  uint32_t Kind() const { return prepared_.kind; }
  int Width() const { return prepared_.width; }
  int Height() const { return prepared_.height; }
  const DecodedPicture& Decoded() const { return decoded_; }
  const PreparedPicture& Prepared() const { return prepared_; }

 private:
  bool Prepare(COLORREF background);

  uint8_t* bytes_ = nullptr;  // copy of the value, to notice changes
  uint32_t length_ = 0;
  COLORREF background_ = 0;
  DecodedPicture decoded_{};
  PreparedPicture prepared_{};
};
