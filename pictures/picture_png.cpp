// PNG through libpng's simplified reading interface, into BGRA rows.
#include <png.h>

#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"

static_assert(PNG_FORMAT_BGRA == 19);

// Deflate expands data at most this much; a 1-bit pixel becomes 32 bits.
// Declared sizes the file could never fill are not allocated.
constexpr uint64_t kMaxInflation = 1032;

bool DecodePng(const uint8_t* bytes, uint32_t length, DecodedPicture* out) {
  if (length <= 7) return false;
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, bytes, length)) {
    png_image_free(&image);
    return false;
  }
  image.format = PNG_FORMAT_BGRA;
  uint32_t rowBytes, size;
  if (image.width == 0 || image.height == 0 || image.width > 0x7FFF || image.height > 0x7FFF ||
      !CheckedMul(image.width, 4, &rowBytes) || !CheckedMul(rowBytes, image.height, &size) ||
      uint64_t(size) > uint64_t(length) * kMaxInflation * 32) {
    png_image_free(&image);
    return false;
  }
  auto* pixels = static_cast<uint8_t*>(AllocateRaw(size));
  if (!pixels) {
    png_image_free(&image);
    return false;
  }
  if (!png_image_finish_read(&image, nullptr, pixels, 0, nullptr)) {
    png_image_free(&image);
    FreeMemory(pixels);
    return false;
  }
  png_image_free(&image);
  out->kind = kPicturePng;
  out->width = static_cast<int32_t>(image.width);
  out->height = static_cast<int32_t>(image.height);
  out->data = pixels;
  out->dataSize = size;
  return true;
}
