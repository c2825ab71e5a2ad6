// Helpers for the property record tests: a little-endian block builder and
// exact-size heap copies, so that AddressSanitizer sees any read past a
// block's end.
#pragma once
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "forms/property_block.h"

class BlockBuilder {
 public:
  BlockBuilder& Int32(int64_t value) {
    auto v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes_.push_back(uint8_t(v >> (8 * i)));
    return *this;
  }
  BlockBuilder& Int16(int16_t value) {
    auto v = static_cast<uint16_t>(value);
    bytes_.push_back(uint8_t(v));
    bytes_.push_back(uint8_t(v >> 8));
    return *this;
  }
  BlockBuilder& Counted(const std::string& text) {
    Int32(static_cast<int64_t>(text.size()));
    bytes_.insert(bytes_.end(), text.begin(), text.end());
    return *this;
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
};

// The first `size` bytes of `bytes` in a block of exactly that size.
inline std::unique_ptr<uint8_t[]> ExactCopy(const std::vector<uint8_t>& bytes, size_t size) {
  std::unique_ptr<uint8_t[]> block(new uint8_t[size ? size : 1]);
  if (size) std::memcpy(block.get(), bytes.data(), size);
  return block;
}

inline std::string Text(const PropertyBytes& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

inline std::vector<uint8_t> Bytes(const PropertyBytes& bytes) {
  return std::vector<uint8_t>(bytes.data(), bytes.data() + bytes.size());
}

inline std::string FontBytes(const LogFontBytes& font) {
  return std::string(reinterpret_cast<const char*>(&font), sizeof font);
}

// Every strict prefix of `block` must fail to load and leave the record as
// it was; `load(data, size)` returns whether it loaded.
template <typename Load>
int CountLoadedPrefixes(const std::vector<uint8_t>& block, Load load) {
  int loaded = 0;
  for (size_t size = 1; size < block.size(); ++size) {
    auto copy = ExactCopy(block, size);
    if (load(copy.get(), static_cast<uint32_t>(size))) ++loaded;
  }
  return loaded;
}
