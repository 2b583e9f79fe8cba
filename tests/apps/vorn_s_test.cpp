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

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

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

TEST(VornS, LearnerNumberOption) {
  int n = 0;
  EXPECT_TRUE(parseLearnerNumber("1207", n));
  EXPECT_EQ(n, 1207);
  for (const char* bad : {"", "0", "-3", "12a", "123456789", "1.5"}) EXPECT_FALSE(parseLearnerNumber(bad, n)) << bad;
}

}  // namespace
}  // namespace vorn
