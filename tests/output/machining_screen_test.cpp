// The machining screen and the machine settings screen on a headless
// session: a key script machines the sample program into the parallel
// machine's file (lpt3.txt on a fresh machine), positions beyond the travel
// are refused, and the settings screen saves record 1.
#include "output/machining_screen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/load.h"
#include "interp/code_table.h"
#include "runtime/error.h"
#include "runtime/text.h"
#include "tests/display/harness.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// The sample program as the editor loads it: its "%" line is dropped.
std::vector<std::string> sampleLines() {
  std::istringstream in(readFile(fs::path(VORN_SOURCE_DIR) / "data" / "samples" / "sample.nc"));
  const LineRule rule = lineRuleFor("sample.nc");
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (auto kept = programLine(rule, line)) lines.push_back(*kept);
  }
  return lines;
}

struct MachiningRig {
  MachiningRig(std::string_view script, std::vector<std::string> program, char method = '1')
      : backend(HeadlessBackend::fromScript(script)), rig(backend, std::move(program)) {
    std::string ncmm = readFile(fs::path(VORN_SOURCE_DIR) / "data" / "NCMM");
    ncmm[0] = method;                                  // parallel: "LPT3:"
    std::ofstream(rig.dir / "NCMM", std::ios::binary) << ncmm;
  }
  void run() {
    MachiningContext context{rig.session, rig.buffer, rig.editor, rig.settings, codes, conditions};
    try {
      machiningScreen(context);
    } catch (const InputExhausted&) {
    }
  }
  std::string machined() const { return readFile(rig.dir / "lpt3.txt"); }
  std::string row(int fromOne) const { return rig.screen.rowText(fromOne - 1); }

  HeadlessBackend backend;
  TrajectoryRig rig;
  CodeTable codes = standardCodeTable();
  MachiningConditions conditions;
};

TEST(MachiningScreen, AKeyScriptMachinesTheSampleProgramIntoAFile) {
  // Position 10, 20; XY scale 0.5; Z scale kept; the form kept; "1)開始".
  MachiningRig m("10{Enter}20{Enter}.5{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}1{Enter}",
                 sampleLines());
  m.run();
  EXPECT_FLOAT_EQ(m.conditions.ZDT, 10);
  EXPECT_FLOAT_EQ(m.conditions.ZDTY, 20);
  EXPECT_FLOAT_EQ(m.conditions.ZD3, 0.5f);
  const std::string out = m.machined();
  // The selected type of the shipped file: dialect 0, a line end after every command.
  EXPECT_TRUE(out.starts_with("^DF;^IP0,0,10,10\r\n^SC-10,-9.9,-20,-19.9\r\n")) << out.substr(0, 200);
  EXPECT_TRUE(out.ends_with("^IN\r\n")) << out;
  EXPECT_NE(m.row(12).find("P 0 VK-100"), std::string::npos) << m.row(12);
  // The last block, with nothing left of the longer ones before it.
  EXPECT_EQ(m.rig.screen.rowText(15).substr(0, 34), "   21 M30" + std::string(25, ' ')) << m.row(16);
  bool maxShown = false;
  for (int r = 1; r <= m.rig.screen.rows(); ++r) maxShown |= m.row(r).find("MAX:Y=") != std::string::npos;
  EXPECT_TRUE(maxShown);
}

// The rows from `first` (from 0) to the bottom, trailing blanks cut, blank rows left out.
std::vector<std::string> shownRows(const Screen& screen, int first) {
  std::vector<std::string> rows;
  for (int r = first; r < screen.rows(); ++r) {
    std::string row = screen.rowText(r);
    row.erase(row.find_last_not_of(' ') + 1);
    if (!row.empty()) rows.push_back(row);
  }
  return rows;
}

// The commands of a dialect 0 stream, one a line.
std::vector<std::string> commandLines(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

constexpr const char* kFirstVisit = "10{Enter}20{Enter}.5{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}";
constexpr int kEchoTop = 20;  // from 0: below the 100 x 100 table and the status rows

TEST(MachiningScreen, EachCommandIsShownBelowTheTableAsItIsSent) {
  // "1)開始" machines the sample program; "3)移動0" moves to the origin.
  for (const char* choice : {"1{Enter}", "3{Enter}"}) {
    SCOPED_TRACE(choice);
    MachiningRig m(std::string(kFirstVisit) + choice, sampleLines());
    m.run();
    const std::vector<std::string> sent = commandLines(m.machined());
    const std::vector<std::string> shown = shownRows(m.rig.screen, kEchoTop);
    ASSERT_GE(shown.size(), 5u);
    ASSERT_GE(sent.size(), shown.size());
    // The window holds the last commands, in the order they went out.
    EXPECT_EQ(shown, std::vector<std::string>(sent.end() - ptrdiff_t(shown.size()), sent.end()));
  }
}

TEST(MachiningScreen, NoEchoWhenTheFlagIsOff) {
  MachiningRig m(std::string(kFirstVisit) + "1{Enter}", sampleLines());
  m.rig.session.shell.ZG = 0;
  m.run();
  EXPECT_GT(commandLines(m.machined()).size(), 20u);
  EXPECT_TRUE(shownRows(m.rig.screen, kEchoTop).empty());
}

// True when a pixel within one of (x, y) has the colour: lines are drawn between
// fractional pixels.
bool colourNear(const Framebuffer& fb, float x, float y, int colour) {
  for (int dy = -1; dy <= 1; ++dy)
    for (int dx = -1; dx <= 1; ++dx)
      if (fb.contains(int(x) + dx, int(y) + dy) && fb.at(int(x) + dx, int(y) + dy) == colour) return true;
  return false;
}

TEST(MachiningScreen, TheRunDrawsItsMovesOnTheTable) {
  // Position 10, 25 and XY scale 0.5: the cut X 5 -> 25 at Y 5 lies from
  // table X 12.5 to 22.5 at Y 27.5, the rapid Y 5 -> 25 from table Y 27.5 to
  // 37.5 at X 22.5 (inside the work, whose outline is drawn in colour 7 too).
  MachiningRig m("10{Enter}25{Enter}.5{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}1{Enter}",
                 {"G00 X5. Y5.", "G01 X25. F100", "G00 Y25.", "M30"});
  m.run();
  // The shipped first type travels 100 x 100; the table's top left corner is at (272, 24).
  const float k = machineTableScale(100, 100);
  auto px = [&](float x) { return 272 + x / k; };
  auto py = [&](float y) { return 24 + 100 / k - y / k; };
  const Framebuffer& fb = m.rig.screen.framebuffer();
  for (float x : {14.0f, 17.0f, 20.0f}) EXPECT_TRUE(colourNear(fb, px(x), py(27.5f), 7)) << "cut at X " << x;
  for (float y : {30.0f, 35.0f}) EXPECT_TRUE(colourNear(fb, px(22.5f), py(y), 3)) << "rapid at Y " << y;
  // Nothing of the run away from its moves.
  for (auto [x, y] : {std::pair{17.0f, 32.0f}, std::pair{27.0f, 27.5f}, std::pair{14.0f, 35.0f}})
    EXPECT_FALSE(colourNear(fb, px(x), py(y), 7) || colourNear(fb, px(x), py(y), 3)) << x << "," << y;
  EXPECT_NE(m.machined().find("^PD 12.5, 2.5"), std::string::npos) << m.machined();
}

TEST(MachiningScreen, PositionsBeyondTheTravelAndAZeroScaleAreRefused) {
  // The shipped first type travels 100 x 100: X 150 is refused, then 50 taken.
  MachiningRig m("150{Enter}50{Enter}120{Enter}30{Enter}0{Enter}2{Enter}", sampleLines());
  m.run();
  EXPECT_FLOAT_EQ(m.conditions.ZDT, 50);
  EXPECT_FLOAT_EQ(m.conditions.ZDTY, 30);
  EXPECT_FLOAT_EQ(m.conditions.ZD3, 2);
  EXPECT_GE(m.backend.beepCount(), 3);
}

TEST(MachiningScreen, AProgramOfOneLineIsRefused) {
  MachiningRig m("", {"G01 X10."});
  m.run();
  EXPECT_EQ(m.rig.screen.rowText(3).find("位置調整"), std::string::npos);
  EXPECT_FALSE(fs::exists(m.rig.dir / "lpt3.txt"));
}

TEST(MachineSettingsScreen, AChosenTypeAndConditionsAreSaved) {
  // "2)機種": down twice to the third type (VK-220), then "3)保存".
  MachiningRig m("2{Enter}{Down}{Down}{Enter}3{Enter}", {"a", "b"}, '3');
  try {
    machineSettingsScreen(m.rig.session);
  } catch (const InputExhausted&) {
  }
  const std::string after = readFile(m.rig.dir / "NCMM");
  EXPECT_EQ(unpackMachineSettings(after.substr(0, kMachineRecordLength)).V2I, 4) << after.substr(0, 70);
  const std::string shipped = readFile(fs::path(VORN_SOURCE_DIR) / "data" / "NCMM");
  EXPECT_EQ(after.substr(kMachineRecordLength), shipped.substr(kMachineRecordLength));
}

}  // namespace
}  // namespace vorn
