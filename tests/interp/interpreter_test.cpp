// Block-level behaviour of the interpreter: the reader rules, modal routines,
// arcs, cycles, lathe mode, tools, and the accounting examples.
#include "interp/interpreter.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "interp/code_table.h"

namespace vorn {
namespace {

struct Machine {
  explicit Machine(RunSettings s = {}) : settings(s), in(standardCodeTable(), settings) {}
  // Reads blocks in order and returns the error text of the last one.
  std::string run(std::initializer_list<const char*> blocks) {
    for (const char* b : blocks) in.readBlock(b, 1);
    return in.state().I1M;
  }
  Point3 pos() const { return {in.state().ZVY, in.state().WT, in.state().UW}; }
  RunSettings settings;
  Interpreter in;
};

RunSettings mm() {
  RunSettings s;
  s.IDMX = 1;
  return s;
}

TEST(Reader, SemicolonCommentsAndLowerCase) {
  struct Case {
    const char* block;
    Point3 pos;
  } cases[] = {
      {"G01 X10. ; Y20.", {10, 0, 0}},   // the standalone ";" ends the block
      {"G01 X10. (Y20.)", {10, 0, 0}},   // comment
      {"(G01 X10.)", {0, 0, 0}},          // only a comment: no motion
      {"G01 x10. Y5.", {0, 5, 0}},        // lower-case words are ignored
      {"G01 X10 Y20.", {1, 20, 0}},       // unit choice 2: X10 is 1 mm
      {"G01 X1.5E1", {15, 0, 0}},
  };
  for (const Case& c : cases) {
    Machine m;
    EXPECT_EQ(m.run({c.block}), "") << c.block;
    EXPECT_EQ(m.pos(), c.pos) << c.block;
  }
}

TEST(Reader, FeedSpindleAndToolWordsAreNeverDivided) {
  Machine m;
  m.run({"G01 F150 S1000 T2"});
  EXPECT_EQ(m.in.state().XF, 150);
  EXPECT_EQ(m.in.state().spindle, 1000);
  EXPECT_EQ(m.in.state().toolNumber, 2);
}

TEST(Reader, ToolRadiusComments) {
  struct Case {
    const char* block;
    int tool;
    float radius;
  } cases[] = {{"(T3 D10)", 3, 5}, {"(T3 R4)", 3, 4}, {"(T 12 D3.)", 12, 1.5f},
               {"(T30 D10)", 0, 0}, {"(TD5)", 0, 0}, {"(T)", 0, 0}, {"(T26.7 R1)", 0, 0}};
  for (const Case& c : cases) {
    Machine m;
    m.run({c.block});
    for (int t = 1; t <= 26; ++t) {
      float expect = t == c.tool ? c.radius : 0;
      EXPECT_EQ(m.in.state().toolTable[t], expect) << c.block << " tool " << t;
    }
    EXPECT_EQ(m.in.move().delta, (Point3{0, 0, 0})) << c.block;
  }
}

TEST(Modal, IncrementalAbsoluteAndCoordinateSet) {
  Machine m(mm());
  m.run({"G91 G00 X5. Y5.", "X5."});
  EXPECT_EQ(m.pos(), (Point3{10, 5, 0}));
  m.run({"G92 X0 Y0 Z0"});  // the position stays, the origin moves
  EXPECT_EQ(m.pos(), (Point3{10, 5, 0}));
  EXPECT_TRUE(m.in.move().draws);
  m.run({"G90 X1. Y1."});
  EXPECT_EQ(m.pos(), (Point3{11, 6, 0}));
  EXPECT_EQ(m.in.move().offset, (Point3{10, 5, 0}));
}

TEST(Modal, GCodeErrorsAndBounds) {
  struct Case {
    const char* block;
    const char* error;
  } cases[] = {{"G100", " G?c"}, {"G-1", " G?c"},  {"G1E30", " G?c"}, {"G05", " G?"},
               {"G70", " G?"},   {"G99.4", " G?c"}, {"G0.4", ""},    {"G5 G100", " G? G?c"}, {"D190", " D?"},
               {"H200", " H?"},  {"D189", ""},     {"T1E30", ""},     {"D-5", ""},
               {"T-3", ""},      {"O5", ""}};
  for (const Case& c : cases) {
    Machine m;
    EXPECT_EQ(m.run({c.block}), c.error) << c.block;
  }
}

TEST(Modal, ReferenceReturnGoesThroughTheIntermediatePoint) {
  RunSettings s = mm();
  s.start = {100, 50, 20};
  Machine m(s);
  m.run({"G00 X10. Y10. Z5.", "G91 G28 Z10."});
  const Move& mv = m.in.move();
  EXPECT_TRUE(mv.draws);
  EXPECT_EQ(mv.to, (Point3{10, 10, 15}));
  EXPECT_EQ(mv.rest, (Point3{10, 10, 20}));
  EXPECT_EQ(m.pos(), (Point3{10, 10, 20}));
  EXPECT_FLOAT_EQ(m.in.state().totals.TNA, std::sqrt(8100.0f + 1600.0f) + 15);  // G28 counts nothing
}

TEST(Arcs, ByRadius) {
  struct Case {
    const char* block;
    const char* error;
    Point2 centre;
  } cases[] = {
      {"G02 X10. R5.", "", {5, 0}},
      {"G02 X10. R4.", " R<", {5, 0}},
      {"G02 X10. R4.96", "", {5, 0}},
      {"G02 X10. Y10. R10.", "", {10, 0}},
      {"G03 X10. Y10. R10.", "", {0, 10}},
      {"G02 X10. Y10. R-10.", "", {0, 10}},
  };
  for (const Case& c : cases) {
    Machine m(mm());
    EXPECT_EQ(m.run({c.block}), c.error) << c.block;
    EXPECT_NEAR(m.in.state().centre[0], c.centre.x, 1e-4) << c.block;
    EXPECT_NEAR(m.in.state().centre[1], c.centre.y, 1e-4) << c.block;
  }
  Machine half(mm());
  half.run({"G02 X10. R4.96 F100"});
  EXPECT_NEAR(half.in.state().totals.arcCut, 4.96f * 3.1416f, 1e-3);
}

TEST(Arcs, ByOffsetsWithinAndBeyondTolerance) {
  struct Case {
    const char* block;
    const char* error;
  } cases[] = {
      {"G03 X20. I10.", ""},        // half circle, end radius equal
      {"G03 X20.04 I10.", ""},      // end radius 10.04
      {"G03 X20.06 I10.", " R<"},   // 10.06
      {"G03 X19.96 I10.", ""},      // 9.96
      {"G03 X19.94 I10.", " R>"},   // 9.94
      {"G03 X20.", " R0"},          // motion without offsets or R
      {"G03", ""},                  // no motion, no offsets: no arc
  };
  for (const Case& c : cases) {
    Machine m(mm());
    EXPECT_EQ(m.run({c.block}), c.error) << c.block;
  }
}

TEST(Arcs, StartEqualToEndIsAFullCircle) {
  for (const char* block : {"G02 I10. F200", "G03 I10. F200", "G02 R10. F200"}) {
    Machine m(mm());
    EXPECT_EQ(m.run({block}), "") << block;
    const Totals& t = m.in.state().totals;
    EXPECT_NEAR(t.arcCut, 62.83f, 0.01) << block;
    EXPECT_NEAR(t.CE, 0.314f, 0.001) << block;
    EXPECT_TRUE(m.in.move().draws) << block;
  }
}

TEST(Arcs, PlaneG18SwapsDirectionAndG19MapsAxes) {
  Machine m(mm());
  m.run({"G18 G02 X10. Z0 R5."});
  EXPECT_EQ(m.in.state().GL2, 3);
  EXPECT_EQ(m.in.state().H0M[1], 2);
  EXPECT_EQ(m.in.move().centre, (Point3{5, 0, 0}));
  Machine y(mm());
  y.run({"G00 X7.", "G19 G03 Y10. Z0 J5."});
  EXPECT_EQ(y.in.state().I1M, "");
  EXPECT_EQ(y.in.move().centre, (Point3{7, 5, 0}));
}

// In G19 the order of J and K in a block does not matter; elsewhere a K still
// sets the J offset as well (the lathe I routine and G17 keep their rules).
TEST(Arcs, G19JBeforeKEqualsKBeforeJ) {
  struct Case {
    const char* block;
    Point3 centre;
  } cases[] = {
      {"G19 G02 Y20. Z0. J10. K0.", {0, 10, 0}},
      {"G19 G02 Y20. Z0. K0. J10.", {0, 10, 0}},
      {"G19 G03 Y10. Z10. J10. K0. F100", {0, 10, 0}},
      {"G19 G03 Y10. Z10. K0. J10. F100", {0, 10, 0}},
  };
  for (const Case& c : cases) {
    Machine m(mm());
    EXPECT_EQ(m.run({c.block}), "") << c.block;
    EXPECT_EQ(m.in.move().centre, c.centre) << c.block;
  }
  // A K in a later block of G19 still overwrites nothing it should not: J is per block.
  Machine later(mm());
  later.run({"G19 G02 Y20. Z0. J10.", "G00 Y0 Z0", "G02 Y20. Z0. K10."});
  EXPECT_EQ(later.in.move().centre, (Point3{0, 10, 10}));
  // In G17 a K read after J still sets the J offset too, as before.
  Machine g17(mm());
  EXPECT_EQ(g17.run({"G17 G02 X20. Y0 I10. J5. K0."}), "");
  EXPECT_EQ(g17.in.move().centre, (Point3{10, 0, 0}));
}

TEST(FullCircles, G12G13WithStartAngleAndRadius) {
  Machine m(mm());
  m.run({"G00 X10. Y10.", "G13 R5. D90 F100"});
  const Move& mv = m.in.move();
  EXPECT_EQ(m.in.state().I1M, "");
  EXPECT_EQ(mv.to, (Point3{10, 15, 0}));  // the start point, exactly at 90 degrees
  EXPECT_EQ(mv.rest, (Point3{10, 10, 0}));
  EXPECT_NEAR(mv.CP - mv.CO, 6.28f, 1e-5);
  EXPECT_EQ(m.pos(), (Point3{10, 10, 0}));
  EXPECT_EQ(m.in.state().totals.arcCut, 0);  // full circles are not counted
  EXPECT_EQ(m.run({"G12 R0"}), " R?");
}

TEST(Cycles, IncrementalHolesWithRepeats) {
  Machine m;
  m.in.state().UW = 10;
  m.run({"G91 G81 X10. R2. Z-5. K3 F100"});
  const Move& mv = m.in.move();
  EXPECT_EQ(m.in.state().I1M, "");
  EXPECT_EQ(mv.repeats, 3);
  EXPECT_EQ(mv.holeStep, (Point2{10, 0}));
  EXPECT_EQ(mv.CJ, 12);
  EXPECT_EQ(mv.TXF, 7);
  EXPECT_EQ(mv.rest, (Point3{30, 0, 10}));  // last hole, back at the initial Z (G98)
}

TEST(Cycles, AccountingPerRepeatAndReturnLevel) {
  Machine m(mm());
  m.run({"G00 Z10.", "G99 G81 X5. R2. Z-3. F60"});
  const Totals& t = m.in.state().totals;
  // Positioning 10 + 5 + 13 (planar + |dZ|), then 8 down to R, 5 (+1) cut, 5 back to R.
  EXPECT_FLOAT_EQ(t.TNA, 10 + 5 + 13 + 8 + 5);
  EXPECT_FLOAT_EQ(t.lineCut, 6);
  EXPECT_FLOAT_EQ(t.CE, 5.0f / 60);
  EXPECT_EQ(m.pos(), (Point3{5, 0, 2}));
  m.run({"X10."});  // the cycle repeats at the next hole, from the R plane
  EXPECT_EQ(m.in.move().repeats, 1);
  EXPECT_EQ(m.pos(), (Point3{10, 0, 2}));
  m.run({"G80 X20."});
  EXPECT_EQ(m.in.state().GL2, 0);
  EXPECT_EQ(m.in.move().repeats, 0);
}

TEST(Cycles, PeckDepthAndLimits) {
  struct Case {
    int view;
    const char* block;
    const char* error;
  } cases[] = {
      {1, "G83 X1. R2. Z-5.", " Q?"},
      {2, "G83 X1. R2. Z-5. Q1E-6", " Q?"},       // would take millions of pecks
      {1, "G83 X1. R2. Z-5. Q1E-6", ""},          // plan view counts no pecks
      {1, "G81 X1. R2. Z-5. K1E30", " K?"},
      {1, "G81 X1. R2. Z-5. L1E30", " L?"},
      {1, "G81 X1. R2. Z-5. K-3", ""},            // no hole, no hang
      {2, "G83 X1. R2. Z-5000. Q1. K30", " Q?"},  // 150000 pecks in one block
  };
  for (const Case& c : cases) {
    RunSettings s = mm();
    s.H0V = c.view;
    Machine m(s);
    EXPECT_EQ(m.run({c.block}), c.error) << c.block;
  }
  RunSettings side = mm();
  side.H0V = 2;
  Machine m(side);
  m.run({"G00 Z10.", "G83 X1. R2. Z-5. Q2."});
  // Depth 7 (+1), then pecks at 0, -2 and -4 cut 2, 4 and 6.
  EXPECT_FLOAT_EQ(m.in.state().totals.lineCut, 7 + 1 + 2 + 4 + 6);
}

TEST(Lathe, FirstG50IsADwellAndTheSecondSetsOffsets) {
  RunSettings s = mm();
  s.H0V = 5;
  s.start = {40, 30, 50};
  Machine m(s);
  EXPECT_EQ(m.pos(), (Point3{50, 30, 50}));  // the first coordinate is Z
  m.run({"G50 X100. Z50."});
  EXPECT_EQ(m.in.move().delta, (Point3{0, 0, 0}));
  EXPECT_EQ(m.in.state().Y1, 4);
  m.run({"G50 X100. Z50."});
  EXPECT_EQ(m.in.state().Y1, 92);
  EXPECT_EQ(m.in.move().offset, (Point3{0, -20, 0}));
  m.run({"G00 X20. Z10."});  // diameter 20 is radius 10
  EXPECT_EQ(m.pos(), (Point3{10, -10, 10}));
}

TEST(Lathe, FeedPerRevolutionTakenWhenFIsRead) {
  RunSettings s = mm();
  s.H0V = 5;
  Machine m(s);
  m.run({"S1000", "G01 F0.2 W10. S2000"});
  EXPECT_FLOAT_EQ(m.in.state().XF, 200);
  EXPECT_FLOAT_EQ(m.in.state().totals.CE, 10.0f / 200);
}

TEST(Tools, TWordAndDWord) {
  RunSettings s = mm();
  s.toolRadius = {0, 1, 2, 3, 4, 5, 6, 7, 8};
  Machine m(s);
  m.run({"T0303"});
  EXPECT_EQ(m.in.state().toolNumber, 3);
  EXPECT_EQ(m.in.state().WN2H, 3);
  EXPECT_FLOAT_EQ(m.in.state().CG, 2 * 3 * 2);  // pen width in pixels at scale 2
  m.run({"D9"});
  EXPECT_EQ(m.in.state().compRadius, 3);  // D9 takes the current tool radius
  m.run({"D2"});
  EXPECT_EQ(m.in.state().compRadius, 2);
  m.run({"(T12 D6.)", "T12"});
  EXPECT_EQ(m.in.state().WN2H, 3);  // screen radius 0 for 12: the comment's radius
  m.run({"T20", "D0"});
  EXPECT_EQ(m.in.state().compRadius, 1);  // radius 0 becomes 2 / scale
}

TEST(Accounting, LinesArcsAndReport) {
  Machine m(mm());
  m.run({"G01 X30. Y40. Z-5. F100"});
  EXPECT_FLOAT_EQ(m.in.state().totals.lineCut, 55);
  EXPECT_FLOAT_EQ(m.in.state().totals.CE, 0.55f);
  Totals rapid;
  rapid.TNA = 123.9f;
  EXPECT_EQ(reportLine(rapid), "移動 123 切削 0  : 0H 0M");
  Totals ninety;
  ninety.lineCut = 60.5f;
  ninety.arcCut = 10;
  ninety.CE = 90.2f;
  EXPECT_EQ(reportLine(ninety), "移動 0 切削 70  : 1H30M");
  Totals backwards;  // a negative feed gives a negative time
  backwards.CE = -5;
  EXPECT_EQ(reportLine(backwards), "移動 0 切削 0  : 0H-5M");
}

TEST(Accounting, ZeroFeedCutIsAnErrorNotInfinity) {
  Machine m(mm());
  EXPECT_EQ(m.run({"G01 X10. F0"}), " F0");
  Machine still(mm());
  EXPECT_EQ(still.run({"G01 F0", "M05"}), "");
}

}  // namespace
}  // namespace vorn
