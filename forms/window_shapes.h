// The 30 window outlines selected by a window's Shape property, as plain
// geometry over the client size. Pure code: the window turns an outline
// into a region.
#pragma once
#include <cstdint>
#include <vector>

inline constexpr int32_t kWindowShapeCount = 30;

enum class OutlineKind : int32_t {
  kRectangle,  // no region: the plain window
  kRoundRect,  // radius = corner ellipse diameter / 2
  kEllipse,    // the whole box
  kPolygon,    // points, closed
};

struct OutlinePoint {
  int32_t x;
  int32_t y;
};

struct WindowOutline {
  OutlineKind kind = OutlineKind::kRectangle;
  int32_t radius = 0;
  std::vector<OutlinePoint> points;
};

// Shapes: 0 rectangle; 1-8 rounded rectangles of growing radius; 9 ellipse;
// 10-13 octagons with growing corner cuts; 14 diamond; 15-18 triangles
// pointing up, down, left, right; 19, 20 hexagons (flat sides top and
// bottom, then left and right); 21 pentagon; 22 five-pointed star; 23 cross;
// 24, 25 parallelograms leaning right and left; 26, 27 trapezoids narrow at
// the top and at the bottom; 28 arrow pointing right; 29 a rectangle with
// notched corners. Values outside 0..29 and sizes below 2 give the
// rectangle. Points lie within 0..width and 0..height.
WindowOutline MakeWindowOutline(int32_t shape, int32_t width, int32_t height);
