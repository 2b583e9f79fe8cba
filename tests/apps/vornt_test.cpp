// End-to-end runs of the vornt program in headless mode, in fresh folders.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <initializer_list>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/app.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/text.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

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
  ASSERT_EQ(run.vornt("--headless --keys '9{Enter}*' --dump-text out.txt --dump-png out.png"), 0);
  auto rows = lines(readFile(run.dir / "work" / "out.txt"));
  ASSERT_GE(rows.size(), 7u);
  EXPECT_EQ(rows[0], "* VORNT578f m *");
  EXPECT_EQ(rows[4], "数秒で終了します。FDを取り出しましょう");
  EXPECT_EQ(rows[6], "すぐ閉じる時 [*]");
  EXPECT_EQ(readFile(run.dir / "work" / "out.png").substr(1, 3), "PNG");
}

TEST(Vornt, KeysFileAndWorkDir) {
  VorntRun run;
  std::ofstream(run.dir / "keys.txt") << "9{Enter}r";
  ASSERT_EQ(run.vornt("--headless --keys-file ../keys.txt --work-dir ../other --dump-text ../out.txt"), 0);
  EXPECT_TRUE(fs::exists(run.dir / "other" / "vorntc.ini"));
  EXPECT_NE(readFile(run.dir / "out.txt").find("1 作成･編集"), std::string::npos);   // restarted
}

TEST(Vornt, BadArgumentsAndScriptsFailClearly) {
  VorntRun run;
  EXPECT_EQ(run.vornt("--headless --keys '{Nonsense}'"), 2);
  EXPECT_NE(readFile(run.dir / "stderr.txt").find("key script"), std::string::npos);
  EXPECT_EQ(run.vornt("--bogus"), 1);   // a usage error
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
  ASSERT_EQ(run.vornt("--headless --keys '{Close}{Enter}9{Enter}*' --dump-text out.txt"), 0);
  // Ended at the question: the keys after it, which would reach the exit screen, were never read.
  std::string text = readFile(run.dir / "work" / "out.txt");
  EXPECT_EQ(text.find("VORNT578f"), std::string::npos);
}

TEST(Vornt, ClosingTheWindowAndNoCarriesOn) {
  VorntRun run;
  ASSERT_EQ(run.vornt("--headless --keys '{Close}{Esc}9{Enter}*' --dump-text out.txt"), 0);
  EXPECT_EQ(lines(readFile(run.dir / "work" / "out.txt"))[0], "* VORNT578f m *");
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// Starts vornt in run.dir/work with the given environment changes, its
// standard input a pipe (returned in *input) and its output in stderr.txt.
pid_t startVornt(VorntRun& run, const std::vector<std::string>& args, bool withoutDisplay, int* input) {
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return -1;
  const fs::path exe = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "apps" / "vornt";
  const std::string out = (run.dir / "stderr.txt").string(), config = (run.dir / "config").string();
  const std::string work = (run.dir / "work").string();
  pid_t pid = ::fork();
  if (pid == 0) {
    ::dup2(pipeFds[0], 0);
    ::close(pipeFds[1]);
    int fd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    if (::chdir(work.c_str()) != 0) ::_exit(126);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    if (withoutDisplay)
      for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) ::unsetenv(name);
    std::vector<char*> argv{const_cast<char*>(exe.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(exe.c_str(), argv.data());
    ::_exit(127);
  }
  ::close(pipeFds[0]);
  *input = pipeFds[1];
  return pid;
}

// Waits up to `seconds` for the child; its wait status, or -1 when it did not end.
int waitFor(pid_t pid, double seconds) {
  for (int i = 0; i < int(seconds * 100); ++i) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return status;
    ::usleep(10000);
  }
  ::kill(pid, SIGKILL);
  ::waitpid(pid, nullptr, 0);
  return -1;
}

TEST(VorntSignals, WithoutADisplayItSaysSoAndEndsAtOnce) {
  VorntRun run;
  int input = -1;
  const pid_t pid = startVornt(run, {}, true, &input);
  const int status = waitFor(pid, 5);
  ::close(input);
  ASSERT_NE(status, -1) << "still running without a display";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
  const std::string said = readFile(run.dir / "stderr.txt");
  EXPECT_NE(said.find("no display found"), std::string::npos) << said;
  EXPECT_NE(said.find("--headless"), std::string::npos) << said;
}

// Each stop signal ends a headless run that waits for more script; the
// lines typed so far are saved in a recovery file in the working folder.
TEST(VorntSignals, StopSignalsEndPromptlyAndKeepTheTypedLines) {
  for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(signal);
    VorntRun run;
    int input = -1;
    const pid_t pid = startVornt(run, {"--headless", "--keys-file", "-"}, true, &input);
    const std::string script = "1{Enter}{Code:11}(ONE){Enter}(ZWEI){Enter}\n";
    ASSERT_EQ(::write(input, script.data(), script.size()), ssize_t(script.size()));
    // The script is followed, so the program waits for more; give it time to type.
    fs::path saved;
    for (int i = 0; i < 300 && saved.empty(); ++i) {
      ::usleep(20000);
      if (i == 50) ::kill(pid, signal);
      for (const auto& e : fs::directory_iterator(run.dir / "work"))
        if (e.path().filename().string().rfind("recover", 0) == 0) saved = e.path();
    }
    const int status = waitFor(pid, 5);
    ::close(input);
    ASSERT_NE(status, -1) << "did not end on the signal";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 128 + signal);
    ASSERT_FALSE(saved.empty()) << readFile(run.dir / "stderr.txt");
    EXPECT_EQ(readFile(saved), "(ONE)\r\n(ZWEI)\r\n");
    EXPECT_NE(readFile(run.dir / "stderr.txt").find(saved.string()), std::string::npos);
  }
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// Lines of devices.conf that were not understood are told once at start: on
// standard error and as a notice in the window under the menu.
TEST(Vornt, BadDevicesConfLinesAreShownOnceAtStart) {
  VorntRun run;
  fs::create_directories(run.dir / "config" / "vornt");
  std::ofstream(run.dir / "config" / "vornt" / "devices.conf") << "A: = /tmp\nCOMX = /dev/null\nnonsense\n";
  ASSERT_EQ(run.vornt("--headless --keys '' --dump-text out.txt"), 0);
  const std::string said = readFile(run.dir / "stderr.txt");
  EXPECT_NE(said.find("line not understood: COMX = /dev/null"), std::string::npos) << said;
  EXPECT_NE(said.find("line not understood: nonsense"), std::string::npos) << said;
  EXPECT_NE(readFile(run.dir / "work" / "out.txt").find("devices.conf 解釈できない行: COMX = /dev/null ほか1行"),
            std::string::npos)
      << readFile(run.dir / "work" / "out.txt");
}

}  // namespace
}  // namespace vorn
