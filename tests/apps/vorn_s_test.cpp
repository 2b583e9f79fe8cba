// The learner's edition, VORN_s: the same program chosen by its edition
// record, run whole (headless) and as the vorn_s executable.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/app.h"
#include "apps/learner_wiring.h"
#include "comm/environment_screen.h"
#include "harness.h"
#include "runtime/text.h"
#include "shell/recovery.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

const std::vector<std::string> kLearnerMenu = {
    "1 作成･編集 ", "2 ファイル  ", "3 印 字     ", "4 プロッタ  ", "5 軌跡動画  ",
    "6 提 出     ", "7 環境設定  ", "8 ﾌｧｲﾙ削除  ", "9  終 了    ",
};

TEST(VornS, ExecutableShowsTheNineEntryMenu) {
  const fs::path dir = fs::temp_directory_path() / ("vorn_s_e2e_" + std::to_string(::getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "work");
  const fs::path exe = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "apps" / "vorn_s";
  const std::string cmd = "cd '" + (dir / "work").string() + "' && XDG_CONFIG_HOME='" + (dir / "config").string() +
                          "' '" + exe.string() + "' --headless --keys '' --dump-text out.txt 2>'" +
                          (dir / "stderr.txt").string() + "'";
  const int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc) && WEXITSTATUS(rc) == 0) << readFile(dir / "stderr.txt");
  std::istringstream text(readFile(dir / "work" / "out.txt"));
  std::vector<std::string> rows;
  for (std::string line; std::getline(text, line);) rows.push_back(line);
  ASSERT_GE(rows.size(), 12u);
  for (size_t i = 0; i < kLearnerMenu.size(); ++i)
    EXPECT_EQ(midByWidth(padToWidth(rows[2 + i], 128), 60, textWidth(kLearnerMenu[i])), kLearnerMenu[i]) << i;
  fs::remove_all(dir);
}

TEST(VornS, ALearnerProgramHolds1260LinesAndSaysWhereItWasCut) {
  ProgramRun run("");
  run.edition = learnerEdition();
  std::string text;
  for (int n = 1; n <= 1261; ++n) text += "G01X" + std::to_string(n) + "\r\n";
  const fs::path file = run.write("long.nc", text);
  App& app = run.start(file, 0);
  EXPECT_EQ(app.editor.buffer.capacity(), 1260);
  EXPECT_EQ(app.editor.buffer.lineCount(), 1260);
  EXPECT_NE(run.row(run.statusRow()).find("1261行目から先は読み込んでいません"), std::string::npos)
      << run.row(run.statusRow());
}

TEST(VornS, EditionRecordsDifferWhereTheLearnersProgramDoes) {
  const Edition s = learnerEdition(), t = vorntEdition();
  EXPECT_EQ(s.menu.size(), 9u);
  for (size_t i = 0; i < kLearnerMenu.size(); ++i) EXPECT_EQ(s.menu[i].label, kLearnerMenu[i]);
  EXPECT_EQ(t.menu[3].label, "4 共用ﾌｫﾙﾀﾞ ");
  EXPECT_EQ(s.versionTag, "577");
  EXPECT_EQ(t.versionTag, "578f");
  EXPECT_EQ(recoveryMessage(63, "", s.missingFileText), "ﾄﾞﾗｲﾌﾞ,ﾊﾟｽ,ﾌｧｲﾙ名が見つからない");
  EXPECT_EQ(recoveryMessage(63, ""), "ﾄﾞﾗｲﾌﾞ,ﾊﾟｽ,ﾌｧｲﾙが見付らない");
}

TEST(VornS, EnvironmentHasThreeVolumesNarrowerRangesAndNoCommunication) {
  const std::vector<FieldDef> fields = environmentFormFields(learnerEdition());
  ASSERT_EQ(fields.size(), 9u);
  EXPECT_EQ(fields[0].text, "1)M1 2)M2 3)M3 ");
  EXPECT_EQ(fields[0].width, 5);
  EXPECT_EQ(fields[1].text, "5 222");
  EXPECT_EQ(fields[2].text, "1 50");
  EXPECT_EQ(environmentFormFields().size(), 17u);
  EXPECT_EQ(environmentFormFields()[1].text, "5 322");

  ProgramRun run("7{Enter}{Enter}");
  run.edition = learnerEdition();
  run.start("", 0);
  bool label = false, comm = false;
  for (int r = 0; r < 30; ++r) {
    label = label || run.row(r).find("ﾃﾞｨﾚｸﾄﾘ") != std::string::npos;
    comm = comm || run.row(r).find("通信速度") != std::string::npos;
  }
  EXPECT_TRUE(label);
  EXPECT_FALSE(comm);
}

// Hands the program in twice to the first "UsFolder" folder (A:\ of the run).
TEST(VornS, SubmitWritesTheLearnersFileAndASecondSubmitAsks) {
  ProgramRun run("6{Enter}{Enter}6{Enter}{Enter}");
  run.edition = learnerEdition();
  run.prepare = [](App& app) { app.learner.number = 1207; };
  const fs::path program = run.write("part.nc", "O0010\r\nG01X10.Y-5.\r\nM30\r\n");
  App& app = run.start(program, 0);
  const fs::path submitted = app.paths.resolve("A:\\") / "1207.wf";
  ASSERT_TRUE(fs::exists(submitted)) << submitted;
  const std::string bytes = readFile(submitted);
  EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")), "1207,\"1207\"");
  EXPECT_NE(bytes.find("\r\nO0010\r\n"), std::string::npos) << bytes;
  EXPECT_EQ(bytes.substr(bytes.size() - 5), "M30\r\n") << bytes;
  bool asked = false;
  for (int r = 0; r < 30; ++r) asked = asked || run.row(r).find("既に登録されています") != std::string::npos;
  EXPECT_TRUE(asked);
  bool choice = false;
  for (int r = 0; r < 30; ++r) choice = choice || run.row(r).find("[上書き]  [取消し] ") != std::string::npos;
  EXPECT_TRUE(choice);
  // The program in memory keeps its own name.
  EXPECT_EQ(app.editor.buffer.OSDATE, "part");

  // VORN-T reads the submitted file with the learner's number as its mark.
  ProgramRun reader("");
  App& vornt = reader.start(submitted);
  ASSERT_TRUE(vornt.editor.wfHeader.has_value());
  EXPECT_EQ(vornt.editor.wfHeader->YGW, 1207);
  EXPECT_EQ(vornt.editor.buffer.YGW, 1207);
  EXPECT_EQ(vornt.editor.buffer.line(1), "O0010");
}

TEST(VornS, SubmitShowsTheCountAndLeavesOnCancel) {
  ProgramRun once("6{Enter}{Enter}");
  once.edition = learnerEdition();
  once.prepare = [](App& app) { app.learner.number = 5; };
  const fs::path program = once.write("part.nc", "G00X1\r\nG00X2\r\n");
  once.app = nullptr;
  App& app = once.start(program, 0);
  EXPECT_TRUE(fs::exists(app.paths.resolve("A:\\") / "5.wf"));
  // Esc on the folder menu and an empty program hand nothing in.
  ProgramRun empty("6{Enter}{Enter}");
  empty.edition = learnerEdition();
  empty.prepare = [](App& a) { a.learner.number = 6; };
  App& none = empty.start("", 0);
  EXPECT_FALSE(fs::exists(none.paths.resolve("A:\\") / "6.wf"));
}

TEST(VornS, SubmitWithoutALearnerNumberSaysHowToSetIt) {
  ProgramRun run("6{Enter}");
  run.edition = learnerEdition();
  const fs::path program = run.write("part.nc", "G00X1\r\n");
  run.start(program, 0);
  bool told = false;
  for (int r = 0; r < 30; ++r) told = told || run.row(r).find("--learner") != std::string::npos;
  EXPECT_TRUE(told);
}

TEST(VornS, ExitScreenHasTheLearnersTextsAndEndsByItself) {
  ProgramRun run("9{Enter}");
  run.edition = learnerEdition();
  run.start("", 0);
  EXPECT_EQ(run.row(0).substr(0, 15), "* VORN_s577 m *");
  EXPECT_EQ(run.row(4), padToWidth("数秒で終了します。データFDは取り出しましょう", textWidth(run.row(4))));
  EXPECT_EQ(run.row(6).rfind("すぐ閉じる時は:[*]", 0), 0u) << run.row(6);
  // The blinking marker shows "NC" or blanks beside the time.
  const std::string status = run.row(16);
  EXPECT_TRUE(status.rfind("NC  ", 0) == 0 || status.rfind("    ", 0) == 0) << status;
  EXPECT_GE(run.clock.seconds(), 5.0) << "the countdown ran out";
}

TEST(VornS, LearnerNumberOption) {
  int n = 0;
  EXPECT_TRUE(parseLearnerNumber("1207", n));
  EXPECT_EQ(n, 1207);
  for (const char* bad : {"", "0", "-3", "12a", "123456789", "1.5"}) EXPECT_FALSE(parseLearnerNumber(bad, n)) << bad;
}

}  // namespace
}  // namespace vorn
