#pragma once
// Cutter compensation: programmed lines and arcs offset sideways by the
// compensation radius in the XY plane, and the corner that joins two offset
// elements (one intersection point, or two corner points joined by a line).
// Single precision; tolerance 0.01.
#include "interp/move.h"

namespace vorn {

inline constexpr float kCompEpsilon = 0.01f;  // ε: determinant, discriminant, circle gap

struct Corner {
  int state = 0;  // 0 none, 1 the single point C1, 2 C1 and C2 joined by a feed line
  Point2 C1;
  Point2 C2;
};

// Compensation state of a run: the element waiting to be drawn and its corner.
struct Compensation {
  CompElement E1;   // stored element (drawn one block late)
  Corner corner;    // corner state and points of E1's end
};

// Offset of the line P -> Q: φ = point angle of Q about P, both ends moved
// by r along φ + sigma (sigma +π/2 for G41, -π/2 for G42).
CompElement offsetLine(Point2 P, Point2 Q, float r, float sigma);
// Offset of an arc about centre on radius a: ρ = a - r when compCode + GL2 is
// 44 (G41 with G03, G42 with G02), else a + r; ends at the arc's angles.
CompElement offsetArc(Point2 centre, float a, float CO, float CP, float GL2, float compCode,
                      float r);

// The corner between stored element e1 and new element e2 for compensation
// code compCode (41, 42) and radius r. P is the programmed corner (e2's
// programmed start), used to choose between two intersections.
Corner cornerBetween(const CompElement& e1, const CompElement& e2, float compCode, float r,
                     Point2 P);

// Intersections of the line through a and b with the circle (c, rho): 0, 1
// or 2 points in out. A line with a.x == b.x is solved directly.
int intersectLineCircle(Point2 a, Point2 b, Point2 c, float rho, Point2 out[2]);
// Intersections of two circles (none when they are apart by more than ε,
// nested, or concentric).
int intersectCircles(Point2 c1, float rho1, Point2 c2, float rho2, Point2 out[2]);

}  // namespace vorn
