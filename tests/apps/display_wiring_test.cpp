// The trajectory screen inside the whole program: F10 in the editor, the
// settings, "1)開始", the run, and back in the editor at the right line with
// the report on its status row.
#include "apps/display_wiring.h"

#include <gtest/gtest.h>

#include "harness.h"

#include <filesystem>
#include <fstream>

#include "apps/app.h"
#include "apps/cli_picture.h"
#include "runtime/png.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/text.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// From the main menu into the editor, F10, the work size typed into the
// first fields (Esc leaves the form), Enter on the preset "1)開始".
constexpr const char* kToRun = "1{Enter}{F10}100{Enter}90{Enter}20{Enter}{Esc}{Enter}";


int lineOf(const ProgramBuffer& buffer, std::string_view text) {
  for (int i = 1; i <= buffer.lineCount(); ++i)
    if (buffer.line(i) == text) return i;
  return 0;
}

TEST(DisplayWiring, SampleRunsToItsReportAndTheEditorShowsTheEndLine) {
  // "0" (full speed) is read at the first block; "x" answers the copy prompt.
  ProgramRun run(std::string(kToRun) + "0x");
  App& app = run.start(dataDirectory() / "samples" / "sample.nc");
  const int end = lineOf(app.editor.buffer, "M30");
  ASSERT_GT(end, 0);
  EXPECT_EQ(app.editor.state.FILE, end);
  EXPECT_EQ(app.display.settings.workSize[1], 90);
  EXPECT_EQ(run.lineRow(end).rfind(" M30"), 5u) << run.lineRow(end);
  const std::string status = run.row(run.statusRow());
  EXPECT_NE(status.find("移動"), std::string::npos) << status;
  EXPECT_NE(status.find("切削"), std::string::npos) << status;
  EXPECT_NE(status.find("H"), std::string::npos) << status;
  EXPECT_NE(run.row(run.statusRow() + 1).find("軌跡"), std::string::npos) << "function keys redrawn";
  EXPECT_EQ(run.backend.beepCount(), 0);
}

TEST(DisplayWiring, ErrorOnLineFiveLeavesTheEditorThereWithTheMessage) {
  ProgramRun run(kToRun);
  const fs::path file =
      run.write("bad.nc", "G90 G00 X0 Y0\r\nG01 X10. F100\r\nY10.\r\nX0\r\nG100 X5.\r\nX20.\r\n");
  App& app = run.start(file);
  EXPECT_EQ(app.editor.state.FILE, 5);
  EXPECT_EQ(run.lineRow(5).rfind("    5 G100", 0), 0u) << run.lineRow(5);
  const std::string status = run.row(run.statusRow());
  const size_t at = status.find("G?");
  ASSERT_NE(at, std::string::npos) << status;
  // The message in colour 6, after the report, with a beep.
  const int col = textWidth(status.substr(0, at));
  EXPECT_EQ(app.screen.cell(col, run.statusRow()).fg, 6) << status;
  EXPECT_NE(status.find("移動"), std::string::npos) << status;
  EXPECT_GE(run.backend.beepCount(), 1);
}

TEST(DisplayWiring, IncludedFileRunsAndTheProgramContinuesAfterIt) {
  ProgramRun run(std::string(kToRun) + "0x");
  run.write("inc.nc", "G01 X20. F100\r\nM99\r\nG01 X99.\r\n");
  // A text file keeps its lines as written (an NC file's normalisation would
  // space the included name apart at its ".").
  const fs::path file = run.write("main.txt", "G90 G00 X0 Y0\r\n(:inc.nc\r\nG01 X50.\r\nM30\r\n");
  App& app = run.start(file);
  EXPECT_EQ(app.editor.state.FILE, 4);
  // 20 mm in the included file, 30 after it; its M99 ends only the file.
  const std::string status = run.row(run.statusRow());
  EXPECT_NE(status.find("切削 50 "), std::string::npos) << status;
}

// "?" at the copy prompt writes the hard copy into the working folder and
// says which file it wrote; back in the editor row 0 names the program again.
TEST(DisplayWiring, HardCopyIsNamedAndRowZeroComesBack) {
  ProgramRun run(std::string(kToRun) + "0?");
  App& app = run.start(dataDirectory() / "samples" / "sample.nc");
  std::vector<fs::path> copies;
  for (const auto& entry : fs::directory_iterator(run.dir))
    if (entry.path().filename().string().starts_with("copy")) copies.push_back(entry.path());
  ASSERT_EQ(copies.size(), 1u);
  const std::string name = copies[0].filename().string();
  EXPECT_EQ(copies[0].extension(), ".png");
  const std::string status = run.row(run.statusRow());
  EXPECT_NE(status.find(name), std::string::npos) << status;
  EXPECT_NE(run.row(0).find(" " + app.editor.buffer.OSDATE + " "), std::string::npos) << run.row(0);
  EXPECT_EQ(run.row(0).find("copy"), std::string::npos) << "the copy message left row 0: " << run.row(0);
}

// Esc leaves the editor for the menu without its function-key line.
TEST(DisplayWiring, MenuAfterTheEditorHasNoEditorKeyLine) {
  ProgramRun run("1{Esc}");
  run.start(dataDirectory() / "samples" / "sample.nc");
  EXPECT_EQ(run.row(run.statusRow() + 1).find("軌跡"), std::string::npos) << run.row(run.statusRow() + 1);
}

TEST(DisplayWiring, PictureFromTheCommandLineIsTheScreenDrawing) {
  // Esc at the copy prompt keeps the drawing on screen.
  ProgramRun run(std::string(kToRun) + "0{Esc}");
  const fs::path sample = dataDirectory() / "samples" / "sample.nc";
  App& app = run.start(sample);
  const PixelRect vp = runViewport(app.screen);

  PictureOptions picture;
  picture.pngPath = (run.dir / "run.png").string();
  picture.width = vp.width();
  picture.height = vp.height();
  const Environment& env = app.session.environment;
  drawPicture(app.editor.buffer, standardCodeTable(), runSettings(app.display.settings, env),
              drawingSetup(app.display.settings, env), picture);
  const Image png = readPng(picture.pngPath);
  ASSERT_EQ(png.width, vp.width());
  ASSERT_EQ(png.height, vp.height());

  const Framebuffer& fb = app.screen.framebuffer();
  int differing = 0, drawn = 0;
  for (int y = 0; y < png.height; ++y) {
    for (int x = 0; x < png.width; ++x) {
      const Rgb want = app.screen.paletteSlot(fb.at(vp.x1 + x, vp.y1 + y));
      const Rgb got = png.pixels[size_t(y) * size_t(png.width) + size_t(x)];
      const bool d = want.r != got.r || want.g != got.g || want.b != got.b;
      differing += d;
      drawn += fb.at(vp.x1 + x, vp.y1 + y) != 0;
    }
  }
  EXPECT_GT(drawn, 500);
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace vorn
