#include "forms/menu_keys.h"

#include <array>
#include <cstddef>

namespace {

// ORDER: entries 1-77: Ctrl+A-Z, F1-F12, Ctrl+F1-F12, Shift+F1-F12,
// Ctrl+0-9, then Insert, Delete, Ctrl+Insert, Shift+Insert, Shift+Delete.
constexpr std::array<const char*, kShortcutCount> kNames = {
    "Ctrl+A", "Ctrl+B", "Ctrl+C", "Ctrl+D", "Ctrl+E", "Ctrl+F", "Ctrl+G", "Ctrl+H", "Ctrl+I",
    "Ctrl+J", "Ctrl+K", "Ctrl+L", "Ctrl+M", "Ctrl+N", "Ctrl+O", "Ctrl+P", "Ctrl+Q", "Ctrl+R",
    "Ctrl+S", "Ctrl+T", "Ctrl+U", "Ctrl+V", "Ctrl+W", "Ctrl+X", "Ctrl+Y", "Ctrl+Z",
    "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12",
    "Ctrl+F1", "Ctrl+F2", "Ctrl+F3", "Ctrl+F4", "Ctrl+F5", "Ctrl+F6", "Ctrl+F7", "Ctrl+F8",
    "Ctrl+F9", "Ctrl+F10", "Ctrl+F11", "Ctrl+F12",
    "Shift+F1", "Shift+F2", "Shift+F3", "Shift+F4", "Shift+F5", "Shift+F6", "Shift+F7",
    "Shift+F8", "Shift+F9", "Shift+F10", "Shift+F11", "Shift+F12",
    "Ctrl+0", "Ctrl+1", "Ctrl+2", "Ctrl+3", "Ctrl+4", "Ctrl+5", "Ctrl+6", "Ctrl+7", "Ctrl+8",
    "Ctrl+9",
    "Ins", "Del", "Ctrl+Ins", "Shift+Ins", "Shift+Del",
};

constexpr uint16_t kVkF1 = 0x70, kVkInsert = 0x2D, kVkDelete = 0x2E;

constexpr std::array<ShortcutKey, kShortcutCount> MakeTable() {
  std::array<ShortcutKey, kShortcutCount> t{};
  int i = 0;
  for (int k = 0; k < 26; ++k, ++i) t[i] = {kNames[i], uint16_t('A' + k), kShortcutCtrl};
  for (int k = 0; k < 12; ++k, ++i) t[i] = {kNames[i], uint16_t(kVkF1 + k), 0};
  for (int k = 0; k < 12; ++k, ++i) t[i] = {kNames[i], uint16_t(kVkF1 + k), kShortcutCtrl};
  for (int k = 0; k < 12; ++k, ++i) t[i] = {kNames[i], uint16_t(kVkF1 + k), kShortcutShift};
  for (int k = 0; k < 10; ++k, ++i) t[i] = {kNames[i], uint16_t('0' + k), kShortcutCtrl};
  t[i] = {kNames[i], kVkInsert, 0}; ++i;
  t[i] = {kNames[i], kVkDelete, 0}; ++i;
  t[i] = {kNames[i], kVkInsert, kShortcutCtrl}; ++i;
  t[i] = {kNames[i], kVkInsert, kShortcutShift}; ++i;
  t[i] = {kNames[i], kVkDelete, kShortcutShift}; ++i;
  return t;
}

constexpr auto kTable = MakeTable();
static_assert(kTable[kShortcutCount - 1].key == kVkDelete);

}  // namespace

const ShortcutKey* FindShortcut(int32_t entry) {
  return entry >= 1 && entry <= kShortcutCount ? &kTable[size_t(entry - 1)] : nullptr;
}
