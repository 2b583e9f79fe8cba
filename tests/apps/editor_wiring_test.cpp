// The editor inside the whole program: a file named on the command line is
// loaded at start and shown; menu code 1 opens the editor on it.
#include "apps/editor_wiring.h"

#include <gtest/gtest.h>

#include "harness.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "apps/app.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/text.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;


TEST(EditorWiring, CommandLineFileIsLoadedAndShownInTheEditor) {
  ProgramRun run("1{Enter}{Code:11}G01X5Y6{Enter}");
  const fs::path file = run.write("part.nc", "%\r\nO0010\r\nG01X10.Y-5.\r\nM30\r\n%\r\n");
  App& app = run.start(file);
  EXPECT_EQ(app.editor.buffer.OSDATE, "part");
  EXPECT_NE(run.row(0).find("part"), std::string::npos) << run.row(0);
  EXPECT_EQ(run.row(1).substr(0, 15), "    1 G01 X5 Y6") << "line 1 typed over in the editor";
  EXPECT_EQ(run.row(2).substr(0, 19), "    2 G01 X10. Y-5.");
  EXPECT_EQ(app.editor.buffer.line(1), "G01 X5 Y6") << "typed over line 1 in the editor";
}

TEST(EditorWiring, WfFileSetsNameAndTitleFromItsHeader) {
  ProgramRun run("");
  const fs::path file = run.write("export.wf", "0,\"SHAFT\"\r\nFRONT SIDE\r\n100,80,20,5,1,2,3,4\r\nO1\r\nG0X1\r\n");
  App& app = run.start(file);
  EXPECT_EQ(app.editor.buffer.OSDATE, "SHAFT");
  EXPECT_EQ(app.editor.buffer.H0X, "FRONT SIDE");
  ASSERT_TRUE(app.editor.wfHeader.has_value());
  EXPECT_EQ(app.editor.wfHeader->settings.size(), 8u);
  // The header's work size, base point, draw centre and scale reach the trajectory form.
  const TrajectorySettings& t = app.display.settings;
  EXPECT_EQ(t.workSize, (std::array<float, 3>{100, 80, 20}));
  EXPECT_EQ(t.basePoint, 5);
  EXPECT_EQ(t.centre, (std::array<float, 3>{1, 2, 3}));
  EXPECT_EQ(t.scale, 4);
  EXPECT_NE(run.row(0).find("SHAFT"), std::string::npos) << run.row(0);
  EXPECT_NE(run.row(0).find("FRONT SIDE"), std::string::npos) << run.row(0);
  EXPECT_EQ(run.row(1).substr(0, 8), "    1 O1");
}

TEST(EditorWiring, AFileThatDoesNotFitIsCutAndSaysWhere) {
  ProgramRun run("");
  const fs::path file = run.write("big.txt", "A\nB\nC\nD\n");
  App& app = run.start(file, 3);
  EXPECT_EQ(app.editor.buffer.lineCount(), 3);
  const int countRow = int(app.session.geometry.CMMF) + 1;
  EXPECT_NE(run.row(countRow).find("4行目"), std::string::npos) << run.row(countRow);
}

// A loaded block longer than 70 cells once spaced apart is cut with a beep
// and a notice naming how many lines and the first.
TEST(EditorWiring, LoadedLinesCutTo70CellsAreReported) {
  ProgramRun run("");
  const fs::path file = run.write("wide.nc", "G00X0\nG01" + std::string(80, 'X') + "\n");
  App& app = run.start(file);
  EXPECT_EQ(app.editor.buffer.line(2).size(), 70u);
  const int countRow = int(app.session.geometry.CMMF) + 1;
  EXPECT_NE(run.row(countRow).find("2行目"), std::string::npos) << run.row(countRow);
  EXPECT_GE(run.backend.beepCount(), 1);
}

TEST(EditorWiring, AMissingFileGoesToTheRecoveryScreenWithAnEmptyProgram) {
  ProgramRun stopped("");
  App& first = stopped.start(stopped.dir / "missing.nc");
  EXPECT_NE(stopped.row(0).find("見付らない"), std::string::npos) << stopped.row(0);
  EXPECT_EQ(first.editor.buffer.lineCount(), 0);

  // "ﾒﾆｭｰ" on the recovery screen, then the editor works on the empty program.
  ProgramRun menu("{Right}{Enter}1{Enter}G1X1{Enter}");
  App& app = menu.start(menu.dir / "missing.nc");
  EXPECT_EQ(app.editor.buffer.lineCount(), 1);
  EXPECT_EQ(app.editor.buffer.line(1), "G1 X1");
}

// The vornt program itself: a quoted path on the command line reaches the
// loader with its quotes, which drops them, and the editor edits the file.
TEST(EditorWiring, VorntLoadsAQuotedCommandLinePath) {
  ProgramRun run("");
  run.write("my part.nc", "%\r\nO0010\r\nG01X10.Y-5.\r\nM30\r\n%\r\n");
  const fs::path exe = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "apps" / "vornt";
  const std::string cmd = "cd '" + run.dir.string() + "' && XDG_CONFIG_HOME='" + (run.dir / "config").string() +
                          "' '" + exe.string() + "' --headless --keys '1{Enter}{Down}{Code:11}x1;y2{Enter}'" +
                          " --dump-text out.txt '\"my part.nc\"' >err.txt 2>&1";
  ASSERT_EQ(std::system(cmd.c_str()), 0);
  std::ifstream in(run.dir / "out.txt", std::ios::binary);
  std::vector<std::string> rows;
  for (std::string row; std::getline(in, row);) rows.push_back(row);
  ASSERT_GE(rows.size(), 5u);
  EXPECT_NE(rows[0].find("my part"), std::string::npos) << rows[0];
  EXPECT_EQ(midByWidth(rows[0], 5, 4), "  my") << "the heading covers the progress count: " << rows[0];
  EXPECT_EQ(rows[1].substr(0, 11), "    1 O0010");
  EXPECT_EQ(rows[2].substr(0, 10), "    2 X1");
  EXPECT_EQ(rows[3].substr(0, 10), "    3 Y2");
  EXPECT_EQ(rows[4].substr(0, 9), "    4 M30");
}

}  // namespace
}  // namespace vorn
