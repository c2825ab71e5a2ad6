// The multi-colour gradient of the Label's background and border: the colour
// rule, the eight directions, the tiles it is painted in and the four bands
// of a gradient frame. Pure code; the GDI side is gradient_painter.h.
#pragma once
#include <cstdint>

// A gradient through two or three COLORREF stops (0x00BBGGRR).
struct GradientStops {
  uint32_t colour[3];
  int32_t count;  // 2 or 3 when usable
};

// The stops of a gradient from three configured colours, leaving out each
// one that is 0xFF000000 (a system colour has no place in a gradient).
GradientStops UsableStops(uint32_t colour1, uint32_t colour2, uint32_t colour3);

// Colour at position p along a span s: integer segment lengths s / (n - 1);
// positions at or past the span take the last stop.
uint32_t GradientColour(const GradientStops& stops, int32_t p, int32_t s);

// Directions 1..8: top to bottom, left to right, the four diagonals from
// top-left, top-right, and back (see GradientPosition).
constexpr int32_t kGradientModeCount = 8;

// Position and span of pixel (x, y) of a width x height area; false for a
// mode outside 1..8.
bool GradientPosition(int32_t mode, int32_t x, int32_t y, int32_t width, int32_t height,
                      int32_t* position, int32_t* span);

// The tiles the area is painted in (at most 50 x 50, left to right, top to
// bottom), so no tile needs more than 10000 pixels.
constexpr int32_t kGradientTile = 50;

// Fills one tile (tileWidth x tileHeight at tileX, tileY within the area)
// with 32-bit pixels as a DIB takes them: blue, green, red, 0, rows top
// first. False (nothing written) for a bad mode, fewer than two stops, an
// empty area or a tile that does not lie inside the area.
bool FillGradientTile(int32_t mode, const GradientStops& stops, int32_t width, int32_t height,
                      int32_t tileX, int32_t tileY, int32_t tileWidth, int32_t tileHeight,
                      uint8_t* pixels);

struct GradientRect {
  int32_t left, top, right, bottom;
};

// The bands of a gradient frame of width w inside outer: w is limited to
// half of the outer width and height; the side bands span the full height
// and are clipped by the caller to the trapezoids between the outer and
// inner corners, so the corners are mitred.
struct GradientFrame {
  int32_t width;         // the width actually drawn
  GradientRect inner;
  GradientRect top, bottom, left, right;  // top and bottom mode 1, sides mode 2
  int32_t leftTrapezoid[8];   // x, y of outer top-left, outer bottom-left, inner bottom-left, inner top-left
  int32_t rightTrapezoid[8];  // inner top-right, inner bottom-right, outer bottom-right, outer top-right
};
GradientFrame LayOutGradientFrame(const GradientRect& outer, int32_t width);
