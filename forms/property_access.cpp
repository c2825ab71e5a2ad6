// Reading and writing unit properties by index (services 4 and 5, utility
// codes 4 and 5), and re-creating a unit whose property needs a new window.
#include "forms/property_access.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "forms/byte_reader.h"
#include "forms/cursor_data.h"
#include "forms/font_value.h"
#include "forms/form_runtime.h"
#include "forms/unit_cursor.h"
#include "runtime/address_word.h"
#include "runtime/error_reporter.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/values.h"

namespace {

constexpr int32_t kCoordinateLimit = 32627;
constexpr int32_t kFirstOwnProperty = 8;
constexpr uint32_t kFontBytes = sizeof(LogFontBytes);

uint64_t Value(uint32_t low, uint32_t high = 0) { return uint64_t(high) << 32 | low; }

// How a declared type travels.
enum class Conversion { Plain, PickList, Wide, Boolean, Text, Bytes, Pointer, Font, Raw };

Conversion ConversionOf(uint32_t declared) {
  switch (declared) {
    case 1000: case 1001: case 1014: case 1015: case 1017: return Conversion::Plain;
    case 1006: return Conversion::PickList;
    case 1002: case 1004: return Conversion::Wide;
    case 1003: return Conversion::Boolean;
    case 1009: case 1010: case 1012: case 1023: case 1024: return Conversion::Bytes;
    case 1011: return Conversion::Pointer;
    case 1013: return Conversion::Font;
    default: return declared >= 1000 && declared <= 1024 ? Conversion::Text : Conversion::Raw;
  }
}

uint32_t DeclaredType(const DataTypeRecord* type, int32_t index) {
  if (!type || index < 0 || uint32_t(index) >= type->propertyCount || !type->properties) return 0;
  return AtAddress<const PropertyDescriptor>(type->properties)[index].type & 0xFFFF;
}

int32_t ScreenPixelsPerInch() {
  HDC screen = GetDC(nullptr);
  const int ppi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : 96;
  if (screen) ReleaseDC(nullptr, screen);
  return ppi > 0 ? ppi : 96;
}

// --- unit-specific values ---

// A read PropertyValue as the compiled code's value words.
uint64_t ValueFromUnit(Conversion c, const PropertyValue& v, int32_t member) {
  switch (c) {
    case Conversion::Plain: case Conversion::PickList: return Value(v.word0);
    case Conversion::Wide: case Conversion::Raw: return Value(v.word0, v.word1);
    case Conversion::Boolean: return Value(v.word0 == 1 ? 1 : 0);
    case Conversion::Text: return Value(AddressWord(MakeTextCopy(AtAddress<const char>(v.word0))));
    case Conversion::Bytes: return Value(AddressWord(MakeByteSet(AtAddress<const void>(v.word0), v.word1)));
    case Conversion::Pointer: {
      auto* set = static_cast<uint8_t*>(MakeByteSet(AtAddress<const void>(v.word0), v.word1));
      if (set) TranslatePointerCode(set + sizeof(ByteSetHeader), v.word1, false);
      return Value(AddressWord(set));
    }
    case Conversion::Font: break;
  }
  const auto* font = AtAddress<const LogFontBytes>(v.word0);
  if (!font || v.word1 < kFontBytes) return 0;
  char face[sizeof font->faceName + 1] = {};
  std::memcpy(face, font->faceName, sizeof font->faceName);
  const FontMembers m = MembersOf(*font, ScreenPixelsPerInch());
  switch (member) {
    case kFontWhole: {
      auto* record = static_cast<FontPropertyRecord*>(AllocateMemory(sizeof(FontPropertyRecord)));
      *record = {m.angle, m.bold, m.italic, m.strikeOut, m.underline, m.size, AddressWord(MakeTextCopy(face))};
      return Value(AddressWord(record));
    }
    case kFontAngle: return Value(uint32_t(m.angle));
    case kFontBold: return Value(m.bold);
    case kFontItalic: return Value(m.italic);
    case kFontStrikeOut: return Value(m.strikeOut);
    case kFontUnderline: return Value(m.underline);
    case kFontSize: return Value(uint32_t(m.size));
    case kFontFaceName: return Value(AddressWord(MakeTextCopy(face)));
    default: return 0;
  }
}

// The PropertyValue of a write, with the storage it points into.
struct OutgoingValue {
  PropertyValue value{};
  std::vector<uint8_t> bytes;  // translated pointer data
  LogFontBytes font{};
};

bool ReadFont(ReadPropertyFn read, Wnd* unit, int32_t index, LogFontBytes* font) {
  PropertyValue current{};
  if (!read || !read(unit, index, &current) || current.word1 != kFontBytes || !current.word0) return false;
  std::memcpy(font, AtAddress<const void>(current.word0), kFontBytes);
  return true;
}

void ValueToUnit(Conversion c, uint32_t low, uint32_t high, int32_t member, ReadPropertyFn read,
                 Wnd* unit, int32_t unitIndex, OutgoingValue* out) {
  PropertyValue& v = out->value;
  static const char kEmpty[] = "";
  switch (c) {
    case Conversion::Plain: v.word0 = low; return;
    case Conversion::PickList: v.word0 = int32_t(low) < 0 ? 0 : low; return;
    case Conversion::Wide: case Conversion::Raw: v = {low, high}; return;
    case Conversion::Boolean: v.word0 = low != 0; return;
    case Conversion::Text: v.word0 = low ? low : AddressWord(kEmpty); return;
    case Conversion::Bytes:
      if (low) v = {AddressWord(ByteSetData(AtAddress<const void>(low))), ByteSetLength(AtAddress<const void>(low))};
      return;
    case Conversion::Pointer:
      if (low && ByteSetLength(AtAddress<const void>(low))) {
        const uint8_t* data = ByteSetData(AtAddress<const void>(low));
        out->bytes.assign(data, data + ByteSetLength(AtAddress<const void>(low)));
        TranslatePointerCode(out->bytes.data(), uint32_t(out->bytes.size()), true);
        v = {AddressWord(out->bytes.data()), uint32_t(out->bytes.size())};
      }
      return;
    case Conversion::Font: break;
  }
  const int32_t ppi = ScreenPixelsPerInch();
  if (member == kFontWhole) {
    const auto* record = AtAddress<const FontPropertyRecord>(low);
    if (!record) return;
    FontMembers m;
    m.angle = record->angle;
    m.bold = record->bold != 0;
    m.italic = record->italic != 0;
    m.strikeOut = record->strikeOut != 0;
    m.underline = record->underline != 0;
    m.size = record->size;
    m.faceName = AtAddress<const char>(record->faceName);
    SetWholeFont(&out->font, m, ppi);
  } else {
    if (!ReadFont(read, unit, unitIndex, &out->font)) out->font = DefaultGuiFontBytes();
    SetFontMember(&out->font, member, int32_t(low), AtAddress<const char>(low), ppi);
  }
  v = {AddressWord(&out->font), kFontBytes};
}

// --- finding the unit ---

struct UnitAccess {
  WindowId windowId;
  UnitId unitId;
  WindowRecord* window;
  uint32_t index;
  bool menuItem;
  const DataTypeRecord* type;
  Wnd* object;  // live object or null
};

UnitAccess FindUnit(WindowId windowId, UnitId unitId) {
  UnitAccess a{windowId, unitId, FindWindowRecord(Forms().registry, windowId), 0, false, nullptr, nullptr};
  if (!a.window || a.window->live.count == 0)
    ReportError("未载入欲访问窗口组件所在的窗口", 0, windowId, unitId);
  // A valid identifier the window does not hold is as good as missing.
  if (unitId != 0 && !FindUnitRecord(a.window->live, unitId, nullptr, &a.index))
    ReportError("指定窗口或窗口组件不存在或尚未载入", 0, windowId, unitId);
  a.menuItem = IsMenuItem(a.window->live, a.index);
  if (a.menuItem) return a;
  a.type = UnitTypeOf(UnitRecordAt(a.window->live, a.index));
  Wnd* object = ObjectAt(a.window->live, a.index);
  a.object = IsLive(object) ? object : nullptr;
  return a;
}

UnitRecordLayout LayoutOf(const UnitAccess& a) {
  UnitRecordLayout l{};
  RecordOf(a.window->live, a.index, &l);
  return l;
}

uint8_t* RecordOfAccess(const UnitAccess& a) { return UnitRecordAt(a.window->live, a.index); }

// Window rectangle in the coordinates its position is given in.
RECT PlacedRect(HWND hwnd) {
  RECT r{};
  GetWindowRect(hwnd, &r);
  HWND parent = GetParent(hwnd);
  if (parent && !(GetWindowLongA(hwnd, GWL_STYLE) & WS_POPUP))
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

// --- common properties ---

uint64_t ReadCommon(const UnitAccess& a, int32_t index) {
  const UnitRecordLayout l = LayoutOf(a);
  const uint8_t* record = RecordOfAccess(a);
  const uint32_t flags = LoadWord(record + l.flags);
  HWND hwnd = a.object ? a.object->Handle() : nullptr;
  switch (index) {
    case 0: return hwnd ? Value(uint32_t(PlacedRect(hwnd).left)) : Value(LoadWord(record + l.left));
    case 1: return hwnd ? Value(uint32_t(PlacedRect(hwnd).top)) : Value(LoadWord(record + l.top));
    case 2: {
      if (!hwnd) return Value(LoadWord(record + l.width));
      const RECT r = PlacedRect(hwnd);
      return Value(uint32_t(r.right - r.left));
    }
    case 3: {
      if (!hwnd) return Value(LoadWord(record + l.height));
      const RECT r = PlacedRect(hwnd);
      return Value(uint32_t(r.bottom - r.top));
    }
    case 4: return Value(AddressWord(MakeTextCopy(reinterpret_cast<const char*>(record + l.tag))));
    case 5: return Value(hwnd ? IsWindowVisible(hwnd) != FALSE : (flags & kUnitVisible) != 0);
    case 6: return Value(hwnd ? IsWindowEnabled(hwnd) == FALSE : (flags & kUnitDisabled) != 0);
    default: {
      auto* set = static_cast<uint8_t*>(MakeByteSet(record + l.mousePointerData, l.mousePointerLength));
      if (set) TranslatePointerCode(set + sizeof(ByteSetHeader), l.mousePointerLength, false);
      return Value(AddressWord(set));
    }
  }
}

void SetFlag(const UnitAccess& a, uint32_t bit, bool on) {
  const UnitRecordLayout l = LayoutOf(a);
  uint8_t* record = RecordOfAccess(a);
  const uint32_t flags = LoadWord(record + l.flags);
  StoreWord(record + l.flags, on ? flags | bit : flags & ~bit);
}

void ReplaceOrReport(const UnitAccess& a, uint32_t position, uint32_t oldLength, const uint8_t* bytes,
                     uint32_t length) {
  if (ReplaceRecordBytes(&a.window->live, a.index, position, int32_t(oldLength), bytes, length)) return;
  // Only a full heap makes the replacement fail.
  char message[64];
  wsprintfA(message, "分配 %d 字节内存失败!", static_cast<int>(a.window->live.size + length));
  ReportError(message, 0, a.windowId, a.unitId);
}

void WriteGeometry(const UnitAccess& a, int32_t index, int32_t value) {
  if (index <= 1) value = std::clamp(value, -kCoordinateLimit, kCoordinateLimit);
  else value = std::clamp(value, 0, kCoordinateLimit);
  const UnitRecordLayout l = LayoutOf(a);
  const uint32_t offsets[4] = {l.left, l.top, l.width, l.height};
  StoreWord(RecordOfAccess(a) + offsets[index], uint32_t(value));
  if (!a.object) return;
  HWND hwnd = a.object->Handle();
  RECT r = PlacedRect(hwnd);
  const UINT common = SWP_NOZORDER | SWP_NOACTIVATE;
  if (index <= 1) {
    const int x = index == 0 ? value : r.left, y = index == 1 ? value : r.top;
    SetWindowPos(hwnd, nullptr, x, y, 0, 0, common | SWP_NOSIZE);
    InvalidateRect(hwnd, nullptr, TRUE);
  } else {
    const int cx = index == 2 ? value : r.right - r.left, cy = index == 3 ? value : r.bottom - r.top;
    SetWindowPos(hwnd, nullptr, 0, 0, cx, cy, common | SWP_NOMOVE);
  }
}

void WriteTag(const UnitAccess& a, const char* text) {
  if (!text) text = "";
  const UnitRecordLayout l = LayoutOf(a);
  ReplaceOrReport(a, l.tag, l.tagLength + 1, reinterpret_cast<const uint8_t*>(text),
                  uint32_t(std::strlen(text)) + 1);
}

void WriteVisible(const UnitAccess& a, bool visible) {
  SetFlag(a, kUnitVisible, visible);
  if (!a.object) return;
  if (!visible) {
    ShowWindow(a.object->Handle(), SW_HIDE);
  } else if (a.index == 0) {
    ShowLoadedWindow(a.windowId, true);
  } else if (!(a.type && (a.type->flags & kTypeNotVisible)) &&
             !OnHiddenPage(a.window->live, UnitIdAt(a.window->live, a.index))) {
    ShowWindow(a.object->Handle(), SW_SHOW);
  }
}

void WritePointer(const UnitAccess& a, const void* set) {
  std::vector<uint8_t> data;
  if (set) {
    const uint8_t* bytes = ByteSetData(set);
    data.assign(bytes, bytes + ByteSetLength(set));
    TranslatePointerCode(data.data(), uint32_t(data.size()), true);
  }
  ClearCursorSlot(&a.window->live, a.index);
  std::vector<uint8_t> counted(4);
  StoreWord(counted.data(), uint32_t(data.size()));
  counted.insert(counted.end(), data.begin(), data.end());
  UnitRecordLayout l = LayoutOf(a);
  ReplaceOrReport(a, l.mousePointer, 4 + l.mousePointerLength, counted.data(), uint32_t(counted.size()));
  l = LayoutOf(a);
  HCURSOR cursor = MakeUnitCursor(data.data(), uint32_t(data.size()));
  StoreWord(RecordOfAccess(a) + l.cursorSlot, AddressWord(cursor));
  if (a.object) {
    POINT at;
    if (GetCursorPos(&at)) SetCursorPos(at.x, at.y);
  }
}

void WriteCommon(const UnitAccess& a, int32_t index, uint32_t low) {
  switch (index) {
    case 0: case 1: case 2: case 3: WriteGeometry(a, index, int32_t(low)); return;
    case 4: WriteTag(a, AtAddress<const char>(low)); return;
    case 5: WriteVisible(a, low != 0); return;
    case 6:
      SetFlag(a, kUnitDisabled, low != 0);
      if (a.object) EnableWindow(a.object->Handle(), low == 0);
      return;
    default: WritePointer(a, AtAddress<const void>(low)); return;
  }
}

// --- menu items ---

enum MenuProperty { kMenuCaption = 0, kMenuCheck = 1, kMenuDisable = 2, kMenuVisible = 3 };

uint64_t ReadMenuItem(const UnitAccess& a, int32_t index) {
  MenuItemLayout l;
  if (!MenuItemOf(a.window->live, a.index, &l)) return 0;
  const uint8_t* record = RecordOfAccess(a);
  const uint32_t flags = LoadWord(record + l.flags);
  switch (index) {
    case kMenuCaption: return Value(AddressWord(MakeTextCopy(reinterpret_cast<const char*>(record + l.caption))));
    case kMenuCheck: return Value((flags & kMenuChecked) != 0);
    case kMenuDisable: return Value((flags & kMenuDisabled) != 0);
    case kMenuVisible: return Value((flags & kMenuHidden) == 0);
    default: return 0;
  }
}

void WriteMenuItem(const UnitAccess& a, int32_t index, uint32_t low) {
  MenuItemLayout l;
  if (!MenuItemOf(a.window->live, a.index, &l)) return;
  uint8_t* record = RecordOfAccess(a);
  const uint32_t flags = LoadWord(record + l.flags);
  uint32_t newFlags = flags;
  switch (index) {
    case kMenuCaption: {
      const char* text = AtAddress<const char>(low);
      if (!text) text = "";
      if (std::strcmp(text, reinterpret_cast<const char*>(record + l.caption)) == 0) return;
      ReplaceOrReport(a, l.caption, l.captionLength + 1, reinterpret_cast<const uint8_t*>(text),
                      uint32_t(std::strlen(text)) + 1);
      break;
    }
    case kMenuCheck: newFlags = low ? flags | kMenuChecked : flags & ~kMenuChecked; break;
    case kMenuDisable: newFlags = low ? flags | kMenuDisabled : flags & ~kMenuDisabled; break;
    case kMenuVisible: newFlags = low ? flags & ~kMenuHidden : flags | kMenuHidden; break;
    default: return;
  }
  if (index != kMenuCaption) {
    if (newFlags == flags) return;
    StoreWord(record + l.flags, newFlags);
  }
  RebuildMenuBar(a.windowId);
}

// --- re-creation ---

std::vector<HWND> ChildWindows(HWND parent) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    children.push_back(child);
  return children;
}

void PlaceRecreated(const UnitAccess& a, Wnd* old, Wnd* made, bool wasVisible) {
  HWND oldHandle = old->Handle(), newHandle = made->Handle();
  if (a.type->flags & kTypeMovesChildren) {
    const std::vector<HWND> children = ChildWindows(oldHandle);
    for (size_t i = children.size(); i-- > 0;) SetParent(children[i], newHandle);
  }
  const UnitRecordLayout l = LayoutOf(a);
  StoreWord(RecordOfAccess(a) + l.objectSlot, AddressWord(made));
  RestoreZOrder(a.window->live, a.index);
  SendMessageA(newHandle, kUnitCreatedNotice, 0, 0);
  SendMessageA(newHandle, kWindowShownNotice, 0, 0);
  if (a.type->flags & kTypeBar) SendMessageA(GetParent(newHandle), kUnitsReadyNotice, 0, 0);
  if (wasVisible) ShowWindow(newHandle, SW_SHOWNA);
  if (a.type->flags & kTypePagedContainer) {
    SendMessageA(newHandle, kTabSetCurrentPage, static_cast<WPARAM>(CurrentPage(old)), 0);
    ApplyPageVisibility(a.windowId, UnitIdAt(a.window->live, a.index));
  }
}

}  // namespace

bool RecreateUnit(WindowId windowId, UnitId unitId) {
  if (unitId == 0) return false;
  const UnitAccess a = FindUnit(windowId, unitId);
  if (a.index == 0 || a.menuItem || !a.object || !a.type || (a.type->flags & kTypeNoRecreate)) return false;
  auto save = reinterpret_cast<SavePropertiesFn>(UnitEntry(a.type, kEntrySaveProperties));
  auto create = reinterpret_cast<CreateUnitFn>(UnitEntry(a.type, kEntryCreateUnit));
  if (!save || !create) return false;

  RuntimeApp& app = RuntimeApp::Get();
  app.PumpWaiting();
  InterlockedIncrement(&app.suppressDepth);
  Wnd* old = a.object;
  HWND oldHandle = old->Handle();
  HWND focus = GetFocus();
  const bool hadFocus = focus && (focus == oldHandle || IsChild(oldHandle, focus));
  void* saved = save(old);
  bool made = false;
  if (saved) {
    const RECT r = PlacedRect(oldHandle);
    const uint32_t style = IsWindowEnabled(oldHandle) ? 0 : WS_DISABLED;
    Wnd* unit = create(ByteSetData(saved), ByteSetLength(saved), style, GetParent(oldHandle),
                       static_cast<uint32_t>(GetDlgCtrlID(oldHandle)), nullptr, r.left, r.top,
                       r.right - r.left, r.bottom - r.top, windowId, unitId, 0, 0);
    if (IsLive(unit)) {
      // Its own style, not IsWindowVisible: a hidden window hides it too.
      const bool wasVisible = (GetWindowLongA(oldHandle, GWL_STYLE) & WS_VISIBLE) != 0;
      PlaceRecreated(a, old, unit, wasVisible);
      InterlockedIncrement(&Forms().recreatingUnit);
      old->DestroyWindow();
      InterlockedDecrement(&Forms().recreatingUnit);
      if (hadFocus) SetFocus(unit->Handle());
      else if (focus && IsWindow(focus)) SetFocus(focus);
      made = true;
    } else {
      delete unit;
    }
    FreeMemory(saved);
  }
  app.PumpWaiting();
  if (app.suppressDepth > 0) InterlockedDecrement(&app.suppressDepth);
  return made;
}

uint64_t ReadUnitProperty(WindowId windowId, UnitId unitId, int32_t index, int32_t member) {
  const UnitAccess a = FindUnit(windowId, unitId);
  if (a.menuItem) return ReadMenuItem(a, index);
  if (index >= 0 && index < kFirstOwnProperty) return ReadCommon(a, index);
  if (!a.object || index < 0) ReportError("读取组件属性时发现指定窗口尚未载入", 0, windowId, unitId);
  auto read = reinterpret_cast<ReadPropertyFn>(UnitEntry(a.type, kEntryReadProperty));
  PropertyValue value{};
  if (read && !read(a.object, index - kFirstOwnProperty, &value)) value = PropertyValue{};
  return ValueFromUnit(ConversionOf(DeclaredType(a.type, index)), value, member);
}

void WriteUnitProperty(WindowId windowId, UnitId unitId, int32_t index, int32_t member,
                       uint32_t low, uint32_t high) {
  const UnitAccess a = FindUnit(windowId, unitId);
  if (a.menuItem) return WriteMenuItem(a, index, low);
  if (index >= 0 && index < kFirstOwnProperty) return WriteCommon(a, index, low);
  if (!a.object || index < 0) ReportError("修改组件属性时发现指定窗口尚未载入", 0, windowId, unitId);
  auto read = reinterpret_cast<ReadPropertyFn>(UnitEntry(a.type, kEntryReadProperty));
  auto written = reinterpret_cast<PropertyWrittenFn>(UnitEntry(a.type, kEntryPropertyWritten));
  const int32_t own = index - kFirstOwnProperty;
  OutgoingValue value;
  ValueToUnit(ConversionOf(DeclaredType(a.type, index)), low, high, member, read, a.object, own, &value);
  // The unit may have destroyed (and deleted) itself: ask the registry.
  if (written && written(a.object, own, &value.value, 0) == 1 && FindUnitObject(windowId, unitId))
    RecreateUnit(windowId, unitId);
}

uint64_t ReadTypedUnitProperty(uint32_t typeCode, uint32_t object, int32_t index, int32_t member) {
  const DataTypeRecord* type = RuntimeApp::Get().FindDataTypeRecord(typeCode);
  auto read = reinterpret_cast<ReadPropertyFn>(UnitEntry(type, kEntryReadProperty));
  PropertyValue value{};
  if (!read || !read(AtAddress<Wnd>(object), index, &value)) value = PropertyValue{};
  return ValueFromUnit(ConversionOf(DeclaredType(type, index)), value, member);
}

void WriteTypedUnitProperty(uint32_t typeCode, uint32_t object, int32_t index, int32_t member,
                            uint32_t low, uint32_t high) {
  const DataTypeRecord* type = RuntimeApp::Get().FindDataTypeRecord(typeCode);
  auto read = reinterpret_cast<ReadPropertyFn>(UnitEntry(type, kEntryReadProperty));
  auto written = reinterpret_cast<PropertyWrittenFn>(UnitEntry(type, kEntryPropertyWritten));
  if (!written) return;
  OutgoingValue value;
  ValueToUnit(ConversionOf(DeclaredType(type, index)), low, high, member, read, AtAddress<Wnd>(object),
              index, &value);
  written(AtAddress<Wnd>(object), index, &value.value, 0);
}
