// Mouse-pointer data of units: the language-level cursor table and the
// cursor-file contents that custom pointers carry. Pure code.
#pragma once
#include <cstdint>

// The 15-entry cursor table: index -> system cursor identifier (0: none).
constexpr int32_t kCursorTableSize = 15;
constexpr int32_t kHandCursorId = 32649;
constexpr int32_t kCustomPointerCode = -1;
int32_t CursorIndexToId(int32_t index);  // outside the table: unchanged
int32_t CursorIdToIndex(int32_t id);     // not in the table: unchanged

// Translates the first int32 of pointer data in place (when it has at
// least 4 bytes). toId: index -> system id, else system id -> index.
void TranslatePointerCode(uint8_t* data, uint32_t length, bool toId);

// What pointer data asks for.
struct PointerRequest {
  enum Kind { kNone, kFile, kSystem } kind = kNone;
  int32_t code = 0;              // kSystem: the stored code (a system id)
  const uint8_t* file = nullptr;  // kFile: cursor-file contents
  uint32_t fileLength = 0;
  // kSystem with more than 10 bytes: try the whole block as a file first.
  bool tryFileFirst = false;
};
PointerRequest ReadPointerData(const uint8_t* data, uint32_t length);

// One image of a cursor file: where its bitmap lies and its hot spot.
struct CursorImage {
  uint32_t offset = 0, length = 0;
  uint16_t hotX = 0, hotY = 0;
  uint32_t width = 0, height = 0;
};
// The first image of a cursor (type 2) or icon (type 1) file; false when the
// directory or the image range does not fit the bytes.
bool FindCursorImage(const uint8_t* file, uint32_t length, CursorImage* image);
