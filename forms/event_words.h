// How event arguments become the words a handler receives, and how input
// messages become common-event arguments. Pure code.
#pragma once
#include <cstdint>

#include "runtime/typed_value.h"

constexpr uint32_t kMaxTypedArguments = 12;
constexpr uint32_t kMaxArgumentWords = 2 * kMaxTypedArguments;
// The core library's type that always travels as two words.
constexpr uint32_t kTwoWordLibraryType = 0x00010003;

// Words of one typed argument, first word first; returns 1 or 2.
uint32_t ArgumentWords(const EventArgument& argument, uint32_t words[2]);
// All arguments in order; count is clamped to kMaxTypedArguments. Returns
// the number of words written (at most kMaxArgumentWords).
uint32_t ExpandTypedArguments(const EventArgument* arguments, uint32_t count, uint32_t* words);

// Key code of a key event: keypad digits fold onto the digit keys, keypad
// minus, point and divide onto the main keys.
uint32_t FoldKeyCode(uint32_t virtualKey);

// Modifier words of common events.
enum : uint32_t { kModifierCtrl = 1, kModifierShift = 2, kModifierAlt = 4 };
// A modifier key reports itself without its own bit.
uint32_t KeyModifiers(bool ctrl, bool shift, bool alt, uint32_t virtualKey);
