#include "display/view.h"

#include <algorithm>
#include <cmath>

namespace vorn {

namespace {
float signOf(float x) { return x < 0 ? -1.0f : 1.0f; }
}  // namespace

void ViewTransform::setRotation(int degrees) {
  const float radians = float(degrees) / 57.296f;
  CU = std::cos(radians);
  W1 = std::sin(radians);
  // Exact axes at the quarter turns, so that a rotated plan is not skewed by
  // the rounding of 57.296.
  if (degrees % 180 == 0) {
    CU = signOf(CU);
    W1 = 0;
  } else if (degrees % 90 == 0) {
    CU = 0;
    W1 = signOf(W1);
  }
}

DrawPoint ViewTransform::project(float p1, float p2, float p3) const {
  switch (H0V) {
    case view::XZ: return {p1, p3};
    case view::ZY: return {p2, p3};
    case view::ThreeD: return {p1 * CU - p2 * W1, p1 * W1 + p2 * CU + p3};
    default: return {p1, p2};  // XY, and the lathe's Z and radius X
  }
}

float ViewTransform::verticalFactor(float zRatio) const {
  return (H0V == view::XY || H0V == view::ThreeD) ? 1.0f : zRatio;
}

DrawWindow windowSetUp(const ViewTransform& view, float scale, float zRatio,
                       const std::array<float, 3>& centre) {
  const DrawPoint c = view.project(centre[0], centre[1], centre[2]);
  const float halfWidth = 320 / scale;
  const float halfHeight = 200 / scale / view.verticalFactor(zRatio);
  return {c.ZBB - halfWidth, c.ZMX - halfHeight, c.ZBB + halfWidth, c.ZMX + halfHeight};
}

PixelRect drawingViewport(int x, int y, int width, int height) {
  // Whole multiples of 16 by 10: exactly 16:10, and a picture made at the
  // viewport's own size gets the very same viewport back.
  const int k = std::max(1, std::min(width / 16, height / 10));
  const int w = 16 * k, h = 10 * k;
  const int left = x + (width - w) / 2;
  const int top = y + (height - h) / 2;
  return {left, top, left + w - 1, top + h - 1};
}

float pixelScale(const PixelRect& viewport) { return float(viewport.width()) / 640.0f; }

std::array<float, 2> workReferenceCorner(int basePoint, float wx, float wy) {
  const int b = (basePoint >= 1 && basePoint <= 9) ? basePoint : 1;
  const int column = b % 3;       // 1, 2, 0 from left to right
  const int row = (b - 1) / 3;    // 0 bottom, 1 middle, 2 top
  const float first = column > 0 ? wx / float(column) : 0.0f;
  const float second = row > 0 ? -wy / float(3 - row) : 0.0f;
  return {first, second};
}

}  // namespace vorn
