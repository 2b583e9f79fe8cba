#include "display/view.h"

#include <gtest/gtest.h>

namespace vorn {
namespace {

TEST(ViewRotation, QuarterTurnsAreExact) {
  struct Case {
    int degrees;
    float cu, w1;
  };
  const Case cases[] = {{0, 1, 0},    {90, 0, 1},    {180, -1, 0}, {270, 0, -1},
                        {360, 1, 0},  {-90, 0, -1},  {450, 0, 1},  {-180, -1, 0}};
  for (const Case& c : cases) {
    ViewTransform v;
    v.setRotation(c.degrees);
    EXPECT_EQ(v.CU, c.cu) << "degrees " << c.degrees;
    EXPECT_EQ(v.W1, c.w1) << "degrees " << c.degrees;
  }
  ViewTransform v;
  v.setRotation(10);
  EXPECT_NEAR(v.CU, 0.98481f, 1e-4);
  EXPECT_NEAR(v.W1, 0.17365f, 1e-4);
}

TEST(ViewProjection, FiveViews) {
  struct Case {
    int view;
    int degrees;
    float u, v;
  };
  // The point (1, 2, 3) in every view.
  const Case cases[] = {
      {view::XY, 10, 1, 2},      {view::XZ, 10, 1, 3},       {view::ZY, 10, 2, 3},
      {view::Lathe, 10, 1, 2},   {view::ThreeD, 0, 1, 5},    // plan plus height
      {view::ThreeD, 90, -2, 4},  // X goes up, -Y to the right
      {view::ThreeD, 180, -1, 1},
  };
  for (const Case& c : cases) {
    ViewTransform v;
    v.H0V = c.view;
    v.setRotation(c.degrees);
    const DrawPoint p = v.project(1, 2, 3);
    EXPECT_FLOAT_EQ(p.ZBB, c.u) << "view " << c.view << " degrees " << c.degrees;
    EXPECT_FLOAT_EQ(p.ZMX, c.v) << "view " << c.view << " degrees " << c.degrees;
  }
}

TEST(ViewWindow, ScaleCentreAndZRatio) {
  ViewTransform xy;
  DrawWindow w = windowSetUp(xy, 2, 1, {0, 0, 0});
  EXPECT_FLOAT_EQ(w.u1, -160);
  EXPECT_FLOAT_EQ(w.v1, -100);
  EXPECT_FLOAT_EQ(w.u2, 160);
  EXPECT_FLOAT_EQ(w.v2, 100);

  // The Z ratio halves the vertical extent of the side views only.
  w = windowSetUp(xy, 2, 2, {0, 0, 0});
  EXPECT_FLOAT_EQ(w.v2, 100);
  ViewTransform threeD;
  threeD.H0V = view::ThreeD;
  threeD.setRotation(0);
  EXPECT_FLOAT_EQ(windowSetUp(threeD, 2, 2, {0, 0, 0}).v2, 100);
  ViewTransform xz;
  xz.H0V = view::XZ;
  w = windowSetUp(xz, 2, 2, {0, 0, 0});
  EXPECT_FLOAT_EQ(w.v1, -50);
  EXPECT_FLOAT_EQ(w.v2, 50);
  EXPECT_FLOAT_EQ(w.u2, 160);

  // The centre is projected: in view 2 its Z is the vertical.
  w = windowSetUp(xz, 1, 1, {10, 99, -20});
  EXPECT_FLOAT_EQ(w.u1, 10 - 320);
  EXPECT_FLOAT_EQ(w.v1, -20 - 200);
}

TEST(ViewViewport, KeepsSixteenByTen) {
  struct Case {
    int x, y, w, h;
    PixelRect expected;
  };
  const Case cases[] = {
      {0, 0, 640, 400, {0, 0, 639, 399}},
      {0, 0, 1024, 768, {0, 64, 1023, 703}},   // wider than tall: bands above and below
      {0, 0, 1000, 400, {180, 0, 819, 399}},   // too wide: bands left and right
      {10, 20, 320, 200, {10, 20, 329, 219}},
      {0, 16, 1024, 594, {40, 18, 983, 607}},  // 944x590: exact, not 950x594
      {0, 0, 944, 590, {0, 0, 943, 589}},      // its own size gives it back
  };
  for (const Case& c : cases) {
    const PixelRect r = drawingViewport(c.x, c.y, c.w, c.h);
    EXPECT_EQ(r.x1, c.expected.x1) << c.w << "x" << c.h;
    EXPECT_EQ(r.y1, c.expected.y1) << c.w << "x" << c.h;
    EXPECT_EQ(r.x2, c.expected.x2) << c.w << "x" << c.h;
    EXPECT_EQ(r.y2, c.expected.y2) << c.w << "x" << c.h;
    EXPECT_EQ(r.width() * 10, r.height() * 16) << c.w << "x" << c.h;
  }
}

TEST(ViewWorkCorner, KeypadNumbering) {
  struct Case {
    int b;
    float first, second;
  };
  // Work 90 by 60; the outline runs from the corner +Y, -X, -Y, +X.
  const Case cases[] = {
      {1, 90, 0},  {2, 45, 0},   {3, 0, 0},   {4, 90, -30}, {5, 45, -30},
      {6, 0, -30}, {7, 90, -60}, {9, 0, -60}, {0, 90, 0},   {12, 90, 0},
  };
  for (const Case& c : cases) {
    const auto corner = workReferenceCorner(c.b, 90, 60);
    EXPECT_FLOAT_EQ(corner[0], c.first) << "base point " << c.b;
    EXPECT_FLOAT_EQ(corner[1], c.second) << "base point " << c.b;
  }
}

}  // namespace
}  // namespace vorn
