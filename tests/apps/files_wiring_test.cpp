// The shared-folder screen inside the whole program: main menu "4 共用ﾌｫﾙﾀﾞ "
// lists "UsFolder", reads a ".wf" into the editor with its trajectory
// settings, and saves the program with the trajectory form's settings.
#include "apps/files_wiring.h"

#include <gtest/gtest.h>

#include "harness.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::string folderFile(const fs::path& in) {
  std::string text = "\"Work\",\"" + in.string() + "\"\r\n";
  for (int i = 0; i < 8; ++i) text += "\"\",\"\"\r\n";
  return text;
}

TEST(FilesWiring, MenuFourReadsAWfFileWithItsSettings) {
  ProgramRun run("4{Enter}{Enter}X.wf{Enter}");
  fs::create_directories(run.dir / "in");
  run.write("UsFolder", folderFile(run.dir / "in"));
  std::ofstream(run.dir / "in" / "X.wf", std::ios::binary)
      << "3,\"SHAFT\"\r\nFRONT\r\n120,90,25,5,1,2,3,4\r\nG00 X0\r\nM30\r\n";
  const fs::path before = fs::current_path();
  App& app = run.start("");
  EXPECT_EQ(app.editor.buffer.OSDATE, "SHAFT");
  EXPECT_EQ(app.editor.buffer.H0X, "FRONT");
  EXPECT_EQ(app.editor.buffer.YGW, 3);
  EXPECT_EQ(app.editor.buffer.lineCount(), 2);
  EXPECT_EQ(app.display.settings.workSize, (std::array<float, 3>{120, 90, 25}));
  EXPECT_EQ(app.display.settings.scale, 4);
  EXPECT_EQ(fs::current_path(), before);
}

TEST(FilesWiring, MenuFourSavesWithTheTrajectorySettings) {
  ProgramRun run("4{Enter}{Down}{Down}{Enter}{Enter}");
  run.write("UsFolder", folderFile(run.dir / "in"));
  fs::create_directories(run.dir / "in");
  const fs::path file = run.write("part.nc", "G00 X1.\r\nM30\r\n");
  App& app = run.start(file);
  std::ifstream in(run.dir / "part.wf", std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  const std::string expected = "0,\"part\"\r\n" + app.editor.buffer.H0X + "\r\n" +
                               "0,0,0,1,0,0,0,2\r\nG00 X1.\r\nM30\r\n";
  EXPECT_EQ(bytes.str(), expected);
  // Row 0 shows the new name and the export's date.
  EXPECT_NE(run.row(0).find("part"), std::string::npos) << run.row(0);
  EXPECT_NE(run.row(0).find(app.editor.buffer.H0X.substr(0, 16)), std::string::npos) << run.row(0);
}

TEST(FilesWiring, TheShippedSampleFolderExistsInAFreshWorkingDirectory) {
  ProgramRun run("4{Enter}{Down}{Enter}");   // the shipped second folder, "A:\samples"
  App& app = run.start("");
  const std::string screen = app.screen.dumpText();
  EXPECT_NE(screen.find("ファイル読込み"), std::string::npos) << screen;
  EXPECT_NE(screen.find((run.dir / "samples").string()), std::string::npos) << screen;
  EXPECT_TRUE(fs::exists(run.dir / "samples" / "sample.nc"));
}

}  // namespace
}  // namespace vorn
