// End-to-end runs of the vornt program in headless mode, in fresh folders.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/app.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/text.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::string quote(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

struct VorntRun {
  VorntRun() {
    dir = fs::temp_directory_path() / ("vornt_e2e_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "work");
  }
  ~VorntRun() { fs::remove_all(dir); }
  // Runs vornt in dir/work with a private configuration folder; returns the exit status.
  int vornt(const std::string& args) {
    fs::path exe = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "apps" / "vornt";
    std::string cmd = "cd " + quote((dir / "work").string()) + " && XDG_CONFIG_HOME=" +
                      quote((dir / "config").string()) + " " + quote(exe.string()) + " " + args +
                      " >" + quote((dir / "stderr.txt").string()) + " 2>&1";
    int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  fs::path dir;
};

TEST(Vornt, FreshFolderShowsTheMainMenu) {
  VorntRun run;
  ASSERT_EQ(run.vornt("--headless --keys '' --dump-text out.txt"), 0) << readFile(run.dir / "stderr.txt");
  auto rows = lines(readFile(run.dir / "work" / "out.txt"));
  ASSERT_GE(rows.size(), 12u);
  const int CRTR = 60;   // 1024 pixels wide: 128 columns
  auto entries = mainMenuEntries();
  for (size_t i = 0; i < entries.size(); ++i) {
    // Row 3 + i and column CRTR, counted from 1: a blank, then the label.
    EXPECT_EQ(midByWidth(padToWidth(rows[2 + i], 128), CRTR - 1, textWidth(entries[i].label) + 1), " " + entries[i].label)
        << "entry " << i + 1;
  }
  EXPECT_EQ(midByWidth(rows[0], 1, 4), "A:M1");
  EXPECT_EQ(midByWidth(rows[0], 85, 10), dateString(std::time(nullptr)));
}

TEST(Vornt, InstallsShippedFilesOnlyWhenMissing) {
  VorntRun run;
  std::ofstream(run.dir / "work" / "vorntc.ini", std::ios::binary) << "mine\r\n";
  ASSERT_EQ(run.vornt("--headless --keys ''"), 0);
  const fs::path data = VORN_SOURCE_DIR "/data";
  EXPECT_EQ(readFile(run.dir / "work" / "vorntc.ini"), "mine\r\n");
  EXPECT_EQ(readFile(run.dir / "work" / "UsFolder"), readFile(data / "UsFolder"));
  EXPECT_EQ(readFile(run.dir / "work" / "sample.nc"), readFile(data / "samples" / "sample.nc"));
  EXPECT_TRUE(fs::exists(run.dir / "work" / "VOT"));
}

TEST(Vornt, ExitScreenAndPicture) {
  VorntRun run;
  ASSERT_EQ(run.vornt("--headless --keys '{Up}{Enter}*' --dump-text out.txt --dump-png out.png"), 0);
  auto rows = lines(readFile(run.dir / "work" / "out.txt"));
  ASSERT_GE(rows.size(), 7u);
  EXPECT_EQ(rows[0], "* VORNT578f m *");
  EXPECT_EQ(rows[4], "数秒で終了します。FDを取り出しましょう");
  EXPECT_EQ(rows[6], "すぐ閉じる時 [*]");
  EXPECT_EQ(readFile(run.dir / "work" / "out.png").substr(1, 3), "PNG");
}

TEST(Vornt, KeysFileAndWorkDir) {
  VorntRun run;
  std::ofstream(run.dir / "keys.txt") << "{Up}{Enter}r";
  ASSERT_EQ(run.vornt("--headless --keys-file ../keys.txt --work-dir ../other --dump-text ../out.txt"), 0);
  EXPECT_TRUE(fs::exists(run.dir / "other" / "vorntc.ini"));
  EXPECT_NE(readFile(run.dir / "out.txt").find("1 作成･編集"), std::string::npos);   // restarted
}

TEST(Vornt, BadArgumentsAndScriptsFailClearly) {
  VorntRun run;
  EXPECT_EQ(run.vornt("--headless --keys '{Nonsense}'"), 2);
  EXPECT_NE(readFile(run.dir / "stderr.txt").find("key script"), std::string::npos);
  EXPECT_EQ(run.vornt("--bogus"), 2);
}

// Damaged settings and folder files, a tiny window and keys nobody expects:
// the program runs on to its normal end and never changes a user file.
TEST(Vornt, BadFilesTinyWindowAndStrayKeysNeitherCrashNorWrite) {
  const std::string damaged[][2] = {
      {"", ""},
      {"\x81\xff\x80\xa0\xfd\r\n5174GT\r\n\x82", "\"\x81\xff\",\x85\r\n\"unclosed\r\n,,,,\r\n\""},
      {std::string(5000, '9'), std::string(3000, ',') + "\"\"\"\"\r"},
  };
  for (const auto& files : damaged) {
    VorntRun run;
    std::ofstream(run.dir / "work" / "vorntc.ini", std::ios::binary) << files[0];
    std::ofstream(run.dir / "work" / "UsFolder", std::ios::binary) << files[1];
    // Entry 2 opens the storage screen, which gets stray keys too; Esc leaves it.
    const std::string keys = "{Resize:40,30}{Down}{Enter}{Code:0}{Code:0,99}{Code:200}ｱ{Esc}{F5}{Click:0,0}"
                             "{Resize:1,1}{Enter}{Resize:1024,768}{Esc}9{Enter}*";
    ASSERT_EQ(run.vornt("--headless --keys '" + keys + "' --dump-text out.txt"), 0)
        << readFile(run.dir / "stderr.txt");
    EXPECT_EQ(lines(readFile(run.dir / "work" / "out.txt"))[0], "* VORNT578f m *");
    EXPECT_EQ(readFile(run.dir / "work" / "vorntc.ini"), files[0]);
    EXPECT_EQ(readFile(run.dir / "work" / "UsFolder"), files[1]);
  }
}

TEST(Vornt, UnreadableSettingsGoToTheRecoveryScreen) {
  VorntRun run;
  fs::create_directories(run.dir / "work" / "vorntc.ini");   // a folder where the file should be
  ASSERT_EQ(run.vornt("--headless --keys '' --dump-text out.txt"), 0);
  EXPECT_NE(lines(readFile(run.dir / "work" / "out.txt"))[0].find("回復をどうしますか"), std::string::npos);
  // "2" and Enter: on to the main menu.
  ASSERT_EQ(run.vornt("--headless --keys '2{Enter}' --dump-text out.txt"), 0);
  auto rows = lines(readFile(run.dir / "work" / "out.txt"));
  ASSERT_GE(rows.size(), 3u);
  EXPECT_NE(rows[2].find("1 作成･編集"), std::string::npos);
  EXPECT_TRUE(fs::is_directory(run.dir / "work" / "vorntc.ini"));
}

TEST(App, SixthMenuEntryOpensCode10) {
  const fs::path work = fs::temp_directory_path() / ("vornt_app_" + std::to_string(::getpid()));
  fs::create_directories(work);
  installShippedFiles(VORN_SOURCE_DIR "/data", work);
  VirtualClock clock;
  HeadlessBackend backend = HeadlessBackend::fromScript("6{Enter}");
  DeviceConfig config;
  config.configDir = work / "config";
  config.workDir = work;
  App app(backend, clock, config);
  wireScreens(app);
  std::vector<int> codes;
  for (int code : {6, 10}) app.menu[code] = [&codes, code](Session&) { codes.push_back(code); };
  StartOptions start;
  start.calibrationSeconds = 0.001;
  EXPECT_THROW(runShell(app.session, start, app.menu), InputExhausted);
  EXPECT_EQ(codes, std::vector<int>{10});
  fs::remove_all(work);
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

TEST(Vornt, ClosingTheWindowAsksAndYesEnds) {
  VorntRun run;
  ASSERT_EQ(run.vornt("--headless --keys '{Close}{Enter}{Up}{Enter}*' --dump-text out.txt"), 0);
  // Ended at the question: the keys after it, which would reach the exit screen, were never read.
  std::string text = readFile(run.dir / "work" / "out.txt");
  EXPECT_EQ(text.find("VORNT578f"), std::string::npos);
}

TEST(Vornt, ClosingTheWindowAndNoCarriesOn) {
  VorntRun run;
  ASSERT_EQ(run.vornt("--headless --keys '{Close}{Esc}{Up}{Enter}*' --dump-text out.txt"), 0);
  EXPECT_EQ(lines(readFile(run.dir / "work" / "out.txt"))[0], "* VORNT578f m *");
}

}  // namespace
}  // namespace vorn
