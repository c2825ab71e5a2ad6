// Bounds-checked reading of little-endian template data, and the overflow-
// checked size arithmetic that goes with it. Pure header.
//
// A ByteReader never reads outside the range it was given: the first read
// that does not fit marks it failed, and every later read yields zero or null.
#pragma once
#include <cstdint>
#include <cstring>

inline bool CheckedAdd(uint32_t a, uint32_t b, uint32_t* sum) {
  if (a > UINT32_MAX - b) return false;
  *sum = a + b;
  return true;
}

inline bool CheckedMul(uint32_t a, uint32_t b, uint32_t* product) {
  if (a != 0 && b > UINT32_MAX / a) return false;
  *product = a * b;
  return true;
}

inline uint32_t LoadWord(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void StoreWord(uint8_t* p, uint32_t value) {
  p[0] = uint8_t(value);
  p[1] = uint8_t(value >> 8);
  p[2] = uint8_t(value >> 16);
  p[3] = uint8_t(value >> 24);
}

class ByteReader {
 public:
  ByteReader(const uint8_t* data, uint32_t size) : data_(data), size_(size) {}

  bool ok() const { return !failed_; }
  uint32_t position() const { return pos_; }
  uint32_t remaining() const { return size_ - pos_; }

  // Null (and failure) when fewer than n bytes remain.
  const uint8_t* Bytes(uint32_t n) {
    if (failed_ || n > remaining()) {
      failed_ = true;
      return nullptr;
    }
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }

  bool Skip(uint32_t n) { return Bytes(n) != nullptr || (n == 0 && ok()); }

  uint32_t Word() {
    const uint8_t* p = Bytes(4);
    return p ? LoadWord(p) : 0;
  }
  int32_t Int() { return int32_t(Word()); }

  // Skips n words; fails when 4 * n overflows or runs past the end.
  bool SkipWords(uint32_t n) {
    uint32_t bytes;
    if (!CheckedMul(n, 4, &bytes)) failed_ = true;
    return !failed_ && Skip(bytes);
  }

  // A zero-terminated text: its bytes without the terminator, which is
  // consumed too. Fails when no terminator lies before the end.
  const uint8_t* Text(uint32_t* length) {
    *length = 0;
    if (failed_ || remaining() == 0) {
      failed_ = true;
      return nullptr;
    }
    const void* end = std::memchr(data_ + pos_, 0, remaining());
    if (!end) {
      failed_ = true;
      return nullptr;
    }
    *length = uint32_t(static_cast<const uint8_t*>(end) - (data_ + pos_));
    return Bytes(*length + 1);
  }

  // A counted block or string: int32 length, then that many bytes; a length
  // of 0 or below is an empty block with nothing following.
  const uint8_t* Counted(uint32_t* length) {
    *length = 0;
    int32_t n = Int();
    if (failed_) return nullptr;
    if (n <= 0) return data_ + pos_;
    const uint8_t* p = Bytes(uint32_t(n));
    if (p) *length = uint32_t(n);
    return p;
  }

 private:
  const uint8_t* data_;
  uint32_t size_;
  uint32_t pos_ = 0;
  bool failed_ = false;
};
