#include "units/data_source.h"

#include <cstring>

#include "forms/form_runtime.h"

namespace {

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

// GBK-aware: the two bytes of a double-byte character compare exactly, so
// that a trail byte is never case-folded.
bool SameName(const char* a, uint32_t length, const char* b) {
  if (std::strlen(b) != length) return false;
  for (uint32_t i = 0; i < length; ++i) {
    if (uint8_t(a[i]) >= 0x81 && i + 1 < length) {
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
    } else if (AsciiLower(a[i]) != AsciiLower(b[i])) {
      return false;
    }
  }
  return true;
}

}  // namespace

DataSource* FindDataSource(WindowId windowId, const char* name, HWND* sourceWindow) {
  if (sourceWindow) *sourceWindow = nullptr;
  if (!name || !*name) return nullptr;
  const WindowRecord* window = FindWindowRecord(Forms().registry, windowId);
  if (!window) return nullptr;
  const UnitTable& table = window->live;
  for (uint32_t i = 0; i < table.count; ++i) {
    UnitRecordLayout l;
    if (!RecordOf(table, i, &l)) continue;
    const auto* record = reinterpret_cast<const char*>(UnitRecordAt(table, i));
    if (!SameName(record + l.name, l.nameLength, name)) continue;
    Wnd* object = ObjectAt(table, i);
    if (!IsLive(object)) continue;
    auto* source = reinterpret_cast<DataSource*>(SendMessageA(object->Handle(), kDataSourceQuery, 0, 0));
    if (!source) continue;
    if (sourceWindow) *sourceWindow = object->Handle();
    return source;
  }
  return nullptr;
}

bool RecordChangeTouches(const DataSourceNotice& notice, int32_t column) {
  switch (notice.subCode) {
    case 0: case 4: case 6: return true;
    case 10:
      // In 64 bits: a range from a source may lie anywhere in 32.
      return column >= notice.firstColumn &&
             int64_t(column) < int64_t(notice.firstColumn) + notice.columnCount;
    default: return false;
  }
}

bool SourceStillLinked(HWND sourceWindow, DataSource* source) {
  return source && IsWindow(sourceWindow) &&
         reinterpret_cast<DataSource*>(SendMessageA(sourceWindow, kDataSourceQuery, 0, 0)) == source;
}
