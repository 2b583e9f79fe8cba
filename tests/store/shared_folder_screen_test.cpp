#include "store/shared_folder_screen.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/load.h"
#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// The screen on a headless session over a folder of its own, with the
// folders "Lab1" (sub/a), "Lab2" (sub/b) and "Lab3" (sub/c) and data drive A:
// (the folder itself). Rows seen while the result pauses are kept.
struct FolderRun {
  explicit FolderRun(std::string_view script)
      : backend(HeadlessBackend::fromScript(script)), screen(backend, clock), paths(config()), channels(paths),
        session(screen, channels, paths) {
    backend.maximize();
    screen.syncSize();
    for (const char* sub : {"sub/a", "sub/b", "sub/c"}) fs::create_directories(dir / sub);
    std::vector<FolderRecord> records = {{"Lab1", (dir / "sub/a").string()}, {"", ""},
                                         {"Lab2", (dir / "sub/b").string()}, {"Lab3", (dir / "sub/c").string()}};
    records.resize(9);
    session.folders = sharedFoldersFrom(records);
    session.environment.ZDX = "A:";
    buffer.OSDATE = "ABC";
    buffer.H0X = "old title";
    buffer.YGW = 12;
    buffer.assign({"G00 X0", "G01 X10 F100", "M30"});
    startDir = fs::current_path();
  }
  ~FolderRun() {
    std::error_code ec;
    fs::current_path(startDir, ec);
    fs::remove_all(dir, ec);
  }
  DeviceConfig config() {
    dir = fs::temp_directory_path() / ("vorn_shared_folder_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    DeviceConfig c;
    c.workDir = dir;
    c.configDir = dir / "config";
    return c;
  }
  void write(const fs::path& path, const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
  std::string bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  // Runs the screen until it returns (true) or the script is used up (false).
  bool run() {
    SharedFolderContext context{session, buffer, {}, {}};
    context.read = [this](Session&, const std::string& path) {
      ++reads;
      const LoadResult r = loadProgramFile(buffer, path);
      if (r.header) settingsRead = r.header->settings;
    };
    context.exportSettings = [] { return std::array<float, 8>{100, 80, 30, 7, 0, 0, 0, 2}; };
    screen.setTimer(0.1, [this] {
      for (int r = 0; r < screen.rows(); ++r)
        if (screen.rowText(r).find("完了") != std::string::npos) result = screen.rowText(r);
    });
    screen.timerOn();
    try {
      sharedFolderScreen(context);
      return true;
    } catch (const InputExhausted&) {
      return false;
    }
  }
  std::string row(int r) const { return screen.rowText(r); }

  fs::path dir, startDir;
  VirtualClock clock{86400 * 400};
  HeadlessBackend backend;
  Screen screen;
  PathMap paths;
  ChannelTable channels;
  Session session;
  ProgramBuffer buffer;
  int reads = 0;
  std::vector<float> settingsRead;
  std::string result;   // the row holding "...完了" while the result was shown
};

TEST(SharedFolderScreen, FrameTitleAndFiveEntries) {
  FolderRun t("");
  EXPECT_FALSE(t.run());
  EXPECT_EQ(t.row(4).substr(35, 10), "+---------");
  EXPECT_NE(t.row(4).find("共用ﾌｫﾙﾀﾞ､読込み,保存"), std::string::npos);
  const std::string labels[] = {"Lab1 ", "Lab2 ", "Lab3 ", "開く ", "保存 "};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(t.row(6 + i).substr(38, labels[i].size()), labels[i]) << i;
  EXPECT_NE(t.row(9).find("A:"), std::string::npos);
  EXPECT_EQ(t.row(11).find_first_not_of(' ', 37), 71u);   // nothing below the fifth entry but the frame
}

TEST(SharedFolderScreen, EscAndAClickOffTheMenuLeaveAndEraseTheFrame) {
  for (const char* script : {"{Esc}", "{Click:5,20}"}) {
    FolderRun t(script);
    EXPECT_TRUE(t.run()) << script;
    EXPECT_EQ(t.row(4).find_first_not_of(' '), std::string::npos) << script;
    EXPECT_EQ(t.reads, 0);
  }
  FolderRun f("{F3}{Esc}");   // any key other than Enter beeps and stays
  EXPECT_TRUE(f.run());
  EXPECT_EQ(f.screen.beepCount(), 1);
}

TEST(SharedFolderScreen, ReadingPartNcNamesTheProgramAndShowsItsLineCount) {
  FolderRun t("{Enter}PART.NC{Enter}");
  t.write(t.dir / "sub/a/PART.NC", "%\r\nO100\r\nG00X1.Y2.\r\nM30\r\n%\r\n");
  EXPECT_TRUE(t.run());
  EXPECT_EQ(t.reads, 1);
  EXPECT_EQ(t.buffer.OSDATE, "PART");
  EXPECT_EQ(t.buffer.lineCount(), 3);
  EXPECT_EQ(t.buffer.H0X, "old title");   // not a ".wf": title and mark stay
  EXPECT_EQ(t.buffer.YGW, 12);
  EXPECT_EQ(midByWidth(t.result, 50, 16), " 3 行,読込み完了");
  EXPECT_EQ(t.result.substr(37, 5), " Lab1");
  EXPECT_EQ(fs::current_path(), t.startDir);
}

TEST(SharedFolderScreen, ReadingAWfFileSetsMarkNameTitleAndSettings) {
  FolderRun t("{Enter}X.wf{Enter}");
  t.write(t.dir / "sub/a/X.wf", "5,\"NAME1\"\r\nA title\r\n120,90,25,5,1,2,3,4\r\nG00 X0\r\nM30\r\n");
  EXPECT_TRUE(t.run());
  EXPECT_EQ(t.buffer.OSDATE, "NAME1");
  EXPECT_EQ(t.buffer.H0X, "A title");
  EXPECT_EQ(t.buffer.YGW, 5);
  EXPECT_EQ(t.settingsRead, (std::vector<float>{120, 90, 25, 5, 1, 2, 3, 4}));
  EXPECT_EQ(t.buffer.lineCount(), 2);
}

TEST(SharedFolderScreen, TheOpenDialogStartsInTheFolderAndShowsOnlyItsFiles) {
  FolderRun t("2");   // "2" moves to Lab2 without choosing it
  EXPECT_FALSE(t.run());
  FolderRun d("3{Enter}");
  d.write(d.dir / "sub/c/ONE.wf", "0,\"ONE\"\r\n\r\n\r\n");
  d.write(d.dir / "sub/c/TWO.txt", "x\r\n");
  EXPECT_FALSE(d.run());
  const std::string screen = d.screen.dumpText();
  EXPECT_NE(screen.find("ファイル読込み"), std::string::npos);
  EXPECT_NE(screen.find((d.dir / "sub/c").string()), std::string::npos);
  EXPECT_NE(screen.find("ONE.wf"), std::string::npos);
  EXPECT_EQ(screen.find("TWO.txt"), std::string::npos);   // the "*.wf" start filter
  EXPECT_NE(screen.find("(*.wf)"), std::string::npos);
  EXPECT_EQ(fs::current_path(), d.startDir);   // back even though the dialog never closed
}

TEST(SharedFolderScreen, ACancelledDialogChangesNothingAndShowsTheMenuAgain) {
  FolderRun t("{Enter}{Esc}5{Enter}{Esc}{Esc}");
  const std::string before = t.buffer.OSDATE;
  EXPECT_TRUE(t.run());
  EXPECT_EQ(t.reads, 0);
  EXPECT_EQ(t.buffer.OSDATE, before);
  EXPECT_EQ(fs::current_path(), t.startDir);
  EXPECT_TRUE(fs::is_empty(t.dir / "sub/a"));
}

TEST(SharedFolderScreen, SavingProposesTheNameAndAppliesTheExtensionRule) {
  struct Case {
    const char* typed;     // keys typed into the name field after clearing it
    const char* written;   // file that appears on the data drive
    const char* name;      // the program's name afterwards
  } cases[] = {{"", "ABC.wf", "ABC"}, {"ABC.txt", "ABC.txt", "ABC"}, {"XYZ", "XYZ.wf", "XYZ"}};
  for (const Case& c : cases) {
    const std::string clear = *c.typed ? "{BS}{BS}{BS}{BS}{BS}{BS}" : "";
    FolderRun t("5{Enter}" + clear + c.typed + "{Enter}");
    EXPECT_TRUE(t.run()) << c.typed;
    ASSERT_TRUE(fs::exists(t.dir / c.written)) << c.typed;
    EXPECT_EQ(t.buffer.OSDATE, c.name);
    const std::string title = dateString(t.clock.wallTime());
    EXPECT_EQ(t.buffer.H0X.substr(0, 10), title);
    EXPECT_EQ(t.buffer.YGW, 12);   // the file carries 0, the program keeps its mark
    EXPECT_EQ(midByWidth(t.result, 50, 14), " 3 行,保存完了");
    EXPECT_EQ(fs::current_path(), t.startDir);
  }
}

TEST(SharedFolderScreen, TheSavedWfFileAndTheTitleCarryTheExportTime) {
  FolderRun t("4{Down}{Enter}{Enter}");
  EXPECT_TRUE(t.run());
  const std::string expected = "0,\"ABC\"\r\n" + t.buffer.H0X + "\r\n100,80,30,7,0,0,0,2\r\nG00 X0\r\nG01 X10 F100\r\nM30\r\n";
  EXPECT_EQ(t.bytes(t.dir / "ABC.wf"), expected);
  EXPECT_EQ(t.buffer.H0X.size(), 19u);
  EXPECT_EQ(t.buffer.H0X[10], ' ');
}

TEST(SharedFolderScreen, ThePresetAnswerToOverwritingKeepsTheFileAndShowsTheDialogAgain) {
  FolderRun t("5{Enter}{Enter}{Enter}");
  t.write(t.dir / "ABC.wf", "precious\r\n");
  EXPECT_FALSE(t.run());
  EXPECT_EQ(t.bytes(t.dir / "ABC.wf"), "precious\r\n");
  const std::string screen = t.screen.dumpText();
  EXPECT_NE(screen.find("ﾌｧｲﾙ名 ABC.wf"), std::string::npos);   // the save dialog, again
  EXPECT_EQ(t.row(11).find("既に存在します"), std::string::npos);   // the question line was cleared
  EXPECT_EQ(fs::current_path(), t.startDir);
}

TEST(SharedFolderScreen, OverwritingAsksWithTheNameAndReplacesOnlyWhenTaken) {
  FolderRun asked("5{Enter}{Enter}");
  asked.write(asked.dir / "ABC.wf", "precious\r\n");
  EXPECT_FALSE(asked.run());
  EXPECT_EQ(asked.row(11).substr(37, 28), "ABC.wf 既に存在します");
  EXPECT_NE(asked.row(12).find("[上書き]  [取消し]"), std::string::npos);

  FolderRun esc("5{Enter}{Enter}{Esc}{Esc}{Esc}");   // Esc declines too; the dialog and the menu end
  esc.write(esc.dir / "ABC.wf", "precious\r\n");
  EXPECT_TRUE(esc.run());
  EXPECT_EQ(esc.bytes(esc.dir / "ABC.wf"), "precious\r\n");

  FolderRun other("5{Enter}{Enter}{Up}{Left}{Enter}");   // other keys ask again; Left then Enter takes "[上書き]"
  other.write(other.dir / "ABC.wf", "precious\r\n");
  EXPECT_TRUE(other.run());
  EXPECT_EQ(other.bytes(other.dir / "ABC.wf").substr(0, 9), "0,\"ABC\"\r\n");
}

TEST(SharedFolderScreen, AFolderThatCannotBeEnteredGoesToTheRecoveryHandler) {
  FolderRun t("{Enter}");
  fs::remove_all(t.dir / "sub/a");
  int errors = 0;
  t.session.onError = [&](const RuntimeError& e) {
    ++errors;
    EXPECT_EQ(e.code(), err::NotFound);
    return Recovery::Rethrow;
  };
  EXPECT_THROW(t.run(), RuntimeError);
  EXPECT_EQ(errors, 1);
  EXPECT_EQ(fs::current_path(), t.startDir);
}

}  // namespace
}  // namespace vorn
