#include "tests/forms/test_units.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "forms/byte_reader.h"
#include "forms/byte_writer.h"
#include "forms/event_dispatch.h"
#include "forms/form_runtime.h"
#include "runtime/host_service.h"
#include "runtime/memory.h"
#include "runtime/runtime_app.h"
#include "runtime/values.h"

std::function<void(HWND)> g_probe;
bool g_returnResult = false;
uint32_t g_handlerResult = 0;
uint32_t g_handlerResultHigh = 0;
uint32_t g_expectedWords = 0;

namespace {

constexpr char kUnitClass[] = "_NX_TestUnit";
constexpr char kWindowClass[] = "_NX_TestWindow";

std::vector<std::string> g_log;

void Note(const std::string& line) { g_log.push_back(line); }

std::string NoticeName(UINT message) {
  switch (message) {
    case kUnitCreatedNotice: return "created";
    case kUnitsReadyNotice: return "ready";
    case kWindowShownNotice: return "shown";
    default: return "";
  }
}

void RegisterClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  WNDCLASSA wc{};
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = &Wnd::ClassProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kUnitClass;
  RegisterClassA(&wc);
  wc.lpszClassName = kWindowClass;
  RegisterClassA(&wc);
}

TestUnitSettings DecodeTestUnit(const uint8_t* block, uint32_t length) {
  TestUnitSettings s;
  ByteReader r(block, length);
  if (length == 0) return s;
  s.number = r.Int();
  s.flag = r.Int();
  s.pick = r.Int();
  s.style = r.Int();
  const uint32_t low = r.Word(), high = r.Word();
  s.wide = int64_t(uint64_t(high) << 32 | low);
  uint32_t n = 0;
  const uint8_t* text = r.Counted(&n);
  if (text) s.text.assign(reinterpret_cast<const char*>(text), n);
  const uint8_t* bytes = r.Counted(&n);
  if (bytes) s.bytes.assign(bytes, bytes + n);
  const uint8_t* font = r.Counted(&n);
  if (font && n == sizeof(LogFontBytes)) {
    s.hasFont = true;
    std::memcpy(&s.font, font, n);
  }
  return s;
}

uint32_t Word(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

// Test objects live on pages of their own that stay reserved without any
// access once the object is deleted: a use after delete faults at once
// instead of reading what the heap left behind.
class GuardedObject {
 public:
  static void* operator new(size_t size) {
    void* p = VirtualAlloc(nullptr, size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!p) throw std::bad_alloc();
    return p;
  }
  static void operator delete(void* p, size_t size) {
    DWORD old;
    VirtualProtect(p, size, PAGE_NOACCESS, &old);
  }
};

// --- the unit ---

class TestUnitObject : public Wnd, public GuardedObject {
 public:
  TestUnitState state{};
  int32_t page = 0;

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    const std::string notice = NoticeName(message);
    if (message == kUnitCreatedNotice) {
      // Nothing may reach the application while the window is being loaded.
      EventRecord record{state.windowId, state.unitId, 0, 0, {}, 0, 0};
      const int32_t ran = HostService(2008, static_cast<int32_t>(Word(&record)), 0);
      Note(notice + " " + Hex(state.unitId) + " ran " + std::to_string(ran));
      return 0;
    }
    if (!notice.empty()) {
      Note(notice + " " + Hex(state.unitId));
      return 0;
    }
    switch (message) {
      case WM_LBUTTONDOWN: Note("unit lbuttondown"); return 0;
      case WM_CHAR: Note("unit char " + std::to_string(wParam)); return 0;
      case WM_KEYDOWN: Note("unit keydown " + std::to_string(wParam)); return 0;
      case kRaiseOwnEvent: {
        EventRecord record{state.windowId, state.unitId, static_cast<int32_t>(wParam), 0, {}, 0, 0};
        const LRESULT ran = HostService(2008, static_cast<int32_t>(Word(&record)), 0);
        state.lastHasResult = record.hasResult;
        state.lastResult = record.result;
        return ran;
      }
      case kTabGetCurrentPage: return page;
      case kTabSetCurrentPage: page = static_cast<int32_t>(wParam); return 0;
      case WM_SETFOCUS: {
        const LRESULT r = DefaultProc(message, wParam, lParam);
        RaiseUnitEvent(state.windowId, state.unitId, kEventFocusGained);
        return r;
      }
      case WM_KILLFOCUS: {
        const LRESULT r = DefaultProc(message, wParam, lParam);
        RaiseUnitEvent(state.windowId, state.unitId, kEventFocusLost);
        return r;
      }
      default: return DefaultProc(message, wParam, lParam);
    }
  }

  void OnFinalMessage() override {
    Note("destroyed " + Hex(state.unitId));
    HostService(2000, static_cast<int32_t>(state.windowId), static_cast<int32_t>(state.unitId));
    delete this;
  }
};

Wnd* __stdcall CreateTestUnit(const uint8_t* block, uint32_t length, uint32_t style, HWND parent,
                              uint32_t controlId, HMENU, int32_t left, int32_t top, int32_t width,
                              int32_t height, uint32_t windowId, uint32_t unitId, uint32_t, uint32_t) {
  RegisterClasses();
  auto* unit = new TestUnitObject();
  unit->state.windowId = windowId;
  unit->state.unitId = unitId;
  unit->state.settings = DecodeTestUnit(block, length);
  const DWORD extra = unit->state.settings.style ? WS_BORDER : 0;
  Note("create " + Hex(unitId) + " id " + std::to_string(controlId));
  if (!unit->CreateEx(0, kUnitClass, "", WS_CHILD | WS_CLIPSIBLINGS | style | extra, left, top, width,
                      height, parent, reinterpret_cast<HMENU>(static_cast<uintptr_t>(controlId)))) {
    delete unit;
    return nullptr;
  }
  return unit;
}

Wnd* __stdcall RefuseUnit(const uint8_t*, uint32_t, uint32_t, HWND, uint32_t, HMENU, int32_t, int32_t,
                          int32_t, int32_t, uint32_t, uint32_t unitId, uint32_t, uint32_t) {
  Note("refuse " + Hex(unitId));
  return nullptr;
}

TestUnitObject* AsUnit(Wnd* unit) { return dynamic_cast<TestUnitObject*>(unit); }

int32_t __stdcall ReadTestProperty(Wnd* object, int32_t index, PropertyValue* value) {
  TestUnitObject* unit = AsUnit(object);
  if (!unit) return 0;
  TestUnitSettings& s = unit->state.settings;
  switch (index + 8) {
    case kPropNumber: value->word0 = uint32_t(s.number); return 1;
    case kPropFlag: value->word0 = uint32_t(s.flag); return 1;
    case kPropText: value->word0 = Word(s.text.c_str()); return 1;
    case kPropBytes: *value = {Word(s.bytes.data()), uint32_t(s.bytes.size())}; return 1;
    case kPropFont:
      if (!s.hasFont) return 0;
      *value = {Word(&s.font), sizeof s.font};
      return 1;
    case kPropWide: *value = {uint32_t(uint64_t(s.wide)), uint32_t(uint64_t(s.wide) >> 32)}; return 1;
    case kPropPick: value->word0 = uint32_t(s.pick); return 1;
    case kPropStyle: value->word0 = uint32_t(s.style); return 1;
    case kPropPointer: *value = {Word(s.bytes.data()), uint32_t(s.bytes.size())}; return 1;
    default: return 0;
  }
}

int32_t __stdcall TestPropertyWritten(Wnd* object, int32_t index, const PropertyValue* value, uint32_t) {
  TestUnitObject* unit = AsUnit(object);
  if (!unit) return 0;
  TestUnitSettings& s = unit->state.settings;
  const auto* data = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(value->word0));
  Note("written " + std::to_string(index) + " " + Hex(value->word0 && index + 8 != kPropText ? 1 : value->word0) +
       " " + Hex(value->word1));
  switch (index + 8) {
    case kPropNumber: s.number = int32_t(value->word0); return 0;
    case kPropFlag: s.flag = int32_t(value->word0); return 0;
    case kPropText: s.text = reinterpret_cast<const char*>(data); return 0;
    case kPropBytes: case kPropPointer: s.bytes.assign(data, data + value->word1); return 0;
    case kPropFont:
      s.hasFont = data && value->word1 == sizeof s.font;
      if (s.hasFont) std::memcpy(&s.font, data, sizeof s.font);
      return 0;
    case kPropWide: s.wide = int64_t(uint64_t(value->word1) << 32 | value->word0); return 0;
    case kPropPick: s.pick = int32_t(value->word0); return 0;
    case kPropStyle:
      s.style = int32_t(value->word0);
      if (s.style < 0) unit->DestroyWindow();  // goes away while it is told
      return 1;
    default: return 0;
  }
}

void* __stdcall SaveTestProperties(Wnd* object) {
  TestUnitObject* unit = AsUnit(object);
  if (!unit) return nullptr;
  const std::vector<uint8_t> block = EncodeTestUnit(unit->state.settings);
  Note("save " + Hex(unit->state.unitId));
  return MakeByteSet(block.data(), uint32_t(block.size()));
}

void* __stdcall TestUnitEntry(int32_t kind) {
  switch (kind) {
    case kEntryCreateUnit: return reinterpret_cast<void*>(&CreateTestUnit);
    case kEntryPropertyWritten: return reinterpret_cast<void*>(&TestPropertyWritten);
    case kEntrySaveProperties: return reinterpret_cast<void*>(&SaveTestProperties);
    case kEntryReadProperty: return reinterpret_cast<void*>(&ReadTestProperty);
    default: return nullptr;
  }
}

void* __stdcall RefusingEntry(int32_t kind) {
  return kind == kEntryCreateUnit ? reinterpret_cast<void*>(&RefuseUnit) : nullptr;
}

// --- the window ---

class TestWindowObject : public FormWindow, public GuardedObject {
 public:
  int32_t position = 0;

  int32_t StartPosition() const override { return position; }

  BOOL PreTranslateMessage(MSG* msg) override {
    if (accelerators && TranslateAcceleratorA(Handle(), accelerators, msg)) return TRUE;
    return RaiseInputEventsFor(msg, windowId) ? TRUE : FALSE;
  }

  LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
    const std::string notice = NoticeName(message);
    if (!notice.empty()) {
      Note(notice + " window");
      return 0;
    }
    switch (message) {
      case kRaiseOwnEvent:
        return RaiseUnitEvent(windowId, 0, static_cast<int32_t>(wParam)) ? 1 : 0;
      case kRunProbe:
        if (g_probe) g_probe(Handle());
        return 0;
      case WM_COMMAND:
        if (lParam == 0 && LOWORD(wParam) >= kMenuCommandBase) {
          RaiseMenuCommand(windowId, LOWORD(wParam));
          return 0;
        }
        break;
      case WM_CLOSE:
        if (isModal) RestoreDisabledOwners();
        DestroyWindow();
        return 0;
      default: break;
    }
    return DefaultProc(message, wParam, lParam);
  }

  void OnFinalMessage() override {
    Note("destroyed window");
    HostService(2000, static_cast<int32_t>(windowId), 0);
    RuntimeApp::Get().CheckLastWindowClosed();
    delete this;
  }
};

Wnd* __stdcall CreateTestWindow(const uint8_t* block, uint32_t length, uint32_t style, HWND owner,
                                uint32_t, HMENU menu, int32_t left, int32_t top, int32_t width,
                                int32_t height, uint32_t windowId, uint32_t unitId, uint32_t, uint32_t) {
  RegisterClasses();
  auto* window = new TestWindowObject();
  window->windowId = windowId;
  window->unitId = unitId;
  ByteReader r(block, length);
  window->position = length >= 4 ? r.Int() : 0;
  Note("create window modal " + std::to_string(Forms().loadingModalFlag));
  const DWORD frame = owner ? WS_POPUP | WS_CAPTION | WS_SYSMENU : WS_OVERLAPPEDWINDOW;
  if (!window->CreateEx(0, kWindowClass, "test", frame | WS_CLIPCHILDREN | style, left, top, width,
                        height, owner, menu)) {
    delete window;
    return nullptr;
  }
  return window;
}

void* __stdcall TestWindowEntry(int32_t kind) {
  return kind == kEntryCreateUnit ? reinterpret_cast<void*>(&CreateTestWindow) : nullptr;
}

// --- the library ---

constexpr uint32_t kTypeCount = 21;

struct Library {
  LibraryInfo info{};
  DataTypeRecord types[kTypeCount]{};
  PropertyDescriptor unitProperties[17]{};
  PropertyDescriptor windowProperties[8]{};

  Library() {
    for (uint32_t i = 0; i < 8; ++i) {
      windowProperties[i] = unitProperties[i] = {0, 0, 0, i == 4 ? 1005u : i == 5 || i == 6 ? 1003u : i == 7 ? 1011u : 1001u, 0xE000};
    }
    const uint32_t own[9] = {1001, 1003, 1005, 1009, 1013, 1002, 1006, 1001, 1011};
    for (uint32_t i = 0; i < 9; ++i) unitProperties[8 + i] = {0, 0, 0, own[i], 0x8000};
    auto unitType = [&](uint32_t code, uint32_t flags, void* entry) {
      DataTypeRecord& t = types[(code & 0xFFFF) - 1];
      t.flags = flags;
      t.propertyCount = 17;
      t.properties = Word(unitProperties);
      t.entryLookup = Word(entry);
    };
    unitType(kTestUnitType, 0x40, reinterpret_cast<void*>(&TestUnitEntry));
    unitType(kTestMenuType, 0x40, nullptr);
    unitType(kTestOtherUnitType, 0x40, reinterpret_cast<void*>(&TestUnitEntry));
    unitType(kTestHiddenType, 0x8040, reinterpret_cast<void*>(&TestUnitEntry));
    unitType(kTestSilentType, 0, reinterpret_cast<void*>(&TestUnitEntry));
    unitType(kTestNoEntryType, 0x40, nullptr);
    unitType(kTestRefusingType, 0x40, reinterpret_cast<void*>(&RefusingEntry));
    unitType(kTestContainerType, 0x140, reinterpret_cast<void*>(&TestUnitEntry));
    DataTypeRecord& window = types[0];
    window.flags = 0x800000D0;
    window.propertyCount = 8;
    window.properties = Word(windowProperties);
    window.entryLookup = Word(reinterpret_cast<void*>(&TestWindowEntry));
    info.format = kLibraryFormatWord;
    info.dataTypeCount = kTypeCount;
    info.dataTypes = Word(types);
  }
};

void LogHandler(const char* name, EventResult* result) {
  uint32_t source[2] = {0, 0};
  HostService(2017, static_cast<int32_t>(Word(source)), 0);
  Note(std::string("handler ") + name + " " + Hex(source[0]) + " " + Hex(source[1]));
  if (g_returnResult) *result = {1, g_handlerResult, g_handlerResultHigh};
}

}  // namespace

std::vector<uint8_t> EncodeTestUnit(const TestUnitSettings& s) {
  ByteWriter w;
  w.Int(s.number);
  w.Int(s.flag);
  w.Int(s.pick);
  w.Int(s.style);
  w.Word(uint32_t(uint64_t(s.wide)));
  w.Word(uint32_t(uint64_t(s.wide) >> 32));
  w.Counted(reinterpret_cast<const uint8_t*>(s.text.data()), uint32_t(s.text.size()));
  w.Counted(s.bytes.data(), uint32_t(s.bytes.size()));
  std::vector<uint8_t> font;
  if (s.hasFont) font.assign(reinterpret_cast<const uint8_t*>(&s.font), reinterpret_cast<const uint8_t*>(&s.font + 1));
  w.Counted(font);
  return w.bytes();
}

std::vector<uint8_t> EncodeTestWindow(int32_t position) {
  ByteWriter w;
  w.Int(position);
  return w.bytes();
}

const LibraryInfo* TestLibrary() {
  static Library library;
  return &library.info;
}

std::vector<std::string>& Log() { return g_log; }
void ClearLog() { g_log.clear(); }

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", value);
  return text;
}

TestUnitState* StateOf(Wnd* unit) {
  TestUnitObject* object = AsUnit(unit);
  return object ? &object->state : nullptr;
}

void __cdecl LogHandlerA(EventResult* result) { LogHandler("A", result); }
void __cdecl LogHandlerB(EventResult* result) { LogHandler("B", result); }
int32_t HandlerOffset(void(__cdecl* handler)(EventResult*)) { return OffsetOf(handler); }

void __cdecl MouseHandler(uint32_t x, uint32_t y, uint32_t modifiers, EventResult* result) {
  Note("mouse " + std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(modifiers));
  if (g_returnResult) *result = {1, g_handlerResult, 0};
}

void __cdecl KeyHandler(uint32_t key, uint32_t modifiers, EventResult* result) {
  Note("key " + std::to_string(key) + " " + std::to_string(modifiers));
  if (g_returnResult) *result = {1, g_handlerResult, 0};
}

void __cdecl CharHandler(uint32_t character, EventResult* result) {
  Note("char " + std::to_string(character));
  if (g_returnResult) *result = {1, g_handlerResult, 0};
}

void __cdecl WordsHandler(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3, uint32_t w4, uint32_t w5,
                          uint32_t w6, uint32_t w7, uint32_t w8, uint32_t w9, uint32_t w10, uint32_t w11,
                          uint32_t w12) {
  const uint32_t words[13] = {w0, w1, w2, w3, w4, w5, w6, w7, w8, w9, w10, w11, w12};
  std::string line = "words";
  for (uint32_t i = 0; i < g_expectedWords && i < 13; ++i) {
    line += ' ';
    line += Hex(words[i]);
  }
  Note(line);
  // The result record follows the last argument word.
  auto* result = reinterpret_cast<EventResult*>(static_cast<uintptr_t>(words[g_expectedWords]));
  if (g_returnResult) *result = {1, g_handlerResult, g_handlerResultHigh};
}

TemplateUnit TestWindowUnit(uint32_t unitId, uint32_t flags, int32_t position) {
  TemplateUnit u;
  u.id = unitId;
  u.typeCode = kTestWindowType;
  u.left = 40;
  u.top = 40;
  u.width = 300;
  u.height = 200;
  u.flags = flags;
  u.propertyBlock = EncodeTestWindow(position);
  return u;
}

TemplateUnit TestUnit(uint32_t unitId, uint32_t typeCode, uint32_t flags, const TestUnitSettings& settings) {
  TemplateUnit u;
  u.id = unitId;
  u.typeCode = typeCode;
  u.name = "unit" + Hex(unitId);
  u.left = 10;
  u.top = 10;
  u.width = 50;
  u.height = 20;
  u.flags = flags;
  u.propertyBlock = EncodeTestUnit(settings);
  return u;
}
