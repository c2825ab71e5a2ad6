// What the loader keeps on a window's own unit object. The window unit type
// derives its class from FormWindow; the loader reaches these fields only.
#pragma once
#include <windows.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "framework/wnd.h"

class FormWindow : public Wnd {
 public:
  ~FormWindow() override;

  // Overridables
  // The window's Position property (0 normal, 1 centred, 2 minimised,
  // 3 maximised), which the first show honours when runMode is set.
  virtual int32_t StartPosition() const { return 0; }
  virtual void Maximise();

  // Operations
  // Gives every window this modal window disabled its state back.
  void RestoreDisabledOwners();
  // Replaces the accelerator table (the old one is destroyed).
  void SetAccelerators(HACCEL table);

  // State used by the loader
  HACCEL accelerators = nullptr;
  bool firstShowPending = false;
  bool isModal = false;
  std::vector<std::pair<HWND, bool>> disabledOwners;  // handle, was enabled
  bool reloadPending = false;
  int32_t loadMode = 0;
  bool topmostFlag = false;
  uint32_t windowId = 0;
  uint32_t unitId = 0;
};
