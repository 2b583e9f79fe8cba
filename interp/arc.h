#pragma once
// Arc geometry shared by the interpreter, path drawing and the plotter:
// centre from radius, point angle and direction adjustment, in single
// precision with the constants the machine uses.
#include "interp/move.h"

namespace vorn {

// Centre of an arc from start s to end e (plane coordinates) on radius r.
// GL2 is the motion mode (2 cw, 3 ccw); negativeR is 1 when the R word was
// negative. Start equal to end puts the centre at (e.x - r, e.y); a chord
// longer than the diameter puts it on the chord's midpoint.
Point2 centreFromRadius(Point2 s, Point2 e, float r, float GL2, int negativeR);

// Angle of p about c in 0..2π: 1.57 or 4.712 straight up or down, otherwise
// arctan plus 3.1416 (left half) or 6.283 (lower right quarter).
float pointAngle(Point2 p, Point2 c);

// Clockwise (GL2 2) with end >= start: start += 6.28318; counter-clockwise
// (3) with end <= start: end += 6.28318. Equal angles make a full circle.
void adjustDirection(float GL2, float& CO, float& CP);

// Cosine and sine of an angle in whole degrees, exactly ±1 and 0 at
// multiples of 90 degrees (the full-circle start and the view rotation).
void exactCosSin(float degrees, float& c, float& s);

}  // namespace vorn
