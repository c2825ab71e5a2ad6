// Property record of the EditBox unit (编辑框) and its PropertyBlock.
#pragma once
#include <cstdint>

#include "forms/property_block.h"

inline constexpr uint32_t kEditBoxPropertiesVersion = 2;

// Properties 8..28 of an EditBox (26 SelText is not stored), with their
// reset values. Colours are 0x00BBGGRR; 0xFF000000 is the system button face.
struct EditBoxProperties {
  PropertyBytes text;                // 8 content, GBK
  int32_t border = 1;                // 9
  uint32_t textColor = 0x000000;     // 10
  uint32_t backColor = 0xFFFFFF;     // 11
  PropertyBytes font;                // 12: a 60-byte LOGFONTA, else the default font
  int32_t hideSelection = 1;         // 13
  int32_t maxLength = 0;             // 14
  int32_t multiLine = 0;             // 15
  int32_t scrollBars = 0;            // 16
  int32_t align = 0;                 // 17
  int32_t inputMode = 0;             // 18
  int16_t passwordChar = '*';        // 19: only the low byte is used
  int32_t caseConvert = 0;           // 20
  int32_t spinMode = 0;              // 21
  int32_t spinMin = 0;               // 22
  int32_t spinMax = 100;             // 23
  int32_t selStart = 0;              // 24
  int32_t selLength = 0;             // 25
  PropertyBytes dataSource;          // 27 (version 2)
  PropertyBytes dataColumn;          // 28 (version 2)
};

// Puts every field back to its reset value.
void ResetEditBoxProperties(EditBoxProperties* properties);
// Loads a PropertyBlock of version 0..2; an empty block gives the reset
// values, a block before version 2 leaves the data names empty. On failure
// *properties is left as it was.
bool LoadEditBoxProperties(EditBoxProperties* properties, const uint8_t* block, uint32_t size);
// A new heap block of the current version; empty when the heap refuses.
PropertyBytes SaveEditBoxProperties(const EditBoxProperties& properties);
