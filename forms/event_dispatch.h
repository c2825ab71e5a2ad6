// Event dispatch: from (window, unit, event index) to the bound compiled
// subroutine, and the common input events every unit raises.
#pragma once
#include <windows.h>

#include <cstdint>
#include <initializer_list>

#include "forms/unit_contract.h"
#include "forms/window_template.h"

// The bound subroutine, or 0 (suppressed, unbound, or reported missing).
// Records the event source when a handler is found.
uint32_t FindEventHandler(WindowId windowId, UnitId unitId, int32_t eventIndex);
// HostService 2008 and 2031: 1 when a handler ran.
int32_t RaiseEvent(EventRecord* record);
int32_t RaiseTypedEvent(TypedEventRecord* record);

// The runtime's own events, with plain word arguments (at most five).
// result may be null; true when a handler ran.
bool RaiseUnitEvent(WindowId windowId, UnitId unitId, int32_t eventIndex,
                    std::initializer_list<uint32_t> arguments = {}, EventResult* result = nullptr);

// Common events (indices -1 to -12).
enum : int32_t {
  kEventLeftDown = -1, kEventLeftUp = -2, kEventLeftDoubleClick = -3,
  kEventRightDown = -4, kEventRightUp = -5, kEventMouseMove = -6,
  kEventFocusGained = -7, kEventFocusLost = -8,
  kEventKeyDown = -9, kEventKeyUp = -10, kEventCharacter = -11, kEventWheel = -12,
};
// Raises the common mouse or keyboard event for a queued message aimed at
// the unit's own window. True when the handler swallowed the message; a
// character replaced by a -11 handler is written back into msg->wParam.
bool RaiseInputEvents(MSG* msg, WindowId windowId, UnitId unitId);
// Finds the unit of the window that a queued message is aimed at (the
// window itself or one of its units) and raises its common event; true when
// swallowed. Messages for any other window raise nothing.
bool RaiseInputEventsFor(MSG* msg, WindowId windowId);
// WM_COMMAND of a menu command (20000 + position in the menu-item run).
bool RaiseMenuCommand(WindowId windowId, uint32_t commandId);
