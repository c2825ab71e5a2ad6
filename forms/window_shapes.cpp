#include "forms/window_shapes.h"

#include <algorithm>
#include <cmath>

namespace {

using Points = std::vector<OutlinePoint>;

constexpr int32_t kRoundRadii[8] = {4, 8, 12, 16, 24, 32, 48, 64};
constexpr int32_t kOctagonCuts[4] = {8, 16, 32, 64};

// Scales a unit-square polygon (coordinates in 1/1000) onto the box.
Points Scaled(std::initializer_list<OutlinePoint> unit, int32_t w, int32_t h) {
  Points points;
  for (const OutlinePoint& p : unit)
    points.push_back({int32_t(int64_t(p.x) * w / 1000), int32_t(int64_t(p.y) * h / 1000)});
  return points;
}

Points Octagon(int32_t cut, int32_t w, int32_t h) {
  const int32_t c = std::min(cut, std::min(w, h) / 3);
  return {{c, 0}, {w - c, 0}, {w, c}, {w, h - c}, {w - c, h}, {c, h}, {0, h - c}, {0, c}};
}

// Regular star around the box centre, outer points on the inscribed ellipse.
Points Star(int32_t w, int32_t h) {
  Points points;
  const double pi = 3.14159265358979323846;
  for (int i = 0; i < 10; ++i) {
    const double r = i % 2 ? 0.4 : 1.0;
    const double a = -pi / 2 + i * pi / 5;
    const double x = w / 2.0 + r * (w / 2.0) * std::cos(a);
    const double y = h / 2.0 + r * (h / 2.0) * std::sin(a);
    points.push_back({std::clamp(int32_t(std::lround(x)), 0, w), std::clamp(int32_t(std::lround(y)), 0, h)});
  }
  return points;
}

Points PolygonOf(int32_t shape, int32_t w, int32_t h) {
  switch (shape) {
    case 14: return Scaled({{500, 0}, {1000, 500}, {500, 1000}, {0, 500}}, w, h);
    case 15: return Scaled({{500, 0}, {1000, 1000}, {0, 1000}}, w, h);
    case 16: return Scaled({{0, 0}, {1000, 0}, {500, 1000}}, w, h);
    case 17: return Scaled({{0, 500}, {1000, 0}, {1000, 1000}}, w, h);
    case 18: return Scaled({{0, 0}, {1000, 500}, {0, 1000}}, w, h);
    case 19: return Scaled({{250, 0}, {750, 0}, {1000, 500}, {750, 1000}, {250, 1000}, {0, 500}}, w, h);
    case 20: return Scaled({{500, 0}, {1000, 250}, {1000, 750}, {500, 1000}, {0, 750}, {0, 250}}, w, h);
    case 21: return Scaled({{500, 0}, {1000, 382}, {809, 1000}, {191, 1000}, {0, 382}}, w, h);
    case 22: return Star(w, h);
    case 23:
      return Scaled({{333, 0}, {667, 0}, {667, 333}, {1000, 333}, {1000, 667}, {667, 667},
                     {667, 1000}, {333, 1000}, {333, 667}, {0, 667}, {0, 333}, {333, 333}},
                    w, h);
    case 24: return Scaled({{200, 0}, {1000, 0}, {800, 1000}, {0, 1000}}, w, h);
    case 25: return Scaled({{0, 0}, {800, 0}, {1000, 1000}, {200, 1000}}, w, h);
    case 26: return Scaled({{200, 0}, {800, 0}, {1000, 1000}, {0, 1000}}, w, h);
    case 27: return Scaled({{0, 0}, {1000, 0}, {800, 1000}, {200, 1000}}, w, h);
    case 28:
      return Scaled({{0, 250}, {650, 250}, {650, 0}, {1000, 500}, {650, 1000}, {650, 750}, {0, 750}}, w, h);
    case 29: {
      const int32_t c = std::min(w, h) / 8;
      return {{c, 0}, {w - c, 0}, {w - c, c}, {w, c}, {w, h - c}, {w - c, h - c}, {w - c, h},
              {c, h}, {c, h - c}, {0, h - c}, {0, c}, {c, c}};
    }
    default: return {};
  }
}

}  // namespace

WindowOutline MakeWindowOutline(int32_t shape, int32_t width, int32_t height) {
  WindowOutline outline;
  if (shape <= 0 || shape >= kWindowShapeCount || width < 2 || height < 2) return outline;
  if (shape <= 8) {
    outline.kind = OutlineKind::kRoundRect;
    outline.radius = std::min(kRoundRadii[shape - 1], std::min(width, height) / 2);
  } else if (shape == 9) {
    outline.kind = OutlineKind::kEllipse;
  } else if (shape <= 13) {
    outline.kind = OutlineKind::kPolygon;
    outline.points = Octagon(kOctagonCuts[shape - 10], width, height);
  } else {
    outline.kind = OutlineKind::kPolygon;
    outline.points = PolygonOf(shape, width, height);
  }
  return outline;
}
