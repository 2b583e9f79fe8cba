#include "display/path_drawing.h"

#include <algorithm>
#include <cmath>

namespace vorn {

namespace {
constexpr int kMaxArcSegments = 200000;  // bounds absurd radii; real arcs stay far below
constexpr int kMaxPecks = 10000;
constexpr float kOriginArm = 3;          // mm, arm of the G92 cross
constexpr float kQuarterTurn = 1.57f;    // as the view 3 edge-on arc turns its angles

bool isArc(float mode) { return mode == 2 || mode == 3; }
}  // namespace

void ArcPlan::turnBy(int degrees) {
  const float rotation = float(degrees) / 57.296f;
  CO += rotation;
  CP += rotation;
}

ArcPlan planArc(const Move& m, const ViewTransform& view, int angle) {
  ArcPlan plan;
  plan.end = view.project(m.to[0], m.to[1], m.to[2]);
  // A plan view sees arcs of the other planes edge-on; an arc block that made
  // no arc (only a Z move) is a straight line as well.
  if ((view.H0V == view::XY && m.plane != 17) || m.ZSC <= 0) {
    plan.straight = true;
    return plan;
  }
  plan.centre = view.project(m.centre[0], m.centre[1], m.centre[2]);
  plan.radius = m.ZSC;
  plan.CO = m.CO;
  plan.CP = m.CP;
  plan.clockwise = m.GL2 == 2;
  const int v = view.H0V;
  if ((v == view::XZ || v == view::ZY) && m.plane == 17) {
    plan.q2 = 0;
    plan.centre.ZMX = plan.end.ZMX;
    if (v == view::ZY) {
      plan.CO -= kQuarterTurn;
      plan.CP -= kQuarterTurn;
    }
  } else if ((v == view::XZ && m.plane == 19) || (v == view::ZY && m.plane == 18)) {
    plan.q1 = 0;
    plan.centre.ZBB = plan.end.ZBB;
  } else if (v == view::ThreeD && m.plane == 17) {
    plan.turnBy(angle);
  } else if (v == view::ThreeD) {
    plan.ownPlane = int(m.plane);
    plan.centre3 = m.centre;
    plan.fixed = m.plane == 18 ? m.to[1] : m.to[0];
  }
  return plan;
}

ArcPlan planFullCircle(const Move& m, const ViewTransform& view, int angle) {
  ArcPlan plan;
  plan.centre = view.project(m.centre[0], m.centre[1], m.centre[2]);
  plan.radius = m.ZSC;
  plan.CO = m.CO;
  plan.CP = m.CP;
  plan.clockwise = m.GL2 == 12;
  plan.end = view.project(m.to[0], m.to[1], m.to[2]);
  if (view.H0V == view::ThreeD) {
    plan.turnBy(angle);
  } else if (view.H0V == view::XZ || view.H0V == view::ZY) {
    plan.q2 = 0;
    plan.centre.ZMX = plan.end.ZMX;
    if (view.H0V == view::ZY) {
      plan.CO -= kQuarterTurn;
      plan.CP -= kQuarterTurn;
    }
  }
  return plan;
}

namespace {
// The point of an arc at the direction (c, s) = (cosine, sine) from its centre.
DrawPoint arcPoint(const ArcPlan& plan, const ViewTransform& view, float c, float s) {
  const float along = plan.radius * c, across = plan.radius * s;
  if (plan.ownPlane == 18)
    return view.project(plan.centre3[0] + along, plan.fixed, plan.centre3[2] + across);
  if (plan.ownPlane == 19)
    return view.project(plan.fixed, plan.centre3[1] + along, plan.centre3[2] + across);
  return {plan.centre.ZBB + along * plan.q1, plan.centre.ZMX + across * plan.q2};
}
}  // namespace

void arcChordPoints(const ArcPlan& plan, const ViewTransform& view, float scale, float pitch,
                    std::vector<DrawPoint>& points) {
  const float perHalfTurn = std::sqrt(plan.radius * scale) * pitch;
  const float step = (plan.clockwise ? -3.1415f : 3.1415f) / perHalfTurn;
  const int segments = PathDrawing::arcSegments(plan.CP - plan.CO, plan.radius, scale, pitch);

  // Incremental rotation: one multiplication pair per point.
  const float stepCos = std::cos(step), stepSin = std::sin(step);
  float c = std::cos(plan.CO), s = std::sin(plan.CO);
  const size_t first = points.size();
  points.resize(first + size_t(std::max(segments, 0)));
  DrawPoint* out = points.data() + first;
  for (int i = 0; i < segments; ++i) {
    const float nc = c * stepCos - s * stepSin;
    s = c * stepSin + s * stepCos;
    c = nc;
    out[i] = arcPoint(plan, view, c, s);
  }
}

PathDrawing::PathDrawing(Canvas& canvas, const DrawingSetup& setup)
    : canvas_(canvas), setup_(setup) {
  view_.H0V = setup.H0V;
  view_.setRotation(setup.angle);
  pixelScale_ = pixelScale(canvas.viewport());
}

int PathDrawing::arcSegments(float sweep, float radius, float scale, float pitch) {
  const float perHalfTurn = std::sqrt(radius * scale) * pitch;
  const float count = std::abs(sweep) * perHalfTurn / 3.14159f;
  if (!std::isfinite(count) || count < 0) return 0;
  return int(std::min(count, float(kMaxArcSegments)));
}

int PathDrawing::penPixels(float width) const {
  const float pixels = std::round(width * pixelScale_);
  return std::isfinite(pixels) ? int(std::clamp(pixels, 1.0f, 4096.0f)) : 1;
}

void PathDrawing::setPen(float width) {
  CG = width;
  canvas_.setPenWidth(penPixels(width));
}

void PathDrawing::lineTo(DrawPoint p, int color) {
  canvas_.line(cur_.ZBB, cur_.ZMX, p.ZBB, p.ZMX, color);
  cur_ = p;
}

void PathDrawing::rapidTo(DrawPoint p) {
  // A hidden rapid only moves the current point: drawing it in colour 0
  // would cut holes into the path it crosses.
  if (setup_.ZU == 1) {
    lineTo(p, setup_.CR);
  } else {
    setPoint(p);
  }
}

void PathDrawing::feedTo(DrawPoint p) {
  if (CG <= 1) {
    lineTo(p, pathcolor::Feed);
    return;
  }
  // A wide path: a band two pixels wider in colour 1 first, drawn from the
  // new point back, so that the swept band gets an outline.
  const float width = CG;
  canvas_.setPenWidth(penPixels(width + 2));
  canvas_.line(p.ZBB, p.ZMX, cur_.ZBB, cur_.ZMX, pathcolor::WideBorder);
  canvas_.setPenWidth(penPixels(width));
  lineTo(p, setup_.Y6);
}

void PathDrawing::outline(float third) {
  const auto corner = workReferenceCorner(setup_.basePoint, setup_.workSize[0], setup_.workSize[1]);
  float first = corner[0], second = corner[1];
  setPoint(project({first, second, third}));
  second += setup_.workSize[1];
  lineTo(project({first, second, third}), pathcolor::Work);
  first -= setup_.workSize[0];
  lineTo(project({first, second, third}), pathcolor::Work);
  second -= setup_.workSize[1];
  lineTo(project({first, second, third}), pathcolor::Work);
  first += setup_.workSize[0];
  lineTo(project({first, second, third}), pathcolor::Work);
}

void PathDrawing::start(const Point3& startPosition) {
  canvas_.setWindow(windowSetUp(view_, setup_.scale, setup_.zRatio, setup_.centre));
  setPen(1);
  outline(0);
  if (view_.H0V != view::XY) outline(-setup_.workSize[2]);
  setPoint(project(startPosition));
}

void PathDrawing::drawBlock(const Move& m) {
  setPen(m.CG);
  if (m.compensatedDrawing) {
    drawCompensated(m);
    return;
  }
  // The one-shot codes come first: a reference return or an origin set is
  // never drawn as the modal cut.
  if (m.Y1 == 28) {
    rapidTo(project(m.to));
    setPoint(project(m.rest));
    return;
  }
  if (m.Y1 == 92) {
    drawOriginMark(m);
    return;
  }
  const int mode = int(m.GL2);
  if (mode == 0) {
    rapidTo(project(m.to));
  } else if (mode == 1) {
    feedTo(project(m.to));
  } else if (mode == 2 || mode == 3) {
    drawArcBlock(m);
  } else if (mode == 12 || mode == 13) {
    drawFullCircle(m);
  } else if (mode == 32 || mode == 33 || mode == 39) {
    drawThread(m);
  } else if (mode >= 70 && mode <= 89) {
    drawCycle(m);
  }
}

void PathDrawing::drawArcBlock(const Move& m) {
  const ArcPlan plan = planArc(m, view_, setup_.angle);
  if (plan.straight) {
    lineTo(plan.end, pathcolor::Arc);
    return;
  }
  drawArc(plan);
}

void PathDrawing::drawArc(const ArcPlan& plan) {
  // The chords run from the current point through the chord points to the end.
  arcPoints_.assign(1, cur_);
  arcChordPoints(plan, view_, setup_.scale, setup_.ZC1, arcPoints_);
  arcPoints_.push_back(plan.end);
  cur_ = plan.end;
  if (CG <= 1) {
    canvas_.polyline(arcPoints_, pathcolor::Arc);  // one call: each point is mapped once
    return;
  }
  // A re-cut shows in the shade below the arc colour. The colours are read
  // before this arc draws anything, so that its own wide band does not count.
  const int color = setup_.Y6;
  const size_t last = arcPoints_.size() - 1;
  arcColors_.assign(arcPoints_.size(), color + 1);
  for (size_t i = 1; i < last; ++i) arcColors_[i] = canvas_.colorAt(arcPoints_[i].ZBB, arcPoints_[i].ZMX);
  const DrawPoint first = arcPoint(plan, view_, std::cos(plan.CO), std::sin(plan.CO));
  canvas_.dot(first.ZBB, first.ZMX, penPixels(CG) + 1, color);
  for (size_t i = 1; i <= last; ++i) {
    const DrawPoint& from = arcPoints_[i - 1];
    const DrawPoint& to = arcPoints_[i];
    canvas_.line(from.ZBB, from.ZMX, to.ZBB, to.ZMX, arcColors_[i] == color ? color - 1 : color);
  }
}

void PathDrawing::drawFullCircle(const Move& m) {
  // The circle lies in the plan: centre and start point in X and Y.
  setPoint(project(m.centre));
  rapidTo(project(m.to));
  drawArc(planFullCircle(m, view_, setup_.angle));
  setPoint(project(m.rest));
}

void PathDrawing::toolMark(float radius) {
  const DrawPoint at = cur_;
  if (view_.H0V == view::XY || view_.H0V == view::ThreeD) {
    const float width = CG;
    setPen(1);
    canvas_.circle(at.ZBB, at.ZMX, radius, pathcolor::ToolMark);
    setPen(width);
  } else {
    canvas_.line(at.ZBB - radius, at.ZMX, at.ZBB + radius, at.ZMX, pathcolor::ToolMark);
  }
  setPoint(at);
}

void PathDrawing::drawCycle(const Move& m) {
  const int mode = int(m.GL2);
  const bool pecking = (mode == 73 || mode == 83) && m.peck > 0 && view_.H0V != view::XY;
  float x = m.to[0], y = m.to[1];
  for (int hole = 0; hole < m.repeats; ++hole) {
    if (hole > 0) {
      x += m.holeStep.x;
      y += m.holeStep.y;
    }
    auto at = [&](float z) { return project({x, y, z}); };
    const float retractZ = m.returnLevel == 98 ? m.initialZ : m.CJ;
    auto cutTo = [&](float depth) {
      feedTo(at(depth));
      toolMark(m.WN2H);
      rapidTo(at(retractZ));
    };
    rapidTo(at(m.initialZ));
    rapidTo(at(m.CJ));
    if (pecking) {
      int pecks = 0;
      for (float depth = m.CJ - m.peck; depth >= m.TXF && pecks < kMaxPecks;
           depth -= m.peck, ++pecks) {
        cutTo(depth);
        rapidTo(at(m.CJ));
      }
    }
    cutTo(m.TXF);
  }
}

void PathDrawing::drawThread(const Move& m) {
  const DrawPoint a = project(m.from);
  const DrawPoint b = project({m.TXF, m.to[1], m.to[2]});
  setPoint(a);
  lineTo({b.ZBB, a.ZMX}, pathcolor::Thread);
  lineTo(b, pathcolor::Thread);
  lineTo({a.ZBB, b.ZMX}, pathcolor::Thread);
  lineTo(a, pathcolor::Thread);
  setPoint(m.GL2 == 39 ? project(m.rest) : b);
}

void PathDrawing::drawOriginMark(const Move& m) {
  const float width = CG;
  const DrawPoint here = cur_;
  const DrawPoint o = project(m.offset);
  setPen(1);
  canvas_.line(o.ZBB - kOriginArm, o.ZMX, o.ZBB + kOriginArm, o.ZMX, pathcolor::OriginMark);
  canvas_.line(o.ZBB, o.ZMX - kOriginArm, o.ZBB, o.ZMX + kOriginArm, pathcolor::OriginMark);
  setPen(width);
  setPoint(here);
}

void PathDrawing::drawCompensated(const Move& m) {
  const CompElement& e = m.element;
  const float z = e.to[2];
  auto at = [&](Point2 p) { return project({p.x, p.y, z}); };
  if (isArc(e.GL2)) {
    // An arc is not trimmed to the corner: it ends at its own offset end.
    ArcPlan plan;
    plan.centre = at(e.centre);
    plan.radius = e.rho;
    plan.CO = e.CO;
    plan.CP = e.CP;
    plan.clockwise = e.GL2 == 2;
    plan.end = at(e.end);
    if (view_.H0V == view::ThreeD) plan.turnBy(setup_.angle);
    drawArc(plan);
    setPoint(at(m.C1));
  } else if (e.GL2 == 0) {
    rapidTo(at(m.C1));
  } else {
    feedTo(at(m.C1));
  }
  if (m.corner == 2) feedTo(at(m.C2));
}

}  // namespace vorn
