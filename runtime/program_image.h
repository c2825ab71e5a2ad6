// The records a compiled application carries for the runtime: the program
// header, its library table and data type records. All addresses are 32-bit
// words, as the Windows program lays them out; the layout is fixed.
#pragma once
#include <cstddef>
#include <cstdint>

struct ProgramImage {
  uint32_t runMode;
  uint32_t reserved;
  uint32_t lastSerial;
  uint32_t codeBase;
  uint32_t constantsAddress;
  uint32_t constantsSize;
  uint32_t templateAddress;
  uint32_t templateSize;
  uint32_t libraryCount;
  uint32_t libraryTable;      // -> uint32_t[libraryCount], each -> LibraryInfo
  uint32_t dllCommandCount;
  uint32_t dllLibraryNames;   // -> uint32_t[dllCommandCount], each -> char[]
  uint32_t dllFunctionNames;  // -> uint32_t[dllCommandCount], each -> char[]
};
static_assert(sizeof(ProgramImage) == 13 * 4);
static_assert(offsetof(ProgramImage, codeBase) == 3 * 4);
static_assert(offsetof(ProgramImage, constantsAddress) == 4 * 4);
static_assert(offsetof(ProgramImage, templateAddress) == 6 * 4);
static_assert(offsetof(ProgramImage, libraryCount) == 8 * 4);
static_assert(offsetof(ProgramImage, dllCommandCount) == 10 * 4);
static_assert(offsetof(ProgramImage, dllFunctionNames) == 12 * 4);

constexpr uint32_t kLibraryFormatWord = 0x01312D65;

// 36 words. The runtime reads dataTypeCount, dataTypes and notify only.
struct LibraryInfo {
  uint32_t format;        // kLibraryFormatWord
  uint32_t identifier;    // -> 32 hex digits
  uint32_t version[3];    // major, minor, build
  uint32_t numbers[4];
  uint32_t displayName;   // -> GBK text
  uint32_t one;           // 1
  uint32_t zero11;
  uint32_t flags;
  uint32_t zero13[8];
  uint32_t dataTypeCount;
  uint32_t dataTypes;     // -> DataTypeRecord[dataTypeCount]
  uint32_t zero23[2];
  uint32_t commandCount;
  uint32_t zero26;
  uint32_t commands;      // -> packed entry addresses
  uint32_t zero28[2];
  uint32_t notify;        // LibraryNotify or 0
  uint32_t zero31[5];
};
static_assert(sizeof(LibraryInfo) == 36 * 4);
static_assert(offsetof(LibraryInfo, displayName) == 9 * 4);
static_assert(offsetof(LibraryInfo, flags) == 12 * 4);
static_assert(offsetof(LibraryInfo, dataTypeCount) == 21 * 4);
static_assert(offsetof(LibraryInfo, dataTypes) == 22 * 4);
static_assert(offsetof(LibraryInfo, commandCount) == 25 * 4);
static_assert(offsetof(LibraryInfo, commands) == 27 * 4);
static_assert(offsetof(LibraryInfo, notify) == 30 * 4);

// One unit property as a data type describes it.
struct PropertyDescriptor {
  uint32_t name;         // -> GBK text
  uint32_t englishName;  // -> text
  uint32_t description;  // -> text or 0
  uint32_t type;         // declared property type
  uint32_t flags;
};
static_assert(sizeof(PropertyDescriptor) == 20);

// 14 words. Unused types are all-zero records so type indexes stay stable.
struct DataTypeRecord {
  uint32_t name;
  uint32_t englishName;
  uint32_t word2[3];
  uint32_t flags;
  uint32_t word6[3];
  uint32_t propertyCount;
  uint32_t properties;    // -> PropertyDescriptor[propertyCount]
  uint32_t entryLookup;   // UnitTypeEntry
  uint32_t word12[2];
};
static_assert(sizeof(DataTypeRecord) == 56);
static_assert(offsetof(DataTypeRecord, flags) == 5 * 4);
static_assert(offsetof(DataTypeRecord, propertyCount) == 9 * 4);
static_assert(offsetof(DataTypeRecord, properties) == 10 * 4);
static_assert(offsetof(DataTypeRecord, entryLookup) == 11 * 4);

enum class TypeClass { None, System, User, Library };

constexpr TypeClass ClassifyTypeCode(uint32_t code) {
  if (code == 0) return TypeClass::None;
  switch (code & 0xC0000000u) {
    case 0x80000000u: return TypeClass::System;
    case 0x40000000u: return TypeClass::User;
    default: return TypeClass::Library;
  }
}

// Library type codes: (library index + 1) << 16 | (type index + 1).
constexpr int32_t LibraryIndexOf(uint32_t code) { return static_cast<int32_t>(code >> 16) - 1; }
constexpr int32_t TypeIndexOf(uint32_t code) { return static_cast<int32_t>(code & 0xFFFF) - 1; }

// Null unless the code names a type that the image's libraries hold.
// Pure: the caller hands the image's library address array in.
const DataTypeRecord* FindDataTypeRecordIn(const LibraryInfo* const* libraries,
                                           uint32_t libraryCount, uint32_t code);
