// Property record of the SuperBtn unit (超级按钮) and its PropertyBlock.
#pragma once
#include <cstdint>

#include "forms/property_block.h"

inline constexpr uint32_t kSuperBtnPropertiesVersion = 2;

// The system colours that a SuperBtn's reset colours come from; the caller
// reads them (GetSysColor) so that this record stays pure.
struct ButtonSystemColours {
  uint32_t buttonText;  // COLOR_BTNTEXT
  uint32_t buttonFace;  // COLOR_BTNFACE
};

// Properties 8..34 of a SuperBtn, in property order. Reset values: the
// initialisers, the captions and the colours of ResetSuperBtnProperties.
struct SuperBtnProperties {
  int32_t btnStyle = 0;                       // 8: 0 flat, 1 3D, 2 XP
  int32_t checkBox = 0;                       // 9
  int32_t checked = 0;                        // 10
  int32_t alignStyle = 0;                     // 11
  int32_t pressStyle = 0;                     // 12
  int32_t drawBorder = 1;                     // 13
  int32_t drawFocus = 0;                      // 14
  PropertyBytes picOut;                       // 15
  uint32_t transColorOut = 0xFF000000;        // 16: 0xFF000000 = the picture's top-left pixel
  PropertyBytes picIn;                        // 17
  uint32_t transColorIn = 0xFF000000;         // 18
  PropertyBytes picDisabled;                  // 19 (version 2)
  uint32_t transColorDisabled = 0xFF000000;   // 20 (version 2)
  PropertyBytes font;                         // 21: a 60-byte LOGFONTA, else the default font
  PropertyBytes caption;                      // 22, GBK; reset "超级按钮"
  int32_t defaultColor = 1;                   // 23
  // 24..29 in the stored order: text and background normal, hovered, focused.
  uint32_t fgColorOut = 0;
  uint32_t bkColorOut = 0;
  uint32_t fgColorIn = 0;
  uint32_t bkColorIn = 0;
  uint32_t fgColorFocus = 0;
  uint32_t bkColorFocus = 0;
  int32_t standardSound = 0;                  // 30
  PropertyBytes overSound;                    // 31
  PropertyBytes clickSound;                   // 32
  PropertyBytes toolTip;                      // 33
  int32_t defaultStyle = 0;                   // 34
};

// Raises (amount > 0) or lowers every channel of a 0x00BBGGRR colour by the
// same step, as far as the channels allow, so that the hue stays. Amounts
// beyond +-255 leave the colour unchanged.
uint32_t ShiftColourBrightness(uint32_t colour, int32_t amount);

// Puts every field back to its reset value; false when the heap refuses.
bool ResetSuperBtnProperties(SuperBtnProperties* properties, const ButtonSystemColours& colours);
// Loads a PropertyBlock of version 0..2 over the reset values; an empty
// block gives the reset values. On failure *properties is left as it was.
bool LoadSuperBtnProperties(SuperBtnProperties* properties, const uint8_t* block, uint32_t size,
                            const ButtonSystemColours& colours);
// A new heap block of the current version; empty when the heap refuses.
PropertyBytes SaveSuperBtnProperties(const SuperBtnProperties& properties);
