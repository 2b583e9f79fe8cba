#include "display/trajectory_screen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "harness.h"


namespace vorn {
namespace {

namespace fs = std::filesystem;

// The back end comes first so that it outlives the screen that reads it.
struct ScriptedBackend {
  HeadlessBackend backend;
  explicit ScriptedBackend(std::string_view script) : backend(maximizedBackend(script)) {}
};

// A headless VORN-T screen with a program in the buffer, driven by a key script.
struct Bench : ScriptedBackend, TrajectoryRig {
  Bench(std::string_view script, std::vector<std::string> program)
      : ScriptedBackend(script), TrajectoryRig(backend, std::move(program)) {}
  std::string screenText() const { return screen.dumpText(); }
};

TEST(TrajectoryRunScreen, RunsToReportAndReturnsAtLastLine) {
  // Enter takes the preset "1)開始"; the script then ends at the hard-copy
  // prompt (keys typed earlier would be read by the run as run-time keys).
  Bench b("{Enter}", {"G90 G00 X0 Y0", "G01 X30. Y40. F100", "G00 X0 Y10.", "G01 Z-5."});
  EXPECT_THROW(b.run(), InputExhausted);
  EXPECT_EQ(b.editor.FILE, 4);
  const std::string text = b.screenText();
  EXPECT_NE(text.find("（?:図印刷）"), std::string::npos) << text;
  EXPECT_NE(text.find("移動 42 切削 55  : 0H 1M"), std::string::npos) << text;
  EXPECT_NE(text.find("    2 G01 X30. Y40. F100"), std::string::npos) << text;

  // The feed line is on screen, and the pace mark left nothing behind it.
  const Framebuffer& fb = b.screen.framebuffer();
  int feed = 0, other = 0;
  for (uint8_t p : fb.pixels) {
    feed += p == pathcolor::Feed;
    other += p != 0 && p != pathcolor::Feed && p != pathcolor::Work && p != 3;
  }
  EXPECT_GT(feed, 50);
  EXPECT_EQ(other, 0);
  // The run ends at (0, 10); the pace mark's circle (1 mm) passed through (-1, 10).
  const PixelPoint mark = b.screen.gfx().toPixel(-1, 10);
  EXPECT_EQ(fb.at(mark.x, mark.y), 0);
}

// The row holding `text`, -1 when none does.
int rowWith(const Screen& screen, std::string_view text) {
  for (int r = 0; r < screen.rows(); ++r)
    if (screen.rowText(r).find(text) != std::string::npos) return r;
  return -1;
}

TEST(TrajectoryRunScreen, ErrorStopsAtItsLine) {
  Bench b("{Enter}", {"G90 G00 X0 Y0", "G01 X10. F100", "Y10.", "X0", "G100 X5.", "X20."});
  b.settings.coordinateDisplay = 2;
  const RunReport r = b.run();
  EXPECT_EQ(r.ZVZ, runstate::Error);
  EXPECT_EQ(r.FILE, 5);
  EXPECT_EQ(b.editor.FILE, 5);
  ASSERT_FALSE(r.I1M.empty());
  // The faulty block is listed with its coordinates, then the error text in
  // colour 6 and the report.
  const int block = rowWith(b.screen, "    5 G100 X5.");
  ASSERT_GE(block, 0) << b.screenText();
  EXPECT_EQ(b.screen.rowText(block + 1).substr(0, 12), "       5.000") << b.screenText();
  const int error = rowWith(b.screen, r.I1M);
  EXPECT_EQ(error, block + 2) << b.screenText();
  EXPECT_EQ(b.screen.cell(0, error).fg, 6);
  EXPECT_EQ(rowWith(b.screen, "移動"), error + 1) << b.screenText();
  EXPECT_EQ(rowWith(b.screen, "（?:図印刷）"), -1) << "only a normal end offers the copy";
}

TEST(TrajectoryRunScreen, CoordinateLines) {
  Move m;
  m.to = {12.5f, -3.25f, 0};
  m.delta = {12.5f, 0, -1};
  EXPECT_EQ(coordinateLine(m, view::XY),
            "      12.500   -3.250    0.000 (    12.500     0        -1.000");
  EXPECT_EQ(coordinateLine(m, view::ZY),
            "      12.500   -3.250    0.000 (    12.500     0        -1.000");
  // 3D and lathe views leave Z out; an arc adds its radius.
  m.ZSC = 5;
  EXPECT_EQ(coordinateLine(m, view::ThreeD), "      12.500   -3.250 (    12.500     0         5.000");
  EXPECT_EQ(coordinateLine(m, view::Lathe), "      12.500   -3.250 (    12.500     0         5.000");
}

TEST(TrajectoryRunScreen, IncludedFileRunsAndProgramContinues) {
  // "0" is read at the first block; the run then looks at keys only every
  // 256 blocks, so "x" answers the hard-copy prompt (and clears the drawing).
  Bench b("{Enter}0x", {});
  std::ofstream(b.dir / "inc.nc") << "G01 X20. F100\r\nM30\r\nG01 X99.\r\n";
  b.buffer.assign({"G90 G00 X0 Y0", "(:inc.nc", "G01 X50.", "M30"});
  const RunReport r = b.run();
  EXPECT_EQ(r.ZVZ, runstate::Ended);
  EXPECT_EQ(r.FILE, 4);
  // 20 mm in the included file, then 30 mm after it; the included M30 ends only the file.
  EXPECT_NE(r.totals.find("切削 50 "), std::string::npos) << r.totals;
}

// An included file is streamed; a device, which may never end a line, is
// refused (the run stops there with the message) instead of filling the memory.
TEST(TrajectoryRunScreen, IncludedDeviceIsRefused) {
  Bench b("{Enter}0x", {"G00 X1.", "(:/dev/zero", "G00 X2."});
  const RunReport r = b.run();
  EXPECT_EQ(r.ZVZ, runstate::Error);
  EXPECT_EQ(r.FILE, 2);
  EXPECT_NE(r.I1M.find("/dev/zero"), std::string::npos) << r.I1M;
}

TEST(TrajectoryRunScreen, EscStopsAndKeysChangePace) {
  std::vector<std::string> program;
  for (int i = 0; i < 200; ++i) program.push_back("G01 X" + std::to_string(i % 50) + ". F100");
  Bench b("{Enter}{Esc}", program);
  const RunReport r = b.run();
  EXPECT_EQ(r.ZVZ, runstate::Escaped);
  EXPECT_LT(r.FILE, 200);

  // "0" removes the pauses: 200 blocks cost no pacing time.
  Bench fast("{Enter}0{Esc}", program);
  const double before = fast.clock.seconds();
  EXPECT_EQ(fast.run().ZVZ, runstate::Ended);
  EXPECT_LT(fast.clock.seconds() - before, 0.2);
}

// Runs a program to its normal end; the script runs out at the copy prompt.
double runToPrompt(Bench& b) {
  const double before = b.clock.seconds();
  EXPECT_THROW(b.run(), InputExhausted);
  EXPECT_NE(rowWith(b.screen, "（?:図印刷）"), -1) << b.screenText();
  return b.clock.seconds() - before;
}

TEST(TrajectoryRunScreen, DigitKeysSetThePace) {
  // Each key is read at the first block and paces the three blocks after it.
  // A block waits (delay count - display speed) rounds of a millisecond:
  // "1" none, "8" 127 x 50, and the start value 2.5 x 50 leaves 75.
  const std::vector<std::string> program = {"G01 X1. F100", "X2.", "X3.", "X4."};
  struct Case {
    const char* key;
    double seconds;
  };
  for (const Case& c : {Case{"1", 0}, Case{"8", 3 * 6.35}, Case{"3", 3 * 0.15}, Case{"", 4 * 0.075}}) {
    Bench b(std::string("{Enter}") + c.key, program);
    EXPECT_NEAR(runToPrompt(b), c.seconds, 0.01) << "key " << c.key;
  }
}

// Headless, a run at the default pace waits on the virtual clock without a
// frame per block: it presents about as often as a full-speed run.
TEST(TrajectoryRunScreen, PacedHeadlessRunPresentsNoFramePerBlock) {
  std::vector<std::string> program;
  for (int i = 0; i < 300; ++i) program.push_back("G01 X" + std::to_string(i % 50) + ". F100");
  Bench paced("{Enter}", program);
  const double seconds = runToPrompt(paced);
  EXPECT_NEAR(seconds, 300 * 0.075, 0.05) << "every block still waits its 75 ms";
  EXPECT_LT(paced.backend.presentCount(), 20);
  // The keys are still seen at once while a block waits.
  Bench stopped("{Enter}{Esc}", program);
  const RunReport r = stopped.run();
  EXPECT_EQ(r.ZVZ, runstate::Escaped);
  EXPECT_LE(r.FILE, 2);
}

// "?" during a run writes the copy into the working folder and names it on row 0.
TEST(TrajectoryRunScreen, HardCopyDuringARunShowsItsName) {
  Bench b("{Enter}?", {"G01 X1. F100", "X2."});
  runToPrompt(b);
  int copies = 0;
  for (const auto& entry : fs::directory_iterator(b.dir)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with("copy")) continue;
    ++copies;
    EXPECT_NE(b.screen.rowText(0).find(name), std::string::npos) << b.screen.rowText(0);
  }
  EXPECT_EQ(copies, 1);
}

TEST(TrajectoryRunScreen, ClearAndTextKeys) {
  const std::vector<std::string> program = {"G01 X30. F100", "Y30.", "X40."};
  // "/" after the first block leaves only what is drawn after it.
  Bench cleared("{Enter}/", program);
  runToPrompt(cleared);
  const Painter& gfx = cleared.screen.gfx();
  auto at = [&](float u, float v) {
    const PixelPoint p = gfx.toPixel(u, v);
    return cleared.screen.framebuffer().at(p.x, p.y);
  };
  EXPECT_EQ(at(15, 0), 0) << "the first feed and the work outline are gone";
  EXPECT_EQ(at(30, 15), pathcolor::Feed);

  // "+" turns the block text off (clearing the list); the report still shows.
  Bench quiet("{Enter}+", program);
  runToPrompt(quiet);
  EXPECT_EQ(rowWith(quiet.screen, "    1 G01"), -1) << quiet.screenText();
  EXPECT_EQ(rowWith(quiet.screen, "    3 X40."), -1) << quiet.screenText();
  EXPECT_NE(rowWith(quiet.screen, "移動"), -1) << quiet.screenText();

  // Space pauses with "止" at the top left until a key; the run then goes on.
  Bench paused("{Enter} x", program);
  runToPrompt(paused);
  EXPECT_NE(rowWith(paused.screen, "    3 X40."), -1) << paused.screenText();
}

TEST(TrajectorySettingsScreen, LabelsTitleAndMenu) {
  Bench b("", {"G00 X10."});
  EXPECT_THROW(b.run(), InputExhausted);
  auto startsWith = [&](int row, std::string_view text) { return b.screen.rowText(row).rfind(text, 0) == 0; };
  EXPECT_TRUE(startsWith(1, "ﾜｰｸ寸法 ﾖｺ 100.0ﾀﾃ  60.0z   20.0")) << b.screenText();
  EXPECT_TRUE(startsWith(3, "描画中心 X    0 Y     0 Z     0")) << b.screenText();
  EXPECT_TRUE(startsWith(7, "描画平面  1)XY ")) << b.screenText();
  EXPECT_TRUE(startsWith(8, "  3D回転 角度  10 Z比   1.00")) << b.screenText();
  EXPECT_TRUE(startsWith(13, "ﾃｷｽﾄ表示  1)有 ")) << b.screenText();
  EXPECT_EQ(b.screen.cell(0, 1).fg, 5);
  // The title and the menu, "1)開始" preset.
  EXPECT_TRUE(startsWith(15, "描画   1)開始 2)条件 3)ﾓﾄﾞﾙ ")) << b.screenText();
  EXPECT_EQ(b.screen.cell(7, 15).fg, 13);
  EXPECT_EQ(b.screen.cell(14, 15).fg, 4);
}

// The learner's edition: the animation field on row 14, "動画" on the rapid
// choice and "3)戻る" in the menu.
TEST(TrajectorySettingsScreen, LearnersFormHasTheAnimationChoice) {
  Bench b("", {"G00 X10."});
  b.session.edition = learnerEdition();
  EXPECT_THROW(b.run(), InputExhausted);
  auto startsWith = [&](int row, std::string_view text) { return b.screen.rowText(row).rfind(text, 0) == 0; };
  EXPECT_TRUE(startsWith(12, "G0 軌跡   1)有 ")) << b.screenText();
  EXPECT_EQ(learnerTrajectoryFormFields()[24].text, "1)有 2)無 動画 ");
  EXPECT_EQ(learnerTrajectoryFormFields().size(), 27u);
  EXPECT_EQ(trajectoryFormFields()[24].text, "1)有 2)無 ");
  EXPECT_TRUE(startsWith(14, "動画表示  1)軌跡 ")) << b.screenText();
  EXPECT_TRUE(startsWith(15, "描画   1)開始 2)条件 3)戻る ")) << b.screenText();
}

// "2)動画": each block's tool mark travels in ten steps of the display speed's
// rounds (50 ms at the default speed) before the block's own wait.
TEST(TrajectoryRunScreen, AnimationMovesTheToolAlongEachBlock) {
  const std::vector<std::string> program = {"G01 X10. F100", "X20.", "Y10."};
  Bench path("{Enter}", program);
  path.session.edition = learnerEdition();
  const double plain = runToPrompt(path);
  Bench moving("{Enter}", program);
  moving.session.edition = learnerEdition();
  moving.settings.animation = 2;
  const double animated = runToPrompt(moving);
  EXPECT_NEAR(animated - plain, 3 * 10 * 0.050, 0.01);
  // The path is drawn as without the animation, and the mark left nothing behind.
  EXPECT_EQ(moving.screen.framebuffer().pixels, path.screen.framebuffer().pixels);
  // A key during the animation is still answered: Esc stops the run.
  Bench stopped("{Enter}{Esc}", program);
  stopped.session.edition = learnerEdition();
  stopped.settings.animation = 2;
  EXPECT_EQ(stopped.run().ZVZ, runstate::Escaped);
}

TEST(TrajectorySettingsScreen, MenuKeys) {
  struct Case {
    const char* script;
    int row, col;  // a cell of the field being edited (0-based), -1 for none
    int beeps;
  };
  const Case cases[] = {
      {"{Left}", -1, -1, 1},           // beep, the menu again
      {"{Up}", 13, 10, 0},              // editing from field 26 (text display)
      {"{Right}{Enter}", 7, 10, 0},     // "2)条件": editing from field 19 (the view)
  };
  for (const Case& c : cases) {
    Bench b(c.script, {"G00 X10."});
    EXPECT_THROW(b.run(), InputExhausted) << c.script;
    EXPECT_EQ(b.backend.beepCount(), c.beeps) << c.script;
    if (c.row >= 0) {
      EXPECT_EQ(b.screen.cell(c.col, c.row).fg, 13) << c.script << "\n" << b.screenText();
    } else {
      EXPECT_EQ(b.screen.cell(7, 15).fg, 13) << c.script;  // the menu, "1" preset again
    }
  }
  // A function key from 5 up ends the form and starts the run at once.
  Bench b("{Down}{F5}", {"G00 X10."});
  runToPrompt(b);
}

TEST(TrajectoryRunScreen, MenuEscReturnsWithoutRun) {
  Bench b("{Esc}", {"G00 X10."});
  const RunReport r = b.run();
  EXPECT_EQ(r.ZVZ, runstate::Running);
  EXPECT_EQ(b.editor.FILE, 1);
}

}  // namespace
}  // namespace vorn
