#pragma once
// The NC interpreter: modal state, the address routines of every letter,
// block completion (lines, arcs, full circles, canned cycles, reference
// return, coordinate set, threads, dwell, lathe mode), subprogram calls and
// the accumulators. One block in, one move record out. Single precision.
#include <array>
#include <string>
#include <string_view>

#include "interp/accounting.h"
#include "interp/code_table.h"
#include "interp/compensation.h"
#include "interp/move.h"
#include "interp/program_source.h"
#include "interp/word_reader.h"

namespace vorn {

// The trajectory settings the interpreter reads (the trajectory screen, the
// plotter and the command line fill them in).
struct RunSettings {
  float IDMX = 10;                     // unit divisor of words without "." (1, 10, 100, 1000)
  int H0V = 1;                         // view: 1 XY, 2 XZ, 3 ZY, 4 3D, 5 lathe
  float scale = 2;                     // drawing scale (pen width, 2-pixel compensation radius)
  Point3 start{};                      // start coordinates X, Y, Z ("開始座標"), mm
  std::array<float, 9> toolRadius{};   // screen tool radii 1-8 ("ﾂｰﾙ径"), mm; [0] unused
  int skipMode = 1;                    // "/ ｽｷｯﾌﾟ": 1 skips blocks starting with "/"
  int nestedCalls = 4;                 // subprogram calls that may nest (at most kCallSlots / 2)
  std::string callDepthMessage = " m98";  // the block message of one call too many
};

inline constexpr int kCallSlots = 8;        // call stack slots (four nested calls)
inline constexpr float kMaxRepeats = 9999;  // largest canned-cycle repeat count
inline constexpr int kMaxPecks = 10000;     // largest number of pecks in one hole (ten times that per block)

// The interpreter's state for one run (set by reset, changed by every block).
struct InterpState {
  float ZVY = 0, WT = 0, UW = 0;       // current position: first, second, third coordinate
  Point3 previous{};                   // previous position (copied from current per block)
  float ZTR = 0, ZMZ = 0, ZTT = 0;     // move deltas: current - previous
  float ZVV = 0, GLT = 0, OFS = 0;     // work offsets (G92, lathe G50): program origin

  std::array<float, 12> H0M{};         // modal G per group: [1] motion, [2] {17,18,19},
                                       // [3] {90,91}, [7] {40,41,42}, [9] cycles, [10] {98,99};
                                       // [0] cleared every block
  float GL2 = 0;                       // motion mode {0,1,2,3,12,13,32,33,39,70-89}
  float Y1 = 0;                        // one-shot: last G of the block {4, 12, 13, 28, 92 ...}
  int lastGroup = 0;                   // group of the most recent G read (persists)

  float XF = 100;                      // feed, mm/min (lathe: S x F)
  float rawF = 0;                      // F value as written
  float spindle = 0;                   // S value
  float toolNumber = 0;                // tool number (T0303 -> 3)
  float WN2H = 0;                      // current tool radius, mm
  float compRadius = 0;                // compensation radius, mm (D/H)
  float XO = 0;                        // D value of a G12/G13 block: start angle, degrees
  float CG = 1;                        // pen width, pixels

  float Z2 = 0;                        // first-axis arc offset (I; lathe K)
  float jOffset = 0;                   // second-axis arc offset (J; lathe I)
  float YTOP = 0;                      // third-axis arc offset (K)
  bool jGiven = false;                 // a J word was read in this block (G19 keeps it from K)
  float W0M = 0;                       // R word as read (after the unit rule)

  float CJ = 0;                        // canned-cycle R plane, absolute Z
  float TXF = 0;                       // canned-cycle bottom Z (the last Z reached)
  float peck = 0;                      // peck depth (Q), mm
  float ZD0 = 1;                       // repeat count (K or L in a cycle), 1 per block

  std::array<bool, 3> refGiven{};      // X, Y, Z present in a G28 / dwell block
  std::array<float, 3> refValue{};     // the values read (mm) of every X, Y, Z word

  float YI = 1;                        // lathe first-G50 flag: 1 after reset, 2 after the
                                       // first G50, 0 after M02/M30 (program end)
  float LAB = 0;                       // last M value; 98 arms the P routine
  float V = 0;                         // V word, stored, no effect
  float programNumber = 0;             // value of the last O word
  float P = 0;                         // value of the last P word

  Point3 centre{};                     // arc centre YO, CF, third coordinate
  float ZSC = 0;                       // arc radius (0: the block made no arc)
  float CO = 0, CP = 0;                // arc start and end angle, radians

  bool Z3 = false;                     // lathe mode (view 5)
  bool compStarted = false;            // compensation-started flag (cleared by G40)
  float sigma = 1.5708f;               // offset side: +π/2 G41, -π/2 G42

  std::array<float, 27> toolTable{};   // per-program tool radii 1-26 from "(T" comments
  std::array<float, kCallSlots + 1> callLine{};   // call stack line numbers, slots 1-8
  std::array<float, kCallSlots + 1> callCount{};  // call stack repeat counts
  int d = 0;                           // call depth (0, 2, 4, 6, 8)
  int FILE = 1;                        // the run loop's current line (routines set line - 1)

  Totals totals;                       // rapid and cutting distance, cutting time
  long ignoredWords = 0;               // words whose letter has no routine (lower case, A-C ...), this run
  int firstIgnoredLine = 0;            // line (FILE) of the first of them; 0: none
  Compensation comp;                   // cutter-compensation element and corner
  std::string I1M;                     // block error text, cleared every block
};

class Interpreter {
 public:
  // program: where M98 finds "O" lines (may be null: every call gives " Noﾅｲ").
  Interpreter(const CodeTable& codes, const RunSettings& settings,
              const ProgramSource* program = nullptr);

  // Run reset and start point: modal defaults, tool table 1-24 cleared, the
  // current position at the start coordinates, totals 0.
  void reset();
  // Reads one block (the line-level checks have passed) and completes it.
  // lineNumber is the run loop's current line (state().FILE), which call and
  // return words change. Errors are in state().I1M afterwards.
  const Move& readBlock(std::string_view text, int lineNumber, bool included = false);

  const Move& move() const { return move_; }
  const InterpState& state() const { return s_; }
  InterpState& state() { return s_; }
  const RunSettings& settings() const { return settings_; }
  bool programEnded() const { return s_.YI == 0; }

 private:
  void beginBlock();
  void toolRadiusComment(std::string_view text);
  void word(const Word& w);
  void fail(std::string_view text) { s_.I1M += text; }

  // Address routines, one per letter.
  void addressD(const Word& w);
  void addressF(float v);
  void addressG(float g);
  void addressI(float v);
  void addressJ(float v);
  void addressK(const Word& w);
  void addressL(float v);
  void addressM(float m);
  void addressO(const Word& w);
  void addressP(float p);
  void addressQ(float v);
  void addressR(float v);
  void addressT(float v);
  void addressU(float v);
  void addressW(float v);
  void addressX(float v);
  void addressY(float v);
  void addressZ(float v);
  void zTail();
  void latheCopy();
  void setPenWidth();

  // Block completion.
  void completeBlock();
  void computeArc();
  void fullCircle();
  void cannedCycle();
  void referenceReturn();
  void compensate();
  bool drawsBlock() const;
  void account(float length, bool cutting);
  void addTime(float length);
  void fillMove();

  float axis(int i) const;
  void setAxis(int i, float v);
  Point3 current() const { return {s_.ZVY, s_.WT, s_.UW}; }
  void setCurrent(const Point3& p);

  const CodeTable& codes_;
  RunSettings settings_;
  const ProgramSource* program_;
  InterpState s_;
  Move move_;
  Point3 to_{};       // current position at block completion (before the drawing effects)
  Point3 rest_{};     // where the tool is left after the block
};

}  // namespace vorn

namespace vorn {

// Calls f(zp) for each peck depth of a peck-drilling hole: from R plane zr - q
// downwards in steps of q while not past bottom zb, at most kMaxPecks times.
// Drawing and accounting enumerate pecks through here so they agree.
template <class F>
void forEachPeck(float zr, float zb, float q, F&& f) {
  if (!(q > 0)) return;
  int n = 0;
  for (float zp = zr - q; zp >= zb && n < kMaxPecks; zp -= q, ++n) f(zp);
}

}  // namespace vorn
