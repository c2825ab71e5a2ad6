// Property record of the TransLabel unit (透明标签) and its PropertyBlock.
#pragma once
#include <cstdint>

#include "forms/property_block.h"

inline constexpr uint32_t kTransLabelPropertiesVersion = 1;

// Properties 8..14 of a TransLabel, with their reset values.
struct TransLabelProperties {
  PropertyBytes caption;         // 8, GBK; reset "透明标签"
  int32_t effect = 0;            // 9: 0 none, 1 raised, 2 sunken, 3 shadow
  PropertyBytes font;            // 10: a 60-byte LOGFONTA, else the default font
  uint32_t textColor = 0;        // 11
  int32_t hAlign = 0;            // 12: left, centre, right
  int32_t wordWrap = 0;          // 13
  int32_t vAlign = 1;            // 14: top, centre, bottom
};

// Puts every field back to its reset value; false when the heap refuses.
bool ResetTransLabelProperties(TransLabelProperties* properties);
// Loads a PropertyBlock of version 0 or 1; an empty block gives the reset
// values. On failure (later version, truncated block, heap) *properties is
// left as it was.
bool LoadTransLabelProperties(TransLabelProperties* properties, const uint8_t* block, uint32_t size);
// A new heap block of the current version; empty when the heap refuses.
PropertyBytes SaveTransLabelProperties(const TransLabelProperties& properties);
