// Values as compiled code, the runtime and the libraries exchange them.
#pragma once
#include <cstddef>
#include <cstdint>

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
