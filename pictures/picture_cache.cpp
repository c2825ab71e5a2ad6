// PictureCache: decode once per property value.
#include "pictures/picture_cache.h"

#include <cstring>

#include "runtime/memory.h"
#include "runtime/typed_value.h"

PictureCache::~PictureCache() { Clear(); }

void PictureCache::Clear() {
  ReleasePrepared(&prepared_);
  FreeDecodedPicture(&decoded_);
  FreeMemory(bytes_);
  bytes_ = nullptr;
  length_ = 0;
}

bool PictureCache::SetValue(const void* byteSet, COLORREF background) {
  return SetBytes(byteSet ? ByteSetData(byteSet) : nullptr, ByteSetLength(byteSet), background);
}

bool PictureCache::SetBytes(const uint8_t* bytes, uint32_t length, COLORREF background) {
  if (!bytes || length == 0) {
    Clear();
    return false;
  }
  bool same = bytes_ && length == length_ && std::memcmp(bytes, bytes_, length) == 0;
  if (same) {
    if (decoded_.kind == kPictureNone) return false;  // the same bad value again
    if (background == background_ && HasPicture()) return true;
    ReleasePrepared(&prepared_);
    return Prepare(background);
  }
  Clear();
  bytes_ = static_cast<uint8_t*>(AllocateRaw(length));
  if (!bytes_) return false;
  std::memcpy(bytes_, bytes, length);
  length_ = length;
  if (!DecodePicture(bytes_, length_, &decoded_)) return false;
  return Prepare(background);
}

bool PictureCache::Prepare(COLORREF background) {
  background_ = background;
  HDC screen = GetDC(nullptr);
  bool ok = PreparePicture(screen, &decoded_, background, &prepared_);
  ReleaseDC(nullptr, screen);
  prepared_.dc = nullptr;  // Draw names the target each time
  if (!ok) FreeDecodedPicture(&decoded_);
  return ok;
}

bool PictureCache::Draw(HDC dc, int x, int y, int width, int height, int32_t operation) const {
  if (!HasPicture()) return false;
  PreparedPicture target = prepared_;
  target.dc = dc;
  return DrawPicture(&target, x, y, width, height, operation);
}
