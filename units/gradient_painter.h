// Paints gradients (units/gradient.h) on a device context. Windows only.
#pragma once
#include <windows.h>

#include "units/gradient.h"

// Fills `area` in the given direction (1..8), tile by tile, skipping tiles
// that miss the clip box; each tile is copied with `rop`. False, nothing
// drawn, for a bad mode, fewer than two stops or an empty area.
bool PaintGradient(HDC dc, const RECT& area, int32_t mode, const GradientStops& stops,
                   DWORD rop = SRCCOPY);

// Draws a mitred gradient frame of width w inside `outer`: stop 1 at the
// outer edge on the top and left, at the inner edge on the bottom and right.
// Returns the width drawn (0: nothing, e.g. fewer than two stops).
int32_t PaintGradientFrame(HDC dc, const RECT& outer, int32_t width, const GradientStops& stops);
