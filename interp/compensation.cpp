#include "interp/compensation.h"

#include <cmath>

#include "interp/arc.h"

namespace vorn {
namespace {

Point2 along(Point2 p, float r, float angle) {
  return {p.x + r * std::cos(angle), p.y + r * std::sin(angle)};
}

float taxicab(Point2 a, Point2 b) { return std::fabs(a.x - b.x) + std::fabs(a.y - b.y); }

bool isArc(const CompElement& e) { return e.GL2 == 2 || e.GL2 == 3; }

// Roots of A·x² + B·x + C on the line y = m·x + k.
int quadraticPoints(float A, float B, float C, float m, float k, Point2 out[2]) {
  float D = B * B - 4 * A * C;
  if (std::fabs(D) < kCompEpsilon) {
    float x = -B / (2 * A);
    out[0] = {x, m * x + k};
    return 1;
  }
  if (D < 0) return 0;
  float root = std::sqrt(D) / (2 * A);
  float x0 = -B / (2 * A);
  out[0] = {x0 + root, m * (x0 + root) + k};
  out[1] = {x0 - root, m * (x0 - root) + k};
  return 2;
}

// Intersections of the vertical line at x with the circle (c, rho).
int verticalPoints(float x, Point2 c, float rho, Point2 out[2]) {
  float d = rho * rho - (x - c.x) * (x - c.x);
  if (std::fabs(d) < kCompEpsilon) {
    out[0] = {x, c.y};
    return 1;
  }
  if (d < 0) return 0;
  float h = std::sqrt(d);
  out[0] = {x, c.y + h};
  out[1] = {x, c.y - h};
  return 2;
}

// Intersections of the line y = m·x + k with the circle (c, rho).
int slopedPoints(float m, float k, Point2 c, float rho, Point2 out[2]) {
  float A = 1 + m * m;
  float B = 2 * (m * (k - c.y) - c.x);
  float C = c.x * c.x + (k - c.y) * (k - c.y) - rho * rho;
  return quadraticPoints(A, B, C, m, k, out);
}

Corner lineLineCorner(const CompElement& e1, const CompElement& e2, float compCode, float r) {
  float d1x = std::cos(e1.phi), d1y = std::sin(e1.phi);
  float d2x = std::cos(e2.phi), d2y = std::sin(e2.phi);
  float det = d1x * d2y - d1y * d2x;
  if (std::fabs(det) < kCompEpsilon) return {1, e2.start, {}};
  float delta = e2.phi - e1.phi;
  if (delta > 3.1416f) delta -= 6.2831f;
  if (delta < -3.1416f) delta += 6.2831f;
  if ((compCode == 41 && delta > -2) || (compCode == 42 && delta < 2)) {
    float t = ((e2.start.x - e1.start.x) * d2y - (e2.start.y - e1.start.y) * d2x) / det;
    return {1, {e1.start.x + t * d1x, e1.start.y + t * d1y}, {}};
  }
  return {2, along(e1.end, r, e1.phi), along(e2.start, r, e2.phi + 3.14159f)};
}

}  // namespace

CompElement offsetLine(Point2 P, Point2 Q, float r, float sigma) {
  CompElement e;
  e.GL2 = 1;
  e.phi = pointAngle(Q, P);
  e.start = along(P, r, e.phi + sigma);
  e.end = along(Q, r, e.phi + sigma);
  e.programmedEnd = Q;
  return e;
}

CompElement offsetArc(Point2 centre, float a, float CO, float CP, float GL2, float compCode,
                      float r) {
  CompElement e;
  e.GL2 = GL2;
  e.centre = centre;
  e.rho = compCode + GL2 == 44 ? a - r : a + r;
  e.CO = CO;
  e.CP = CP;
  e.start = along(centre, e.rho, CO);
  e.end = along(centre, e.rho, CP);
  e.programmedEnd = along(centre, a, CP);
  return e;
}

int intersectLineCircle(Point2 a, Point2 b, Point2 c, float rho, Point2 out[2]) {
  if (a.x == b.x) return verticalPoints(a.x, c, rho, out);
  float m = (b.y - a.y) / (b.x - a.x);
  return slopedPoints(m, a.y - m * a.x, c, rho, out);
}

int intersectCircles(Point2 c1, float rho1, Point2 c2, float rho2, Point2 out[2]) {
  float dx = c2.x - c1.x, dy = c2.y - c1.y;
  float s = std::sqrt(dx * dx + dy * dy);
  if (s == 0 || s > rho1 + rho2 + kCompEpsilon || s < std::fabs(rho1 - rho2)) return 0;
  // Radical line: 2·dx·x + 2·dy·y = w.
  float w = rho1 * rho1 - rho2 * rho2 - c1.x * c1.x + c2.x * c2.x - c1.y * c1.y + c2.y * c2.y;
  if (dy == 0) return verticalPoints(w / (2 * dx), c1, rho1, out);
  return slopedPoints(-dx / dy, w / (2 * dy), c1, rho1, out);
}

Corner cornerBetween(const CompElement& e1, const CompElement& e2, float compCode, float r,
                     Point2 P) {
  if (!isArc(e1) && !isArc(e2)) return lineLineCorner(e1, e2, compCode, r);
  Point2 points[2];
  int n;
  if (isArc(e1) && isArc(e2)) {
    n = intersectCircles(e1.centre, e1.rho, e2.centre, e2.rho, points);
  } else if (isArc(e2)) {
    n = intersectLineCircle(e1.start, e1.end, e2.centre, e2.rho, points);
  } else {
    n = intersectLineCircle(e2.start, e2.end, e1.centre, e1.rho, points);
  }
  if (n == 0) return {2, e1.end, e2.start};
  if (n == 2 && taxicab(points[1], P) < taxicab(points[0], P)) points[0] = points[1];
  return {1, points[0], {}};
}

}  // namespace vorn
