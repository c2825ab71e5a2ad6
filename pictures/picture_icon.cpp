// ICO and CUR: the directory walk and the chosen image. Building the icon
// handle from the image is the Windows side's business (picture_draw.cpp).
#include <cstring>

#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"

namespace {

constexpr uint32_t kDirectoryHeaderBytes = 6;
constexpr uint32_t kEntryBytes = 16;

// The first entry of more than 15 colours that is 32 pixels wide; else the last.
uint32_t ChooseEntry(const uint8_t* directory, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    const uint8_t* entry = directory + i * kEntryBytes;
    if (entry[2] > 15 && entry[0] == 32) return i;
  }
  return count - 1;
}

// Width and height of a directory image: a BITMAPINFOHEADER (whose height
// counts the mask too) or, in newer files, PNG data.
bool ReadImageSize(const uint8_t* image, uint32_t size, uint32_t* width, uint32_t* height) {
  if (size >= 24 && image[0] == 0x89 && std::memcmp(image + 1, "PNG", 3) == 0) {
    *width = ReadBe32(image + 16);
    *height = ReadBe32(image + 20);
  } else {
    if (size < sizeof(PictureInfoHeader) || ReadLe32(image) < sizeof(PictureInfoHeader)) return false;
    int32_t w = static_cast<int32_t>(ReadLe32(image + 4));
    int32_t h = static_cast<int32_t>(ReadLe32(image + 8));
    if (w <= 0 || h <= 0) return false;
    *width = static_cast<uint32_t>(w);
    *height = static_cast<uint32_t>(h) / 2;
  }
  return *width > 0 && *height > 0 && *width <= 0x7FFF && *height <= 0x7FFF;
}

}  // namespace

bool DecodeIconFile(const uint8_t* b, uint32_t length, DecodedPicture* out) {
  if (length < kDirectoryHeaderBytes) return false;
  uint32_t type = ReadLe16(b + 2), count = ReadLe16(b + 4);
  if (ReadLe16(b) != 0 || (type != 1 && type != 2) || count == 0) return false;
  if (!InBounds(length, kDirectoryHeaderBytes, uint64_t(count) * kEntryBytes)) return false;
  const uint8_t* entry = b + kDirectoryHeaderBytes + ChooseEntry(b + kDirectoryHeaderBytes, count) * kEntryBytes;
  uint32_t size = ReadLe32(entry + 8), offset = ReadLe32(entry + 12);
  if (size == 0 || size > kMaxPictureBytes || !InBounds(length, offset, size)) return false;
  uint32_t width, height;
  if (!ReadImageSize(b + offset, size, &width, &height)) return false;
  auto* image = static_cast<uint8_t*>(AllocateRaw(size));
  if (!image) return false;
  std::memcpy(image, b + offset, size);
  out->kind = type == 1 ? kPictureIcon : kPictureCursor;
  out->width = static_cast<int32_t>(width);
  out->height = static_cast<int32_t>(height);
  out->data = image;
  out->dataSize = size;
  return true;
}
