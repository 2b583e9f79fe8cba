#include "display/path_drawing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "interp/runner.h"
#include "interp/text_program.h"

namespace vorn {
namespace {

// A 640x400 framebuffer: at scale 2 and centre 0 one pixel is 0.5 mm and
// the point (u, v) lands on pixel ((u + 160) * 2, (100 - v) * 2).
Framebuffer blank(int width, int height) {
  Framebuffer fb;
  fb.resize(width, height);
  return fb;
}

struct Pixels {
  Framebuffer fb = blank(640, 400);
  Painter painter{fb};
  PainterCanvas canvas{painter, drawingViewport(0, 0, 640, 400)};
  int at(float u, float v) const {
    const PixelPoint p = painter.toPixel(u, v);
    return fb.at(p.x, p.y);
  }
  // Rows of column x (pixels) holding colour c.
  int columnCount(int x, int c) const {
    int n = 0;
    for (int y = 0; y < fb.height; ++y) n += fb.at(x, y) == c;
    return n;
  }
  int count(int c) const {
    int n = 0;
    for (uint8_t p : fb.pixels) n += p == c;
    return n;
  }
};

// Records what is drawn, in drawing coordinates.
struct Trace : Canvas {
  struct Line {
    float u1, v1, u2, v2;
    int color, pen;
  };
  std::vector<Line> lines;
  std::vector<std::array<float, 3>> circles;
  PixelRect vp{0, 0, 639, 399};
  int pen = 1;
  void setWindow(const DrawWindow&) override {}
  const PixelRect& viewport() const override { return vp; }
  void setPenWidth(int p) override { pen = p; }
  int penWidth() const override { return pen; }
  void line(float u1, float v1, float u2, float v2, int color) override {
    lines.push_back({u1, v1, u2, v2, color, pen});
  }
  void dot(float, float, int, int) override {}
  void circle(float u, float v, float r, int) override { circles.push_back({u, v, r}); }
  int colorAt(float, float) const override { return 0; }
  void clear() override { lines.clear(); }
};

Move lineMove(float mode, Point3 from, Point3 to, float cg = 1) {
  Move m;
  m.draws = true;
  m.GL2 = mode;
  m.from = from;
  m.to = to;
  m.rest = to;
  for (int i = 0; i < 3; ++i) m.delta[i] = to[i] - from[i];
  m.CG = cg;
  return m;
}

// A counter-clockwise full circle about (cx, cy) starting at angle 0.
Move fullArc(float cx, float cy, float r, float plane = 17) {
  Move m = lineMove(3, {cx + r, cy, 0}, {cx + r, cy, 0});
  m.plane = plane;
  m.centre = {cx, cy, 0};
  m.ZSC = r;
  m.CO = 0;
  m.CP = 6.28318f;
  return m;
}

TEST(PathDrawingStart, WorkOutlineAroundBasePoint) {
  Pixels px;
  DrawingSetup setup;
  setup.workSize = {100, 60, 20};
  setup.basePoint = 5;
  PathDrawing d(px.canvas, setup);
  d.start({0, 0, 0});
  // Base point 5 centres the work on the origin.
  EXPECT_EQ(px.at(-50, 0), pathcolor::Work);
  EXPECT_EQ(px.at(50, 0), pathcolor::Work);
  EXPECT_EQ(px.at(0, 30), pathcolor::Work);
  EXPECT_EQ(px.at(0, -30), pathcolor::Work);
  EXPECT_EQ(px.at(0, 0), 0);
  EXPECT_EQ(d.currentPoint().ZBB, 0);

  // In view 2 the top face (Z 0) and the bottom face (Z -20) are lines; the
  // Z ratio 2 puts the bottom twice as far down.
  Pixels side;
  setup.H0V = view::XZ;
  setup.zRatio = 2;
  PathDrawing s(side.canvas, setup);
  s.start({0, 0, 0});
  EXPECT_EQ(side.at(0, 0), pathcolor::Work);
  EXPECT_EQ(side.at(0, -20), pathcolor::Work);
  EXPECT_EQ(side.at(0, -10), 0);
  const int top = side.painter.toPixel(0, 0).y, bottom = side.painter.toPixel(0, -20).y;
  EXPECT_NEAR(bottom - top, 80, 1);  // 20 mm x 2 px/mm x Z ratio 2
}

TEST(PathDrawingLines, RapidSettingAndFeed) {
  for (int ZU : {1, 2}) {
    Trace t;
    DrawingSetup setup;
    setup.ZU = ZU;
    PathDrawing d(t, setup);
    d.start({0, 0, 0});
    t.lines.clear();
    d.drawBlock(lineMove(0, {0, 0, 0}, {10, 0, 0}));
    d.drawBlock(lineMove(1, {10, 0, 0}, {10, 20, 0}));
    // Setting 2 draws nothing for the rapid; the feed starts at its end.
    ASSERT_EQ(t.lines.size(), ZU == 1 ? 2u : 1u) << "ZU " << ZU;
    if (ZU == 1) {
      EXPECT_EQ(t.lines[0].color, setup.CR);
    }
    const auto& feed = t.lines.back();
    EXPECT_EQ(feed.color, pathcolor::Feed);
    EXPECT_FLOAT_EQ(feed.u1, 10);
    EXPECT_FLOAT_EQ(feed.v1, 0);
    EXPECT_FLOAT_EQ(feed.v2, 20);
  }
}

TEST(PathDrawingLines, WideFeedHasBorder) {
  // T1 with radius 3 at scale 2: pen 12 pixels, border 14 pixels in colour 1.
  Pixels px;
  DrawingSetup setup;
  PathDrawing d(px.canvas, setup);
  d.start({-50, 0, 0});
  d.drawBlock(lineMove(1, {-50, 0, 0}, {50, 0, 0}, 2 * 3 * 2));
  const int x = px.painter.toPixel(0, 0).x;
  EXPECT_EQ(px.columnCount(x, setup.Y6), 12);
  EXPECT_EQ(px.columnCount(x, pathcolor::WideBorder), 2);
  EXPECT_EQ(px.at(0, 0), setup.Y6);
}

TEST(PathDrawingArcs, FullCircleSegments) {
  EXPECT_EQ(PathDrawing::arcSegments(6.28318f, 10, 2, 9), 80);
  EXPECT_EQ(PathDrawing::arcSegments(-6.28f, 10, 2, 9), 80);
  EXPECT_EQ(PathDrawing::arcSegments(3.14159f, 10, 2, 9), 40);
  EXPECT_EQ(PathDrawing::arcSegments(NAN, 10, 2, 9), 0);
  EXPECT_LE(PathDrawing::arcSegments(6.28f, 1e30f, 60, 60), 200000);

  Trace t;
  DrawingSetup setup;
  PathDrawing d(t, setup);
  d.start({10, 0, 0});
  t.lines.clear();
  d.drawBlock(fullArc(0, 0, 10));
  ASSERT_EQ(t.lines.size(), 81u);  // 80 segments and the closing line
  for (const auto& l : t.lines) {
    EXPECT_EQ(l.color, pathcolor::Arc);
    EXPECT_NEAR(std::hypot(l.u2, l.v2), 10, 1e-3);
  }
  EXPECT_FLOAT_EQ(t.lines.back().u2, 10);
  EXPECT_FLOAT_EQ(t.lines.back().v2, 0);
}

TEST(PathDrawingArcs, EdgeOnInSideViews) {
  struct Case {
    int view;
    float plane;
    bool horizontal;  // the arc is seen as a horizontal line
    float extent;     // its extent along that line
  };
  const Case cases[] = {
      {view::XZ, 17, true, 20},   // XY arc seen from the front
      {view::ZY, 17, true, 10},   // XY arc seen from the side: Y from 0 to 10
      {view::XZ, 19, false, 10},  // YZ arc seen from the front: vertical, Z from 0 to 10
      {view::XY, 18, true, 0},    // plan view: a straight line to the end
  };
  for (const Case& c : cases) {
    Trace t;
    DrawingSetup setup;
    setup.H0V = c.view;
    PathDrawing d(t, setup);
    Move arc = fullArc(0, 0, 10, c.plane);
    // Half circle from angle 0 to pi, ending at (-10, 0) in the arc's plane.
    arc.CP = 3.14159f;
    arc.to = c.plane == 19 ? Point3{0, -10, 0} : Point3{-10, 0, 0};
    d.start(arc.from);
    t.lines.clear();
    d.drawBlock(arc);
    float lo = 1e9f, hi = -1e9f;
    for (const auto& l : t.lines) {
      const float along = c.horizontal ? l.u2 : l.v2;
      const float across = c.horizontal ? l.v2 : l.u2;
      lo = std::min(lo, along);
      hi = std::max(hi, along);
      EXPECT_NEAR(across, 0, 1e-4) << "view " << c.view << " plane " << c.plane;
    }
    if (c.extent > 0) {
      EXPECT_NEAR(hi - lo, c.extent, 0.05) << "view " << c.view;
    } else {
      EXPECT_EQ(t.lines.size(), 1u);
    }
  }
}

TEST(PathDrawingArcs, ThreeDViewArcsInTheirOwnPlane) {
  // View 4 at 0 degrees projects (x, y, z) to (x, y + z). A half circle of
  // radius 10 from angle 0 to pi about the origin, tool at Y 3 (G18) or X 3 (G19).
  struct Case {
    float plane;
    Point3 end;
    float fixedU;  // G19: every point keeps X 3 as its horizontal
  };
  for (const Case& c : {Case{18, {-10, 3, 0}, NAN}, Case{19, {3, -10, 0}, 3}}) {
    Trace t;
    DrawingSetup setup;
    setup.H0V = view::ThreeD;
    setup.angle = 0;
    PathDrawing d(t, setup);
    Move arc = fullArc(0, 0, 10, c.plane);
    arc.CP = 3.14159f;
    arc.from = c.plane == 18 ? Point3{10, 3, 0} : Point3{3, 10, 0};
    arc.to = c.end;
    d.start(arc.from);
    t.lines.clear();
    d.drawBlock(arc);
    ASSERT_EQ(t.lines.size(), 41u) << "plane " << c.plane;
    const auto& top = t.lines[19];  // the 20th point of 40: the top of the half circle
    if (c.plane == 18) {
      // X along, Z across, the fixed Y adds to the vertical.
      EXPECT_NEAR(top.u2, 0, 0.5);
      EXPECT_NEAR(top.v2, 3 + 10, 0.1);
    } else {
      // Y along, Z across: Y and Z both go up the screen.
      EXPECT_NEAR(top.v2, 10, 0.5);
      for (const auto& l : t.lines) EXPECT_FLOAT_EQ(l.u2, c.fixedU);
    }
  }

  // An XY arc in view 4 turns with the rotation: at 90 degrees its start
  // (10, 0) is drawn straight up.
  Trace t;
  DrawingSetup setup;
  setup.H0V = view::ThreeD;
  setup.angle = 90;
  PathDrawing d(t, setup);
  Move arc = fullArc(0, 0, 10);
  d.start({10, 0, 0});
  t.lines.clear();
  d.drawBlock(arc);
  EXPECT_NEAR(t.lines[0].u2, -10 * std::sin(3.1415f / std::sqrt(20.0f) / 9), 0.01);
  EXPECT_NEAR(t.lines.back().v2, 10, 1e-4);
}

TEST(PathDrawingArcs, RecutShowsInShade) {
  Pixels px;
  DrawingSetup setup;
  PathDrawing d(px.canvas, setup);
  d.start({-40, 0, 0});
  // A wide feed through the circle's left and right sides, then a wide circle.
  d.drawBlock(lineMove(1, {-40, 0, 0}, {40, 0, 0}, 6));
  Move arc = fullArc(0, 0, 20);
  arc.CG = 6;
  arc.from = arc.to = {20, 0, 0};
  d.drawBlock(arc);
  EXPECT_EQ(px.at(0, 20), setup.Y6);        // top of the circle: first cut
  EXPECT_EQ(px.at(0, -20), setup.Y6);       // bottom: first cut
  EXPECT_EQ(px.at(-20, 0), setup.Y6 - 1);   // where the feed band was: re-cut
}

TEST(PathDrawingMarks, OriginCrossLeavesCurrentPoint) {
  Pixels px;
  DrawingSetup setup;
  PathDrawing d(px.canvas, setup);
  d.start({10, 10, 0});
  Move g92 = lineMove(1, {10, 10, 0}, {10, 10, 0}, 12);
  g92.Y1 = 92;
  g92.offset = {30, -20, 0};
  d.drawBlock(g92);
  for (auto [du, dv] : {std::pair{-3.0f, 0.0f}, {3, 0}, {0, -3}, {0, 3}, {0, 0}})
    EXPECT_EQ(px.at(30 + du, -20 + dv), pathcolor::OriginMark) << du << "," << dv;
  // One pixel wide: the vertical arm's column holds 6 mm of pixels.
  EXPECT_NEAR(px.columnCount(px.painter.toPixel(30, 0).x, pathcolor::OriginMark), 13, 1);
  EXPECT_EQ(px.at(30, -24), 0);
  EXPECT_FLOAT_EQ(d.currentPoint().ZBB, 10);
  EXPECT_FLOAT_EQ(d.currentPoint().ZMX, 10);
  EXPECT_EQ(px.count(setup.Y6), 0);  // not drawn as a cut
}

TEST(PathDrawingMarks, ReferenceReturnJumpsWithoutLine) {
  Trace t;
  DrawingSetup setup;
  PathDrawing d(t, setup);
  d.start({0, 0, 0});
  t.lines.clear();
  Move g28 = lineMove(1, {0, 0, 0}, {5, 5, 0});
  g28.Y1 = 28;
  g28.rest = {50, 50, 0};
  d.drawBlock(g28);
  ASSERT_EQ(t.lines.size(), 1u);
  EXPECT_EQ(t.lines[0].color, setup.CR);
  EXPECT_FLOAT_EQ(d.currentPoint().ZBB, 50);
}

TEST(PathDrawingCycles, PecksAndToolMarks) {
  struct Case {
    int view;
    float mode;
    size_t marks;  // tool marks: circles in plan views, horizontal colour-3 lines otherwise
  };
  const Case cases[] = {{view::XY, 83, 1}, {view::XZ, 83, 4}, {view::XZ, 81, 1}};
  for (const Case& c : cases) {
    Trace t;
    DrawingSetup setup;
    setup.H0V = c.view;
    setup.CR = 2;  // apart from the tool-mark colour
    PathDrawing d(t, setup);
    d.start({0, 0, 10});
    Move m = lineMove(c.mode, {0, 0, 10}, {20, 0, -8});
    m.initialZ = 10;
    m.CJ = 2;
    m.TXF = -8;
    m.peck = 3;  // pecks at -1, -4, -7, then the bottom
    m.repeats = 1;
    m.WN2H = 2;
    d.drawBlock(m);
    size_t marks = t.circles.size();
    for (const auto& l : t.lines) marks += l.color == pathcolor::ToolMark;
    EXPECT_EQ(marks, c.marks) << "view " << c.view << " mode " << c.mode;
  }

  // Repeats with a step: three holes 10 mm apart, back at the initial Z (G98).
  Trace t;
  DrawingSetup setup;
  PathDrawing d(t, setup);
  d.start({0, 0, 10});
  Move m = lineMove(81, {0, 0, 10}, {10, 0, -5});
  m.initialZ = 10;
  m.CJ = 2;
  m.TXF = -5;
  m.repeats = 3;
  m.holeStep = {10, 0};
  m.WN2H = 1;
  d.drawBlock(m);
  ASSERT_EQ(t.circles.size(), 3u);
  EXPECT_FLOAT_EQ(t.circles[0][0], 10);
  EXPECT_FLOAT_EQ(t.circles[2][0], 30);
  EXPECT_FLOAT_EQ(t.circles[2][2], 1);
}

TEST(PathDrawingThreads, BoxInThreadColour) {
  Pixels px;
  DrawingSetup setup;
  setup.H0V = view::Lathe;
  PathDrawing d(px.canvas, setup);
  d.start({0, 10, 0});
  Move m = lineMove(39, {0, 10, 0}, {-30, 8, -30});
  m.TXF = -30;
  m.rest = {0, 10, 0};
  d.drawBlock(m);
  EXPECT_EQ(px.at(-15, 10), pathcolor::Thread);
  EXPECT_EQ(px.at(-15, 8), pathcolor::Thread);
  EXPECT_EQ(px.at(-30, 9), pathcolor::Thread);
  EXPECT_FLOAT_EQ(d.currentPoint().ZBB, 0);  // the lathe cycle returns to its start
}

TEST(PathDrawingViews, RotatedPlanAndCentre) {
  // θ = 90 in view 4: a move along +X is drawn straight up.
  Trace t;
  DrawingSetup setup;
  setup.H0V = view::ThreeD;
  setup.angle = 90;
  PathDrawing d(t, setup);
  d.start({0, 0, 0});
  t.lines.clear();
  d.drawBlock(lineMove(1, {0, 0, 0}, {10, 0, 0}));
  ASSERT_EQ(t.lines.size(), 1u);
  EXPECT_FLOAT_EQ(t.lines[0].u2, 0);
  EXPECT_FLOAT_EQ(t.lines[0].v2, 10);
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// Every line end drawn while a program runs through the interpreter. Corner
// points carry the interpreter's rounding (its 1.5708 and 3.1416), hence 0.05.
std::vector<Trace::Line> drawProgram(std::vector<std::string> lines, RunSettings settings) {
  Trace t;
  DrawingSetup setup;
  PathDrawing d(t, setup);
  TextProgram program(std::move(lines));
  Runner runner(program, standardCodeTable(), settings);
  d.start(settings.start);
  t.lines.clear();
  while (runner.step()) {
    if (runner.move().I1M.empty() && runner.move().draws) d.drawBlock(runner.move());
  }
  EXPECT_EQ(runner.result().I1M, "");
  return t.lines;
}

bool reaches(const std::vector<Trace::Line>& lines, float u, float v) {
  for (const auto& l : lines)
    if (std::abs(l.u2 - u) < 0.05f && std::abs(l.v2 - v) < 0.05f) return true;
  return false;
}

TEST(PathDrawingCompensation, SquareInsideByTheRadius) {
  RunSettings settings;
  settings.IDMX = 1;
  settings.toolRadius[1] = 5;
  // An anticlockwise square with G41: the tool centre runs 5 mm inside.
  const auto lines = drawProgram({"G90 G00 X0 Y0", "G41 D1 G01 X50. F100", "Y50.", "X0",
                                  "Y0", "X50.", "G40 G00 X60. Y-10."},
                                 settings);
  for (auto [u, v] : {std::pair{45.0f, 5.0f}, {45, 45}, {5, 45}, {5, 5}})
    EXPECT_TRUE(reaches(lines, u, v)) << "corner " << u << "," << v;
  EXPECT_FALSE(reaches(lines, 50, 50));  // the programmed corner is not drawn
}

TEST(PathDrawingCompensation, SharpTurnGetsTwoCornerPoints) {
  RunSettings settings;
  settings.IDMX = 1;
  settings.toolRadius[1] = 5;
  // Under G41 a right turn of 135 degrees: two corner points joined by a line.
  const auto lines = drawProgram({"G90 G00 X0 Y0", "G41 D1 G01 X50. F100", "X0 Y-50.",
                                  "X-20.", "G40 G00 X0 Y0"},
                                 settings);
  // C1: the first offset end (50, 5) moved on by 5 along +X.
  EXPECT_TRUE(reaches(lines, 55, 5));
}

}  // namespace
}  // namespace vorn
