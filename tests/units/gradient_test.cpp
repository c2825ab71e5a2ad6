// The gradient colour rule, its eight directions, its tiles and the frame
// layout, against values worked out by hand.
#include "units/gradient.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// COLORREF of red, green, blue.
constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

GradientStops Two(uint32_t a, uint32_t b) { return UsableStops(a, b, 0xFF000000); }

TEST(GradientColour, InterpolatesEachChannelAndTruncatesTheSum) {
  const GradientStops stops = Two(Rgb(0x80, 0x40, 0x20), Rgb(0xE0, 0xC0, 0xA0));
  EXPECT_EQ(GradientColour(stops, 0, 10), Rgb(0x80, 0x40, 0x20));
  EXPECT_EQ(GradientColour(stops, 5, 10), Rgb(0xB0, 0x80, 0x60));
  // 0x80 + 7/10 * 0x60 = 195.2, 0x40 + 7/10 * 0x80 = 153.6, 0x20 + 89.6 = 121.6
  EXPECT_EQ(GradientColour(stops, 7, 10), Rgb(195, 153, 121));

  // A falling channel: 255 - 3/7 * 255 = 145.71 gives 145, not 255 - 109.
  const GradientStops falling = Two(Rgb(255, 0, 0), Rgb(0, 255, 0));
  EXPECT_EQ(GradientColour(falling, 3, 7), Rgb(145, 109, 0));
  // At and past the span: the last stop.
  EXPECT_EQ(GradientColour(falling, 7, 7), Rgb(0, 255, 0));
  EXPECT_EQ(GradientColour(falling, 40, 7), Rgb(0, 255, 0));
  // A long span: 255 * 20000000 does not fit 32 bits; 255 - 255 * 3 / 4 = 63.75.
  EXPECT_EQ(GradientColour(falling, 15000000, 20000000), Rgb(63, 191, 0));
}

TEST(GradientColour, ThreeStopsUseIntegerSegments) {
  const GradientStops stops = UsableStops(Rgb(0, 0, 0), Rgb(100, 0, 0), Rgb(100, 200, 0));
  ASSERT_EQ(stops.count, 3);
  EXPECT_EQ(UsableStops(0xFF000000, Rgb(1, 2, 3), 0xFF000000).count, 1) << "system colours left out";
  // s = 11: segments of 5; position 10 lies past the second one.
  EXPECT_EQ(GradientColour(stops, 2, 11), Rgb(40, 0, 0));
  EXPECT_EQ(GradientColour(stops, 5, 11), Rgb(100, 0, 0));
  EXPECT_EQ(GradientColour(stops, 9, 11), Rgb(100, 160, 0));
  EXPECT_EQ(GradientColour(stops, 10, 11), Rgb(100, 200, 0));
  // s = 1: segments of length 0 keep the first stop inside the span.
  EXPECT_EQ(GradientColour(stops, 0, 1), Rgb(0, 0, 0));
  EXPECT_EQ(GradientColour(stops, 1, 1), Rgb(100, 200, 0));
}

TEST(GradientPosition, EightDirections) {
  // Pixel (1, 2) of a 5 x 4 area; diagonals span 2 * min(5, 4) = 8.
  const int32_t expected[8][2] = {{2, 4}, {1, 5}, {3, 8}, {5, 8}, {1, 4}, {3, 5}, {4, 8}, {2, 8}};
  for (int32_t mode = 1; mode <= 8; ++mode) {
    int32_t p = -1, s = -1;
    ASSERT_TRUE(GradientPosition(mode, 1, 2, 5, 4, &p, &s)) << mode;
    EXPECT_EQ(p, expected[mode - 1][0]) << "mode " << mode;
    EXPECT_EQ(s, expected[mode - 1][1]) << "mode " << mode;
  }
  int32_t p = 0, s = 0;
  EXPECT_FALSE(GradientPosition(0, 0, 0, 5, 4, &p, &s));
  EXPECT_FALSE(GradientPosition(9, 0, 0, 5, 4, &p, &s));
}

TEST(GradientTile, PixelsAreBlueGreenRedZeroForTheirPlaceInTheWholeArea) {
  const GradientStops stops = Two(Rgb(0, 0, 0), Rgb(240, 120, 60));
  // The second tile of a 120 x 30 area, left to right: columns 50..99.
  std::vector<uint8_t> pixels(50 * 30 * 4, 0xEE);
  ASSERT_TRUE(FillGradientTile(2, stops, 120, 30, 50, 0, 50, 30, pixels.data()));
  // Column 0 of the tile is x = 50: 50/120 of the way.
  const uint8_t first[4] = {25, 50, 100, 0};
  EXPECT_EQ(std::vector<uint8_t>(pixels.begin(), pixels.begin() + 4), std::vector<uint8_t>(first, first + 4));
  // Last pixel of the last row, x = 99: 240 * 99 / 120 = 198.
  const size_t last = (29 * 50 + 49) * 4;
  EXPECT_EQ(pixels[last + 2], 198);
  EXPECT_EQ(pixels[last + 1], 99);
  EXPECT_EQ(pixels[last + 0], 49);
  EXPECT_EQ(pixels[last + 3], 0);

  // Mode 7 runs from the bottom-right corner: the tile's last pixel of the
  // area's last row and column is the first stop.
  ASSERT_TRUE(FillGradientTile(7, stops, 120, 30, 100, 0, 20, 30, pixels.data()));
  const size_t corner = (29 * 20 + 19) * 4;
  EXPECT_EQ(pixels[corner] | pixels[corner + 1] | pixels[corner + 2], 0);

  EXPECT_FALSE(FillGradientTile(2, stops, 120, 30, 100, 0, 50, 30, pixels.data()));  // past the area
  EXPECT_FALSE(FillGradientTile(9, stops, 120, 30, 0, 0, 10, 10, pixels.data()));
  EXPECT_FALSE(FillGradientTile(2, UsableStops(0, 0xFF000000, 0xFF000000), 120, 30, 0, 0, 10, 10,
                                pixels.data()));
  EXPECT_FALSE(FillGradientTile(2, stops, 0, 30, 0, 0, 1, 1, pixels.data()));
}

TEST(GradientFrame, WidthIsLimitedToHalfTheAreaAndTheTrapezoidsMeetTheInnerCorners) {
  const GradientFrame f = LayOutGradientFrame(GradientRect{10, 20, 110, 60}, 8);
  EXPECT_EQ(f.width, 8);
  const int32_t left[8] = {10, 20, 10, 60, 18, 52, 18, 28};
  const int32_t right[8] = {102, 28, 102, 52, 110, 60, 110, 20};
  EXPECT_TRUE(std::equal(left, left + 8, f.leftTrapezoid));
  EXPECT_TRUE(std::equal(right, right + 8, f.rightTrapezoid));
  EXPECT_EQ(LayOutGradientFrame(GradientRect{0, 0, 100, 40}, 30).width, 20);
}

}  // namespace
