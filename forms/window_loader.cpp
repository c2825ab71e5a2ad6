// Window loading, the first show, modal windows, and what happens when
// units and windows go away.
#include <cstring>
#include <vector>

#include "forms/byte_reader.h"
#include "forms/event_dispatch.h"
#include "forms/form_runtime.h"
#include "forms/unit_contract.h"
#include "forms/unit_cursor.h"
#include "runtime/host_service.h"
#include "runtime/runtime_app.h"

namespace {

constexpr uint32_t kFirstControlId = 100;
constexpr uint32_t kControlIdStep = 10;

HWND HandleOf(const Wnd* object) { return object ? object->Handle() : nullptr; }

void StoreSlot(uint8_t* record, uint32_t offset, const void* value) {
  StoreWord(record + offset, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(value)));
}

// Creation order: the window first, then the last entry down to entry 1.
std::vector<uint32_t> CreationOrder(const UnitTable& table) {
  std::vector<uint32_t> order;
  if (table.count == 0) return order;
  order.push_back(0);
  for (uint32_t i = table.count; i-- > 1;)
    if (!IsMenuItem(table, i)) order.push_back(i);
  return order;
}

// Everything one entry's creation needs from its record.
struct CreateRequest {
  CreateUnitFn create = nullptr;
  const DataTypeRecord* type = nullptr;
  const uint8_t* block = nullptr;
  uint32_t blockLength = 0;
  int32_t left = 0, top = 0, width = 0, height = 0;
  uint32_t flags = 0;
};

bool ReadCreateRequest(const UnitTable& table, uint32_t index, CreateRequest* out) {
  UnitRecordLayout l;
  if (!RecordOf(table, index, &l)) return false;
  const uint8_t* record = UnitRecordAt(table, index);
  CreateRequest r;
  r.type = UnitTypeOf(record);
  r.create = reinterpret_cast<CreateUnitFn>(UnitEntry(r.type, kEntryCreateUnit));
  if (!r.create) return false;
  r.block = record + l.propertyBlock;
  r.blockLength = l.propertyBlockLength;
  r.left = int32_t(LoadWord(record + l.left));
  r.top = int32_t(LoadWord(record + l.top));
  r.width = int32_t(LoadWord(record + l.width));
  r.height = int32_t(LoadWord(record + l.height));
  r.flags = LoadWord(record + l.flags);
  *out = r;
  return true;
}

uint32_t StyleBits(const CreateRequest& r) {
  uint32_t style = 0;
  if ((r.flags & kUnitDisabled) && !(r.type->flags & kTypeNotVisible)) style |= WS_DISABLED;
  if (r.flags & kUnitTabStop) style |= WS_TABSTOP;
  return style;
}

// The entry index of a unit id, or count when the table lacks it.
uint32_t IndexOf(const UnitTable& table, UnitId id) {
  uint32_t index = table.count;
  if (!FindUnitRecord(table, id, nullptr, &index)) return table.count;
  return index;
}

UnitId ParentOf(const UnitTable& table, uint32_t index) {
  UnitRecordLayout l;
  if (!RecordOf(table, index, &l)) return 0;
  return LoadWord(UnitRecordAt(table, index) + l.parent);
}

// Units listed after the first 0 of a paged container's children.
void HideLaterPages(const UnitTable& table, uint32_t index, std::vector<bool>* visible) {
  UnitRecordLayout l;
  if (!RecordOf(table, index, &l)) return;
  const uint8_t* children = UnitRecordAt(table, index) + l.children;
  bool laterPage = false;
  for (uint32_t k = 0; k < l.childCountValue; ++k) {
    const UnitId child = LoadWord(children + 4 * k);
    if (child == 0) {
      laterPage = true;
      continue;
    }
    const uint32_t at = IndexOf(table, child);
    if (laterPage && at < table.count) (*visible)[at] = false;
  }
}

void ReparentUnits(const UnitTable& table, HWND window, std::vector<bool>* visible) {
  for (uint32_t i = 1; i < table.count; ++i) {
    Wnd* unit = ObjectAt(table, i);
    if (!unit) continue;
    const UnitId parentId = ParentOf(table, i);
    HWND parent = window;
    if (parentId != 0) {
      const uint32_t at = IndexOf(table, parentId);
      if (at < table.count && ObjectAt(table, at)) parent = HandleOf(ObjectAt(table, at));
    }
    if (parent && GetParent(unit->Handle()) != parent) SetParent(unit->Handle(), parent);
    const DataTypeRecord* type = UnitTypeOf(UnitRecordAt(table, i));
    if (type && (type->flags & kTypePagedContainer)) HideLaterPages(table, i, visible);
  }
}

void MakeCursors(UnitTable* table) {
  for (uint32_t i = 0; i < table->count; ++i) {
    UnitRecordLayout l;
    if (!RecordOf(*table, i, &l)) continue;
    uint8_t* record = UnitRecordAt(*table, i);
    HCURSOR cursor = MakeUnitCursor(record + l.mousePointerData, l.mousePointerLength);
    StoreSlot(record, l.cursorSlot, cursor);
  }
}

// Notices go from the last entry down to the window.
void SendToUnits(const UnitTable& table, UINT notice) {
  for (uint32_t i = table.count; i-- > 0;) {
    Wnd* unit = ObjectAt(table, i);
    if (IsLive(unit)) SendMessageA(unit->Handle(), notice, 0, 0);
  }
}

void DestroyAllCursors(UnitTable* table) {
  for (uint32_t i = 0; i < table->count; ++i) ClearCursorSlot(table, i);
}

// A failed load leaves nothing behind: the units made so far are destroyed
// (their notices put the load-time table back) and events flow again.
bool FailLoad(WindowRecord* w, HMENU menu, HACCEL accelerators, Wnd* window) {
  if (accelerators) DestroyAcceleratorTable(accelerators);
  if (IsLive(window)) {
    window->DestroyWindow();  // also destroys the menu it carries
  } else {
    if (menu) DestroyMenu(menu);
    for (uint32_t i = 0; i < w->live.count; ++i) {
      Wnd* unit = ObjectAt(w->live, i);
      if (IsLive(unit)) unit->DestroyWindow();
    }
  }
  if (w->snapshot.block) RestoreLoadSnapshot(w);
  FreeUnitTable(&w->snapshot);
  HostService(2010, 0, 0);
  return false;
}

// Restores a minimised window or brings a loaded one to the front.
void ActivateLoaded(FormWindow* window) {
  HWND hwnd = window->Handle();
  if (IsIconic(hwnd)) ShowWindow(hwnd, SW_RESTORE);
  else SetActiveWindow(hwnd);
}

// The unit of this window that has the focus (0: the window itself).
UnitId FocusedUnit(WindowId windowId, HWND window, bool* found) {
  HWND focus = GetFocus();
  *found = false;
  if (!focus) return 0;
  if (focus == window) {
    *found = true;
    return 0;
  }
  UnitLocation at;
  if (!IsChild(window, focus) || !UnitRecordOfHandle(focus, &at, HandleMatch::kUnitOrInside) ||
      at.windowId != windowId || at.index == 0)
    return 0;
  *found = true;
  return at.unitId;
}

// The window's object while it is still the one with this handle. Events
// may close a window (and delete its object) under the loader's feet, so
// after raising any the loader looks the object up again.
FormWindow* StillLoaded(WindowId windowId, HWND hwnd) {
  FormWindow* form = LiveWindowOf(FindWindowRecord(Forms().registry, windowId));
  return form && form->Handle() == hwnd ? form : nullptr;
}

void FirstShow(WindowId windowId, FormWindow* window) {
  HWND hwnd = window->Handle();
  int command = SW_SHOW;
  if (RuntimeApp::Get().runMode != 0) {
    const int32_t position = window->StartPosition();
    if (position == 2) command = SW_SHOWMINIMIZED;
    if (position == 3) command = -1;
  }
  if (command < 0) window->Maximise();
  else ShowWindow(hwnd, command);
  if (!StillLoaded(windowId, hwnd)) return;  // closed by an activation event
  bool found = false;
  const UnitId unit = FocusedUnit(windowId, hwnd, &found);
  if (found) RaiseUnitEvent(windowId, unit, kEventFocusGained);
}

void DisableOtherWindows(FormWindow* modal) {
  const WindowTemplate& registry = Forms().registry;
  for (uint32_t i = 0; i < registry.count; ++i) {
    FormWindow* other = LiveWindowOf(registry.records[i]);
    if (!other || other == modal) continue;
    HWND hwnd = other->Handle();
    if (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) continue;
    modal->disabledOwners.emplace_back(hwnd, IsWindowEnabled(hwnd) != FALSE);
    EnableWindow(hwnd, FALSE);
  }
}

// Creates every unit of the table into its object slot.
bool CreateUnits(WindowId windowId, WindowRecord* w, int32_t loadMode, bool modal, HWND owner,
                 HMENU menu, std::vector<bool>* visible, Wnd** windowObject) {
  uint32_t controlId = kFirstControlId;
  HWND windowHandle = nullptr;
  for (uint32_t index : CreationOrder(w->live)) {
    CreateRequest r;
    if (!ReadCreateRequest(w->live, index, &r)) return false;
    (*visible)[index] = !(r.type->flags & kTypeNotVisible) && (r.flags & kUnitVisible);
    const bool isWindow = index == 0;
    if (isWindow) InterlockedExchange(&Forms().loadingModalFlag, modal ? 1 : 0);
    Wnd* object = r.create(r.block, r.blockLength, StyleBits(r), isWindow ? owner : windowHandle,
                           isWindow ? 0 : controlId, isWindow ? menu : nullptr, r.left, r.top,
                           r.width, r.height, windowId, UnitIdAt(w->live, index), 0, 0);
    if (isWindow) InterlockedExchange(&Forms().loadingModalFlag, 0);
    if (!isWindow) controlId += kControlIdStep;
    if (!object || (isWindow && !IsLive(object))) {
      if (isWindow && object) delete object;
      return false;
    }
    UnitRecordLayout l;
    RecordOf(w->live, index, &l);
    StoreSlot(UnitRecordAt(w->live, index), l.objectSlot, object);
    if (isWindow) {
      *windowObject = object;
      windowHandle = object->Handle();
      if (auto* form = dynamic_cast<FormWindow*>(object)) form->loadMode = loadMode;
    }
  }
  return true;
}

}  // namespace

// --- registry helpers ---

Wnd* ObjectAt(const UnitTable& table, uint32_t index) {
  UnitRecordLayout l;
  if (!RecordOf(table, index, &l)) return nullptr;
  const uint8_t* record = UnitRecordAt(table, index);
  return reinterpret_cast<Wnd*>(static_cast<uintptr_t>(LoadWord(record + l.objectSlot)));
}

bool IsLive(const Wnd* object) { return object && object->IsWindow(); }

FormWindow* LiveWindowOf(const WindowRecord* window) {
  if (!window) return nullptr;
  Wnd* object = ObjectAt(window->live, 0);
  return IsLive(object) ? dynamic_cast<FormWindow*>(object) : nullptr;
}

const DataTypeRecord* UnitTypeOf(const uint8_t* record) {
  if (!record) return nullptr;
  return RuntimeApp::Get().FindDataTypeRecord(LoadWord(record + kRecordTypeCode));
}

void* UnitEntry(const DataTypeRecord* type, int32_t kind) {
  if (!type || !type->entryLookup) return nullptr;
  return reinterpret_cast<UnitTypeEntry>(type->entryLookup)(kind);
}

int32_t CurrentPage(const Wnd* container) {
  if (!IsLive(container)) return 0;
  const LRESULT page = SendMessageA(container->Handle(), kTabGetCurrentPage, 0, 0);
  return page < 0 ? 0 : static_cast<int32_t>(page);
}

bool OnHiddenPage(const UnitTable& table, UnitId unitId) {
  for (uint32_t i = 1; i < table.count; ++i) {
    UnitRecordLayout l;
    if (!RecordOf(table, i, &l)) continue;
    const uint8_t* record = UnitRecordAt(table, i);
    if (LoadWord(record + kRecordTypeCode) != kUnitTypeTabContainer) continue;
    const int32_t current = CurrentPage(ObjectAt(table, i));
    int32_t page = 0;
    for (uint32_t k = 0; k < l.childCountValue; ++k) {
      const UnitId child = LoadWord(record + l.children + 4 * k);
      if (child == 0) ++page;
      else if (child == unitId) return page != current;
    }
  }
  return false;
}

void RestoreZOrder(const UnitTable& table, uint32_t index) {
  Wnd* unit = ObjectAt(table, index);
  if (!IsLive(unit)) return;
  const UnitId parent = ParentOf(table, index);
  HWND after = HWND_TOP;
  for (uint32_t j = index; j-- > 1;) {
    if (IsMenuItem(table, j) || ParentOf(table, j) != parent) continue;
    if (HWND sibling = HandleOf(ObjectAt(table, j))) after = sibling;
    break;
  }
  SetWindowPos(unit->Handle(), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HFONT DefaultGuiFont() { return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)); }

LogFontBytes DefaultGuiFontBytes() {
  static_assert(sizeof(LOGFONTA) == sizeof(LogFontBytes));
  LogFontBytes font{};
  LOGFONTA system{};
  if (GetObjectA(DefaultGuiFont(), sizeof system, &system) == sizeof system)
    std::memcpy(&font, &system, sizeof font);
  return font;
}

HCURSOR UnitCursorAt(const UnitTable& table, uint32_t index) {
  UnitRecordLayout l;
  if (!RecordOf(table, index, &l)) return nullptr;
  const uint8_t* record = UnitRecordAt(table, index);
  return reinterpret_cast<HCURSOR>(static_cast<uintptr_t>(LoadWord(record + l.cursorSlot)));
}

HCURSOR UnitCursor(WindowId windowId, UnitId unitId) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w || w->live.count == 0) return nullptr;
  uint32_t index = 0;
  if (unitId != 0 && !FindUnitRecord(w->live, unitId, nullptr, &index)) return nullptr;
  return UnitCursorAt(w->live, index);
}

uint8_t* UnitRecordOfHandle(HWND hwnd, UnitLocation* where, HandleMatch match) {
  const WindowTemplate& registry = Forms().registry;
  // Nearest first: the handle itself, then (when asked) its parents.
  for (HWND h = hwnd; h && IsWindow(h); h = GetAncestor(h, GA_PARENT)) {
    for (uint32_t i = 0; i < registry.count; ++i) {
      const UnitTable& table = registry.records[i]->live;
      for (uint32_t k = 0; k < table.count; ++k) {
        if (HandleOf(ObjectAt(table, k)) != h) continue;
        if (where) *where = {registry.ids[i], UnitIdAt(table, k), registry.records[i], k, UnitRecordAt(table, k)};
        return UnitRecordAt(table, k);
      }
    }
    if (match == HandleMatch::kUnitOnly) break;
  }
  return nullptr;
}

void ClearCursorSlot(UnitTable* table, uint32_t index) {
  UnitRecordLayout l;
  if (!RecordOf(*table, index, &l)) return;
  DestroyUnitCursor(UnitCursorAt(*table, index));
  StoreWord(UnitRecordAt(*table, index) + l.cursorSlot, 0);
}

// --- loading ---

bool LoadWindow(WindowId windowId, int32_t loadMode, bool modal, HWND owner) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w || w->live.count == 0) return false;
  // A second copy of a loaded window would overwrite the first one's
  // objects, whatever the load mode.
  if (FormWindow* loaded = LiveWindowOf(w)) {
    if (!(loadMode == 0 && loaded->reloadPending)) {
      ActivateLoaded(loaded);
      return true;
    }
    loaded->reloadPending = false;
    // Destroyed without its closing sequence: a modal copy must not leave
    // the windows it disabled disabled.
    if (loaded->isModal) loaded->RestoreDisabledOwners();
    loaded->DestroyWindow();
    if (LiveWindowOf(w)) return false;  // owned by another thread
  }
  if (modal) owner = nullptr;
  if (owner && !IsWindow(owner)) return false;

  HostService(2009, 0, 0);
  if (!TakeLoadSnapshot(w)) {
    HostService(2010, 0, 0);
    return false;
  }
  HMENU menu = nullptr;
  HACCEL accelerators = nullptr;
  BuildMenu(&w->live, &menu, &accelerators);

  std::vector<bool> visible(w->live.count, false);
  Wnd* windowObject = nullptr;
  if (!CreateUnits(windowId, w, loadMode, modal, owner, menu, &visible, &windowObject))
    return FailLoad(w, menu, accelerators, windowObject);

  HWND window = windowObject->Handle();
  ReparentUnits(w->live, window, &visible);
  for (uint32_t i = 1; i < w->live.count; ++i)
    if (!IsMenuItem(w->live, i)) RestoreZOrder(w->live, i);
  MakeCursors(&w->live);
  SendToUnits(w->live, kUnitCreatedNotice);
  SendMessageA(window, kUnitsReadyNotice, 0, 0);
  for (uint32_t i = 1; i < w->live.count; ++i) {
    Wnd* unit = ObjectAt(w->live, i);
    if (IsLive(unit)) ShowWindow(unit->Handle(), visible[i] ? SW_SHOWNA : SW_HIDE);
  }
  auto* form = dynamic_cast<FormWindow*>(windowObject);
  if (form) form->SetAccelerators(accelerators);
  else if (accelerators) DestroyAcceleratorTable(accelerators);
  HostService(2010, 0, 0);

  for (int32_t event : {0, 3, 4}) {
    if (!IsWindow(window)) break;
    RaiseUnitEvent(windowId, 0, event);
  }
  form = StillLoaded(windowId, window);
  if (form && visible[0]) FirstShow(windowId, form);
  form = StillLoaded(windowId, window);
  if (!form) return true;  // a handler closed it
  if (modal) {
    form->isModal = true;
    DisableOtherWindows(form);
  }
  HWND focus = GetFocus();
  SendToUnits(w->live, kWindowShownNotice);
  if (focus && IsWindow(focus) && GetFocus() != focus) SetFocus(focus);
  form = StillLoaded(windowId, window);
  if (form) form->firstShowPending = true;
  return true;
}

void ShowLoadedWindow(WindowId windowId, bool show) {
  FormWindow* window = LiveWindowOf(FindWindowRecord(Forms().registry, windowId));
  if (!window) return;
  if (!window->firstShowPending) {
    if (show) ShowWindow(window->Handle(), SW_SHOW);
    return;
  }
  window->firstShowPending = false;
  HWND hwnd = window->Handle();
  if (window->isModal) {
    // A modal window over a loaded topmost window is topmost too.
    HWND parent = GetParent(hwnd);
    UnitLocation at;
    if (parent && UnitRecordOfHandle(parent, &at) && at.index == 0 &&
        (GetWindowLongA(parent, GWL_EXSTYLE) & WS_EX_TOPMOST)) {
      SetWindowPos(hwnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      window->topmostFlag = true;
    }
  }
  if (show) FirstShow(windowId, window);
  window = StillLoaded(windowId, hwnd);
  if (window && window->isModal) RuntimeApp::Get().RunModal(windowId);
}

Wnd* FindUnitObject(WindowId windowId, UnitId unitId) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w) return nullptr;
  uint32_t index = 0;
  if (unitId != 0 && !FindUnitRecord(w->live, unitId, nullptr, &index)) return nullptr;
  if (IsMenuItem(w->live, index)) return nullptr;
  Wnd* object = ObjectAt(w->live, index);
  return IsLive(object) ? object : nullptr;
}

bool IsAnyWindowLoaded() {
  const WindowTemplate& registry = Forms().registry;
  for (uint32_t i = 0; i < registry.count; ++i)
    if (IsLive(ObjectAt(registry.records[i]->live, 0))) return true;
  return false;
}

void UnitDestroyed(WindowId windowId, UnitId unitId) {
  if (Forms().recreatingUnit) return;
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w || w->live.count == 0) return;
  if (unitId != 0 && unitId != UnitIdAt(w->live, 0)) {
    uint32_t index;
    if (!FindUnitRecord(w->live, unitId, nullptr, &index) || IsMenuItem(w->live, index)) return;
    ClearCursorSlot(&w->live, index);
    UnitRecordLayout l;
    RecordOf(w->live, index, &l);
    StoreWord(UnitRecordAt(w->live, index) + l.objectSlot, 0);
    return;
  }
  DestroyAllCursors(&w->live);
  RestoreLoadSnapshot(w);
  FreeUnitTable(&w->snapshot);
  RuntimeApp& app = RuntimeApp::Get();
  if (app.modalWindowId == windowId) app.modalWindowId = 0;
}

void DiscardRegistry() {
  WindowTemplate& registry = Forms().registry;
  for (uint32_t i = 0; i < registry.count; ++i) {
    WindowRecord* w = registry.records[i];
    for (UnitTable* table : {&w->live, &w->snapshot}) {
      if (auto* form = dynamic_cast<FormWindow*>(ObjectAt(*table, 0))) form->SetAccelerators(nullptr);
      DestroyAllCursors(table);
      for (uint32_t k = table->count; k-- > 0;) {
        Wnd* unit = ObjectAt(*table, k);
        if (!unit) continue;
        UnitRecordLayout l;
        RecordOf(*table, k, &l);
        StoreWord(UnitRecordAt(*table, k) + l.objectSlot, 0);
        delete unit;
      }
    }
  }
  FreeWindowTemplate(&registry);
}

void ApplyPageVisibility(WindowId windowId, UnitId containerId) {
  WindowRecord* w = FindWindowRecord(Forms().registry, windowId);
  if (!w) return;
  uint32_t index;
  if (!FindUnitRecord(w->live, containerId, nullptr, &index)) return;
  UnitRecordLayout l;
  if (!RecordOf(w->live, index, &l)) return;
  const int32_t current = CurrentPage(ObjectAt(w->live, index));
  int32_t page = 0;
  for (uint32_t k = 0; k < l.childCountValue; ++k) {
    // Re-read: nothing below changes the table, but stay on the record.
    const UnitId child = LoadWord(UnitRecordAt(w->live, index) + l.children + 4 * k);
    if (child == 0) {
      ++page;
      continue;
    }
    const uint32_t at = IndexOf(w->live, child);
    UnitRecordLayout cl;
    if (at >= w->live.count || !RecordOf(w->live, at, &cl)) continue;
    Wnd* unit = ObjectAt(w->live, at);
    if (!IsLive(unit)) continue;
    const bool own = LoadWord(UnitRecordAt(w->live, at) + cl.flags) & kUnitVisible;
    ShowWindow(unit->Handle(), page == current && own ? SW_SHOWNA : SW_HIDE);
  }
}
