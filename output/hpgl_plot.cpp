#include "output/hpgl_plot.h"

#include <cmath>

#include "runtime/numtext.h"

namespace vorn {

namespace {
constexpr double kPatternPerMm = 14.142;   // per cent of the P1-P2 diagonal (14.142 mm) per mm
constexpr double kDegrees = 57.295;
}  // namespace

HpglPlot::HpglPlot(HpglWriter& out, const PlotJob& job) : out_(out), job_(job) {
  // The screen refuses a 0 scale or Z ratio; a caller that skipped it gets 1.
  if (!(job_.settings.YYB > 0)) job_.settings.YYB = 1;
  if (!(job_.settings.F6P3 > 0)) job_.settings.F6P3 = 1;
  view_.H0V = job.H0V;
  view_.setRotation(job.angle);
}

std::string HpglPlot::at(const DrawPoint& p) const { return hpSingle(p.ZBB) + "," + hpSingle(p.ZMX); }

void HpglPlot::initialise() {
  out_.command("IN;IP0,0,400,400;SI.2,.28");
  const PlotSettings& s = job_.settings;
  const PaperArea paper = paperArea(s.S2);
  const DrawPoint c = project(job_.centre[0], job_.centre[1], job_.centre[2]);
  const float k = view_.verticalFactor(s.F6P3);
  const float hx = paper.RX / 2 / s.YYB;
  const float hy = paper.RY / 2 / s.YYB / k;
  const float unit = 10 / s.YYB;
  const double left = double(c.ZBB) - hx, bottom = double(c.ZMX) - hy;
  out_.command("SC" + hpComputed(left) + "," + hpComputed(left + unit) + "," + hpComputed(bottom) +
               "," + hpComputed(bottom + double(unit) / k));
  out_.command("VS" + hpSingle(s.V1));
  SETDW = s.X7 > 0 ? s.X7 : 8;
  penSelect();
}

void HpglPlot::penSelect() {
  pen_ = SETDW < 9 ? SETDW : SETDW - 8;
  out_.command("SP" + hpSingle(pen_));
}

void HpglPlot::penUp(const DrawPoint& p) {
  out_.command("PU" + at(p));
  PBB = 0;
}

void HpglPlot::penDown(const DrawPoint& p) {
  out_.command("PD" + at(p));
  PBB = 1;
}

void HpglPlot::workOutline() {
  const float type = job_.settings.X4;
  out_.command("LT" + hpSingle(type) + (type > 0 ? ",35.355" : ""));
  const float wx = job_.workSize[0], wy = job_.workSize[1], wz = job_.workSize[2];
  const auto corner = workReferenceCorner(job_.basePoint, wx, wy);
  penUp(project(corner[0], corner[1], 0));
  switch (job_.H0V) {
    case view::XZ: out_.command("ER" + hpSingle(-wx) + hpSingle(-wz)); break;
    case view::ZY: out_.command("ER" + hpSingle(wy) + hpSingle(-wz)); break;
    case view::ThreeD:
      penDown(project(corner[0], corner[1] + wy, 0));
      penDown(project(corner[0] - wx, corner[1] + wy, 0));
      penDown(project(corner[0] - wx, corner[1], 0));
      penDown(project(corner[0], corner[1], 0));
      break;
    default: out_.command("ER" + hpSingle(-wx) + hpSingle(wy)); break;  // XY and lathe
  }
  out_.command("LT");
}

void HpglPlot::startAt(const Point3& p) { penUp(project(p[0], p[1], p[2])); }

void HpglPlot::rapid(const DrawPoint& p, const Move& m) { rapid(p, m.delta[0], m.delta[1]); }

void HpglPlot::rapid(const DrawPoint& p, float dx, float dy) {
  const float dash = job_.settings.PAS;
  if (dash == 0 || (job_.H0V == view::XY && dx == 0 && dy == 0)) {
    penUp(p);
    return;
  }
  out_.command("LT2" + hpComputed(double(dash) * kPatternPerMm));
  penDown(p);
  out_.command("LT");
}

void HpglPlot::block(const Move& m) {
  if (!m.I1M.empty()) return;  // the run stops after a faulty block
  if (m.draws) {
    const int mode = int(m.GL2);
    // The reference return comes first (as on the screen): it is never the modal cut.
    if (m.Y1 == 28) {
      // The words of a reference return are no coordinates, so the block's
      // deltas stay 0: what moves is the way to the intermediate point.
      rapid(project(m.to[0], m.to[1], m.to[2]), m.to[0] - m.from[0], m.to[1] - m.from[1]);
      penUp(project(m.rest[0], m.rest[1], m.rest[2]));
    } else if (m.Y1 == 92) {
      // An origin set moves no tool.
    } else if (mode == 0) {
      rapid(project(m.to[0], m.to[1], m.to[2]), m);
    } else if (mode == 1) {
      penDown(project(m.to[0], m.to[1], m.to[2]));
    } else if (mode == 2 || mode == 3) {
      arc(m);
    } else if (mode == 12 || mode == 13) {
      fullCircle(m);
    } else if (mode == 32 || mode == 33 || mode == 39) {
      thread(m);
    } else if (mode > 70 && mode < 90) {
      cycle(m);
    }
  }
  if (m.toolNumber != lastTool_) {
    lastTool_ = m.toolNumber;
    if (m.toolNumber != SETDW) {
      SETDW = m.toolNumber;
      if (job_.settings.X7 == 0) penSelect();
    }
  }
}

int HpglPlot::chordAngle(float r) {
  if (!(r > 0.22f)) return 30;
  const double a = (double(r) - 0.22) / r;
  const int angle = int(std::trunc((1.57 - std::atan(a / std::sqrt(1 - a * a))) * kDegrees));
  return angle > 30 ? 30 : angle;
}

void HpglPlot::arc(const Move& m) {
  if (m.ZSC == 0) return;
  if (PBB == 0) {
    out_.command("PD");
    PBB = 1;
  }
  const ArcPlan plan = planArc(m, view_, job_.angle);
  const int p = int(m.plane);
  const int v = job_.H0V;
  if (plan.straight) {  // an arc of another plane seen edge-on in the plan
    penDown(plan.end);
    return;
  }
  const bool chords = (v == view::XZ && p != 18) || (v == view::ZY && p != 19) ||
                      (v == view::ThreeD && p != 17);
  arcOf(plan, chords);
}

void HpglPlot::arcOf(const ArcPlan& plan, bool chords) {
  if (chords) {
    chords_.clear();
    arcChordPoints(plan, view_, job_.settings.YYB, job_.ZC1, chords_);
    for (const DrawPoint& q : chords_) out_.command("PD" + at(q));
    penDown(plan.end);
    return;
  }
  const float r = plan.radius * job_.settings.YYB;
  const double cx = std::trunc(double(plan.centre.ZBB) * 10) / 10;
  const double cy = std::trunc(double(plan.centre.ZMX) * 10) / 10;
  out_.command("AA" + hpComputed(cx) + "," + hpComputed(cy) + "," +
               hpComputed((double(plan.CP) - plan.CO) * kDegrees) + numberText(chordAngle(r)));
  PBB = 1;
}

void HpglPlot::fullCircle(const Move& m) {
  // As on the screen: from the centre to the start point, round, back to the centre.
  rapid(project(m.to[0], m.to[1], m.to[2]), m.to[0] - m.centre[0], m.to[1] - m.centre[1]);
  const ArcPlan plan = planFullCircle(m, view_, job_.angle);
  arcOf(plan, plan.q1 == 0 || plan.q2 == 0);
  penUp(project(m.rest[0], m.rest[1], m.rest[2]));
}

void HpglPlot::holeMark(float radius) {
  switch (job_.H0V) {
    case view::XY:
    case view::ThreeD: out_.command("CI" + hpSingle(radius)); break;
    case view::XZ:
    case view::ZY:
      out_.command("PD;PR" + hpComputed(-double(radius)) + ",0," + hpComputed(2.0 * radius) + ",0;PA");
      PBB = 1;
      break;
    default: break;  // the lathe view marks no holes
  }
}

void HpglPlot::cycle(const Move& m) {
  const int mode = int(m.GL2);
  const bool pecking = job_.H0V != view::XY && (mode == 73 || mode == 83) && m.peck > 0;
  float x = m.to[0], y = m.to[1];
  for (int hole = 0; hole < m.repeats; ++hole) {
    if (hole > 0) {
      x += m.holeStep.x;
      y += m.holeStep.y;
    }
    rapid(project(x, y, m.initialZ), m);
    rapid(project(x, y, m.CJ), m);
    penDown(project(x, y, m.TXF));
    if (pecking) {
      int pecks = 0;
      for (float z = m.CJ - m.peck; z >= m.TXF && pecks < kMaxPecks; z -= m.peck, ++pecks) {
        rapid(project(x, y, z), m);
        holeMark(m.WN2H);
      }
      rapid(project(x, y, m.TXF), m);
    }
    holeMark(m.WN2H);
    penUp(project(x, y, m.returnLevel == 98 ? m.initialZ : m.CJ));
  }
}

void HpglPlot::thread(const Move& m) {
  const float a0 = m.from[0], b0 = m.from[1], b1 = m.to[1], t = m.TXF, z = m.to[2];
  rapid(project(a0, b1, z), m);
  penDown(project(t, b1, z));
  rapid(project(t, b0, z), m);
  rapid(project(a0, b0, z), m);
}

void HpglPlot::label(const PlotLabel& text) {
  out_.command("IN");
  // The pen again: a reset may put it away, and a label without a pen is lost.
  out_.command("SP" + hpSingle(pen_));
  const PaperArea paper = paperArea(job_.settings.S2);
  const std::string x = hpComputed((double(paper.RX) / 2 + 50) * 40);
  out_.command("PU" + x + ", 400");
  if (job_.settings.WR == 1) out_.label(text.H0X);
  out_.command("PU" + x + ", 200");
  std::string second = text.OSDATE;
  if (text.YGW > 9) second += " " + numberTextTrim(text.YGW);
  out_.label(second + " " + text.PCUSE);
}

void HpglPlot::endSequence() { out_.command("PR8000,21000;SP0;IN"); }

PlotOutcome plotProgram(const ProgramSource& program, const CodeTable& codes,
                        const RunSettings& settings, const PlotJob& job, const PlotLabel& label,
                        HpglWriter& out, IncludeReader includes, BlockNormalizer normalize,
                        const std::function<bool(const Move&)>& afterBlock) {
  HpglPlot plot(out, job);
  plot.initialise();
  plot.workOutline();
  Runner runner(program, codes, settings, std::move(includes), std::move(normalize));
  const InterpState& state = runner.interpreter().state();
  plot.startAt({state.ZVY, state.WT, state.UW});
  try {
    while (runner.step()) {
      const Move& m = runner.move();
      plot.block(m);
      if (afterBlock && !afterBlock(m)) runner.stop();
    }
  } catch (...) {
    // Left for the menu (or a failing included file): the plotter still gets
    // its pen back, unless writing to it is what failed.
    try {
      plot.endSequence();
    } catch (...) {
    }
    throw;
  }
  PlotOutcome outcome;
  outcome.run = runner.result();
  if (outcome.run.ZVZ == RunState::Ended) {
    plot.label(label);
    outcome.labelled = true;
  }
  plot.endSequence();
  return outcome;
}

}  // namespace vorn
