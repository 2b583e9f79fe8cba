#include "runtime/painter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace vorn {
namespace {

// Small framebuffer with a painter and a text picture for failure messages.
struct Canvas {
  Framebuffer fb;
  Painter p{fb};
  Canvas(int w, int h) {
    fb.resize(w, h);
    p.resetViewport();
  }
  int count(int color) const {
    int n = 0;
    for (uint8_t v : fb.pixels) n += v == color;
    return n;
  }
  std::string picture() const {
    std::string s;
    for (int y = 0; y < fb.height; ++y) {
      for (int x = 0; x < fb.width; ++x) s += fb.at(x, y) ? char('0' + fb.at(x, y)) : '.';
      s += '\n';
    }
    return s;
  }
};

TEST(Painter, WindowMapsBothAxisDirections) {
  Canvas c(11, 11);
  c.p.setWindow(0, 0, 100, 100, /*yUp=*/true);
  EXPECT_EQ(c.p.toPixel(0, 0).x, 0);
  EXPECT_EQ(c.p.toPixel(0, 0).y, 10);   // bottom left
  EXPECT_EQ(c.p.toPixel(100, 100).y, 0);
  EXPECT_EQ(c.p.toPixel(50, 30).x, 5);
  EXPECT_EQ(c.p.toPixel(50, 30).y, 7);

  c.p.setWindow(0, 0, 100, 100, /*yUp=*/false);
  EXPECT_EQ(c.p.toPixel(0, 0).y, 0);    // top left
  EXPECT_EQ(c.p.toPixel(50, 30).y, 3);

  // Swapped corners describe the same window.
  c.p.setWindow(100, 100, 0, 0, false);
  EXPECT_EQ(c.p.toPixel(50, 30).y, 3);

  // The window maps onto the viewport, not the whole framebuffer.
  c.p.setViewport(2, 2, 6, 6);
  c.p.setWindow(0, 0, 4, 4, true);
  EXPECT_EQ(c.p.toPixel(0, 0).x, 2);
  EXPECT_EQ(c.p.toPixel(0, 0).y, 6);
  EXPECT_EQ(c.p.toPixel(4, 4).x, 6);
  c.p.resetWindow();
  EXPECT_EQ(c.p.toPixel(0, 0).x, 2);    // logical = pixels from the viewport corner
}

// Pixels round halves away from zero, both signs, as std::lround does.
TEST(Painter, PixelRoundingMatchesLround) {
  Canvas c(64, 64);
  c.p.resetWindow();
  for (int i = -4000; i <= 4000; ++i) {
    const float v = float(i) / 8.0f;  // every half and quarter exactly
    const float w = std::nextafter(v, 0.0f);
    EXPECT_EQ(c.p.toPixel(v, w).x, std::lround(double(v))) << v;
    EXPECT_EQ(c.p.toPixel(v, w).y, std::lround(double(w))) << w;
  }
  EXPECT_EQ(c.p.toPixel(3e9f, -3e9f).x, 1000000000) << "far points stay far, within an int";
  EXPECT_EQ(c.p.toPixel(3e9f, -3e9f).y, -1000000000);
}

TEST(Painter, LinesAreContinuousAndHitBothEnds) {
  struct Case { int x1, y1, x2, y2, pixels; };
  const Case cases[] = {
      {0, 0, 9, 0, 10}, {0, 0, 0, 9, 10}, {0, 0, 9, 9, 10}, {9, 9, 0, 0, 10},
      {0, 9, 9, 0, 10}, {1, 2, 8, 5, 8},  {5, 5, 5, 5, 1},
  };
  for (const Case& k : cases) {
    Canvas c(10, 10);
    c.p.line(float(k.x1), float(k.y1), float(k.x2), float(k.y2), 3);
    SCOPED_TRACE(std::to_string(k.x1) + "," + std::to_string(k.y1) + " - " + std::to_string(k.x2) + "," +
                 std::to_string(k.y2) + "\n" + c.picture());
    EXPECT_EQ(c.fb.at(k.x1, k.y1), 3);
    EXPECT_EQ(c.fb.at(k.x2, k.y2), 3);
    EXPECT_EQ(c.count(3), k.pixels);
  }
}

TEST(Painter, PenWidthDrawsBandsAcrossTheLine) {
  Canvas c(20, 20);
  c.p.setPenWidth(3);
  c.p.line(2, 10, 17, 10, 1);   // horizontal: three rows
  EXPECT_EQ(c.count(1), 16 * 3) << c.picture();
  EXPECT_EQ(c.fb.at(5, 9), 1);
  EXPECT_EQ(c.fb.at(5, 11), 1);
  EXPECT_EQ(c.fb.at(5, 12), 0);

  Canvas v(20, 20);
  v.p.setPenWidth(2);
  v.p.line(10, 2, 10, 17, 2);   // vertical: two columns
  EXPECT_EQ(v.count(2), 16 * 2) << v.picture();
  EXPECT_EQ(v.p.penWidth(), 2);
  v.p.setPenWidth(0);
  EXPECT_EQ(v.p.penWidth(), 1);
}

TEST(Painter, ClipsToTheViewportAndSurvivesWildCoordinates) {
  Canvas c(10, 10);
  c.p.setViewport(2, 2, 7, 7);
  c.p.line(-100, 5, 100, 5, 4);
  EXPECT_EQ(c.count(4), 6) << c.picture();
  EXPECT_EQ(c.fb.at(1, 5), 0);
  EXPECT_EQ(c.fb.at(8, 5), 0);

  const float inf = std::numeric_limits<float>::infinity();
  const float nan = std::numeric_limits<float>::quiet_NaN();
  Canvas w(10, 10);
  w.p.line(-1e30f, -1e30f, 1e30f, 1e30f, 5);   // the diagonal through the picture
  EXPECT_EQ(w.fb.at(0, 0), 5) << w.picture();
  EXPECT_EQ(w.fb.at(9, 9), 5);
  Canvas z(10, 10);
  z.p.line(nan, 0, 5, 5, 6);
  z.p.line(0, 0, inf, inf, 6);
  z.p.line(-inf, 3, inf, 3, 6);
  z.p.fillBox(nan, 0, 5, 5, 6);
  z.p.circle(5, 5, inf, 6);
  z.p.circle(nan, 5, 3, 6);
  z.p.point(nan, nan, 6);
  z.p.line(50, 50, 60, 60, 6);                  // wholly outside
  EXPECT_EQ(z.p.colorAt(nan, 0), -1);
  // Infinite ends are held far away: the diagonal and row 3 are drawn.
  EXPECT_EQ(z.count(6), 10 + 10 - 1) << z.picture();
}

// A polyline is the lines between its points, pixel for pixel: with thin
// and wide pens, points inside, outside and on the edge of the viewport,
// and a window mapping that scales each axis differently.
TEST(Painter, PolylineDrawsTheSamePixelsAsItsLines) {
  std::mt19937 random(5);
  std::uniform_real_distribution<float> along(-20, 120);
  for (int pen : {1, 3}) {
    Canvas lines(64, 48), poly(64, 48);
    for (Canvas* c : {&lines, &poly}) {
      c->p.setViewport(4, 3, 59, 44);
      c->p.setWindow(0, 0, 100, 70, true);
      c->p.setPenWidth(pen);
    }
    for (int shape = 0; shape < 200; ++shape) {
      std::vector<float> xy;
      for (int i = 0; i < 2 + shape % 9; ++i) {
        xy.push_back(shape % 3 ? std::round(along(random) * 4) / 4 : along(random));
        xy.push_back(along(random) * 0.7f);
      }
      const int color = 1 + shape % 7;
      for (size_t i = 2; i < xy.size(); i += 2) lines.p.line(xy[i - 2], xy[i - 1], xy[i], xy[i + 1], color);
      poly.p.polyline(xy, color);
    }
    EXPECT_EQ(poly.fb.pixels, lines.fb.pixels) << "pen " << pen << "\n" << poly.picture();
    EXPECT_GT(poly.count(0), 0);
  }
  Canvas one(8, 8);
  one.p.polyline(std::vector<float>{3, 3}, 5);  // a single point draws nothing
  EXPECT_EQ(one.count(5), 0);
}

TEST(Painter, BoxFillBoxPointAndColorAt) {
  Canvas c(10, 10);
  c.p.box(1, 1, 5, 4, 2);
  EXPECT_EQ(c.count(2), 14) << c.picture();
  EXPECT_EQ(c.fb.at(3, 2), 0);
  c.p.fillBox(6, 6, 8, 8, 3);
  EXPECT_EQ(c.count(3), 9);
  c.p.fillBox(8, -5, 20, 1, 4);   // clipped
  EXPECT_EQ(c.count(4), 4) << c.picture();
  c.p.point(0, 9, 7);
  EXPECT_EQ(c.p.colorAt(0, 9), 7);
  EXPECT_EQ(c.p.colorAt(3, 1), 2);
  EXPECT_EQ(c.p.colorAt(3, 2), 0);
  EXPECT_EQ(c.p.colorAt(10, 0), -1);
  EXPECT_EQ(c.p.colorAt(-1, 0), -1);
  c.p.clear();
  EXPECT_EQ(c.count(0), 100);
}

TEST(Painter, CircleRadiusAspectAndArcs) {
  Canvas c(41, 41);
  c.p.circle(20, 20, 10, 1);
  for (auto [x, y] : {std::pair{30, 20}, {10, 20}, {20, 10}, {20, 30}}) EXPECT_EQ(c.fb.at(x, y), 1) << x << "," << y;
  EXPECT_EQ(c.fb.at(20, 20), 0);
  EXPECT_EQ(c.fb.at(28, 28), 0);   // outside a radius-10 circle at 45 degrees (11.3 away)
  EXPECT_EQ(c.fb.at(27, 27), 1);   // on it (9.9 away)

  Canvas e(41, 41);
  e.p.circle(20, 20, 10, 1, 0, 0, 0.5f);   // half as tall
  EXPECT_EQ(e.fb.at(30, 20), 1);
  EXPECT_EQ(e.fb.at(20, 15), 1) << e.picture();
  EXPECT_EQ(e.fb.at(20, 10), 0);

  // Upper half in a y-up window: counter-clockwise from 0 to pi.
  Canvas a(41, 41);
  a.p.setWindow(-20, -20, 20, 20, true);
  a.p.circle(0, 0, 10, 2, 0, 3.14159265f);
  EXPECT_EQ(a.fb.at(20, 10), 2) << a.picture();  // top of the circle
  EXPECT_EQ(a.fb.at(20, 30), 0);                 // bottom stays empty
  EXPECT_EQ(a.fb.at(20, 20), 0);                 // no radius lines

  // The same angles in a screen-axes window go the other way on the screen.
  Canvas s(41, 41);
  s.p.setWindow(-20, -20, 20, 20, false);
  s.p.circle(0, 0, 10, 2, 0, 3.14159265f);
  EXPECT_EQ(s.fb.at(20, 30), 2) << s.picture();
  EXPECT_EQ(s.fb.at(20, 10), 0);

  // Negative angles add the radius lines of a pie slice.
  Canvas p(41, 41);
  p.p.setWindow(-20, -20, 20, 20, true);
  p.p.circle(0, 0, 10, 3, -0.0001f, -1.5707963f);
  EXPECT_EQ(p.fb.at(20, 20), 3) << p.picture();  // centre
  EXPECT_EQ(p.fb.at(25, 20), 3);                 // along the start radius
  EXPECT_EQ(p.fb.at(20, 15), 3);                 // along the end radius
  EXPECT_EQ(p.fb.at(10, 20), 0);                 // the left side is not drawn
}

}  // namespace
}  // namespace vorn
