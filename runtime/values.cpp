#include "runtime/values.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "runtime/memory.h"

char* MakeTextCopy(const char* text) {
  if (!text || !*text) return nullptr;
  const size_t length = std::strlen(text);
  auto* copy = static_cast<char*>(AllocateMemory(static_cast<uint32_t>(length + 1)));
  std::memcpy(copy, text, length + 1);
  return copy;
}

void* MakeByteSet(const void* bytes, uint32_t length) {
  if (length == 0) return nullptr;
  auto* block = static_cast<uint8_t*>(AllocateMemory(length + sizeof(ByteSetHeader)));
  const ByteSetHeader header{1, length};
  std::memcpy(block, &header, sizeof header);
  std::memcpy(block + sizeof header, bytes, length);
  return block;
}

uint32_t ArrayElementCount(const void* array) {
  const auto* words = static_cast<const int32_t*>(array);
  uint64_t count = 1;
  for (int32_t i = 0; i < words[0]; ++i) {
    count *= static_cast<uint32_t>(words[1 + i]);
    if (count > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
  }
  return static_cast<uint32_t>(count);
}

bool ArrayBlockSize(const void* array, uint32_t elementWidth, uint32_t* size) {
  const auto* words = static_cast<const int32_t*>(array);
  const int32_t dimensions = words[0];
  if (dimensions < 0) return false;
  uint64_t bytes = elementWidth;
  for (int32_t i = 0; i < dimensions; ++i) {
    bytes *= static_cast<uint32_t>(words[1 + i]);
    if (bytes > std::numeric_limits<uint32_t>::max()) return false;
  }
  bytes += 4ull * (static_cast<uint64_t>(dimensions) + 1);
  if (bytes > std::numeric_limits<uint32_t>::max()) return false;
  *size = static_cast<uint32_t>(bytes);
  return true;
}

void MakeArrayWritable(uint32_t elementWidth, uint32_t* word) {
  void* array = reinterpret_cast<void*>(static_cast<uintptr_t>(*word));
  if (!array || !IsConstant(array)) return;
  uint32_t size = 0;
  if (!ArrayBlockSize(array, elementWidth, &size)) return;
  void* copy = AllocateMemory(size);
  std::memcpy(copy, array, size);
  *word = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(copy));
}

static int32_t Truncate(double value) {
  // Out-of-range values would be undefined behaviour in a plain cast.
  if (std::isnan(value)) return 0;
  if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
  if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

bool TryToInteger(const TypedValue& value, int32_t* result) {
  switch (value.tag) {
    case kTagByte: *result = ByteOf(value); return true;
    case kTagShort: *result = ShortOf(value); return true;
    case kTagInt:
    case kTagLong: *result = IntOf(value); return true;
    case kTagFloat: *result = Truncate(FloatOf(value)); return true;
    case kTagDouble: *result = Truncate(DoubleOf(value)); return true;
    default: return false;
  }
}
