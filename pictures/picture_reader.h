// Bounds-checked reading and overflow-checked sizes for the decoders.
#pragma once
#include <cstdint>

#include "runtime/memory.h"

// No single picture block may exceed this; bigger declared sizes are bad data.
constexpr uint32_t kMaxPictureBytes = 1u << 28;

inline uint16_t ReadLe16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t ReadLe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
inline uint32_t ReadBe32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | static_cast<uint32_t>(p[3]);
}

// Whether [offset, offset + count) lies inside a block of `length` bytes.
inline bool InBounds(uint32_t length, uint64_t offset, uint64_t count) {
  return offset <= length && count <= length - offset;
}

// a * b, failing above kMaxPictureBytes.
inline bool CheckedMul(uint64_t a, uint64_t b, uint32_t* out) {
  if (a != 0 && b > kMaxPictureBytes / a) return false;
  *out = static_cast<uint32_t>(a * b);
  return true;
}
inline bool CheckedAdd(uint64_t a, uint64_t b, uint32_t* out) {
  if (a > kMaxPictureBytes || b > kMaxPictureBytes - a) return false;
  *out = static_cast<uint32_t>(a + b);
  return true;
}

// Bytes in one row of `width` pixels of `bits` each, padded to `align` bytes.
inline bool PaddedRowBytes(uint64_t width, uint32_t bits, uint32_t align, uint32_t* out) {
  uint32_t bitsInRow;
  if (!CheckedMul(width, bits, &bitsInRow)) return false;
  uint64_t alignBits = uint64_t(align) * 8;
  uint64_t padded = (bitsInRow + alignBits - 1) / alignBits * align;
  if (padded > kMaxPictureBytes) return false;
  *out = static_cast<uint32_t>(padded);
  return true;
}
