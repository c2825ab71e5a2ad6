#include "forms/event_dispatch.h"

#include <algorithm>

#include "forms/byte_reader.h"
#include "forms/event_words.h"
#include "forms/form_runtime.h"
#include "runtime/error_reporter.h"
#include "runtime/runtime_app.h"
#include "runtime/services.h"

namespace {

constexpr uint32_t kMaxPlainArguments = 5;
constexpr int kWheelStep = 120;

uint32_t HandlerOf(const UnitTable& table, uint32_t index, int32_t eventIndex, bool menuType) {
  if (menuType) {
    MenuItemLayout m;
    if (!MenuItemOf(table, index, &m)) return 0;
    return LoadWord(UnitRecordAt(table, index) + m.handler);
  }
  UnitRecordLayout l;
  if (!RecordOf(table, index, &l)) return 0;
  return BindingHandler(UnitRecordAt(table, index), l, eventIndex);
}

// Calls a handler with its words and the result record after them.
void CallHandler(uint32_t handler, const uint32_t* words, uint32_t count, EventResult* result) {
  uint32_t all[kMaxArgumentWords + 1];
  std::copy(words, words + count, all);
  *result = EventResult{};
  all[count] = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(result));
  CallSaved(handler, count + 1, all);
  Forms().eventSourceWindow = 0;
}

uint32_t CurrentModifiers(uint32_t key) {
  return KeyModifiers(GetKeyState(VK_CONTROL) < 0, GetKeyState(VK_SHIFT) < 0,
                      GetKeyState(VK_MENU) < 0, key);
}

int32_t MouseEventOf(UINT message) {
  switch (message) {
    case WM_LBUTTONDOWN: return kEventLeftDown;
    case WM_LBUTTONUP: return kEventLeftUp;
    case WM_LBUTTONDBLCLK: return kEventLeftDoubleClick;
    case WM_RBUTTONDOWN: return kEventRightDown;
    case WM_RBUTTONUP: return kEventRightUp;
    case WM_MOUSEMOVE: return kEventMouseMove;
    default: return 0;
  }
}

bool Swallows(bool ran, const EventResult& result) { return ran && result.hasResult && result.low == 0; }

}  // namespace

uint32_t FindEventHandler(WindowId windowId, UnitId unitId, int32_t eventIndex) {
  RuntimeApp& app = RuntimeApp::Get();
  if (app.suppressDepth > 0) return 0;
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w) ReportError("未找到引发事件的窗口", 0, windowId, 0);
  uint32_t index = 0;
  if ((unitId != 0 && !FindUnitRecord(w->live, unitId, nullptr, &index)) || w->live.count == 0)
    ReportError("未找到引发事件的窗口组件", 0, windowId, unitId);
  index = FollowEventLink(w->live, index);
  const uint8_t* record = UnitRecordAt(w->live, index);
  const uint32_t typeCode = LoadWord(record + kRecordTypeCode);
  const DataTypeRecord* type = app.FindDataTypeRecord(typeCode);
  if (!type || !(type->flags & kTypeEventMask)) ReportError("引发事件的窗口组件无效", 0, windowId, unitId);
  const uint32_t handler = HandlerOf(w->live, index, eventIndex, typeCode == kUnitTypeMenu);
  if (handler == 0) return 0;
  Forms().eventSourceWindow = windowId;
  Forms().eventSourceUnit = unitId != 0 ? unitId : UnitIdAt(w->live, 0);
  return handler;
}

int32_t RaiseEvent(EventRecord* record) {
  const uint32_t handler = FindEventHandler(record->windowId, record->unitId, record->eventIndex);
  if (handler == 0) return 0;
  EventResult result;
  CallHandler(handler, record->arguments, std::min(record->count, kMaxPlainArguments), &result);
  if (result.hasResult) {
    record->hasResult = 1;
    record->result = result.low;
  }
  return 1;
}

int32_t RaiseTypedEvent(TypedEventRecord* record) {
  const uint32_t handler = FindEventHandler(record->windowId, record->unitId, record->eventIndex);
  if (handler == 0) return 0;
  uint32_t words[kMaxArgumentWords];
  const uint32_t count = ExpandTypedArguments(record->arguments, record->count, words);
  EventResult result;
  CallHandler(handler, words, count, &result);
  if (result.hasResult) {
    record->hasResult = 1;
    record->resultLow = result.low;
    record->resultHigh = result.high;
  }
  return 1;
}

bool RaiseUnitEvent(WindowId windowId, UnitId unitId, int32_t eventIndex,
                    std::initializer_list<uint32_t> arguments, EventResult* result) {
  EventRecord record{windowId, unitId, eventIndex, 0, {}, 0, 0};
  for (uint32_t word : arguments) {
    if (record.count == kMaxPlainArguments) break;
    record.arguments[record.count++] = word;
  }
  const bool ran = RaiseEvent(&record) != 0;
  if (result) *result = EventResult{record.hasResult, record.result, 0};
  return ran;
}

bool RaiseInputEvents(MSG* msg, WindowId windowId, UnitId unitId) {
  EventResult result{};
  const UINT message = msg->message;
  if (int32_t event = MouseEventOf(message)) {
    const uint32_t x = LOWORD(msg->lParam), y = HIWORD(msg->lParam);
    const bool ran = RaiseUnitEvent(windowId, unitId, event, {x, y, CurrentModifiers(0)}, &result);
    return Swallows(ran, result);
  }
  switch (message) {
    case WM_KEYDOWN: case WM_SYSKEYDOWN: case WM_KEYUP: case WM_SYSKEYUP: {
      const uint32_t key = static_cast<uint32_t>(msg->wParam);
      const bool down = message == WM_KEYDOWN || message == WM_SYSKEYDOWN;
      const bool ran = RaiseUnitEvent(windowId, unitId, down ? kEventKeyDown : kEventKeyUp,
                                      {FoldKeyCode(key), CurrentModifiers(key)}, &result);
      return Swallows(ran, result);
    }
    case WM_CHAR: {
      const bool ran = RaiseUnitEvent(windowId, unitId, kEventCharacter,
                                      {static_cast<uint32_t>(msg->wParam)}, &result);
      if (!ran || !result.hasResult) return false;
      if (result.low == 0) return true;
      msg->wParam = result.low;
      return false;
    }
    case WM_MOUSEWHEEL: {
      const int32_t steps = static_cast<int16_t>(HIWORD(msg->wParam)) / kWheelStep;
      const bool ran = RaiseUnitEvent(windowId, unitId, kEventWheel,
                                      {static_cast<uint32_t>(steps), CurrentModifiers(0)}, &result);
      return Swallows(ran, result);
    }
    default: return false;
  }
}

bool RaiseInputEventsFor(MSG* msg, WindowId windowId) {
  UnitLocation at;
  if (!msg->hwnd || !UnitRecordOfHandle(msg->hwnd, &at) || at.windowId != windowId) return false;
  return RaiseInputEvents(msg, windowId, at.index == 0 ? 0 : at.unitId);
}

bool RaiseMenuCommand(WindowId windowId, uint32_t commandId) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w || commandId < kMenuCommandBase) return false;
  uint32_t begin = 0;
  while (begin < w->live.count && !IsMenuItem(w->live, begin)) ++begin;
  const uint32_t index = begin + (commandId - kMenuCommandBase);
  if (!IsMenuItem(w->live, index)) return false;
  return RaiseUnitEvent(windowId, UnitIdAt(w->live, index), 0);
}
