// The transfer and management module inside the whole program: entered from
// "8.補助作業", left with "8 メイン", and what the main program sees after
// the restart that follows.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/app.h"
#include "harness.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::string fileText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Into the module, its code tables, group 1 (row 2) retyped as `groupOne`,
// "1)登録", then "8 メイン" (the module's buffer is empty: no question).
std::string editGroupOne(const std::string& groupOne) {
  std::string keys = "8{Enter}4{Enter}{Enter}{End}";
  for (int i = 0; i < 30; ++i) keys += "{Bs}";
  return keys + groupOne + "{Enter}{Esc}{Enter}8{Enter}";
}

// Then the editor, F10, the work size, "1)開始"; "0" runs at full speed, "x" answers the copy prompt.
constexpr const char* kRunTrajectory = "1{Enter}{F10}100{Enter}90{Enter}20{Enter}{Esc}{Enter}0x";

constexpr const char* kProgram = "G90 G00 X0 Y0\r\nG01 X10. F100\r\nY10.\r\nM30\r\n";

TEST(ModuleInTheProgram, TheInterpreterUsesTheCodeTablesSavedInTheModule) {
  // The shipped group 1 without G01: after the return G01 is no longer a
  // motion code (an unlisted code falls in the one-shot group 0), so the
  // rapid G00 stays in force and nothing is cut.
  ProgramRun without(editGroupOne("00 02 03 12 13 32 33") + kRunTrajectory);
  const fs::path file = without.write("p.nc", kProgram);
  App& app = without.start(file);
  const std::string ncg = fileText(without.dir / "NCG");
  int lines = 0;
  for (char c : ncg) lines += c == '\n';
  EXPECT_EQ(lines, 16);
  EXPECT_NE(ncg.find("\"00 02 03 12 13 32 33\"\r\n"), std::string::npos);
  EXPECT_EQ(app.editor.state.FILE, 4);
  const std::string status = without.row(without.statusRow());
  EXPECT_NE(status.find("移動 20 切削 0 "), std::string::npos) << status;

  // The same table with G01 put back runs the program to its end.
  ProgramRun with(editGroupOne("00 01 02 03 12 13 32 33") + kRunTrajectory);
  const fs::path again = with.write("p.nc", kProgram);
  App& app2 = with.start(again);
  EXPECT_EQ(app2.editor.state.FILE, 4);
  const std::string cut = with.row(with.statusRow());
  EXPECT_NE(cut.find("移動 0 切削 20 "), std::string::npos) << cut;
}

TEST(ModuleInTheProgram, WithAnEmptyModuleBufferMainReturnsAtOnce) {
  // The editor holds a program, the module's own buffer is empty: no question.
  ProgramRun run("8{Enter}8{Enter}");
  const fs::path file = run.write("p.nc", kProgram);
  App& app = run.start(file);
  EXPECT_EQ(app.editor.buffer.lineCount(), 4);
  EXPECT_EQ(app.screen.dumpText().find("(ﾃﾞｰﾀ 消える)"), std::string::npos);
  EXPECT_NE(run.row(2).find("1 作成･編集"), std::string::npos) << "back at the main menu";
  EXPECT_EQ(run.backend.pendingEvents(), 0u);
}

TEST(ModuleInTheProgram, WithLinesInTheModuleBufferMainAsksFirst) {
  // A file imported into the module (its save left with Esc): "8 メイン"
  // asks; "2)ﾓﾄﾞﾙ" stays in the module, the second time "1)OK" leaves.
  const fs::path imported = fs::temp_directory_path() / ("vorn_program_run_" + std::to_string(::getpid())) / "IMP.NC";
  ProgramRun run("8{Enter}3{Enter}{Enter}" + imported.string() + "{Enter}{Esc}8{Enter}{Right}{Enter}8{Enter}{Enter}");
  run.write("IMP.NC", "O5\r\nG00 X1.\r\n");
  const fs::path file = run.write("p.nc", kProgram);
  App& app = run.start(file);
  EXPECT_EQ(app.editor.buffer.lineCount(), 4);  // the main program's buffer was never touched
  EXPECT_NE(app.screen.dumpText().find("1 作成･編集"), std::string::npos) << "back at the main menu";
  EXPECT_EQ(run.backend.pendingEvents(), 0u);
}

}  // namespace
}  // namespace vorn
