// The seam table the runtime core calls, and the HostService codes that
// need the window registry.
#include "forms/form_runtime.h"

#include "forms/byte_reader.h"
#include "forms/event_dispatch.h"
#include "forms/property_access.h"
#include "runtime/address_word.h"
#include "runtime/error_reporter.h"
#include "runtime/form_seam.h"
#include "runtime/runtime_app.h"

namespace {

constexpr int32_t kIdleEvent = 7;
constexpr uint32_t kMenuChangedFlag = 0x8;

// HostService 2005's record.
struct LoadRequest {
  uint32_t windowId;
  uint32_t owner;  // unit object or 0
  uint32_t modal;
};
static_assert(sizeof(LoadRequest) == 12);

bool SeamLoadTemplate(const uint8_t* segment, uint32_t size, uint32_t codeBase) {
  return LoadTemplate(&Forms().registry, segment, size, codeBase);
}

// The window's name: the name of its own unit.
const char* SeamWindowName(uint32_t windowId) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w) return nullptr;
  UnitRecordLayout l;
  if (!RecordOf(w->live, 0, &l)) return "";
  return reinterpret_cast<const char*>(UnitRecordAt(w->live, 0) + l.name);
}

bool SeamUnitOf(uint32_t windowId, uint32_t line, uint32_t* unitId, const char** name) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w || w->live.count == 0) return false;
  uint32_t index = 0;
  if (line != 0 && !FindUnitRecord(w->live, line, nullptr, &index)) return false;
  *unitId = UnitIdAt(w->live, index);
  UnitRecordLayout u;
  MenuItemLayout m;
  const uint8_t* record = UnitRecordAt(w->live, index);
  if (RecordOf(w->live, index, &u)) *name = reinterpret_cast<const char*>(record + u.name);
  else if (MenuItemOf(w->live, index, &m)) *name = reinterpret_cast<const char*>(record + m.name);
  else *name = "";
  return true;
}

bool SeamLoadWindow(uint32_t windowId, int loadMode, bool modal, HWND owner) {
  return LoadWindow(windowId, loadMode, modal, owner);
}

int SeamWindowCount() { return static_cast<int>(Forms().registry.count); }

bool SeamRaiseIdleEvent(int index, uint32_t elapsed, bool* exists) {
  const WindowTemplate& registry = Forms().registry;
  *exists = false;
  if (index < 0 || uint32_t(index) >= registry.count || !LiveWindowOf(registry.records[index])) return false;
  *exists = true;
  EventResult result{};
  const bool ran = RaiseUnitEvent(registry.ids[index], 0, kIdleEvent, {elapsed}, &result);
  return ran && result.hasResult && result.low != 0;
}

int32_t LoadWindowService(const LoadRequest* request) {
  WindowRecord* w = FindWindowRecord(Forms().registry, request->windowId);
  if (!w) return -1;
  const Wnd* owner = AtAddress<const Wnd>(static_cast<int32_t>(request->owner));
  if (!LoadWindow(request->windowId, 0, request->modal != 0, owner ? owner->Handle() : nullptr))
    return -1;
  UnitRecordLayout l;
  if (RecordOf(w->live, 0, &l) && (LoadWord(UnitRecordAt(w->live, 0) + l.flags) & kUnitVisible))
    ShowLoadedWindow(request->windowId, false);
  return 0;
}

int32_t UnitTypeCode(WindowId windowId, UnitId unitId) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w || w->live.count == 0) return 0;
  uint32_t index = 0;
  if (unitId != 0 && !FindUnitRecord(w->live, unitId, nullptr, &index)) return 0;
  return static_cast<int32_t>(LoadWord(UnitRecordAt(w->live, index) + kRecordTypeCode));
}

void MarkMenuChanged(WindowId windowId) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  UnitRecordLayout l;
  if (!w || !RecordOf(w->live, 0, &l)) return;
  uint8_t* record = UnitRecordAt(w->live, 0);
  StoreWord(record + l.flags, LoadWord(record + l.flags) | kMenuChangedFlag);
  RebuildMenuBar(windowId);
}

int32_t CopyEventSource(uint32_t* out) {
  const FormState& state = Forms();
  out[0] = state.eventSourceWindow;
  out[1] = state.eventSourceUnit;
  return state.eventSourceWindow != 0 ? 1 : 0;
}

int32_t WindowHandleAt(int32_t index) {
  const WindowTemplate& registry = Forms().registry;
  if (index < 0 || uint32_t(index) >= registry.count) return 0;
  FormWindow* window = LiveWindowOf(registry.records[index]);
  return window ? AddressWord(window->Handle()) : 0;
}

int32_t SeamHostService(int32_t code, int32_t argument1, int32_t argument2, bool* handled) {
  *handled = true;
  const auto windowId = static_cast<uint32_t>(argument1);
  const auto unitId = static_cast<uint32_t>(argument2);
  switch (code) {
    case 1001: return AddressWord(&Forms().registry);
    case 2000: UnitDestroyed(windowId, unitId); return 0;
    case 2005: return LoadWindowService(AtAddress<const LoadRequest>(argument1));
    case 2006: return AddressWord(FindUnitObject(windowId, unitId));
    case 2007: {
      Wnd* object = FindUnitObject(windowId, unitId);
      if (!object) ReportError("指定窗口或窗口组件不存在或尚未载入", 0, windowId, unitId);
      return AddressWord(object);
    }
    case 2008: return RaiseEvent(AtAddress<EventRecord>(argument1));
    case 2017: return CopyEventSource(AtAddress<uint32_t>(argument1));
    case 2022: return UnitTypeCode(windowId, unitId);
    case 2031: return RaiseTypedEvent(AtAddress<TypedEventRecord>(argument1));
    case 2032: return static_cast<int32_t>(Forms().registry.count);
    case 2033: return WindowHandleAt(argument1);
    case 2037: MarkMenuChanged(windowId); return 0;
    case 2038: return DescribeMenuItem(AtAddress<MenuItemQuery>(argument1));
    case 2039: ApplyPageVisibility(windowId, unitId); return 0;
    case 2040: RebuildMenuBar(windowId); return 0;
    default: *handled = false; return 0;
  }
}

const FormSeam kSeam = {
    &SeamLoadTemplate,    &DiscardRegistry,      &SeamWindowName,        &SeamUnitOf,
    &SeamLoadWindow,      &IsAnyWindowLoaded,    &SeamWindowCount,       &SeamRaiseIdleEvent,
    &ReadUnitProperty,    &WriteUnitProperty,    &ReadTypedUnitProperty, &WriteTypedUnitProperty,
    &SeamHostService,
};

}  // namespace

FormState& Forms() {
  static FormState state;
  return state;
}

const FormSeam* FormRuntimeSeam() { return &kSeam; }
