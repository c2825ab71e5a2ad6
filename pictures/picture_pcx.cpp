// PCX: run-length coded 8-bit (one plane, optional 256-colour table at the
// end) and 1-bit files.
#include <cstring>

#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"

namespace {

constexpr uint32_t kHeaderBytes = 128;
constexpr uint8_t kPaletteMarker = 12;

struct PcxHeader {
  uint32_t width, height;
  uint32_t bits, planes;
  uint32_t bytesPerLine;
};

bool ReadHeader(const uint8_t* b, uint32_t length, PcxHeader* h) {
  if (length <= kHeaderBytes || b[0] != 0x0A || b[1] > 5 || b[2] != 1) return false;
  uint32_t xmin = ReadLe16(b + 4), ymin = ReadLe16(b + 6);
  uint32_t xmax = ReadLe16(b + 8), ymax = ReadLe16(b + 10);
  if (xmax < xmin || ymax < ymin) return false;
  h->width = xmax - xmin + 1;
  h->height = ymax - ymin + 1;
  h->bits = b[3];
  h->planes = b[65];
  h->bytesPerLine = ReadLe16(b + 66);
  return true;
}

// Run-length data from offset 128: each line of `lineBytes` bytes goes to
// `rows` (`stride` apart), cut to `keep` bytes. Runs may cross lines.
// Answers the offset after the data, or 0 when the data is short.
uint32_t DecodeRuns(const uint8_t* b, uint32_t length, uint32_t lineBytes, uint32_t lines,
                    uint32_t keep, uint8_t* rows, uint32_t stride) {
  uint32_t pos = kHeaderBytes;
  uint32_t line = 0, column = 0;
  uint8_t* row = rows;
  while (line < lines) {
    if (pos >= length) return 0;
    uint8_t byte = b[pos++];
    uint32_t count = 1;
    if (byte > 0xC0) {  // 0xC0 itself is a literal
      if (pos >= length) return 0;
      count = byte - 0xC0u;
      byte = b[pos++];
    } else {  // literals are most bytes of a busy picture: keep them cheap
      if (column < keep) row[column] = byte;
      if (++column == lineBytes) {
        column = 0;
        ++line;
        row += stride;
      }
      continue;
    }
    while (count && line < lines) {
      uint32_t n = count < lineBytes - column ? count : lineBytes - column;
      uint32_t stored = column < keep ? (n < keep - column ? n : keep - column) : 0;
      for (uint32_t i = 0; i < stored; ++i) row[column + i] = byte;  // runs are short
      column += n;
      count -= n;
      if (column == lineBytes) {
        column = 0;
        ++line;
        row += stride;
      }
    }
  }
  return pos;
}

}  // namespace

bool DecodePcx8(const uint8_t* b, uint32_t length, DecodedPicture* out) {
  PcxHeader h;
  if (!ReadHeader(b, length, &h)) return false;
  if (h.bits == 1 && h.planes == 1) return DecodePcx1(b, length, out);
  // Several planes of 8 bits are a true-colour file, not an indexed one.
  if (h.bits != 8 || h.planes != 1 || h.bytesPerLine < h.width) return false;

  // Rows keep the picture's width (padded to 4) so the header describes them.
  uint32_t stride, rowsBytes, size;
  if (!PaddedRowBytes(h.width, 8, 4, &stride) || !CheckedMul(stride, h.height, &rowsBytes) ||
      !CheckedAdd(kPalettePixelsOffset, rowsBytes, &size))
    return false;
  // Each run of two bytes gives at most 63 bytes: refuse what the file cannot hold.
  if (uint64_t(length - kHeaderBytes) * 63 / 2 + 1 < uint64_t(h.bytesPerLine) * h.height) return false;
  auto* data = static_cast<uint8_t*>(AllocateRaw(size));
  if (!data) return false;
  std::memset(data, 0, size);
  uint32_t end = DecodeRuns(b, length, h.bytesPerLine, h.height, h.width,
                            data + kPalettePixelsOffset, stride);
  if (end == 0) {
    FreeMemory(data);
    return false;
  }
  // Without the marker the colour table stays black.
  uint8_t* quads = data + sizeof(PictureInfoHeader);
  if (end < length && b[end] == kPaletteMarker && InBounds(length, end + 1, kPaletteEntries * 3)) {
    const uint8_t* table = b + end + 1;
    for (uint32_t i = 0; i < kPaletteEntries; ++i) {
      quads[i * 4 + 0] = table[i * 3 + 2];
      quads[i * 4 + 1] = table[i * 3 + 1];
      quads[i * 4 + 2] = table[i * 3 + 0];
    }
  }
  PictureInfoHeader header{};
  header.size = sizeof header;
  header.width = static_cast<int32_t>(h.width);
  header.height = -static_cast<int32_t>(h.height);
  header.planes = 1;
  header.bitCount = 8;
  header.clrUsed = header.clrImportant = kPaletteEntries;
  std::memcpy(data, &header, sizeof header);

  out->kind = kPicturePcx8;
  out->width = static_cast<int32_t>(h.width);
  out->height = static_cast<int32_t>(h.height);
  out->data = data;
  out->dataSize = size;
  return true;
}

bool DecodePcx1(const uint8_t* b, uint32_t length, DecodedPicture* out) {
  PcxHeader h;
  if (!ReadHeader(b, length, &h)) return false;
  uint32_t rowBytes, stride, size;
  if (h.bits != 1 || h.planes != 1 || !PaddedRowBytes(h.width, 1, 1, &rowBytes) ||
      h.bytesPerLine < rowBytes || !PaddedRowBytes(h.width, 1, 2, &stride) ||
      !CheckedMul(stride, h.height, &size))
    return false;
  if (uint64_t(length - kHeaderBytes) * 63 / 2 + 1 < uint64_t(h.bytesPerLine) * h.height) return false;
  auto* rows = static_cast<uint8_t*>(AllocateRaw(size));
  if (!rows) return false;
  std::memset(rows, 0, size);
  if (DecodeRuns(b, length, h.bytesPerLine, h.height, rowBytes, rows, stride) == 0) {
    FreeMemory(rows);
    return false;
  }
  out->kind = kPicturePcx1;
  out->width = static_cast<int32_t>(h.width);
  out->height = static_cast<int32_t>(h.height);
  out->data = rows;
  out->dataSize = size;
  return true;
}
