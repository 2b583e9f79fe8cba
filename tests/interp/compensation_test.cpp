// Cutter compensation: offset elements and the corners between them, through
// whole runs (the move of each block carries the element it draws).
#include "interp/compensation.h"

#include <gtest/gtest.h>

#include <cmath>

#include "harness.h"

namespace vorn {
namespace {

RunSettings radius5() {
  RunSettings s = test::millimetres();
  s.toolRadius[1] = 5;
  return s;
}

// The machine's angle constants (1.57, 4.712, 1.5708) put offsets a few
// thousandths of a millimetre off the exact figures.
void expectNear(Point2 a, Point2 b, const std::string& what) {
  EXPECT_NEAR(a.x, b.x, 0.02) << what;
  EXPECT_NEAR(a.y, b.y, 0.02) << what;
}

TEST(Compensation, SquareAnticlockwiseGivesTheInnerSquare) {
  test::Outcome o = test::runLines({"G41 G01 X10. Y10. D1 F100", "X30.", "Y30.", "X10.", "Y10.", "X30."},
                                   radius5());
  ASSERT_EQ(o.moves.size(), 6u);
  EXPECT_FALSE(o.moves[0].compensatedDrawing);  // the first block is drawn as programmed
  Point2 corners[] = {{25, 15}, {25, 25}, {15, 25}, {15, 15}};
  for (int i = 0; i < 4; ++i) {
    const Move& m = o.moves[i + 2];
    EXPECT_TRUE(m.compensatedDrawing) << i;
    EXPECT_EQ(m.corner, 1) << i;
    expectNear(m.C1, corners[i], "corner " + std::to_string(i));
  }
  // The element drawn by block 3 is the offset of block 2 (y = 15).
  expectNear(o.moves[2].element.start, {10, 15}, "element start");
}

TEST(Compensation, TurnsAwayFromTheToolSide) {
  struct Case {
    const char* second;
    int corner;
    Point2 C1, C2;
  } cases[] = {
      {"X10. Y-10.", 1, {15, 5}, {}},                     // right turn of 90°: intersection
      {"X0 Y-10.", 2, {15, 5}, {17.0711f, 0}},            // right turn of 135°: two points
      {"X20.", 1, {10, 5}, {}},                           // collinear: second line's start
      {"X0", 1, {10, -5}, {}},                            // reversal: parallel offsets
      {"X20. Y10.", 1, {7.9289f, 5}, {}},                 // left turn of 45° (inside)
  };
  for (const Case& c : cases) {
    test::Outcome o = test::runLines({"G41 G01 X10. D1 F100", c.second}, radius5());
    ASSERT_EQ(o.moves.size(), 2u) << c.second;
    const Move& m = o.moves[1];
    EXPECT_EQ(m.corner, c.corner) << c.second;
    expectNear(m.C1, c.C1, c.second);
    if (c.corner == 2) expectNear(m.C2, c.C2, c.second);
  }
}

TEST(Compensation, ArcWithoutIntersectionJoinsOffsetEnds) {
  test::Outcome o = test::runLines({"G41 G01 X10. D1 F100", "G03 X30.4403 Y-3. I10. J-3."}, radius5());
  ASSERT_EQ(o.result.I1M, "");
  const Move& m = o.moves[1];
  EXPECT_EQ(m.corner, 2);
  expectNear(m.C1, {10, 5}, "C1");
  float rho = std::sqrt(109.0f) - 5, a = std::atan2(3.0f, -10.0f);
  expectNear(m.C2, {20 + rho * std::cos(a), -3 + rho * std::sin(a)}, "C2");
}

TEST(Compensation, LineIntoArcPicksTheNearerIntersection) {
  // Line along +x, then a clockwise arc about (20, -5): the offset line y = 5
  // cuts the offset circle (radius √125 + 5) twice.
  test::Outcome o = test::runLines({"G41 G01 X10. D1 F100", "G02 X31.1803 Y-5. I10. J-5."}, radius5());
  ASSERT_EQ(o.result.I1M, "");
  const Move& m = o.moves[1];
  EXPECT_EQ(m.corner, 1);
  float rho = std::sqrt(125.0f) + 5;
  float x = 20 - std::sqrt(rho * rho - 100.0f);
  expectNear(m.C1, {x, 5}, "C1");
}

TEST(Compensation, ArcBlockWithoutAnArcJoinsAsALine) {
  // A first compensated G02 that only moves Z makes no arc: it must join the
  // next line exactly as the same block written with G01 does.
  test::Outcome arc = test::runLines({"G41 G02 Z-1. D1 F100", "G01 X10."}, radius5());
  test::Outcome line = test::runLines({"G41 G01 Z-1. D1 F100", "G01 X10."}, radius5());
  ASSERT_EQ(arc.moves.size(), 2u);
  ASSERT_EQ(arc.result.I1M, "");
  EXPECT_EQ(arc.moves[1].corner, line.moves[1].corner);
  expectNear(arc.moves[1].C1, line.moves[1].C1, "C1");
  EXPECT_EQ(arc.moves[1].element.GL2, 1);
}

TEST(Compensation, G41AfterG40StartsAgain) {
  test::Outcome o = test::runLines(
      {"G41 G01 X10. D1 F100", "X20.", "G40 X30.", "G41 X40. D1", "Y10."}, radius5());
  EXPECT_FALSE(o.moves[2].compensatedDrawing);  // G40 block: drawn plain
  EXPECT_FALSE(o.moves[3].compensatedDrawing);  // first block after G41 again
  EXPECT_EQ(o.moves[3].corner, 0);
  EXPECT_TRUE(o.moves[4].compensatedDrawing);
}

TEST(Compensation, OnlyInPlanAnd3DViews) {
  RunSettings s = radius5();
  s.H0V = 2;
  test::Outcome o = test::runLines({"G41 G01 X10. D1 F100", "X20.", "Y10."}, s);
  for (const Move& m : o.moves) EXPECT_FALSE(m.compensatedDrawing);
}

TEST(Intersections, LineCircleAndCircleCircle) {
  Point2 p[2];
  EXPECT_EQ(intersectLineCircle({3, -10}, {3, 10}, {0, 0}, 5, p), 2);  // vertical
  EXPECT_EQ(intersectLineCircle({5, -10}, {5, 10}, {0, 0}, 5, p), 1);  // tangent
  EXPECT_EQ(intersectLineCircle({-10, 6}, {10, 6}, {0, 0}, 5, p), 0);
  EXPECT_EQ(intersectCircles({0, 0}, 5, {8, 0}, 5, p), 2);              // vertical radical line
  expectNear(p[0], {4, 3}, "radical");
  EXPECT_EQ(intersectCircles({0, 0}, 5, {0, 0}, 5, p), 0);              // concentric
  EXPECT_EQ(intersectCircles({0, 0}, 5, {20, 0}, 5, p), 0);             // apart
  EXPECT_EQ(intersectCircles({0, 0}, 10, {1, 1}, 2, p), 0);             // nested
}

}  // namespace
}  // namespace vorn
