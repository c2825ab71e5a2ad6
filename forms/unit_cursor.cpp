#include "forms/unit_cursor.h"

#include <cstring>
#include <vector>

#include "forms/cursor_data.h"

namespace {

// Cursors we made ourselves (from files) are the only ones destroyed.
bool IsSharedCursor(HCURSOR cursor) {
  for (int id : {32512, 32513, 32514, 32515, 32516, 32642, 32643, 32644, 32645, 32646, 32648,
                 32649, 32650, 32651})
    if (LoadCursorA(nullptr, MAKEINTRESOURCEA(id)) == cursor) return true;
  return LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kHandCursorResource)) == cursor;
}

bool IsTableCursor(int32_t id) {
  if (id == 0) return false;
  return CursorIdToIndex(id) != id;
}

}  // namespace

HCURSOR CursorFromFile(const uint8_t* file, uint32_t length) {
  CursorImage image;
  if (!FindCursorImage(file, length, &image)) return nullptr;
  // A cursor resource is the image bits preceded by the hot spot.
  std::vector<uint8_t> resource(4 + size_t(image.length));
  const uint16_t hot[2] = {image.hotX, image.hotY};
  std::memcpy(resource.data(), hot, sizeof hot);
  std::memcpy(resource.data() + 4, file + image.offset, image.length);
  return reinterpret_cast<HCURSOR>(CreateIconFromResourceEx(
      resource.data(), static_cast<DWORD>(resource.size()), FALSE, 0x00030000,
      static_cast<int>(image.width), static_cast<int>(image.height), LR_DEFAULTCOLOR));
}

HCURSOR MakeUnitCursor(const uint8_t* data, uint32_t length) {
  const PointerRequest request = ReadPointerData(data, length);
  switch (request.kind) {
    case PointerRequest::kNone: return nullptr;
    case PointerRequest::kFile: return CursorFromFile(request.file, request.fileLength);
    case PointerRequest::kSystem: break;
  }
  if (request.tryFileFirst) {
    if (HCURSOR cursor = CursorFromFile(request.file, request.fileLength)) return cursor;
  }
  const int32_t id = CursorIndexToId(request.code);
  if (!IsTableCursor(id)) return nullptr;
  if (id == kHandCursorId) {
    HCURSOR own = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kHandCursorResource));
    return own ? own : LoadCursorA(nullptr, MAKEINTRESOURCEA(kHandCursorId));
  }
  return LoadCursorA(nullptr, MAKEINTRESOURCEA(id));
}

void DestroyUnitCursor(HCURSOR cursor) {
  if (cursor && !IsSharedCursor(cursor)) DestroyCursor(cursor);
}
