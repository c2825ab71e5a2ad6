#include "units/gradient_painter.h"

#include <algorithm>
#include <array>

namespace {

RECT ToRect(const GradientRect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }

// Paints one side band clipped to its trapezoid, then gives the context its
// previous clip region back.
void PaintSideBand(HDC dc, const GradientRect& band, const int32_t* corners,
                   const GradientStops& stops) {
  POINT points[4];
  for (int i = 0; i < 4; ++i) points[i] = POINT{corners[2 * i], corners[2 * i + 1]};
  HRGN saved = CreateRectRgn(0, 0, 0, 0);
  const bool hadClip = saved && GetClipRgn(dc, saved) == 1;
  HRGN trapezoid = CreatePolygonRgn(points, 4, WINDING);
  if (trapezoid) {
    ExtSelectClipRgn(dc, trapezoid, RGN_AND);
    DeleteObject(trapezoid);
    PaintGradient(dc, ToRect(band), 2, stops);
  }
  SelectClipRgn(dc, hadClip ? saved : nullptr);
  if (saved) DeleteObject(saved);
}

}  // namespace

bool PaintGradient(HDC dc, const RECT& area, int32_t mode, const GradientStops& stops, DWORD rop) {
  const int32_t width = area.right - area.left, height = area.bottom - area.top;
  if (mode < 1 || mode > kGradientModeCount || stops.count < 2 || width <= 0 || height <= 0)
    return false;
  RECT clip{};
  const bool clipped = GetClipBox(dc, &clip) != NULLREGION;
  std::array<uint8_t, kGradientTile * kGradientTile * 4> pixels;
  for (int32_t y = 0; y < height; y += kGradientTile) {
    for (int32_t x = 0; x < width; x += kGradientTile) {
      const int32_t w = std::min(kGradientTile, width - x), h = std::min(kGradientTile, height - y);
      RECT tile{area.left + x, area.top + y, area.left + x + w, area.top + y + h};
      RECT visible;
      if (!clipped || !IntersectRect(&visible, &tile, &clip)) continue;
      FillGradientTile(mode, stops, width, height, x, y, w, h, pixels.data());
      BITMAPINFO info{};
      info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
      info.bmiHeader.biWidth = w;
      info.bmiHeader.biHeight = -h;  // top row first
      info.bmiHeader.biPlanes = 1;
      info.bmiHeader.biBitCount = 32;
      info.bmiHeader.biCompression = BI_RGB;
      StretchDIBits(dc, tile.left, tile.top, w, h, 0, 0, w, h, pixels.data(), &info,
                    DIB_RGB_COLORS, rop);
    }
  }
  return true;
}

int32_t PaintGradientFrame(HDC dc, const RECT& outer, int32_t width, const GradientStops& stops) {
  if (stops.count < 2 || width <= 0) return 0;
  const GradientFrame f =
      LayOutGradientFrame(GradientRect{outer.left, outer.top, outer.right, outer.bottom}, width);
  if (f.width <= 0) return 0;
  PaintGradient(dc, ToRect(f.top), 1, stops);
  // The bottom band runs from stop 1 at its inner edge outwards.
  PaintGradient(dc, ToRect(f.bottom), 1, stops);
  PaintSideBand(dc, f.left, f.leftTrapezoid, stops);
  PaintSideBand(dc, f.right, f.rightTrapezoid, stops);
  return f.width;
}
