#include "interp/interpreter.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "interp/arc.h"
#include "runtime/numtext.h"

namespace vorn {
namespace {

// Index of a table entry as the machine takes it: the value rounded to the
// nearest whole number; -1 when that lies outside 0..size-1.
int tableIndex(float v, int size) {
  if (!(v > -0.5f && v < static_cast<float>(size) - 0.5f)) return -1;
  // v + 0.5 is exact in double and above 0 here, so the cut rounds halves
  // away from zero as lround does, without a library call.
  const int i = static_cast<int>(double(v) + 0.5);
  return i >= 0 && i < size ? i : -1;
}

float planar(float dx, float dy) { return std::sqrt(dx * dx + dy * dy); }

bool isCycle(float GL2) { return GL2 >= 70 && GL2 <= 89; }

}  // namespace

Interpreter::Interpreter(const CodeTable& codes, const RunSettings& settings,
                         const ProgramSource* program)
    : codes_(codes), settings_(settings), program_(program) {
  reset();
}

void Interpreter::reset() {
  // The per-program tool table keeps entries 25 and 26 from run to run.
  std::array<float, 27> table = s_.toolTable;
  s_ = InterpState{};
  s_.toolTable[25] = table[25];
  s_.toolTable[26] = table[26];
  s_.H0M[2] = 17;
  s_.H0M[3] = 90;
  s_.H0M[10] = 98;
  s_.H0M[7] = 0;
  s_.Z3 = settings_.H0V == 5;
  const Point3& start = settings_.start;
  setCurrent({s_.Z3 ? start[2] : start[0], start[1], start[2]});
  s_.previous = current();
  move_ = Move{};
  rest_ = current();
}

void Interpreter::setCurrent(const Point3& p) {
  s_.ZVY = p[0];
  s_.WT = p[1];
  s_.UW = p[2];
}

float Interpreter::axis(int i) const { return i == 0 ? s_.ZVY : i == 1 ? s_.WT : s_.UW; }

void Interpreter::setAxis(int i, float v) {
  (i == 0 ? s_.ZVY : i == 1 ? s_.WT : s_.UW) = v;
}

// ---------------------------------------------------------------- reading

void Interpreter::beginBlock() {
  s_.Y1 = 0;
  s_.Z2 = s_.jOffset = s_.YTOP = 0;
  s_.jGiven = false;
  s_.previous = current();
  s_.ZD0 = 1;
  s_.H0M[0] = 0;
  s_.ZSC = 0;
  s_.W0M = 0;
  s_.refGiven = {};
  // NOTE: the last M value is cleared every block, so that an M98 without P
  // cannot arm the P word of a later block (a dwell's P would start a call).
  s_.LAB = 0;
  s_.I1M.clear();
  move_.mCount = 0;
  move_.repeats = 0;
  move_.holeStep = {};
}

const Move& Interpreter::readBlock(std::string_view text, int lineNumber, bool included) {
  s_.FILE = lineNumber;
  beginBlock();
  move_.line = lineNumber;
  move_.included = included;
  move_.text = text;
  bool motion = false;
  if (text.substr(0, 2) == "(T") {
    toolRadiusComment(text);
  } else {
    std::string_view body = text.substr(0, text.find('('));
    if (body.size() >= 2) {
      forEachWord(body, [this](const Word& w) { word(w); });
      motion = true;
    }
  }
  if (motion) {
    completeBlock();
  } else {
    // A comment or near-empty block has no motion.
    s_.ZTR = s_.ZMZ = s_.ZTT = 0;
    to_ = rest_ = current();
  }
  fillMove();
  return move_;
}

void Interpreter::toolRadiusComment(std::string_view text) {
  size_t d = text.find('D'), r = text.find('R');
  int pD = d == std::string_view::npos ? 0 : static_cast<int>(d) + 1;
  int pR = r == std::string_view::npos ? 0 : static_cast<int>(r) + 1;
  if (pD < 3 && pR < 3) return;
  // The tool number is the text from character 3 up to the letter.
  auto value = [](std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return wordValue(s);
  };
  float tool, radius;
  if (pD > 3) {
    tool = value(text.substr(2, pD - 3));
    radius = value(text.substr(pD)) / 2;
  } else {
    if (pR < 3) return;  // "(TD..." without an R names no tool
    tool = value(text.substr(2, pR - 3));
    radius = value(text.substr(pR));
  }
  if (tool > 0 && tool < 27) {
    int i = tableIndex(tool, 27);
    if (i >= 1) s_.toolTable[i] = radius;
  }
}

void Interpreter::word(const Word& w) {
  float IDMX = settings_.IDMX;
  switch (w.letter) {
    case 'D':
    case 'H': addressD(w); break;
    case 'F': addressF(w.value); break;
    case 'G': addressG(w.value); break;
    case 'I': addressI(unitValue(w, IDMX)); break;
    case 'J': addressJ(unitValue(w, IDMX)); break;
    case 'K': addressK(w); break;
    case 'L': addressL(w.value); break;
    case 'M': addressM(w.value); break;
    case 'O': addressO(w); break;
    case 'P': addressP(w.value); break;
    case 'Q': addressQ(unitValue(w, IDMX)); break;
    case 'R': addressR(unitValue(w, IDMX)); break;
    case 'S': s_.spindle = w.value; break;
    case 'T': addressT(w.value); break;
    case 'U': addressU(unitValue(w, IDMX)); break;
    case 'V': s_.V = w.value; break;
    case 'W': addressW(unitValue(w, IDMX)); break;
    case 'X': addressX(unitValue(w, IDMX)); break;
    case 'Y': addressY(unitValue(w, IDMX)); break;
    case 'Z': addressZ(unitValue(w, IDMX)); break;
    case 'E':
    case 'N': break;  // ignored by rule: line numbers and the like
    default:
      // A, B, C, lower case and punctuation: ignored without a message, but
      // counted so that the command line can warn about them.
      if (s_.ignoredWords++ == 0) s_.firstIgnoredLine = s_.FILE;
      break;
  }
}

// ---------------------------------------------------------------- G and modal

void Interpreter::addressG(float g) {
  if (g > 99 || g < 0) {  // negative codes are out of the table as well
    fail(" G?c");
    return;
  }
  int index = tableIndex(g, 100);
  int group = index < 0 ? kUnsupportedGroup : codes_.NDS1[index];
  if (group < 0 || group >= static_cast<int>(s_.H0M.size())) {
    fail(" G?");
    return;
  }
  s_.H0M[group] = g;
  s_.Y1 = g;
  s_.lastGroup = group;
  // Arcs in G18 are computed first axis X, second axis Z: the directions swap.
  if (s_.H0M[2] == 18) {
    if (g == 2) {
      g = 3;
    } else if (g == 3) {
      g = 2;
    }
  }
  if (group == 1 || group == 9) s_.GL2 = g;
  if (g == 80) {  // cycle cancel
    s_.lastGroup = 1;
    s_.GL2 = s_.H0M[1];
  }
  if (g == 40 || g == 41 || g == 42) {
    if (g == 40) s_.compStarted = false;
    if (g == 41) s_.sigma = 1.5708f;
    if (g == 42) s_.sigma = -1.5708f;
    setPenWidth();
  }
  if (s_.Z3) {
    if (g == 50) {
      // The first G50 of a lathe program is read as a dwell: its axis words are ignored.
      if (s_.YI == 1) {
        s_.Y1 = 4;
        s_.YI = 2;
      } else {
        s_.Y1 = 92;
      }
    } else if (g == 92) {
      s_.GL2 = 39;
      s_.Y1 = 39;
    }
  }
}

void Interpreter::setPenWidth() {
  bool plan = settings_.H0V == 1 || settings_.H0V == 4;
  s_.CG = plan ? 2 * s_.WN2H * settings_.scale : 1.0f;
}

// ---------------------------------------------------------------- axes

void Interpreter::addressX(float v) {
  if (s_.Z3) {
    addressY(v);
    return;
  }
  s_.refValue[0] = v;
  if (s_.Y1 == 92) {
    s_.ZVV = s_.previous[0] - v;
  } else if (s_.Y1 == 4 || s_.Y1 == 28) {
    s_.refGiven[0] = true;
  } else {
    s_.ZVY = s_.H0M[3] == 90 ? s_.ZVV + v : s_.ZVY + v;
  }
}

void Interpreter::addressY(float v) {
  if (s_.Z3) v /= 2;  // lathe X is a diameter
  s_.refValue[1] = v;
  if (s_.Y1 == 92) {
    s_.GLT = s_.previous[1] - v;
  } else if (s_.Y1 == 4 || s_.Y1 == 28) {
    s_.refGiven[1] = true;
  } else {
    s_.WT = s_.H0M[3] == 90 ? s_.GLT + v : s_.WT + v;
  }
}

void Interpreter::addressZ(float v) {
  s_.refValue[2] = v;
  if (s_.Y1 == 92) {
    s_.OFS = s_.previous[2] - v;
    latheCopy();
    return;
  }
  // A dwell ignores Z as it ignores X and Y (the first lathe G50 moves nothing).
  if (s_.Y1 == 28 || s_.Y1 == 4) {
    s_.refGiven[2] = true;
    return;
  }
  s_.UW = s_.H0M[3] == 90 ? s_.OFS + v : s_.UW + v;
  zTail();
}

void Interpreter::zTail() {
  s_.TXF = s_.UW;
  latheCopy();
}

void Interpreter::latheCopy() {
  if (!s_.Z3) return;
  s_.ZVY = s_.UW;
  s_.ZVV = s_.OFS;
}

void Interpreter::addressU(float v) {
  if (s_.Y1 != 4) s_.WT += v / 2;
}

void Interpreter::addressW(float v) {
  s_.UW += v;
  zTail();
}

// ---------------------------------------------------------------- arc words

void Interpreter::addressI(float v) {
  if (s_.Z3) {
    addressJ(v);
  } else {
    s_.Z2 = v;
  }
}

void Interpreter::addressJ(float v) {
  s_.jOffset = v;
  s_.jGiven = true;
}

void Interpreter::addressK(const Word& w) {
  if (s_.Z3) {
    s_.Z2 = unitValue(w, settings_.IDMX);
  } else if (s_.lastGroup == 9) {
    if (w.value > kMaxRepeats) {
      fail(" K?");
      return;
    }
    s_.YTOP = w.value;
    s_.ZD0 = w.value;
  } else {
    float v = unitValue(w, settings_.IDMX);
    s_.YTOP = v;
    // In G19 the J word is the arc's first offset: a K read after it must
    // not wipe it, or "J10. K0." would fail where "K0. J10." works.
    if (!(s_.H0M[2] == 19 && s_.jGiven)) s_.jOffset = v;
  }
}

void Interpreter::addressR(float v) {
  s_.W0M = v;
  if (s_.lastGroup == 9) s_.CJ = s_.H0M[3] == 90 ? s_.OFS + v : s_.previous[2] + v;
}

void Interpreter::addressQ(float v) { s_.peck = v; }

// ---------------------------------------------------------------- F, T, D

void Interpreter::addressF(float v) {
  s_.rawF = v;
  s_.XF = s_.Z3 ? s_.spindle * v : v;  // lathe: feed per revolution
}

void Interpreter::addressT(float v) {
  float t = v;
  if (t > 99) t = std::trunc(std::nearbyint(static_cast<double>(t)) / 100);  // T0303: tool 3
  s_.toolNumber = t;
  if (t > 0 && t < 27) {
    int i = tableIndex(t, 27);
    float r = i >= 1 && i <= 8 ? settings_.toolRadius[i] : 0.0f;
    if (r == 0 && i >= 1 && s_.toolTable[i] > 0) r = s_.toolTable[i];
    s_.WN2H = r;
  }
  setPenWidth();
}

void Interpreter::addressD(const Word& w) {
  float v = w.value;
  if (s_.Y1 == 12 || s_.Y1 == 13) {
    s_.XO = v;
    return;
  }
  if (v > 189) {
    s_.I1M += ' ';
    s_.I1M += w.letter;
    s_.I1M += '?';
    return;
  }
  if (v > 0 && v < 9) {
    int i = tableIndex(v, 9);
    s_.compRadius = i >= 1 ? settings_.toolRadius[i] : 0.0f;
  } else {
    s_.compRadius = s_.WN2H;
  }
  if (s_.compRadius == 0) s_.compRadius = 2 / settings_.scale;
}

// ---------------------------------------------------------------- M, P, L, O

void Interpreter::addressM(float m) {
  s_.LAB = m;
  if (move_.mCount < static_cast<int>(move_.mCodes.size())) move_.mCodes[move_.mCount++] = m;
  if (m == 2 || m == 30) {
    s_.LAB = 2;
    s_.YI = 0;  // program end
    return;
  }
  if (m == 99) {
    if (s_.d < 1) {
      fail(" m99");
      return;
    }
    if (s_.callCount[s_.d] > 1) {
      s_.callCount[s_.d] -= 1;
      s_.FILE = static_cast<int>(s_.callLine[s_.d]);  // the "O" line runs again
    } else {
      s_.FILE = static_cast<int>(s_.callLine[s_.d - 1]);  // back after the calling line
      s_.d -= 2;
    }
    s_.LAB = 0;
    return;
  }
  if (codes_.allowedM.empty()) return;
  const size_t keep = m > 99 ? 3 : 2;
  std::string code;
  if (m >= 0 && m < 9000 && m == std::floor(m)) {
    // The usual whole code: 1000 + m has four digits, its last ones the code.
    const int whole = 1000 + static_cast<int>(m);
    char digits[4] = {char('0' + whole / 1000), char('0' + whole / 100 % 10), char('0' + whole / 10 % 10),
                      char('0' + whole % 10)};
    code.assign(digits + 4 - keep, keep);
  } else {
    code = numberText(1000 + m);
    if (code.size() > keep) code = code.substr(code.size() - keep);
  }
  if (codes_.allowedM.find(code) == std::string::npos) fail(" M?");
}

void Interpreter::addressP(float p) {
  s_.P = p;
  if (s_.LAB != 98) return;
  if (s_.d > 2 * (std::clamp(settings_.nestedCalls, 1, kCallSlots / 2) - 1)) {
    fail(settings_.callDepthMessage);  // one nested call more than the edition allows
    return;
  }
  float repeat = 1, number = p;
  if (p > 9999) {
    repeat = std::floor(p / 10000);
    number = p - repeat * 10000;
  }
  int found = 0;
  bool whole = number == std::floor(number) && std::fabs(number) < 2e9f;
  if (program_ && whole) found = program_->findProgram(static_cast<int>(number));
  if (found <= 0) {
    fail(" Noﾅｲ");
    return;
  }
  s_.d += 1;
  s_.callLine[s_.d] = static_cast<float>(s_.FILE);
  s_.FILE = found - 1;
  s_.d += 1;
  s_.callLine[s_.d] = static_cast<float>(s_.FILE);
  s_.callCount[s_.d] = repeat;
}

void Interpreter::addressL(float l) {
  if (s_.LAB == 98) {
    s_.callCount[s_.d] = l;
    s_.LAB = 0;
    return;
  }
  if (l > kMaxRepeats) {
    fail(" L?");
    return;
  }
  s_.ZD0 = l;
}

void Interpreter::addressO(const Word& w) {
  s_.programNumber = w.value;
  if (w.position > 2) fail(" O?");  // a program number must begin the line
}

// ---------------------------------------------------------------- completion

void Interpreter::completeBlock() {
  const Point3& prev = s_.previous;
  s_.ZTR = s_.ZVY - prev[0];
  s_.ZMZ = s_.WT - prev[1];
  s_.ZTT = s_.UW - prev[2];
  if (s_.GL2 == 2 || s_.GL2 == 3) {
    computeArc();
  } else {
    // In lathe mode the third coordinate repeats the first (Z): it is not counted twice.
    float vertical = s_.Z3 ? 0.0f : std::fabs(s_.ZTT);
    account(planar(s_.ZTR, s_.ZMZ) + vertical, s_.GL2 == 1);
  }
  rest_ = current();
  if (s_.GL2 == 12 || s_.GL2 == 13) fullCircle();
  if (s_.lastGroup == 9 && s_.H0M[3] == 91) s_.TXF = s_.CJ + s_.refValue[2];
  int view = settings_.H0V;
  if (s_.H0M[7] > 40 && (view == 1 || view == 4) && s_.compRadius > 0) {
    compensate();
  } else {
    move_.element = s_.comp.E1;
  }
  // What the drawing of the block does to the position (cycles, G28, the
  // full circle and the lathe thread cycle), for blocks that draw.
  to_ = current();
  if (!s_.I1M.empty() || !drawsBlock()) return;
  if (s_.Y1 == 28) {
    referenceReturn();
  } else if (s_.Y1 == 92) {
    // coordinate set: the offsets changed, the position did not
  } else if (isCycle(s_.GL2)) {
    cannedCycle();
  } else if (s_.GL2 == 39) {
    rest_ = {s_.Z3 ? prev[2] : s_.ZVY, prev[1], prev[2]};
  }
  to_ = current();
  setCurrent(rest_);
}

bool Interpreter::drawsBlock() const {
  return s_.ZTR != 0 || s_.ZMZ != 0 || s_.ZTT != 0 || s_.ZSC != 0 || s_.Y1 == 28 || s_.Y1 == 92;
}

void Interpreter::account(float length, bool cutting) {
  if (cutting) {
    s_.totals.lineCut += length;
    addTime(length);
  } else {
    s_.totals.TNA += length;
  }
}

void Interpreter::addTime(float length) {
  if (length == 0) return;
  if (s_.XF == 0) {
    fail(" F0");  // a cut at feed 0 would take forever
    return;
  }
  s_.totals.CE += length / s_.XF;
}

void Interpreter::computeArc() {
  float plane = s_.H0M[2];
  int a1 = 0, a2 = 1;
  float o1 = s_.Z2, o2 = s_.jOffset;
  if (plane == 18) {
    a2 = 2;
    o2 = s_.YTOP;
  } else if (plane == 19) {
    a1 = 1;
    a2 = 2;
    o1 = s_.jOffset;
    o2 = s_.YTOP;
  }
  Point2 s{s_.previous[a1], s_.previous[a2]};
  Point2 e{axis(a1), axis(a2)};
  Point2 c;
  float r;
  if (s_.W0M != 0) {
    r = std::fabs(s_.W0M);
    c = centreFromRadius(s, e, r, s_.GL2, s_.W0M < 0 ? 1 : 0);
  } else {
    if (e.x == s.x && e.y == s.y && o1 == 0 && o2 == 0) return;  // no arc
    if (o1 == 0 && o2 == 0) {
      fail(" R0");
      return;
    }
    c = {s.x + o1, s.y + o2};
    r = std::sqrt(o1 * o1 + o2 * o2);
  }
  s_.ZSC = r;
  // The centre in the screen frame (kept even when the end radius is refused).
  if (plane == 18) {
    s_.centre = {c.x, s_.WT, c.y};
  } else if (plane == 19) {
    s_.centre = {s_.ZVY, c.x, c.y};
  } else {
    s_.centre = {c.x, c.y, s_.UW};
  }
  float endRadius = planar(e.x - c.x, e.y - c.y);
  if (endRadius < r - 0.05f) {
    fail(" R>");
    return;
  }
  if (endRadius > r + 0.05f) {
    fail(" R<");
    return;
  }
  s_.CO = pointAngle(s, c);
  s_.CP = pointAngle(e, c);
  adjustDirection(s_.GL2, s_.CO, s_.CP);
  float length = r * std::fabs(s_.CP - s_.CO);
  s_.totals.arcCut += length;
  addTime(length);
}

void Interpreter::fullCircle() {
  if (s_.W0M <= 0) {
    fail(" R?");
    return;
  }
  s_.centre = current();
  s_.ZSC = s_.W0M;
  float c, sn;
  exactCosSin(s_.XO, c, sn);
  s_.CO = s_.XO / 57.2958f;
  Point3 start = {s_.ZVY + s_.ZSC * c, s_.WT + s_.ZSC * sn, s_.UW};
  s_.previous = start;
  setCurrent(start);
  s_.CP = s_.GL2 == 13 ? s_.CO + 6.28f : s_.CO - 6.28f;
  rest_ = s_.centre;  // the drawing leaves the tool at the centre
}

void Interpreter::cannedCycle() {
  bool pecking = s_.GL2 == 73 || s_.GL2 == 83;
  if (pecking && !(s_.peck > 0)) {
    fail(" Q?");
    return;
  }
  float zi = s_.previous[2], zr = s_.CJ, zb = s_.TXF;
  float zret = s_.H0M[10] == 98 ? zi : zr;
  bool countPecks = pecking && settings_.H0V != 1;
  if (countPecks && (zr - zb) / s_.peck > kMaxPecks) {
    fail(" Q?");  // too many pecks to drill
    return;
  }
  int repeats = s_.ZD0 >= 1 ? static_cast<int>(s_.ZD0) : 0;  // ZD0 <= kMaxRepeats
  if (countPecks) {
    long pecks = 0;
    forEachPeck(zr, zb, s_.peck, [&](float) { ++pecks; });
    if (pecks * repeats > kMaxPecks * 10L) {
      fail(" Q?");  // too many pecks for one block
      return;
    }
  }
  Point2 step;
  if (s_.H0M[3] == 91) step = {s_.ZTR, s_.ZMZ};
  Point2 hole{s_.ZVY, s_.WT};
  Totals& t = s_.totals;
  for (int i = 1; i <= repeats; ++i) {
    if (i > 1) hole = {hole.x + step.x, hole.y + step.y};
    t.TNA += zi - zr;
    float depth = zr - zb;
    t.lineCut += depth + 1;
    addTime(depth);
    t.TNA += zret - zb;
    if (countPecks) {
      forEachPeck(zr, zb, s_.peck, [&](float zp) {
        t.lineCut += zr - zp;
        t.TNA += (zret - zb) + (zret - zr);
      });
    }
  }
  move_.repeats = repeats;
  move_.holeStep = step;
  rest_ = repeats > 0 ? Point3{hole.x, hole.y, zret} : current();
}

void Interpreter::referenceReturn() {
  Point3 mid = current();
  Point3 origin = {s_.ZVV, s_.GLT, s_.OFS};
  for (int i = 0; i < 3; ++i) {
    if (!s_.refGiven[i]) continue;
    mid[i] = (s_.H0M[3] == 90 ? origin[i] : s_.previous[i]) + s_.refValue[i];
  }
  if (s_.Z3 && s_.refGiven[2]) mid[0] = mid[2];
  setCurrent(mid);
  const Point3& start = settings_.start;
  rest_ = mid;
  for (int i = 0; i < 3; ++i) {
    if (s_.refGiven[i]) rest_[i] = start[i];
  }
  if (s_.Z3 && s_.refGiven[2]) rest_[0] = start[2];
}

void Interpreter::compensate() {
  Compensation& c = s_.comp;
  move_.element = c.E1;
  float r = s_.compRadius;
  Point2 P{s_.previous[0], s_.previous[1]};
  if (s_.ZTR == 0 && s_.ZMZ == 0 && s_.ZSC == 0 && s_.compStarted) {
    c.corner = Corner{1, c.E1.end, {}};
    return;
  }
  CompElement e2;
  if ((s_.GL2 == 2 || s_.GL2 == 3) && s_.ZSC > 0) {
    e2 = offsetArc({s_.centre[0], s_.centre[1]}, s_.ZSC, s_.CO, s_.CP, s_.GL2, s_.H0M[7], r);
  } else {
    e2 = offsetLine(P, {s_.ZVY, s_.WT}, r, s_.sigma);
    // An arc block that made no arc (no move in its plane) is joined and
    // drawn as the feed line it is, not as an arc without centre or radius.
    e2.GL2 = s_.GL2 == 2 || s_.GL2 == 3 ? 1 : s_.GL2;
  }
  e2.to = current();
  e2.delta = {s_.ZTR, s_.ZMZ, s_.ZTT};
  if (!s_.compStarted) {
    s_.compStarted = true;
    c.corner = Corner{};
  } else {
    c.corner = cornerBetween(c.E1, e2, s_.H0M[7], r, P);
  }
  c.E1 = e2;
}

void Interpreter::fillMove() {
  Move& m = move_;
  m.I1M = s_.I1M;
  m.draws = drawsBlock();
  m.from = s_.previous;
  m.to = to_;
  m.initialZ = s_.previous[2];
  m.delta = {s_.ZTR, s_.ZMZ, s_.ZTT};
  m.rest = rest_;
  m.GL2 = s_.GL2;
  m.Y1 = s_.Y1;
  m.plane = s_.H0M[2];
  m.distance = s_.H0M[3];
  m.returnLevel = s_.H0M[10];
  m.compensation = s_.H0M[7];
  m.compRadius = s_.compRadius;
  m.toolNumber = s_.toolNumber;
  m.WN2H = s_.WN2H;
  m.CG = s_.CG;
  m.XF = s_.XF;
  m.centre = s_.centre;
  m.ZSC = s_.ZSC;
  m.CO = s_.CO;
  m.CP = s_.CP;
  m.CJ = s_.CJ;
  m.TXF = s_.TXF;
  m.peck = s_.peck;
  m.ZD0 = s_.ZD0;
  m.offset = {s_.ZVV, s_.GLT, s_.OFS};
  int view = settings_.H0V;
  m.corner = s_.comp.corner.state;
  m.C1 = s_.comp.corner.C1;
  m.C2 = s_.comp.corner.C2;
  m.compensatedDrawing = (s_.H0M[7] == 41 || s_.H0M[7] == 42) && s_.compRadius > 0 &&
                         m.corner > 0 && (view == 1 || view == 4);
  m.programEnd = s_.YI == 0;
}

}  // namespace vorn
