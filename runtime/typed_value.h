// Values as compiled code, the runtime and the libraries exchange them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

using TypeTag = uint32_t;

enum : TypeTag {
  kTagNone = 0,
  kTagByte = 0x80000101,
  kTagShort = 0x80000201,
  kTagInt = 0x80000301,
  kTagLong = 0x80000401,
  kTagFloat = 0x80000501,
  kTagDouble = 0x80000601,
  kTagBool = 0x80000002,
  kTagDateTime = 0x80000003,
  kTagText = 0x80000004,
  kTagBytes = 0x80000005,
  kTagSubroutine = 0x80000006,
  kTagWide8 = 0x80000008,
  kTagArrayFlag = 0x20000000,
};

// Three words: value low, value high, tag. Library command arguments lie
// back to back, 12 bytes apart.
struct TypedValue {
  uint32_t low;
  uint32_t high;
  TypeTag tag;
};
static_assert(sizeof(TypedValue) == 12);
static_assert(offsetof(TypedValue, low) == 0);
static_assert(offsetof(TypedValue, high) == 4);
static_assert(offsetof(TypedValue, tag) == 8);

// Reading a tag's storage: each reads only the words its type uses.
inline uint8_t ByteOf(const TypedValue& v) { return static_cast<uint8_t>(v.low); }
inline int16_t ShortOf(const TypedValue& v) { return static_cast<int16_t>(v.low); }
inline int32_t IntOf(const TypedValue& v) { return static_cast<int32_t>(v.low); }
inline bool BoolOf(const TypedValue& v) { return v.low != 0; }
inline int64_t LongOf(const TypedValue& v) {
  return static_cast<int64_t>((static_cast<uint64_t>(v.high) << 32) | v.low);
}
inline float FloatOf(const TypedValue& v) {
  float f;
  std::memcpy(&f, &v.low, sizeof f);
  return f;
}
inline double DoubleOf(const TypedValue& v) {  // also date-time
  const uint64_t bits = static_cast<uint64_t>(LongOf(v));
  double d;
  std::memcpy(&d, &bits, sizeof d);
  return d;
}
inline const char* TextOf(const TypedValue& v) {  // null is the empty text
  return reinterpret_cast<const char*>(static_cast<uintptr_t>(v.low));
}

// Writing: only the words the type uses; the tag stays as the caller set it.
inline void SetWord(TypedValue* v, uint32_t word) { v->low = word; }
inline void SetLong(TypedValue* v, int64_t value) {
  v->low = static_cast<uint32_t>(value);
  v->high = static_cast<uint32_t>(static_cast<uint64_t>(value) >> 32);
}
inline void SetFloat(TypedValue* v, float value) { std::memcpy(&v->low, &value, sizeof value); }
inline void SetDouble(TypedValue* v, double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  SetLong(v, static_cast<int64_t>(bits));
}

inline bool IsArrayTag(TypeTag tag) { return (tag & kTagArrayFlag) != 0; }
inline TypeTag ElementTag(TypeTag tag) { return tag & ~static_cast<TypeTag>(kTagArrayFlag); }

// Words a value takes when handed to compiled code: 2 for the 8-byte types
// and the core library's type 3, else 1.
inline int ArgumentWords(TypeTag tag) {
  switch (tag) {
    case kTagLong: case kTagDouble: case kTagDateTime: case kTagWide8: case 0x00010003: return 2;
    default: return 1;
  }
}

// How the runtime hands an argument to an event subroutine.
struct EventArgument {
  uint32_t low;
  uint32_t high;
  TypeTag tag;
  uint32_t flags;  // kArgByAddress, kArgTwoWords
};
static_assert(sizeof(EventArgument) == 16);
static_assert(offsetof(EventArgument, flags) == 12);

enum : uint32_t { kArgByAddress = 1, kArgTwoWords = 2 };

// Byte-set block: dimension count 1, length, then the bytes.
struct ByteSetHeader {
  uint32_t dimensions;
  uint32_t length;
};
static_assert(sizeof(ByteSetHeader) == 8);

inline const uint8_t* ByteSetData(const void* block) {
  return static_cast<const uint8_t*>(block) + sizeof(ByteSetHeader);
}
inline uint32_t ByteSetLength(const void* block) {
  return block ? static_cast<const ByteSetHeader*>(block)->length : 0;
}
