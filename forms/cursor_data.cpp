#include "forms/cursor_data.h"

#include "forms/byte_reader.h"

namespace {

// ORDER: pointer index 0-14.
constexpr int32_t kCursorIds[kCursorTableSize] = {
    0,      32512, 32515, 32513, 32514, 32651, 32650, 32648,
    32646,  32643, 32645, 32642, 32644, 32516, kHandCursorId,
};

}  // namespace

int32_t CursorIndexToId(int32_t index) {
  return index >= 0 && index < kCursorTableSize ? kCursorIds[index] : index;
}

int32_t CursorIdToIndex(int32_t id) {
  for (int32_t i = 0; i < kCursorTableSize; ++i)
    if (kCursorIds[i] == id) return i;
  return id;
}

void TranslatePointerCode(uint8_t* data, uint32_t length, bool toId) {
  if (!data || length < 4) return;
  const int32_t code = int32_t(LoadWord(data));
  StoreWord(data, uint32_t(toId ? CursorIndexToId(code) : CursorIdToIndex(code)));
}

PointerRequest ReadPointerData(const uint8_t* data, uint32_t length) {
  PointerRequest r;
  if (!data || length == 0) return r;
  r.code = length < 4 ? int32_t(data[0]) : int32_t(LoadWord(data));
  if (r.code == kCustomPointerCode && length >= 4) {
    r.kind = PointerRequest::kFile;
    r.file = data + 4;
    r.fileLength = length - 4;
    return r;
  }
  r.kind = PointerRequest::kSystem;
  if (length > 10) {
    r.tryFileFirst = true;
    r.file = data;
    r.fileLength = length;
  }
  return r;
}

bool FindCursorImage(const uint8_t* file, uint32_t length, CursorImage* image) {
  ByteReader r(file, length);
  const uint8_t* header = r.Bytes(6);
  if (!header) return false;
  const uint16_t reserved = uint16_t(header[0] | header[1] << 8);
  const uint16_t type = uint16_t(header[2] | header[3] << 8);
  const uint16_t count = uint16_t(header[4] | header[5] << 8);
  if (reserved != 0 || (type != 1 && type != 2) || count == 0) return false;
  const uint8_t* entry = r.Bytes(16);
  if (!entry) return false;
  CursorImage found;
  found.width = entry[0] ? entry[0] : 256;
  found.height = entry[1] ? entry[1] : 256;
  found.hotX = uint16_t(entry[4] | entry[5] << 8);
  found.hotY = uint16_t(entry[6] | entry[7] << 8);
  found.length = LoadWord(entry + 8);
  found.offset = LoadWord(entry + 12);
  uint32_t end;
  if (found.length == 0 || !CheckedAdd(found.offset, found.length, &end) || end > length) return false;
  *image = found;
  return true;
}
