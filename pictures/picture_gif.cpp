// GIF: the first image of the file, as 8-bit rows with its colour table.
#include <cstring>

#include "pictures/picture_decoders.h"
#include "pictures/picture_reader.h"

namespace {

constexpr uint32_t kMinimumBytes = 14;
constexpr uint32_t kMaxCodes = 4096;  // 12-bit codes
// Encoders may start the codes wider than the colour table needs; up to 11
// bits leaves room for the clear and end codes below 4096.
constexpr uint32_t kMaxMinCodeSize = 11;

// Reads the bytes of a sub-block chain (size byte, that many bytes, ...,
// size 0) one at a time. Running off the end of the file is an error.
class SubBlockReader {
 public:
  SubBlockReader(const uint8_t* bytes, uint32_t length, uint32_t pos)
      : bytes_(bytes), length_(length), pos_(pos) {}

  // Next data byte; false at the terminator or on error (see Failed()).
  bool Next(uint8_t* byte) {
    if (left_ == 0) {
      if (done_) return false;
      if (pos_ >= length_) return Fail();
      left_ = bytes_[pos_++];
      if (left_ == 0) {
        done_ = true;
        return false;
      }
      if (!InBounds(length_, pos_, left_)) return Fail();
    }
    --left_;
    *byte = bytes_[pos_++];
    return true;
  }
  bool Failed() const { return failed_; }

 private:
  bool Fail() {
    failed_ = done_ = true;
    return false;
  }
  const uint8_t* bytes_;
  uint32_t length_;
  uint32_t pos_;
  uint32_t left_ = 0;
  bool done_ = false;
  bool failed_ = false;
};

// Skips a sub-block chain starting at *pos; false when it runs off the end.
bool SkipSubBlocks(const uint8_t* bytes, uint32_t length, uint32_t* pos) {
  for (;;) {
    if (*pos >= length) return false;
    uint32_t size = bytes[(*pos)++];
    if (size == 0) return true;
    if (!InBounds(length, *pos, size)) return false;
    *pos += size;
  }
}

// Bytes in the sub-block chain at pos; false when it runs off the end.
bool CountSubBlockBytes(const uint8_t* bytes, uint32_t length, uint32_t pos, uint64_t* count) {
  *count = 0;
  for (;;) {
    if (pos >= length) return false;
    uint32_t size = bytes[pos++];
    if (size == 0) return true;
    if (!InBounds(length, pos, size)) return false;
    pos += size;
    *count += size;
  }
}

// The most pixels `bytes` of LZW data can stand for: a code takes at least
// minCodeSize + 1 bits, and the k-th code after a clear at most k pixels
// (4096 once the table is full).
uint64_t MaxLzwPixels(uint64_t bytes, uint32_t minCodeSize) {
  uint64_t codes = bytes * 8 / (minCodeSize + 1);
  if (codes <= kMaxCodes) return codes * (codes + 1) / 2;
  return uint64_t(kMaxCodes) * (kMaxCodes + 1) / 2 + (codes - kMaxCodes) * kMaxCodes;
}

// Where decoded indices go: rows in file order, or in the four interlace passes.
class RowWriter {
 public:
  RowWriter(uint8_t* rows, uint32_t stride, uint32_t width, uint32_t height, bool interlaced)
      : rows_(rows), stride_(stride), width_(width), height_(height), interlaced_(interlaced) {}

  bool Full() const { return y_ >= height_; }
  void Put(uint8_t index) {
    rows_[size_t(y_) * stride_ + x_] = index;
    if (++x_ < width_) return;
    x_ = 0;
    if (!interlaced_) {
      ++y_;
      return;
    }
    static constexpr uint32_t kStart[4] = {0, 4, 2, 1};
    static constexpr uint32_t kStep[4] = {8, 8, 4, 2};
    y_ += kStep[pass_];
    while (y_ >= height_ && pass_ < 3) y_ = kStart[++pass_];
  }

 private:
  uint8_t* rows_;
  uint32_t stride_, width_, height_;
  bool interlaced_;
  uint32_t x_ = 0, y_ = 0, pass_ = 0;
};

// The LZW code stream into `out`. False on a read error, a code beyond the
// next free table entry or a pixel beyond 255 (possible when the code size
// is above 8). An end code or the data's terminator before the image is full
// leaves the rest index 0; the file itself ending inside the data is a read
// error (the caller has already checked that the data's sub-blocks are all there).
bool DecodeLzw(SubBlockReader& in, uint32_t minCodeSize, RowWriter& out) {
  static thread_local uint16_t prefix[kMaxCodes];
  static thread_local uint8_t suffix[kMaxCodes];
  static thread_local uint8_t first[kMaxCodes];
  static thread_local uint8_t stack[kMaxCodes];

  const uint32_t clear = 1u << minCodeSize;
  const uint32_t end = clear + 1;
  for (uint32_t i = 0; i < clear; ++i) {
    prefix[i] = 0;
    suffix[i] = first[i] = static_cast<uint8_t>(i);
  }
  uint32_t codeSize = minCodeSize + 1;
  uint32_t next = clear + 2;
  int32_t previous = -1;
  uint32_t bitBuffer = 0, bitCount = 0;

  while (!out.Full()) {
    while (bitCount < codeSize) {
      uint8_t byte;
      if (!in.Next(&byte)) return !in.Failed();
      bitBuffer |= uint32_t(byte) << bitCount;
      bitCount += 8;
    }
    uint32_t code = bitBuffer & ((1u << codeSize) - 1);
    bitBuffer >>= codeSize;
    bitCount -= codeSize;

    if (code == clear) {
      codeSize = minCodeSize + 1;
      next = clear + 2;
      previous = -1;
      continue;
    }
    if (code == end) break;
    if (code > next || (previous < 0 && code >= clear)) return false;

    // Unwind the string of `code` (or of previous + its first byte) onto the stack.
    uint32_t depth = 0;
    uint32_t walk = code;
    if (code == next) {
      stack[depth++] = first[previous];
      walk = static_cast<uint32_t>(previous);
    }
    while (walk >= clear) {
      stack[depth++] = suffix[walk];
      walk = prefix[walk];
    }
    if (walk > 0xFF) return false;  // no 8-bit index
    stack[depth++] = static_cast<uint8_t>(walk);
    while (depth && !out.Full()) out.Put(stack[--depth]);

    if (previous >= 0 && next < kMaxCodes) {
      prefix[next] = static_cast<uint16_t>(previous);
      suffix[next] = static_cast<uint8_t>(walk);
      first[next] = first[previous];
      ++next;
      if (next == (1u << codeSize) && codeSize < 12) ++codeSize;
    }
    previous = static_cast<int32_t>(code);
  }
  return true;
}

// Colour table entries (red, green, blue) into RGBQUADs (blue, green, red, 0).
void StoreColourTable(const uint8_t* table, uint32_t entries, uint8_t* quads) {
  for (uint32_t i = 0; i < entries; ++i) {
    quads[i * 4 + 0] = table[i * 3 + 2];
    quads[i * 4 + 1] = table[i * 3 + 1];
    quads[i * 4 + 2] = table[i * 3 + 0];
    quads[i * 4 + 3] = 0;
  }
}

struct ImageDescriptor {
  uint32_t width, height;
  bool interlaced;
  const uint8_t* table;  // local, else global, else null
  uint32_t tableEntries;
  uint32_t dataPos;      // the LZW code size byte
};

// Walks the block stream to the first image descriptor, skipping extensions
// (graphic-control data is not applied: transparent pixels keep their colour).
bool FindFirstImage(const uint8_t* b, uint32_t length, uint32_t pos, const uint8_t* global,
                    uint32_t globalEntries, ImageDescriptor* image) {
  for (;;) {
    if (pos >= length) return false;
    uint8_t introducer = b[pos++];
    if (introducer == 0x21) {
      if (pos >= length) return false;
      ++pos;  // label
      if (!SkipSubBlocks(b, length, &pos)) return false;
      continue;
    }
    if (introducer != 0x2C || !InBounds(length, pos, 9)) return false;  // trailer or junk
    image->width = ReadLe16(b + pos + 4);
    image->height = ReadLe16(b + pos + 6);
    uint8_t packed = b[pos + 8];
    pos += 9;
    image->interlaced = (packed & 0x40) != 0;
    image->table = global;
    image->tableEntries = globalEntries;
    if (packed & 0x80) {
      uint32_t entries = 2u << (packed & 7);
      if (!InBounds(length, pos, entries * 3)) return false;
      image->table = b + pos;
      image->tableEntries = entries;
      pos += entries * 3;
    }
    image->dataPos = pos;
    return true;
  }
}

}  // namespace

bool DecodeGif(const uint8_t* b, uint32_t length, DecodedPicture* out) {
  if (length < kMinimumBytes || std::memcmp(b, "GIF8", 4) != 0 || (b[4] != '7' && b[4] != '9') ||
      b[5] != 'a')
    return false;
  uint32_t screenWidth = ReadLe16(b + 6), screenHeight = ReadLe16(b + 8);
  uint8_t packed = b[10];
  uint32_t pos = 13;
  const uint8_t* global = nullptr;
  uint32_t globalEntries = 0;
  if (packed & 0x80) {
    globalEntries = 2u << (packed & 7);
    if (!InBounds(length, pos, globalEntries * 3)) return false;
    global = b + pos;
    pos += globalEntries * 3;
  }
  ImageDescriptor image;
  if (!FindFirstImage(b, length, pos, global, globalEntries, &image)) return false;
  if (image.width == 0 || image.height == 0 || image.dataPos >= length) return false;
  uint32_t minCodeSize = b[image.dataPos];
  if (minCodeSize < 1 || minCodeSize > kMaxMinCodeSize) return false;

  // A declared size that the data could never fill is not allocated.
  uint64_t dataBytes;
  if (!CountSubBlockBytes(b, length, image.dataPos + 1, &dataBytes) ||
      uint64_t(image.width) * image.height > MaxLzwPixels(dataBytes, minCodeSize))
    return false;
  uint32_t stride, rowsBytes, size;
  if (!PaddedRowBytes(image.width, 8, 4, &stride) || !CheckedMul(stride, image.height, &rowsBytes) ||
      !CheckedAdd(kPalettePixelsOffset, rowsBytes, &size))
    return false;
  auto* data = static_cast<uint8_t*>(AllocateRaw(size));
  if (!data) return false;
  std::memset(data, 0, size);

  PictureInfoHeader header{};
  header.size = sizeof header;
  header.width = static_cast<int32_t>(image.width);
  header.height = -static_cast<int32_t>(image.height);
  header.planes = 1;
  header.bitCount = 8;
  header.clrUsed = header.clrImportant = kPaletteEntries;
  std::memcpy(data, &header, sizeof header);
  if (image.table) StoreColourTable(image.table, image.tableEntries, data + sizeof header);

  SubBlockReader reader(b, length, image.dataPos + 1);
  RowWriter rows(data + kPalettePixelsOffset, stride, image.width, image.height, image.interlaced);
  if (!DecodeLzw(reader, minCodeSize, rows)) {
    FreeMemory(data);
    return false;
  }
  out->kind = kPictureGif;
  // A zero logical screen would make an empty bitmap; the image's size serves.
  out->width = static_cast<int32_t>(screenWidth ? screenWidth : image.width);
  out->height = static_cast<int32_t>(screenHeight ? screenHeight : image.height);
  out->data = data;
  out->dataSize = size;
  return true;
}
