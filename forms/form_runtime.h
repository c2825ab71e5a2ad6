// The form runtime: the window registry with the live windows made from it,
// and the seam through which the runtime core reaches it.
#pragma once
#include <windows.h>

#include <cstdint>

#include "forms/font_value.h"
#include "forms/form_window.h"
#include "forms/unit_contract.h"
#include "forms/window_template.h"
#include "framework/wnd.h"
#include "runtime/program_image.h"

struct FormSeam;

// The page selection messages of tab-page containers (the tab control's).
constexpr UINT kTabGetCurrentPage = 0x130B;
constexpr UINT kTabSetCurrentPage = 0x130C;

// State of the form runtime, one per process. No lock: the registry is
// touched by whichever thread owns the window it speaks of.
struct FormState {
  WindowTemplate registry{};
  volatile LONG recreatingUnit = 0;  // destruction notices are ignored meanwhile
  volatile uint32_t eventSourceWindow = 0;
  volatile uint32_t eventSourceUnit = 0;
  volatile LONG loadingModalFlag = 0;  // the modal flag while a window's CreateUnit runs
};
FormState& Forms();

// What RuntimeApp is constructed with.
const FormSeam* FormRuntimeSeam();

// --- window registry and loading ---

bool LoadWindow(WindowId windowId, int32_t loadMode, bool modal, HWND owner);
// Completes the first show of a loaded window and runs a modal one's loop.
void ShowLoadedWindow(WindowId windowId, bool show);
// The live unit object, or null; unitId 0 means the window's own unit.
Wnd* FindUnitObject(WindowId windowId, UnitId unitId);
bool IsAnyWindowLoaded();
// Every unit reports this after its window is gone (unitId 0: the window).
void UnitDestroyed(WindowId windowId, UnitId unitId);
// End of program: delete what is left and free every record.
void DiscardRegistry();
// Shows the units on a tab-page container's current page, hides the others.
void ApplyPageVisibility(WindowId windowId, UnitId containerId);
// Rebuilds the window's menu bar and accelerators from its menu-item run.
void RebuildMenuBar(WindowId windowId);

// --- what unit types use ---

// The font a unit without a font of its own draws with (a stock object:
// never delete it), and the same font as property-block bytes.
HFONT DefaultGuiFont();
LogFontBytes DefaultGuiFontBytes();

// The cursor the loader made from an entry's mouse-pointer data (null:
// the class cursor applies). The record owns it; callers never destroy it.
HCURSOR UnitCursorAt(const UnitTable& table, uint32_t index);
HCURSOR UnitCursor(WindowId windowId, UnitId unitId);  // unitId 0: the window

// Where a window handle sits in the registry.
struct UnitLocation {
  WindowId windowId;
  UnitId unitId;  // the entry's own identifier (the window unit's for entry 0)
  WindowRecord* window;
  uint32_t index;   // entry in window->live
  uint8_t* record;  // record data; stale once the table changes
};
enum class HandleMatch {
  kUnitOnly,       // the handle is a unit's own window
  kUnitOrInside,   // or a window inside one (the nearest unit counts)
};
// The unit record of a loaded unit's window handle, or null. Menu items
// and units whose objects are gone are never found.
uint8_t* UnitRecordOfHandle(HWND hwnd, UnitLocation* where = nullptr,
                            HandleMatch match = HandleMatch::kUnitOnly);

// The live FormWindow of a record, or null.
FormWindow* LiveWindowOf(const WindowRecord* window);
// Object slot of an entry (null for menu items and past the end).
Wnd* ObjectAt(const UnitTable& table, uint32_t index);
bool IsLive(const Wnd* object);
const DataTypeRecord* UnitTypeOf(const uint8_t* record);
// The type's operation of a kind, or null.
void* UnitEntry(const DataTypeRecord* type, int32_t kind);
// The container's current page (0 when it cannot tell).
int32_t CurrentPage(const Wnd* container);
// Whether unitId lies on a page other than the current one of a tab-page
// container in the table.
bool OnHiddenPage(const UnitTable& table, UnitId unitId);
// Places entry index after the nearest earlier entry with the same parent.
void RestoreZOrder(const UnitTable& table, uint32_t index);
// Destroys the cursor in an entry's cursor slot and clears it.
void ClearCursorSlot(UnitTable* table, uint32_t index);
// HostService 2038: 1 when the command identifier names an item of the run.
int32_t DescribeMenuItem(MenuItemQuery* query);
// The menu bar and accelerators for a table's menu-item run; either may
// come back null.
void BuildMenu(UnitTable* table, HMENU* menu, HACCEL* accelerators);
