#include "forms/event_words.h"

namespace {

// Virtual-key codes (the Windows values; this file stays pure).
enum : uint32_t {
  kVkShift = 0x10, kVkControl = 0x11, kVkMenu = 0x12,
  kVkNumpad0 = 0x60, kVkNumpad9 = 0x69, kVkSubtract = 0x6D, kVkDecimal = 0x6E, kVkDivide = 0x6F,
  kVkLShift = 0xA0, kVkRShift = 0xA1, kVkLControl = 0xA2, kVkRControl = 0xA3, kVkLMenu = 0xA4,
  kVkRMenu = 0xA5,
};

}  // namespace

uint32_t ArgumentWords(const EventArgument& a, uint32_t words[2]) {
  if (a.flags & kArgByAddress) {
    words[0] = a.low;
    return 1;
  }
  if ((a.flags & kArgTwoWords) || a.tag == kTwoWordLibraryType) {
    words[0] = a.low;
    words[1] = a.high;
    return 2;
  }
  switch (a.tag) {
    case kTagByte: words[0] = a.low & 0xFF; return 1;
    case kTagShort: words[0] = uint32_t(int32_t(int16_t(a.low & 0xFFFF))); return 1;
    case kTagLong: case kTagDouble: case kTagDateTime: case kTagWide8:
      words[0] = a.low;
      words[1] = a.high;
      return 2;
    default: words[0] = a.low; return 1;
  }
}

uint32_t ExpandTypedArguments(const EventArgument* arguments, uint32_t count, uint32_t* words) {
  if (count > kMaxTypedArguments) count = kMaxTypedArguments;
  uint32_t n = 0;
  for (uint32_t i = 0; i < count; ++i) n += ArgumentWords(arguments[i], words + n);
  return n;
}

uint32_t FoldKeyCode(uint32_t key) {
  if (key >= kVkNumpad0 && key <= kVkNumpad9) return '0' + (key - kVkNumpad0);
  switch (key) {
    case kVkSubtract: return 189;
    case kVkDecimal: return 190;
    case kVkDivide: return 191;
    default: return key;
  }
}

uint32_t KeyModifiers(bool ctrl, bool shift, bool alt, uint32_t key) {
  uint32_t m = (ctrl ? uint32_t(kModifierCtrl) : 0u) | (shift ? uint32_t(kModifierShift) : 0u) |
               (alt ? uint32_t(kModifierAlt) : 0u);
  if (key == kVkControl || key == kVkLControl || key == kVkRControl) m &= ~kModifierCtrl;
  if (key == kVkShift || key == kVkLShift || key == kVkRShift) m &= ~kModifierShift;
  if (key == kVkMenu || key == kVkLMenu || key == kVkRMenu) m &= ~kModifierAlt;
  return m;
}
