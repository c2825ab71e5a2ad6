// The six border styles that the EditBox and the Label share.
#pragma once
#include <windows.h>

#include <cstdint>

// 0 none, 1 sunken, 2 raised, 3 shallow sunken, 4 picture frame, 5 single
// line; any other value removes the border. Restyles the frame at once.
void ApplyBorderStyle(HWND unit, int32_t style);
