// Property record of the window unit (窗口) and its PropertyBlock.
#pragma once
#include <cstdint>

#include "forms/property_block.h"

inline constexpr int32_t kWindowPropertiesVersion = 6;

// Properties 8..31 of a window, with their reset values (those of a new
// window: fixed frame, system menu and minimise box, shown in the taskbar).
// Colours are 0x00BBGGRR; 0xFF000000 is a system colour.
struct WindowProperties {
  PropertyBytes caption;               // 8, GBK
  int32_t borderStyle = 2;             // 9: 0..6
  uint32_t backColor = 0xFF000000;     // 10
  PropertyBytes backPicture;           // 11
  int32_t backPictureMode = 1;         // 12: 0..3
  PropertyBytes backSound;             // 13
  int32_t soundPlayMode = 0;           // 14: 0 loop, 1 once, 2 not played
  int32_t controlBox = 1;              // 15
  int32_t maxButton = 0;               // 16
  int32_t minButton = 1;               // 17
  int32_t position = 0;                // 18: 0 normal, 1 centred, 2 minimised, 3 maximised
  int32_t movable = 1;                 // 19
  PropertyBytes icon;                  // 20
  int32_t enterMovesFocus = 0;         // 21
  int32_t escCloses = 0;               // 22
  int32_t f1Help = 0;                  // 23
  PropertyBytes helpFile;              // 24
  int32_t helpContext = 0;             // 25
  int32_t showInTaskbar = 1;           // 26 (version 2)
  int32_t dragAnywhere = 0;            // 27 (version 3)
  int32_t shape = 0;                   // 28 (version 3)
  int32_t alwaysOnTop = 0;             // 29 (version 4)
  int32_t keepTitleActive = 0;         // 30 (version 5)
  PropertyBytes windowClass;           // 31 (version 6); empty = "QKWindow"
};

// Puts every field back to its reset value.
void ResetWindowProperties(WindowProperties* properties);
// Loads a PropertyBlock of version 0..6; the fields a version lacks keep
// their reset values, and an empty block gives the reset values. On failure
// (other version, truncated block, heap) *properties is left as it was.
bool LoadWindowProperties(WindowProperties* properties, const uint8_t* block, uint32_t size);
// A new heap block of the current version; empty when the heap refuses.
PropertyBytes SaveWindowProperties(const WindowProperties& properties);
