// Small programs machined in each command dialect against the command text
// kept beside the tests (tests/output/data/machine/<name>.txt, exact bytes),
// and the rules the text must follow, checked on their own.
// VORN_UPDATE_GOLDEN=1 rewrites the expected files (review the diff).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "interp/code_table.h"
#include "interp/text_program.h"
#include "output/machine_output.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

// A 200 x 150 mm table, Z from -30 to 40, span 10.
MachineType sampleType(int ZN) {
  MachineType t;
  t.ZN = ZN;
  t.CAM = "TEST-" + std::to_string(ZN);
  t.RX = 200;
  t.RY = 150;
  t.F6DZ = -30;
  t.ZC = 40;
  t.ERDE = 10;
  t.XW = 15;
  t.AWX = 5;
  return t;
}

struct MachineSetup {
  MachineType type;
  MachineOptions options;
  MachiningConditions cond;
  MachineWork work{100, 1};
};

MachineSetup setupFor(int ZN) {
  MachineSetup s;
  s.type = sampleType(ZN);
  s.options.FIXT = 0.1f;
  s.options.E = 30;
  s.cond.ZDT = 20;
  s.cond.ZDTY = 10;
  s.cond.ZD3 = 1;
  s.cond.IDMXU = 1;
  return s;
}

struct Machined {
  std::string text;
  MachineOutcome outcome;
};

// `trace`, when given, is told every move sent.
Machined machine(const std::vector<std::string>& lines, const MachineSetup& s, MachineTrace* trace = nullptr) {
  TextProgram program(lines);
  RunSettings settings;
  settings.IDMX = 1;
  for (int t = 1; t <= 8; ++t) settings.toolRadius[size_t(t)] = float(t);
  StringSink sink;
  MachineOutput output(sink, s.type, s.options, s.cond, s.work);
  output.setTrace(trace);
  Machined m;
  m.outcome = machineProgram(program, standardCodeTable(), settings, output);
  m.text = sink.text();
  return m;
}

struct GoldenCase {
  std::string name;
  int ZN;
  std::vector<std::string> program;
  std::function<void(MachineSetup&)> adjust;
};

const std::vector<std::string> kSmall = {
    "G90 G00 X10. Y10. Z5.", "G01 Z-2. F120", "X40. Y10.", "G02 X60. Y30. R20.",
    "G01 X60. Y40. Z-3.",    "G00 Z5.",       "M30"};

std::vector<GoldenCase> goldenCases() {
  std::vector<GoldenCase> cases;
  for (int zn = 0; zn <= 5; ++zn) {
    cases.push_back({"small_d" + std::to_string(zn), zn, kSmall, [](MachineSetup&) {}});
    cases.push_back({"cycle_d" + std::to_string(zn), zn,
                     {"G00 X10. Y10. Z5.", "T2", "G83 X10. Y20. Z-7. R2. Q3. F100", "X20.", "G80",
                      "G28 X0 Y0", "M30"},
                     [](MachineSetup&) {}});
  }
  cases.push_back({"mirror_d4", 4, kSmall, [](MachineSetup& s) { s.cond.Z22 = 2; }});
  cases.push_back({"g18_chords_d3", 3, {"G01 X10. Z-1. F100", "G18 G02 X30. Z-1. R10.", "M30"},
                   [](MachineSetup&) {}});
  cases.push_back({"cam3_feed_speed_d5", 5, {"G01 X10. F600", "Y10. F1200", "M03", "X0", "M05", "M30"},
                   [](MachineSetup& s) {
                     s.options.ZC = 3;
                     s.cond.WN = 0;
                   }});
  cases.push_back({"compensated_d2", 2,
                   {"G00 X0 Y0", "G01 Z-1. F100", "G41 D1 X10. Y0", "X20. Y10.", "X30.", "G40 X40. Y0",
                    "M30"},
                   [](MachineSetup&) {}});
  cases.push_back({"compensated_arc_at_g40_d3", 3,
                   {"G00 X0 Y0", "G01 Z-1. F100", "G42 D1 X10. Y0", "G02 X30. R10.", "G40 G01 X40.", "M30"},
                   [](MachineSetup&) {}});
  cases.push_back({"compensated_z_only_to_end_d4", 4,
                   {"G00 X0 Y0 Z5.", "G41 D1 G01 X10. F100", "Z-2.", "Y10.", "X0", "M30"},
                   [](MachineSetup&) {}});
  cases.push_back({"raw_and_scale_d1", 1, {"((PA1,2", "((LBHELLO", "G01 X10. Y5. F100", "M30"},
                   [](MachineSetup& s) {
                     s.cond.ZD3 = 2.5f;
                     s.options.IDXA = 3;
                   }});
  return cases;
}

std::string goldenPath(const std::string& name) {
  return std::string(VORN_TEST_DATA) + "/machine/" + name + ".txt";
}

TEST(MachineGolden, SmallProgramsInEveryDialectMatchTheKeptText) {
  const bool update = std::getenv("VORN_UPDATE_GOLDEN") != nullptr;
  for (const GoldenCase& c : goldenCases()) {
    SCOPED_TRACE(c.name);
    MachineSetup s = setupFor(c.ZN);
    c.adjust(s);
    const Machined m = machine(c.program, s);
    EXPECT_EQ(m.outcome.run.ZVZ, RunState::Ended) << m.outcome.run.I1M;
    if (update) std::ofstream(goldenPath(c.name), std::ios::binary) << m.text;
    EXPECT_EQ(m.text, readFile(goldenPath(c.name)));
  }
}

// The commands of a ";"-separated stream, in order.
std::vector<std::string> commands(const std::string& text) {
  std::vector<std::string> out;
  std::string current;
  for (char c : text) {
    if (c == ';') {
      out.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) out.push_back(current);
  return out;
}

TEST(MachineRules, DialectOneNeverSendsZAndAZOnlyMoveSendsOnlyPenUpOrDown) {
  const Machined m = machine({"G00 X10. Y10.", "G01 Z-2. F100", "X20.", "G00 Z5.", "M30"}, setupFor(1));
  for (const std::string& c : commands(m.text)) {
    EXPECT_FALSE(c.starts_with("!") || c.starts_with("Z") || c.starts_with("@")) << c;
  }
  // Z-2 and Z5 give a bare "PD" and a bare "PU".
  EXPECT_NE(m.text.find("PU 10, 10;PD;PD 20, 10;PU;"), std::string::npos) << m.text;
}

TEST(MachineRules, ARepeatedZPairIsNotSentAgain) {
  const Machined m = machine({"G01 Z-2. F100", "X10.", "Z5.", "Z-2.", "Z-2.", "Y10.", "M30"}, setupFor(2));
  // (0,30) at the start, (-2,30), (0,5), (-2,5): never the same pair twice in a row.
  std::vector<std::string> pairs;
  for (const std::string& c : commands(m.text))
    if (c.starts_with("!PZ")) pairs.push_back(c);
  ASSERT_GE(pairs.size(), 3u);
  for (size_t i = 1; i < pairs.size(); ++i) EXPECT_NE(pairs[i], pairs[i - 1]);
  EXPECT_EQ(pairs[0], "!PZ 0,30");
  EXPECT_EQ(pairs[1], "!PZ-2,30");
}

TEST(MachineRules, DepthBelowTheLowestZIsClampedAndDepthAdjustDeepens) {
  MachineSetup s = setupFor(4);
  s.cond.PFZ = 0.5f;
  s.cond.IDMXU = 2;
  const Machined m = machine({"G01 X10. F100", "Z-50.", "Z-1.", "M30"}, s);
  EXPECT_NE(m.text.find("ZP-30,30;"), std::string::npos) << m.text;    // -100.5 clamped to -30
  EXPECT_NE(m.text.find("ZP-2.5,30;"), std::string::npos) << m.text;   // -1 x 2 - 0.5
}

TEST(MachineRules, MirrorGivesItsInputWindowAndAScalingWindowFromPxMinusSpan) {
  MachineSetup s = setupFor(2);
  s.cond.Z22 = 2;
  s.work = {40, 3};  // reference point 3: the offset is the negated work X size
  const Machined m = machine({"G01 X1. F100", "M30"}, s);
  EXPECT_TRUE(m.text.starts_with("DF;IP10,0,0,10;SC-30,-20,-10, 0;")) << m.text;  // px = 20 - 40
  s.cond.Z22 = 1;
  EXPECT_TRUE(machine({"G01 X1. F100", "M30"}, s).text.starts_with("DF;IP0,0,10,10;SC-20,-10,-10, 0;"));
}

TEST(MachineRules, AnArcBelowTheResolutionIsAStraightMove) {
  MachineSetup s = setupFor(2);
  s.cond.ZD3 = 0.01f;  // radius 5 mm scaled to 0.05 mm, below 0.1
  const Machined m = machine({"G01 X10. F100", "G02 X20. R5.", "M30"}, s);
  EXPECT_EQ(m.text.find("AA"), std::string::npos) << m.text;
  EXPECT_NE(m.text.find("PD .2, 0;"), std::string::npos) << m.text;
}

TEST(MachineRules, DialectZeroEndsEveryCommandWithALineEnd) {
  const Machined m = machine(kSmall, setupFor(0));
  EXPECT_EQ(m.text.find(';', m.text.find("IP")), std::string::npos) << m.text;
  std::istringstream lines(m.text);
  std::string line;
  int count = 0;
  while (std::getline(lines, line)) {
    ++count;
    EXPECT_TRUE(line.ends_with("\r")) << line;
  }
  EXPECT_GT(count, 10);
  EXPECT_TRUE(m.text.ends_with("^IN\r\n"));
}

TEST(MachineRules, ARawLineIsPassedUnchangedAndNotInterpreted) {
  const Machined m = machine({"((!XY 1,2", "((LBTEXT", "G01 X5. F100", "M30"}, setupFor(3));
  EXPECT_NE(m.text.find(";!XY 1,2;LBTEXT\x03"), std::string::npos) << m.text;
}

TEST(MachineRules, SerialStartsWithTheDeviceControlSequences) {
  MachineSetup s = setupFor(2);
  s.options.serial = true;
  const Machined m = machine({"G01 X5. F100", "M30"}, s);
  EXPECT_TRUE(m.text.starts_with("\x1b.M0;0;13;0;0:\x1b.I150;0;17:\x1b.N;19:\x1b.@;0:DF;IP")) << m.text;
}

// The echo sees each command once, in order, without its ";" — labels
// included — and never the device-control sequences.
TEST(MachineRules, EchoSeesEveryCommandButNotTheDeviceSequences) {
  MachineSetup s = setupFor(3);
  s.options.serial = true;
  TextProgram program({"((LBTEXT", "G01 X5. Z-1. F100", "G02 X15. R5.", "M30"});
  StringSink sink;
  MachineOutput output(sink, s.type, s.options, s.cond, s.work);
  std::vector<std::string> echoed;
  output.setEcho([&](std::string_view text) { echoed.emplace_back(text); });
  RunSettings settings;
  settings.IDMX = 1;
  machineProgram(program, standardCodeTable(), settings, output);
  std::string rebuilt = "\x1b.M0;0;13;0;0:\x1b.I150;0;17:\x1b.N;19:\x1b.@;0:";
  for (const std::string& text : echoed) {
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    rebuilt += text + (text.starts_with("LB") ? "\x03" : ";");
  }
  EXPECT_EQ(rebuilt, sink.text());
  EXPECT_GT(echoed.size(), 10u);
}

// What the table drawing is given.
struct RecordedTrace : MachineTrace {
  struct Step {
    float x, y;
    MachineStroke stroke;
  };
  void moveTo(float x, float y, MachineStroke stroke) override { steps.push_back({x, y, stroke}); }
  void hole(float x, float y, float r) override { holes.push_back({x, y, r}); }
  std::vector<Step> steps;
  std::vector<std::array<float, 3>> holes;
};

RecordedTrace traced(const std::vector<std::string>& lines, const MachineSetup& s) {
  RecordedTrace trace;
  machine(lines, s, &trace);
  return trace;
}

// Moves land on the table at the position plus the scaled coordinates; the
// mirror turns X round about the mirrored position, keeping the work in place.
TEST(MachineTrace, MovesAreTableMillimetresScaledAndMirrored) {
  struct Case {
    int Z22;
    float firstX, cutX;  // the start (program 0, 0) and the end of the cut (program X 10)
  };
  // Position 20, 10; scale 2; work 100 wide from reference point 1.
  for (const Case& c : {Case{1, 20, 40}, Case{2, 220, 200}}) {
    SCOPED_TRACE(c.Z22);
    MachineSetup s = setupFor(2);
    s.cond.ZD3 = 2;
    s.cond.Z22 = c.Z22;
    const RecordedTrace t = traced({"G01 X10. Y5. F100", "G00 Y0", "M30"}, s);
    ASSERT_GE(t.steps.size(), 3u);
    EXPECT_FLOAT_EQ(t.steps[0].x, c.firstX);
    EXPECT_FLOAT_EQ(t.steps[0].y, 10);
    EXPECT_EQ(t.steps[0].stroke, MachineStroke::Rapid);
    EXPECT_FLOAT_EQ(t.steps[1].x, c.cutX);
    EXPECT_FLOAT_EQ(t.steps[1].y, 20);
    EXPECT_EQ(t.steps[1].stroke, MachineStroke::Feed);
    EXPECT_FLOAT_EQ(t.steps[2].y, 10);
    EXPECT_EQ(t.steps[2].stroke, MachineStroke::Rapid);
  }
}

// A plotter arc (dialect 2) and chords (dialect 0) are both drawn as points
// on the scaled circle that end where the arc ends; holes get the tool's size.
TEST(MachineTrace, ArcsFollowTheCircleAndHolesAreMarked) {
  for (int zn : {0, 2}) {
    SCOPED_TRACE(zn);
    MachineSetup s = setupFor(zn);
    s.cond.ZD3 = 2;
    const RecordedTrace t = traced({"G01 X10. F100", "G03 X0 Y10. R10.", "M30"}, s);
    std::vector<RecordedTrace::Step> arc;
    for (const auto& step : t.steps)
      if (step.stroke == MachineStroke::Arc) arc.push_back(step);
    ASSERT_GE(arc.size(), 5u);
    for (const auto& p : arc) EXPECT_NEAR(std::hypot(p.x - 20, p.y - 10), 20, 0.05) << p.x << "," << p.y;
    EXPECT_NEAR(arc.back().x, 20, 0.01);
    EXPECT_NEAR(arc.back().y, 30, 0.01);
  }
  MachineSetup s = setupFor(2);
  const RecordedTrace t = traced({"T2", "G81 X10. Y5. Z-3. R2. F100", "X30.", "G80", "M30"}, s);
  ASSERT_EQ(t.holes.size(), 2u);
  EXPECT_EQ(t.holes[0], (std::array<float, 3>{30, 15, 2}));
  EXPECT_EQ(t.holes[1], (std::array<float, 3>{50, 15, 2}));
}

// Compensated output runs one block late: each block's element is sent when
// the next block gives its corner, so the element held back when compensation
// ends must be sent then, and the block that starts it goes to its corner.
TEST(MachineCompensation, EveryHeldBackElementIsSentOnce) {
  struct Case {
    const char* name;
    std::vector<std::string> program;
    std::vector<std::string> inOrder;  // commands that must follow one another
    std::vector<std::string> never;
  };
  const std::vector<Case> cases = {
      // G40 after X30: the element to the offset end (30, 11) comes before the cancel move.
      {"line at G40",
       {"G00 X0 Y0", "G01 Z-1. F100", "G41 D1 X10. Y0", "X20. Y10.", "X30.", "G40 X40. Y0", "M30"},
       {"PD 9.585", "PD 19.585", "PD 30, 11", "PD 40, 0"},
       {"PD 10, 0"}},
      // The first block alone, cancelled at once: it ends at its own offset end (10, 1).
      {"start then G40", {"G01 Z-1. F100", "G41 D1 X10.", "G40 X20.", "M30"}, {"PD 9.99", "PD 20, 0"}, {"PD 10, 0"}},
      // A Z-only block keeps its Z; ending with compensation on, the last
      // element (X0, offset to Y 9) is sent.
      {"Z only, then the end",
       {"G00 X0 Y0 Z5.", "G41 D1 G01 X10. F100", "Z-2.", "Y10.", "X0", "M30"},
       {"PD 9.99", "!PZ-2,5", "PD", "PD 9.00", "PD 9.00", "PD .0000", "!MC0"},
       {"!PZ 0,5;PD"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string text = machine(c.program, setupFor(2)).text;
    const std::vector<std::string> sent = commands(text);
    auto at = sent.begin();
    for (const std::string& expected : c.inOrder) {
      // Compensated points carry single-precision noise: a command matches by its start.
      at = std::find_if(at, sent.end(), [&](const std::string& command) { return command.starts_with(expected); });
      ASSERT_NE(at, sent.end()) << expected << " missing or out of order in " << text;
      ++at;
    }
    for (const std::string& bad : c.never) EXPECT_EQ(text.find(bad), std::string::npos) << bad << " in " << text;
  }
}

// A line cut into a compensated arc leaves the tool on the arc's circle past
// its offset start; the plotter arc sweeps from there and must still end at
// the arc's offset end (29, 0), whether the arc is sent with the next block
// or when G40 ends compensation.
TEST(MachineCompensation, AnArcStartedAtACutCornerEndsAtItsOwnEnd) {
  for (const char* after : {"G40 G01 X40.", "G01 X40."}) {
    SCOPED_TRACE(after);
    const std::string text =
        machine({"G01 Z-1. F100", "G42 D1 X10. Y0", "G02 X30. R10.", after, "G40 X50.", "M30"}, setupFor(3)).text;
    const std::vector<std::string> sent = commands(text);
    const auto aa = std::find_if(sent.begin(), sent.end(), [](const std::string& c) { return c.starts_with("AA"); });
    ASSERT_NE(aa, sent.end()) << text;
    ASSERT_TRUE(aa != sent.begin() && (aa - 1)->starts_with("PD ")) << text;
    float x0 = 0, y0 = 0, cx = 0, cy = 0, sweep = 0;
    ASSERT_EQ(std::sscanf((aa - 1)->c_str(), "PD %f,%f", &x0, &y0), 2);
    ASSERT_EQ(std::sscanf(aa->c_str(), "AA %f,%f,%f", &cx, &cy, &sweep), 3);
    const double a = std::atan2(y0 - cy, x0 - cx) + sweep / 57.2957795;
    const double r = std::hypot(x0 - cx, y0 - cy);
    EXPECT_NEAR(cx + r * std::cos(a), 29, 0.01) << *aa;
    EXPECT_NEAR(cy + r * std::sin(a), 0, 0.01) << *aa;
  }
}

TEST(MachineRules, EndsAtTheGreatestYReached) {
  const Machined m = machine({"G01 X5. Y70. F100", "Y3.", "M30"}, setupFor(2));
  EXPECT_FLOAT_EQ(m.outcome.MDM, 70);
  EXPECT_TRUE(m.text.ends_with("PU 5, 70;!MC0;IN;")) << m.text;
}

}  // namespace
}  // namespace vorn
