// BMP: uncompressed 1-, 4-, 8-, 24- and 32-bit files to 24-bit pixels,
// blue-green-red, bottom row first (the layout the JPEG decoder gives too).
#include <cstring>

#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"

namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kMinimumBytes = 54;  // file header + BITMAPINFOHEADER

struct BmpLayout {
  uint32_t width = 0;
  uint32_t rows;
  bool topDown;
  uint32_t bits;
  uint32_t stride;       // bytes per row in the file
  uint32_t pixelOffset;  // first row
  uint32_t paletteOffset = 0;
  uint32_t paletteCount = 0;
};

bool ReadLayout(const uint8_t* b, uint32_t length, BmpLayout* layout) {
  if (length < kMinimumBytes || b[0] != 'B' || b[1] != 'M') return false;
  uint32_t headerSize = ReadLe32(b + 14);
  int32_t width = static_cast<int32_t>(ReadLe32(b + 18));
  int32_t height = static_cast<int32_t>(ReadLe32(b + 22));
  uint32_t bits = ReadLe16(b + 28);
  uint32_t compression = ReadLe32(b + 30);
  uint32_t colorsUsed = ReadLe32(b + 46);
  // A core header (12 bytes) has no compression field: not taken.
  if (headerSize < 40 || compression != 0) return false;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) return false;
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  layout->width = static_cast<uint32_t>(width);
  layout->topDown = height < 0;
  layout->rows = static_cast<uint32_t>(height < 0 ? -height : height);
  layout->bits = bits;
  layout->pixelOffset = ReadLe32(b + 10);
  if (!PaddedRowBytes(layout->width, bits, 4, &layout->stride)) return false;

  layout->paletteCount = 0;
  if (bits <= 8) {
    uint32_t full = 1u << bits;
    layout->paletteCount = colorsUsed && colorsUsed < full ? colorsUsed : full;
    uint64_t offset = uint64_t(kFileHeaderBytes) + headerSize;
    if (!InBounds(length, offset, uint64_t(layout->paletteCount) * 4)) return false;
    layout->paletteOffset = static_cast<uint32_t>(offset);
  }
  // Every row must be there; the last row's padding may be missing.
  uint32_t lastRowBytes;
  if (!PaddedRowBytes(layout->width, bits, 1, &lastRowBytes)) return false;
  uint64_t pixelBytes = uint64_t(layout->stride) * (layout->rows - 1) + lastRowBytes;
  return InBounds(length, layout->pixelOffset, pixelBytes);
}

// Blue-green-red of every possible index; black beyond a short colour table.
struct ColourLookup {
  uint8_t bgr[256][3];
};

void FillLookup(const uint8_t* palette, uint32_t count, ColourLookup* lookup) {
  std::memset(lookup, 0, sizeof *lookup);
  for (uint32_t i = 0; i < count && i < 256; ++i) std::memcpy(lookup->bgr[i], palette + i * 4, 3);
}

// Expands one file row into blue-green-red triples.
void ConvertRow(const uint8_t* src, const BmpLayout& layout, const ColourLookup& lookup, uint8_t* dst) {
  uint32_t width = layout.width;
  switch (layout.bits) {
    case 24:
      std::memcpy(dst, src, size_t(width) * 3);
      return;
    case 32:
      for (uint32_t x = 0; x < width; ++x, src += 4, dst += 3) {
        dst[0] = src[0];
        dst[1] = src[1];
        dst[2] = src[2];
      }
      return;
    case 8:
      for (uint32_t x = 0; x < width; ++x, dst += 3) std::memcpy(dst, lookup.bgr[src[x]], 3);
      return;
    default: {
      uint32_t bits = layout.bits;
      uint32_t perByte = 8 / bits;
      uint32_t mask = (1u << bits) - 1;
      for (uint32_t x = 0; x < width; ++x, dst += 3) {
        uint32_t shift = 8 - bits * (x % perByte + 1);
        std::memcpy(dst, lookup.bgr[(src[x / perByte] >> shift) & mask], 3);
      }
    }
  }
}

}  // namespace

bool DecodeBmp(const uint8_t* bytes, uint32_t length, DecodedPicture* out) {
  BmpLayout layout;
  if (!ReadLayout(bytes, length, &layout)) return false;
  uint32_t rowBytes, size;
  if (!CheckedMul(layout.width, 3, &rowBytes) || !CheckedMul(rowBytes, layout.rows, &size))
    return false;
  auto* pixels = static_cast<uint8_t*>(AllocateRaw(size));
  if (!pixels) return false;
  ColourLookup lookup;
  FillLookup(bytes + layout.paletteOffset, layout.paletteCount, &lookup);
  for (uint32_t row = 0; row < layout.rows; ++row) {
    // File rows run bottom-up unless the height was negative; ours always do.
    uint32_t fromBottom = layout.topDown ? layout.rows - 1 - row : row;
    const uint8_t* src = bytes + layout.pixelOffset + size_t(layout.stride) * row;
    ConvertRow(src, layout, lookup, pixels + size_t(rowBytes) * fromBottom);
  }
  out->kind = kPictureBmp;
  out->width = static_cast<int32_t>(layout.width);
  out->height = static_cast<int32_t>(layout.rows);
  out->data = pixels;
  out->dataSize = size;
  return true;
}
