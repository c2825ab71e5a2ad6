// Building blocks of the unit property records: owned byte buffers on the
// shared heap, the 60-byte font (LogFontBytes), and a bounds-checked reader and a
// writer for the serialised PropertyBlock of a unit.
//
// Every PropertyBlock is little-endian: 32-bit integers, a few 16-bit ones,
// and counted items (int32 length L, then L bytes; L <= 0 is empty).
#pragma once
#include <cstddef>
#include <cstdint>

#include "forms/byte_reader.h"
#include "forms/font_value.h"

// Bytes owned on the runtime heap (AllocateRaw / FreeMemory). Texts are kept
// with a terminating zero beyond size() so that units can hand them out as
// C strings; the empty buffer owns nothing.
class PropertyBytes {
 public:
  PropertyBytes() = default;
  ~PropertyBytes() { Clear(); }
  PropertyBytes(PropertyBytes&& other) noexcept;
  PropertyBytes& operator=(PropertyBytes&& other) noexcept;
  PropertyBytes(const PropertyBytes&) = delete;
  PropertyBytes& operator=(const PropertyBytes&) = delete;

  // Replace the content by a copy; false (content unchanged) when the heap
  // refuses. Assign(nullptr, 0) empties.
  bool Assign(const void* data, uint32_t size);
  // Replace the content by `size` zero bytes.
  bool Allocate(uint32_t size);
  // Copy of a NUL-terminated text (null is the empty text).
  bool AssignText(const char* text);
  void Clear();
  // Hand the block over to the caller, who frees it with FreeMemory.
  uint8_t* Release();

  const uint8_t* data() const { return data_; }
  uint8_t* mutable_data() { return data_; }
  uint32_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  // Always a valid C string, "" when empty.
  const char* text() const { return data_ ? reinterpret_cast<const char*>(data_) : ""; }

  bool operator==(const PropertyBytes& other) const;

 private:
  uint8_t* data_ = nullptr;
  uint32_t size_ = 0;
};

// The font record held by a font property, or false when the property does
// not hold exactly 60 bytes (the default font).
bool FontOf(const PropertyBytes& font, LogFontBytes* out);

// Sums sizes without wrapping; false once the total would pass 2^32 - 1.
bool AddSize(uint32_t* total, uint32_t more);

// Reads a PropertyBlock front to back. Every read checks the remaining
// length; after the first failure all later reads fail too.
class PropertyReader {
 public:
  PropertyReader(const uint8_t* data, uint32_t size) : reader_(data, data ? size : 0) {}

  bool ReadInt32(int32_t* out);
  bool ReadUint32(uint32_t* out);
  bool ReadInt16(int16_t* out);
  // A counted item copied into *out (texts get their terminating zero).
  bool ReadCounted(PropertyBytes* out);
  bool ReadRaw(void* out, uint32_t size);

  bool ok() const { return reader_.ok() && !heapRefused_; }
  uint32_t remaining() const { return reader_.remaining(); }

 private:
  ByteReader reader_;
  bool heapRefused_ = false;  // a counted item could not be copied
};

// Writes a PropertyBlock in two passes over the same field list: the first
// pass (no buffer) only measures, the second fills a heap block of exactly
// that size (SerialiseProperties below runs both).
class PropertyWriter {
 public:
  // Measuring writer.
  PropertyWriter() = default;
  // Filling writer over a buffer of `size` bytes.
  PropertyWriter(uint8_t* buffer, uint32_t size) : buffer_(buffer), capacity_(size) {}

  void WriteInt32(int32_t value);
  void WriteUint32(uint32_t value) { WriteInt32(static_cast<int32_t>(value)); }
  void WriteInt16(int16_t value);
  void WriteCounted(const PropertyBytes& bytes);
  void WriteRaw(const void* data, uint32_t size);

  bool ok() const { return ok_; }
  uint32_t size() const { return size_; }

 private:
  void Put(const void* data, uint32_t size);

  uint8_t* buffer_ = nullptr;
  uint32_t capacity_ = 0;
  uint32_t size_ = 0;
  bool ok_ = true;
};

// Runs `write(PropertyWriter&)` once to measure and once to fill a new heap
// block; the result is empty when the size overflows or the heap refuses.
template <typename WriteFields>
PropertyBytes SerialiseProperties(WriteFields write) {
  PropertyBytes result;
  PropertyWriter measure;
  write(measure);
  if (!measure.ok() || measure.size() == 0) return result;
  PropertyBytes buffer;
  if (!buffer.Allocate(measure.size())) return result;
  PropertyWriter fill(buffer.mutable_data(), buffer.size());
  write(fill);
  if (!fill.ok() || fill.size() != measure.size()) return result;
  return buffer;
}
