// Little-endian output in the template's primitive encodings, for the build
// tool and for tests. Pure header.
//
// A ByteWriter refuses what the reader could not read back (a counted item
// longer than INT32_MAX, a zero-terminated text with a 0 byte inside): it
// marks itself failed and the caller drops the output.
#pragma once
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

class ByteWriter {
 public:
  bool ok() const { return !failed_; }
  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t>& bytes() { return bytes_; }
  size_t size() const { return bytes_.size(); }

  void Word(uint32_t value) {
    uint8_t b[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16), uint8_t(value >> 24)};
    bytes_.insert(bytes_.end(), b, b + 4);
  }
  void Int(int32_t value) { Word(uint32_t(value)); }
  void Int16(int16_t value) {
    bytes_.push_back(uint8_t(value));
    bytes_.push_back(uint8_t(uint16_t(value) >> 8));
  }

  void Bytes(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (n) bytes_.insert(bytes_.end(), p, p + n);
  }
  void Bytes(const std::vector<uint8_t>& data) { Bytes(data.data(), data.size()); }
  void Zeros(size_t n) { bytes_.insert(bytes_.end(), n, 0); }

  // Zero-terminated text.
  void Text(std::string_view text) {
    if (!text.empty() && std::memchr(text.data(), 0, text.size())) failed_ = true;
    Bytes(text.data(), text.size());
    bytes_.push_back(0);
  }

  // Counted block or string: int32 length, then the bytes.
  void Counted(const void* data, size_t n) {
    if (n > size_t(INT32_MAX)) {
      failed_ = true;
      return;
    }
    Word(uint32_t(n));
    Bytes(data, n);
  }
  void Counted(std::string_view text) { Counted(text.data(), text.size()); }
  void Counted(const std::vector<uint8_t>& data) { Counted(data.data(), data.size()); }

  // Overwrites a word written earlier (a length or an offset known later).
  void PatchWord(size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes_[at + i] = uint8_t(value >> (8 * i));
  }

  void Fail() { failed_ = true; }

 private:
  std::vector<uint8_t> bytes_;
  bool failed_ = false;
};
