#include "output/machine_output.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "interp/compensation.h"
#include "runtime/numtext.h"
#include "shell/numeric.h"

namespace vorn {

namespace {

// The number text of a stored value without its leading blank.
std::string bare(float v) {
  std::string text = hpSingle(v);
  if (!text.empty() && text[0] == ' ') text.erase(0, 1);
  return text;
}

bool isArc(float mode) { return mode == 2 || mode == 3; }

}  // namespace

MachineDialect machineDialect(int ZN) {
  switch (ZN) {
    case 0: return {0, "^", "@", "V", "!", "Z", true};
    case 2: return {2, "", "!PZ", "!VZ", "!MC", "", false};
    case 3: return {3, "", "!PZ", "!VZ", "!MC", "!ZZ", false};
    case 4: return {4, "", "ZP", "ZV", "XS", "ZA", false};
    case 5: return {5, "", "!PZ", "!VZ", "!MC", "ZM", false};
    default: return {1, "", "", "", "", "", false};
  }
}

void MachiningConditions::fillDefaults() {
  if (ZD3 > 0 && ZD3 <= 20) return;
  ZD3 = 0;
  PAP = 9;
  E0 = 0.5f;
  WN = 20;
}

void MachineWriter::command(std::string_view text) {
  std::string out(text);
  out += lineEnd_ ? "\r\n" : ";";
  sink_.send(out);
  if (echo_) echo_(text);
}

void MachineWriter::passThrough(std::string_view text) {
  if (text.starts_with("LB")) {
    std::string out(text);
    out += '\x03';
    sink_.send(out);
    if (echo_) echo_(text);
    return;
  }
  command(text);
}

MachineOutput::MachineOutput(PlotSink& sink, const MachineType& type, const MachineOptions& options,
                             const MachiningConditions& conditions, const MachineWork& work)
    : out_(sink, machineDialect(type.ZN).lineEnd),
      d_(machineDialect(type.ZN)),
      type_(type),
      options_(options),
      cond_(conditions),
      work_(work) {
  // The screen refuses a 0 XY scale; a caller that skipped it gets 1.
  if (!(cond_.ZD3 > 0)) cond_.ZD3 = 1;
}

void MachineOutput::initialise() {
  if (options_.serial) {
    out_.raw("\x1b.M0;0;13;0;0:\x1b.I150;0;17:");
    out_.raw("\x1b.N;19:\x1b.@;0:");
  }
  const bool mirror = cond_.Z22 == 2;
  out_.command(d_.prefix + "DF;" + d_.prefix + "IP" + (mirror ? "10,0,0,10" : "0,0,10,10"));
  px_ = cond_.ZDT;
  if (mirror) {
    const float offset = work_.workX * cond_.ZD3;
    switch (work_.basePoint % 3) {
      case 1: px_ += offset; break;
      case 0: px_ -= offset; break;
      default: break;
    }
  }
  const float py = cond_.ZDTY, s = type_.ERDE;
  if (mirror) {
    out_.command(d_.prefix + "SC" + hpSingle(px_ - s) + "," + hpSingle(px_) + "," + hpSingle(-py) + "," +
                 hpSingle(-py + s));
  } else {
    out_.command(d_.prefix + "SC" + hpSingle(-px_) + "," + hpSingle(-px_ + s) + "," + hpSingle(-py) + "," +
                 hpSingle(-py + s));
  }
  if (d_.ZN == 1) out_.command("SP" + std::to_string(options_.IDXA));
  if (!d_.zSpeed.empty()) out_.command(d_.zSpeed + "3");
  MZM = std::min(type_.ZC, options_.E);
  ZZ = 0;
  MF1 = MZM;
  lastPair_.reset();
  MDM = -999;
  PBB = 0;
}

void MachineOutput::sendZPair() {
  if (d_.zPair.empty()) return;
  const std::pair<float, float> pair{ZZ, MF1};
  if (lastPair_ == pair) return;
  lastPair_ = pair;
  out_.command(d_.zPair + hpSingle(ZZ) + "," + bare(MF1));
}

void MachineOutput::motor(bool on) {
  if (!d_.motor.empty()) out_.command(d_.motor + (on ? "1" : "0"));
}

void MachineOutput::speed(float value) {
  out_.command(d_.prefix + "VS" + bare(value));
  if (!d_.zSpeed.empty()) out_.command(d_.zSpeed + bare(value));
}

float MachineOutput::cuttingSpeed(float feed) const {
  return cond_.WN > 0 ? cond_.WN : std::floor(feed / 60 + 0.5f);
}

void MachineOutput::penTo(const std::string& command, float x, float y, MachineStroke stroke) {
  out_.command(d_.prefix + command + hpSingle(x) + "," + hpSingle(y));
  MDM = std::max(MDM, y);
  traceTo(x, y, stroke);
}

// Sent coordinates to the table: the scaling window puts the user origin at
// the position, and the mirror's input window turns X round about it.
void MachineOutput::traceTo(float x, float y, MachineStroke stroke) {
  if (!trace_) return;
  trace_->moveTo(tableX(x), cond_.ZDTY + y, stroke);
}

// A plotter arc is drawn as the chords of the screen's fixed density, sqrt(r) x 6
// per half turn; centre and r are sent (scaled) values.
void MachineOutput::traceArc(const Point3& centre, float r, float CO, float CP) {
  if (!trace_) return;
  const float n = std::sqrt(r) * 6;
  const int steps = std::max(1, int(std::floor(std::fabs(CP - CO) * n / 3.14159f)));
  for (int i = 1; i <= steps; ++i) {
    const float a = CO + (CP - CO) * float(i) / float(steps);
    traceTo(centre[0] + r * std::cos(a), centre[1] + r * std::sin(a), MachineStroke::Arc);
  }
}

void MachineOutput::start(const Point3& p, float feed) {
  XW = type_.XW;
  sendZPair();
  penTo("PU", p[0] * cond_.ZD3, p[1] * cond_.ZD3, MachineStroke::Rapid);
  PBB = 0;
  at_ = p;
  speed(cuttingSpeed(feed));
  lastFeed_ = feed;
  motor(true);
}

float MachineOutput::scaledZ(float z) const { return z <= 0 ? z * cond_.IDMXU - cond_.PFZ : z; }

void MachineOutput::zMove(float z, bool up) {
  const float sz = scaledZ(z);
  if (up && sz <= 0) {
    // A return to a level at or below the surface, pen up: that level is the pen-up Z.
    MF1 = std::max(sz, type_.F6DZ);
    sendZPair();
    out_.command(d_.prefix + "PU");
    PBB = 0;
    return;
  }
  if (sz <= 0) {
    ZZ = sz;
  } else {
    MF1 = sz;
    ZZ = 0;
  }
  if (ZZ < type_.F6DZ) {
    ZZ = type_.F6DZ;
  } else if (MF1 > MZM) {
    MF1 = MZM;
  }
  sendZPair();
  out_.command(d_.prefix + (sz > 0 ? "PU" : "PD"));
  PBB = sz > 0 ? 0 : 1;
}

void MachineOutput::move3d(float x, float y, float z, float feed) {
  if (PBB == 0 && !d_.zSpeed.empty()) out_.command(d_.zSpeed + bare(type_.AWX));
  const float sz = std::clamp(scaledZ(z), type_.F6DZ, std::max(type_.F6DZ, MZM));
  out_.command(d_.move3d + hpSingle(x) + "," + hpSingle(y) + "," + hpSingle(sz));
  MDM = std::max(MDM, y);
  if (PBB != 0) speed(cuttingSpeed(feed));
}

void MachineOutput::linear(const Point3& to, const Point3& delta, const std::string& command, float feed) {
  const float x = to[0] * cond_.ZD3, y = to[1] * cond_.ZD3;
  const MachineStroke stroke = command == "PU" ? MachineStroke::Rapid : MachineStroke::Feed;
  at_ = to;
  if (delta[0] == 0 && delta[1] == 0) {
    zMove(to[2]);
    return;
  }
  const bool has3d = !d_.move3d.empty();
  if (delta[2] != 0 && has3d) {
    move3d(x, y, to[2], feed);
    traceTo(x, y, stroke);
    zMove(to[2]);
    return;
  }
  if (options_.ZC == 3) {
    if (has3d) {
      // Pen-up speeds around it: the move runs at the pen-up Z speed.
      const int pen = PBB;
      PBB = 0;
      move3d(x, y, to[2], feed);
      PBB = pen;
      traceTo(x, y, stroke);
      return;
    }
    penTo("PA", x, y, stroke);
  } else {
    penTo(command, x, y, stroke);
    if (command == "PU") PBB = 0;
  }
  if (delta[2] != 0) zMove(to[2]);
}

int MachineOutput::chordAngle(float r) const {
  const float res = options_.FIXT;
  if (!(r > res)) return 20;
  const double a = (double(r) - res) / r;
  const double angle = (1.57 - std::atan(a / std::sqrt(1 - a * a))) * 57.295;
  return angle > 20 ? 20 : int(std::trunc(angle));
}

void MachineOutput::arc(const Move& m) {
  arcOf(m.centre, m.ZSC, m.CO, m.CP, m.GL2 == 2, int(m.plane), m.to, m.delta, m.XF);
}

void MachineOutput::arcOf(const Point3& centre, float radius, float CO, float CP, bool clockwise, int plane,
                          const Point3& end, const Point3& delta, float feed) {
  const float r = radius * cond_.ZD3;
  if (r < options_.FIXT) {
    linear(end, delta, "PD", feed);
    return;
  }
  if (PBB == 0 && (options_.ZC == 1 || options_.ZC == 2)) {
    out_.command(d_.prefix + "PD");
    PBB = 1;
  }
  const bool g17 = plane == 17;
  at_ = end;
  if (g17 && d_.ZN != 0) {
    out_.command("AA" + hpSingle(centre[0] * cond_.ZD3) + "," + hpSingle(centre[1] * cond_.ZD3) + "," +
                 hpComputed((double(CP) - CO) * 57.2957) + numberText(float(chordAngle(r))));
    MDM = std::max(MDM, end[1] * cond_.ZD3);
    traceArc({centre[0] * cond_.ZD3, centre[1] * cond_.ZD3, 0}, r, CO, CP);
    traceTo(end[0] * cond_.ZD3, end[1] * cond_.ZD3, MachineStroke::Arc);  // the end exactly
    PBB = 1;
    return;
  }
  if (!g17 && (d_.ZN == 1 || d_.ZN == 2)) return;  // no arcs outside the XY plane
  arcChords(centre, radius, CO, CP, clockwise, plane, end, feed);
}

// Chords sent relative to a tracked position, each increment rounded to
// hundredths so that the machine's position and the tracked one agree.
void MachineOutput::arcChords(const Point3& centre, float radius, float CO, float CP, bool clockwise,
                              int plane, const Point3& end, float feed) {
  const int a1 = plane == 19 ? 1 : 0;
  const int a2 = plane == 17 ? 1 : (plane == 18 ? 2 : 2);
  const float k = cond_.ZD3;
  const float r = radius * k;
  const float n = std::sqrt(r) / options_.FIXT;
  float theta = 3.1415f / n;
  const int count = int(std::floor(std::fabs(CP - CO) * n / 3.14159f));
  if (clockwise) theta = -theta;
  // Scaled machine coordinates of a point in the arc's plane.
  auto scaled = [&](float u, float v) {
    Point3 p = centre;
    p[a1] = centre[a1] + radius * u;
    p[a2] = centre[a2] + radius * v;
    return Point3{p[0] * k, p[1] * k, p[2] * cond_.IDMXU};
  };
  float c = std::cos(CO), s = std::sin(CO);
  const float ct = std::cos(theta), st = std::sin(theta);
  Point3 tracked = scaled(c, s);
  const bool g17 = plane == 17;
  if (!g17 && count > 0) out_.command(d_.prefix + "PR");
  for (int i = 0; i < count; ++i) {
    const float c2 = c * ct - s * st;
    s = s * ct + c * st;
    c = c2;
    const Point3 p = scaled(c, s);
    Point3 inc{};
    for (int axis = 0; axis < 3; ++axis) {
      inc[axis] = FUNFIX(p[axis] - tracked[axis]) / 100;
      tracked[axis] += inc[axis];
    }
    if (g17) {
      out_.command("I" + hpSingle(inc[0]) + "," + hpSingle(inc[1]));
    } else {
      out_.command(d_.move3d + hpSingle(inc[0]) + "," + hpSingle(inc[1]) + "," + hpSingle(inc[2]));
    }
    MDM = std::max(MDM, tracked[1]);
    traceTo(tracked[0], tracked[1], MachineStroke::Arc);
  }
  out_.command(d_.prefix + "PA");
  const int pen = PBB;
  PBB = 1;
  move3d(end[0] * k, end[1] * k, end[2], feed);
  traceTo(end[0] * k, end[1] * k, MachineStroke::Arc);
  PBB = pen == 0 ? 1 : pen;
}

void MachineOutput::cycle(const Move& m) {
  const int mode = int(m.GL2);
  float x = m.to[0], y = m.to[1];
  float lastX = at_[0], lastY = at_[1];
  for (int hole = 0; hole < m.repeats; ++hole) {
    if (hole > 0) {
      x += m.holeStep.x;
      y += m.holeStep.y;
    }
    if (x != lastX || y != lastY) {
      penTo("PU", x * cond_.ZD3, y * cond_.ZD3, MachineStroke::Rapid);
      PBB = 0;
    }
    lastX = x, lastY = y;
    if (trace_) {
      const float sx = x * cond_.ZD3, sy = y * cond_.ZD3;
      trace_->hole(tableX(sx), cond_.ZDTY + sy, m.WN2H * cond_.ZD3);
    }
    if (d_.ZN == 1) {
      out_.command("CI" + hpSingle(m.WN2H * cond_.ZD3) + "," + bare(float(chordAngle(m.WN2H * cond_.ZD3))));
    } else {
      zMove(m.CJ);
      if ((mode == 73 || mode == 83) && m.peck > 0) {
        int pecks = 0;
        for (float z = m.CJ - m.peck; z > m.TXF && pecks < kMaxPecks; z -= m.peck, ++pecks) {
          zMove(z);
          zMove(m.CJ);
        }
      }
      zMove(m.TXF);
    }
    // Back up to the return level, pen up.
    const float level = m.returnLevel == 98 ? m.initialZ : m.CJ;
    zMove(level, true);
  }
  at_ = {x, y, m.returnLevel == 98 ? m.initialZ : m.CJ};
}

// A straight move to p at height z from where the tool is; nothing when it is there.
void MachineOutput::straightTo(Point2 p, float z, const std::string& command, float feed) {
  const Point3 delta{p.x - at_[0], p.y - at_[1], z - at_[2]};
  if (delta == Point3{}) return;
  linear({p.x, p.y, z}, delta, command, feed);
}

// The element held back one block, ending at the corner the interpreter has
// just computed: an arc ends at its own offset end, then a feed line to the
// corner. The moves start where the tool is, so a block that began
// compensation goes straight to its corner.
void MachineOutput::compensated(const Move& m) {
  const CompElement& e = m.element;
  if (elementSent_) {
    // A block that moved only in Z took the tool to this element's end:
    // on to the new corner at the present height.
    straightTo(m.C1, at_[2], "PD", m.XF);
  } else if (isArc(e.GL2)) {
    heldArc(e, m.XF);
    straightTo(m.C1, e.to[2], "PD", m.XF);
  } else {
    straightTo(m.C1, e.to[2], e.GL2 == 0 ? "PU" : "PD", m.XF);
  }
  if (m.corner == 2) straightTo(m.C2, at_[2], "PD", m.XF);
  // A block that moves only in Z leaves the interpreter's element as it was:
  // its Z move goes now, not with the next block.
  elementSent_ = m.delta[0] == 0 && m.delta[1] == 0 && m.ZSC == 0;
  if (elementSent_) straightTo({at_[0], at_[1]}, m.to[2], "PD", m.XF);
  holding_ = true;
}

// A held arc to its own offset end. When the corner before it cut the arc
// (the tool stands on its circle past the offset start), the arc starts
// there: the plotter arc sweeps from the tool's position, so a sweep from the
// offset start would end beside the arc's end.
void MachineOutput::heldArc(const CompElement& e, float feed) {
  const float z = e.to[2];
  float start = e.CO;
  const float dx = at_[0] - e.centre.x, dy = at_[1] - e.centre.y;
  if (std::fabs(std::hypot(dx, dy) - e.rho) < kCompEpsilon) {
    start = std::atan2(dy, dx);
    // The same turn as the offset start, so that the sweep keeps its direction.
    while (start - e.CO > 3.14159265f) start -= 6.28318531f;
    while (start - e.CO < -3.14159265f) start += 6.28318531f;
  }
  arcOf({e.centre.x, e.centre.y, z}, e.rho, start, e.CP, e.GL2 == 2, 17, {e.end.x, e.end.y, z}, e.delta, feed);
}

void MachineOutput::releaseHeld(const CompElement& pending, float feed) {
  if (!holding_) return;
  holding_ = false;
  if (elementSent_) {
    elementSent_ = false;
    return;
  }
  const float z = pending.to[2];
  if (isArc(pending.GL2)) {
    heldArc(pending, feed);
  } else {
    straightTo(pending.end, z, pending.GL2 == 0 ? "PU" : "PD", feed);
  }
}

void MachineOutput::block(const Move& m) {
  for (int i = 0; i < m.mCount; ++i) {
    if (m.mCodes[i] == 3) motor(true);
    if (m.mCodes[i] == 5) motor(false);
  }
  if (cond_.WN == 0 && m.XF != lastFeed_) {
    speed(cuttingSpeed(m.XF));
    lastFeed_ = m.XF;
  }
  if (!m.I1M.empty() || !m.draws) return;
  if (m.compensatedDrawing) {
    compensated(m);
    return;
  }
  // Compensation ended (G40, or no radius): the element it held back first.
  releaseHeld(m.element, m.XF);
  if ((m.compensation == 41 || m.compensation == 42) && m.compRadius > 0) {
    // The block that starts compensation is held back too: the next block
    // sends it, ending at the corner between the two.
    holding_ = true;
    return;
  }
  const int mode = int(m.GL2);
  if (m.Y1 == 28) {
    linear(m.to, {m.to[0] - at_[0], m.to[1] - at_[1], m.to[2] - at_[2]}, "PU", m.XF);
    linear(m.rest, {m.rest[0] - m.to[0], m.rest[1] - m.to[1], m.rest[2] - m.to[2]}, "PU", m.XF);
  } else if (m.Y1 == 92) {
    // An origin set moves no tool.
  } else if (mode == 0) {
    linear(m.to, m.delta, "PU", m.XF);
  } else if (isArc(float(mode))) {
    arc(m);
  } else if (mode > 70 && mode < 90) {
    cycle(m);
  } else {
    linear(m.to, m.delta, "PD", m.XF);  // feed moves, and what the machine cuts as one
  }
}

void MachineOutput::rawLine(std::string_view line) {
  if (line.starts_with("((")) line.remove_prefix(2);
  out_.passThrough(line);
}

void MachineOutput::endSequence() {
  motor(false);
  ZZ = 0;
  MF1 = MZM;
  sendZPair();
  penTo("PU", at_[0] * cond_.ZD3, MDM / cond_.ZD3 * cond_.ZD3, MachineStroke::Rapid);
  PBB = 0;
  if (d_.ZN == 1) {
    out_.command("SP");
  } else {
    motor(false);
    out_.command(d_.prefix + "IN");
  }
}

void MachineOutput::moveToOrigin() {
  initialise();
  motor(false);
  MF1 = MZM;
  ZZ = 0;
  sendZPair();
  penTo("PU", 0, 0, MachineStroke::Rapid);
  PBB = 0;
  at_ = {};
  speed(type_.XW);
}

MachineOutcome machineProgram(const ProgramSource& program, const CodeTable& codes, RunSettings settings,
                              MachineOutput& output, IncludeReader includes, BlockNormalizer normalize,
                              const std::function<bool(const Move&)>& afterBlock) {
  settings.H0V = 1;  // the plane is forced to XY: compensation follows the plan
  output.initialise();
  Runner runner(program, codes, settings, std::move(includes), std::move(normalize));
  const InterpState& state = runner.interpreter().state();
  output.start({state.ZVY, state.WT, state.UW}, state.XF);
  MachineOutcome outcome;
  try {
    while (runner.step()) {
      const Move& m = runner.move();
      if (m.text.starts_with("((")) {
        output.rawLine(m.text);
      } else {
        output.block(m);
      }
      if (afterBlock && !afterBlock(m)) runner.stop();
    }
  } catch (...) {
    try {
      output.endSequence();
    } catch (...) {
    }
    throw;
  }
  outcome.run = runner.result();
  // A program that ends with compensation still on: its last element is due.
  if (outcome.run.ZVZ == RunState::Ended) output.releaseHeld(state.comp.E1, state.XF);
  output.endSequence();
  outcome.MDM = output.MDM;
  return outcome;
}

}  // namespace vorn
