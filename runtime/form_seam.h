// What the runtime core asks of the form runtime. The form runtime hands
// RuntimeApp one of these; without it the window registry is empty.
#pragma once
#include <cstdint>

#include <windows.h>

struct FormSeam {
  // Start-up: read the window template segment and relocate its handlers.
  bool (*loadTemplate)(const uint8_t* segment, uint32_t size, uint32_t codeBase);
  // End of program: drop every window record with its unit records.
  void (*discardRegistry)();

  // Error reporter: the window's name, or null when the registry lacks it.
  const char* (*windowName)(uint32_t windowId);
  // The unit named by an error line (0 = the window's own unit): its id and
  // name, or false when the window has no such unit.
  bool (*unitOf)(uint32_t windowId, uint32_t line, uint32_t* unitId, const char** name);

  // Creates and shows a window of the registry; false when it is not held
  // or cannot be created.
  bool (*loadWindow)(uint32_t windowId, int loadMode, bool modal, HWND owner);
  bool (*anyWindowLive)();

  // Idle events: the number of windows, and raising window i's idle event.
  // Returns true when the handler asked for more idle time; *exists tells
  // whether the window is loaded at all.
  int (*windowCount)();
  bool (*raiseIdleEvent)(int index, uint32_t elapsed, bool* exists);

  // Services 4, 5 and utility codes 4, 5.
  uint64_t (*readUnitProperty)(uint32_t windowId, uint32_t unitId, int32_t index, int32_t member);
  void (*writeUnitProperty)(uint32_t windowId, uint32_t unitId, int32_t index, int32_t member,
                            uint32_t low, uint32_t high);
  uint64_t (*readTypedProperty)(uint32_t typeCode, uint32_t object, int32_t index, int32_t member);
  void (*writeTypedProperty)(uint32_t typeCode, uint32_t object, int32_t index, int32_t member,
                             uint32_t low, uint32_t high);

  // HostService codes that need the registry; *handled false passes on.
  int32_t (*hostService)(int32_t code, int32_t argument1, int32_t argument2, bool* handled);
};
