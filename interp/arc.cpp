#include "interp/arc.h"

#include <cmath>

namespace vorn {

Point2 centreFromRadius(Point2 s, Point2 e, float r, float GL2, int negativeR) {
  float c2 = (e.x - s.x) * (e.x - s.x) + (e.y - s.y) * (e.y - s.y);
  if (c2 == 0) return {e.x - r, e.y};
  float a = r * r / c2;
  float h = a >= 0.25f ? std::sqrt(a - 0.25f) : 0.0f;
  float k1 = h, k2 = -h;
  if (GL2 + static_cast<float>(negativeR) == 3) k1 = -h, k2 = h;
  return {(s.x + e.x) / 2 + k1 * (e.y - s.y), (s.y + e.y) / 2 + k2 * (e.x - s.x)};
}

float pointAngle(Point2 p, Point2 c) {
  float d1 = p.x - c.x, d2 = p.y - c.y;
  if (d1 == 0) return d2 > 0 ? 1.57f : 4.712f;
  float angle = std::atan(d2 / d1);
  if (d1 < 0) {
    angle += 3.1416f;
  } else if (d2 < 0) {
    angle += 6.283f;
  }
  return angle;
}

void adjustDirection(float GL2, float& CO, float& CP) {
  if (GL2 == 2 && CP >= CO) CO += 6.28318f;
  if (GL2 == 3 && CP <= CO) CP += 6.28318f;
}

void exactCosSin(float degrees, float& c, float& s) {
  float radians = degrees / 57.2958f;
  c = std::cos(radians);
  s = std::sin(radians);
  if (std::fmod(degrees, 180.0f) == 0) {
    c = c < 0 ? -1.0f : 1.0f;
    s = 0;
  } else if (std::fmod(degrees, 90.0f) == 0) {
    c = 0;
    s = s < 0 ? -1.0f : 1.0f;
  }
}

}  // namespace vorn
