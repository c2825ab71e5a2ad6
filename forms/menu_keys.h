// The runtime's key-name table for menu shortcuts (entries 1-77). Pure code.
#pragma once
#include <cstdint>

enum : uint8_t { kShortcutCtrl = 1, kShortcutShift = 2, kShortcutAlt = 4 };

struct ShortcutKey {
  const char* name;    // as shown after the caption, e.g. "Ctrl+A"
  uint16_t key;        // virtual-key code
  uint8_t modifiers;   // kShortcut*
};

constexpr int32_t kShortcutCount = 77;
// Entry 1-77, or null (0 and anything out of range: no shortcut).
const ShortcutKey* FindShortcut(int32_t entry);
