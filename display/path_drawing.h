#pragma once
// Draws a run on a canvas: the work outline and start point at the start,
// then every block's move record (rapid and feed lines, arcs and full circles
// as polylines, canned cycles with pecks and tool marks, thread boxes, the
// G28 and G92 marks, and the compensated tool-centre path). Drawing is
// incremental from the current point, always the projected previous position.
#include <array>
#include <vector>

#include "display/canvas.h"
#include "display/view.h"
#include "interp/move.h"

namespace vorn {

// Palette numbers of the drawing.
namespace pathcolor {
inline constexpr int Feed = 7;
inline constexpr int Arc = 6;
inline constexpr int Work = 1;
inline constexpr int ToolMark = 3;
inline constexpr int Thread = 4;
inline constexpr int OriginMark = 1;
inline constexpr int WideBorder = 1;
}  // namespace pathcolor

// Everything the drawing takes from the trajectory and environment settings.
struct DrawingSetup {
  int H0V = view::XY;                  // view: 1 XY, 2 XZ, 3 ZY, 4 3D, 5 lathe
  int angle = 10;                      // 3D rotation angle, whole degrees
  float zRatio = 1;                    // vertical stretch of the side views
  float scale = 2;                     // drawing scale s: 1/s mm is one nominal pixel
  std::array<float, 3> centre{};       // draw centre, mm
  std::array<float, 3> workSize{};     // work X, Y, Z, mm
  int basePoint = 1;                   // work base point 1-9
  int ZU = 1;                          // rapid drawing: 1 drawn in CR, 2 not drawn
  float ZC1 = 9;                       // arc pitch: segments per half turn scale with it
  int CR = 3;                          // rapid-line colour
  int Y6 = 11;                         // colour of paths drawn wide (the tool's width)
};

// An arc as a view sees it: what the screen draws as a polyline and the
// plotter sends as a plotter arc or as chords.
struct ArcPlan {
  DrawPoint centre;        // projected centre (cu, cv)
  float radius = 0;        // a1 = a2
  float q1 = 1, q2 = 1;    // horizontal and vertical factors; 0 sees the arc edge-on
  float CO = 0, CP = 0;    // start and end angle, radians
  bool clockwise = false;
  // View 4 with an arc in plane 18 or 19: points are taken in the arc's own
  // plane about centre3 and projected; fixed is the third axis (Y or X).
  int ownPlane = 0;
  Point3 centre3{};
  float fixed = 0;
  DrawPoint end;           // projected end point: the closing line goes there
  bool straight = false;   // seen edge-on in the plan view, or no arc made: a line to end

  // A plan arc seen in the 3D view turns with the view's rotation angle.
  void turnBy(int degrees);
};

// The plan of an arc block (motion 2 or 3) in a view rotated by `angle` degrees.
ArcPlan planArc(const Move& m, const ViewTransform& view, int angle);
// The plan of a full circle (motion 12 or 13): it lies in the plan.
ArcPlan planFullCircle(const Move& m, const ViewTransform& view, int angle);
// The chord points of an arc after its start (the end point not included),
// appended to `points`: the count of PathDrawing::arcSegments, one rotation
// step per point.
void arcChordPoints(const ArcPlan& plan, const ViewTransform& view, float scale, float pitch,
                    std::vector<DrawPoint>& points);

class PathDrawing {
 public:
  PathDrawing(Canvas& canvas, const DrawingSetup& setup);

  // Window set-up, work outline (top face, and the bottom face in views other
  // than XY), current point at the start position.
  void start(const Point3& startPosition);
  // Draws one block that moves, returns to the reference or sets the origin.
  void drawBlock(const Move& m);

  DrawPoint currentPoint() const { return cur_; }
  const ViewTransform& view() const { return view_; }
  Canvas& canvas() { return canvas_; }

  // Segments of an arc sweeping `sweep` radians on radius r: the integer
  // part of |sweep| x sqrt(r x scale) x pitch / 3.14159 (0 when not finite).
  static int arcSegments(float sweep, float radius, float scale, float pitch);

 private:
  DrawPoint project(const Point3& p) const { return view_.project(p[0], p[1], p[2]); }
  int penPixels(float width) const;
  void setPen(float width);
  void setPoint(DrawPoint p) { cur_ = p; }
  void lineTo(DrawPoint p, int color);
  void rapidTo(DrawPoint p);
  void feedTo(DrawPoint p);
  void outline(float third);

  void drawArcBlock(const Move& m);
  void drawArc(const ArcPlan& plan);
  void drawFullCircle(const Move& m);
  void drawCycle(const Move& m);
  void toolMark(float radius);
  void drawThread(const Move& m);
  void drawOriginMark(const Move& m);
  void drawCompensated(const Move& m);

  Canvas& canvas_;
  DrawingSetup setup_;
  ViewTransform view_;
  float pixelScale_ = 1;     // viewport pixels per nominal pixel
  float CG = 1;              // pen width in nominal pixels (2 x tool radius x scale when wide)
  DrawPoint cur_;            // the graphics layer's current point
  std::vector<DrawPoint> arcPoints_;  // reused per arc
  std::vector<int> arcColors_;        // colour under each arc point before drawing
};

}  // namespace vorn
