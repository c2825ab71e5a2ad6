// What the Label and the TransLabel share: their text painting (font,
// alignment, word wrap and the three effects) and the colour rule of unit
// properties. Windows only.
#pragma once
#include <windows.h>

#include <cstdint>

#include "forms/property_block.h"

// 0xFF000000 stands for the system button-face colour; any other colour
// keeps its low three bytes.
COLORREF MapUnitColour(uint32_t colour);

struct LabelTextStyle {
  int32_t effect;  // 0 none, 1 raised, 2 sunken, 3 shadow
  int32_t hAlign;  // 0 left, 1 centre, 2 right
  int32_t vAlign;  // 0 top, 1 centre, 2 bottom; ignored with word wrap
  bool wordWrap;
  uint32_t textColor;
};

// The DrawText format of a style.
UINT LabelTextFormat(const LabelTextStyle& style);

// Draws the window text of `window` into `area` with the font (default GUI
// font when not 60 bytes), in transparent mode; nothing when the text is
// empty. The context gets its font back.
void PaintLabelText(HDC dc, HWND window, const RECT& area, const PropertyBytes& font,
                    const LabelTextStyle& style);

