#include "display/trajectory_screen.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "editor/editor_state.h"
#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "shell/session.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// A headless VORN-T screen with a program in the buffer, driven by a key script.
struct Bench {
  explicit Bench(std::string_view script, std::vector<std::string> program)
      : dir(fs::temp_directory_path() / ("vorn_display_" + std::to_string(::getpid()))),
        backend(HeadlessBackend::fromScript(script)),
        screen(backend, clock),
        paths(config(dir)),
        channels(paths),
        session(screen, channels, paths) {
    backend.maximize();
    screen.syncSize();
    screen.mapStandardPalette();
    session.geometry.CMMF = float(screen.rows() - 5);
    buffer.assign(std::move(program));
    editor.reset();
    settings.workSize = {100, 60, 20};
  }
  ~Bench() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  static DeviceConfig config(const fs::path& dir) {
    fs::create_directories(dir);
    DeviceConfig c;
    c.workDir = dir;
    c.configDir = dir;
    return c;
  }
  RunReport run() {
    TrajectoryContext context{session, buffer, editor, settings, standardCodeTable()};
    return trajectoryScreen(context);
  }
  std::string screenText() const { return screen.dumpText(); }

  fs::path dir;
  VirtualClock clock;
  HeadlessBackend backend;
  Screen screen;
  PathMap paths;
  ChannelTable channels;
  Session session;
  ProgramBuffer buffer;
  EditorState editor;
  TrajectorySettings settings;
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

TEST(TrajectoryRunScreen, MenuEscReturnsWithoutRun) {
  Bench b("{Esc}", {"G00 X10."});
  const RunReport r = b.run();
  EXPECT_EQ(r.ZVZ, runstate::Running);
  EXPECT_EQ(b.editor.FILE, 1);
}

}  // namespace
}  // namespace vorn
