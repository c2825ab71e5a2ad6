#include "forms/property_block.h"

#include <cstring>

#include "runtime/memory.h"

PropertyBytes::PropertyBytes(PropertyBytes&& other) noexcept : data_(other.data_), size_(other.size_) {
  other.data_ = nullptr;
  other.size_ = 0;
}

PropertyBytes& PropertyBytes::operator=(PropertyBytes&& other) noexcept {
  if (this != &other) {
    Clear();
    data_ = other.data_;
    size_ = other.size_;
    other.data_ = nullptr;
    other.size_ = 0;
  }
  return *this;
}

bool PropertyBytes::Allocate(uint32_t size) {
  if (size == 0) {
    Clear();
    return true;
  }
  uint32_t blockSize = size;
  if (!AddSize(&blockSize, 1)) return false;  // room for the terminating zero
  auto* block = static_cast<uint8_t*>(AllocateRaw(blockSize));
  if (!block) return false;
  std::memset(block, 0, blockSize);
  Clear();
  data_ = block;
  size_ = size;
  return true;
}

bool PropertyBytes::Assign(const void* data, uint32_t size) {
  if (data == data_ && size == size_) return true;
  PropertyBytes copy;
  if (!copy.Allocate(size)) return false;
  if (size) std::memcpy(copy.data_, data, size);
  *this = static_cast<PropertyBytes&&>(copy);
  return true;
}

bool PropertyBytes::AssignText(const char* text) {
  size_t length = text ? std::strlen(text) : 0;
  if (length > UINT32_MAX - 1) return false;
  return Assign(text, static_cast<uint32_t>(length));
}

void PropertyBytes::Clear() {
  FreeMemory(data_);
  data_ = nullptr;
  size_ = 0;
}

uint8_t* PropertyBytes::Release() {
  uint8_t* block = data_;
  data_ = nullptr;
  size_ = 0;
  return block;
}

bool PropertyBytes::operator==(const PropertyBytes& other) const {
  return size_ == other.size_ && (size_ == 0 || std::memcmp(data_, other.data_, size_) == 0);
}

bool FontOf(const PropertyBytes& font, LogFontBytes* out) {
  if (font.size() != sizeof(LogFontBytes)) return false;
  std::memcpy(out, font.data(), sizeof(LogFontBytes));
  return true;
}

bool AddSize(uint32_t* total, uint32_t more) { return CheckedAdd(*total, more, total); }

// The reads go through ByteReader, the one bounds-checked reader of
// template and property data; only the heap copy of counted items is ours.
bool PropertyReader::ReadRaw(void* out, uint32_t size) {
  if (!ok()) return false;
  const uint8_t* at = reader_.Bytes(size);
  if (!reader_.ok()) return false;
  if (size) std::memcpy(out, at, size);
  return true;
}

bool PropertyReader::ReadUint32(uint32_t* out) {
  if (!ok()) return false;
  const uint32_t value = reader_.Word();
  if (!reader_.ok()) return false;
  *out = value;
  return true;
}

bool PropertyReader::ReadInt32(int32_t* out) {
  uint32_t value;
  if (!ReadUint32(&value)) return false;
  *out = static_cast<int32_t>(value);
  return true;
}

bool PropertyReader::ReadInt16(int16_t* out) {
  uint8_t b[2];
  if (!ReadRaw(b, 2)) return false;
  *out = static_cast<int16_t>(uint16_t(b[0] | b[1] << 8));
  return true;
}

bool PropertyReader::ReadCounted(PropertyBytes* out) {
  if (!ok()) return false;
  uint32_t length = 0;
  const uint8_t* at = reader_.Counted(&length);
  if (!reader_.ok()) return false;
  if (length == 0) {
    out->Clear();
    return true;
  }
  if (!out->Assign(at, length)) {
    heapRefused_ = true;
    return false;
  }
  return true;
}

void PropertyWriter::Put(const void* data, uint32_t size) {
  if (!ok_) return;
  if (buffer_ && size > capacity_ - size_) {
    ok_ = false;
    return;
  }
  if (buffer_ && size) std::memcpy(buffer_ + size_, data, size);
  if (!AddSize(&size_, size)) ok_ = false;
}

void PropertyWriter::WriteInt32(int32_t value) {
  uint8_t b[4];
  StoreWord(b, static_cast<uint32_t>(value));
  Put(b, 4);
}

void PropertyWriter::WriteInt16(int16_t value) {
  auto v = static_cast<uint16_t>(value);
  const uint8_t b[2] = {uint8_t(v), uint8_t(v >> 8)};
  Put(b, 2);
}

void PropertyWriter::WriteCounted(const PropertyBytes& bytes) {
  // A counted length is an int32: larger items cannot be written.
  if (bytes.size() > INT32_MAX) {
    ok_ = false;
    return;
  }
  WriteInt32(static_cast<int32_t>(bytes.size()));
  Put(bytes.data(), bytes.size());
}

void PropertyWriter::WriteRaw(const void* data, uint32_t size) { Put(data, size); }
