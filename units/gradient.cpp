#include "units/gradient.h"

#include <algorithm>

namespace {

constexpr uint32_t kSystemColour = 0xFF000000;

int32_t Channel(uint32_t colour, int shift) { return static_cast<int32_t>((colour >> shift) & 0xFF); }

}  // namespace

GradientStops UsableStops(uint32_t colour1, uint32_t colour2, uint32_t colour3) {
  GradientStops stops{{0, 0, 0}, 0};
  for (uint32_t colour : {colour1, colour2, colour3}) {
    if (colour != kSystemColour) stops.colour[stops.count++] = colour & 0xFFFFFF;
  }
  return stops;
}

uint32_t GradientColour(const GradientStops& stops, int32_t p, int32_t s) {
  const int32_t n = stops.count;
  if (n < 2) return n == 1 ? stops.colour[0] : 0;
  if (p >= s) return stops.colour[n - 1];
  const int32_t length = s / (n - 1);
  const int32_t k = length ? p / length : 0;
  if (k > n - 2) return stops.colour[n - 1];
  const int32_t rest = length ? p % length : 0;
  uint32_t result = 0;
  for (int shift : {0, 8, 16}) {
    const int32_t from = Channel(stops.colour[k], shift);
    const int32_t to = Channel(stops.colour[k + 1], shift);
    // from + rest / length * (to - from), truncated: the value lies between
    // the two channels, so the exact quotient is never negative. The
    // products take 64 bits: a span of millions passes 2^31 times 255.
    const int32_t value =
        length ? static_cast<int32_t>((int64_t(from) * length + int64_t(rest) * (to - from)) / length)
               : from;
    result |= static_cast<uint32_t>(value) << shift;
  }
  return result;
}

bool GradientPosition(int32_t mode, int32_t x, int32_t y, int32_t width, int32_t height,
                      int32_t* position, int32_t* span) {
  const int32_t diagonal = 2 * std::min(width, height);
  switch (mode) {
    case 1: *position = y; *span = height; return true;
    case 2: *position = x; *span = width; return true;
    case 3: *position = x + y; *span = diagonal; return true;
    case 4: *position = (width - 1 - x) + y; *span = diagonal; return true;
    case 5: *position = height - 1 - y; *span = height; return true;
    case 6: *position = width - 1 - x; *span = width; return true;
    case 7: *position = (width - 1 - x) + (height - 1 - y); *span = diagonal; return true;
    case 8: *position = x + (height - 1 - y); *span = diagonal; return true;
    default: return false;
  }
}

bool FillGradientTile(int32_t mode, const GradientStops& stops, int32_t width, int32_t height,
                      int32_t tileX, int32_t tileY, int32_t tileWidth, int32_t tileHeight,
                      uint8_t* pixels) {
  if (mode < 1 || mode > kGradientModeCount || stops.count < 2 || width <= 0 || height <= 0)
    return false;
  if (tileX < 0 || tileY < 0 || tileWidth <= 0 || tileHeight <= 0 || tileWidth > width - tileX ||
      tileHeight > height - tileY)
    return false;
  for (int32_t row = 0; row < tileHeight; ++row) {
    for (int32_t column = 0; column < tileWidth; ++column) {
      int32_t p = 0, s = 0;
      GradientPosition(mode, tileX + column, tileY + row, width, height, &p, &s);
      const uint32_t colour = GradientColour(stops, p, s);
      uint8_t* pixel = pixels + (static_cast<size_t>(row) * tileWidth + column) * 4;
      pixel[0] = uint8_t(colour >> 16);  // blue
      pixel[1] = uint8_t(colour >> 8);   // green
      pixel[2] = uint8_t(colour);        // red
      pixel[3] = 0;
    }
  }
  return true;
}

GradientFrame LayOutGradientFrame(const GradientRect& r, int32_t width) {
  GradientFrame f{};
  const int32_t w = std::max(0, std::min({width, (r.right - r.left) / 2, (r.bottom - r.top) / 2}));
  f.width = w;
  f.inner = {r.left + w, r.top + w, r.right - w, r.bottom - w};
  f.top = {r.left, r.top, r.right, f.inner.top};
  f.bottom = {r.left, f.inner.bottom, r.right, r.bottom};
  f.left = {r.left, r.top, f.inner.left, r.bottom};
  f.right = {f.inner.right, r.top, r.right, r.bottom};
  const int32_t left[8] = {r.left, r.top, r.left, r.bottom, f.inner.left, f.inner.bottom,
                           f.inner.left, f.inner.top};
  const int32_t right[8] = {f.inner.right, f.inner.top, f.inner.right, f.inner.bottom,
                            r.right, r.bottom, r.right, r.top};
  std::copy(left, left + 8, f.leftTrapezoid);
  std::copy(right, right + 8, f.rightTrapezoid);
  return f;
}
