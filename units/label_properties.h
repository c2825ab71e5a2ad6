// Property record of the Label unit (标签) and its PropertyBlock.
#pragma once
#include <cstdint>

#include "forms/property_block.h"

inline constexpr uint32_t kLabelPropertiesVersion = 2;

// Properties 8..28 of a Label, in property order, with their reset values.
// Colours are 0x00BBGGRR; 0xFF000000 is the system button-face colour.
struct LabelProperties {
  PropertyBytes caption;                    // 8, GBK; reset "标签"
  int32_t effect = 0;                       // 9
  int32_t border = 0;                       // 10: 0..6, 6 = gradient border
  int32_t gradientBorderWidth = 8;          // 11
  uint32_t gradientBorderColor1 = 0x808080; // 12
  uint32_t gradientBorderColor2 = 0xFFFFFF; // 13
  uint32_t gradientBorderColor3 = 0x808080; // 14
  PropertyBytes font;                       // 15: a 60-byte LOGFONTA, else the default font
  uint32_t textColor = 0;                   // 16
  uint32_t backColor = 0xFF000000;          // 17
  PropertyBytes backPicture;                // 18
  int32_t backPictureMode = 1;              // 19
  int32_t gradientBackMode = 0;             // 20
  uint32_t gradientBackColor1 = 0x808080;   // 21
  uint32_t gradientBackColor2 = 0xFFFFFF;   // 22
  uint32_t gradientBackColor3 = 0x808080;   // 23
  int32_t hAlign = 0;                       // 24
  int32_t wordWrap = 0;                     // 25
  int32_t vAlign = 1;                       // 26
  PropertyBytes dataSource;                 // 27 (version 2)
  PropertyBytes dataColumn;                 // 28 (version 2)
};

// Puts every field back to its reset value; false when the heap refuses.
bool ResetLabelProperties(LabelProperties* properties);
// Loads a PropertyBlock of version 0..2; an empty block gives the reset
// values, a block before version 2 leaves the data names empty. On failure
// *properties is left as it was.
bool LoadLabelProperties(LabelProperties* properties, const uint8_t* block, uint32_t size);
// A new heap block of the current version; empty when the heap refuses.
PropertyBytes SaveLabelProperties(const LabelProperties& properties);
