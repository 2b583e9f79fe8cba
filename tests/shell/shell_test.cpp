#include "shell/shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "harness.h"
#include "runtime/channels.h"
#include "runtime/numtext.h"
#include "runtime/text.h"
#include "shell/geometry.h"
#include "shell/numeric.h"
#include "shell/recovery.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// A headless session working in a fresh folder holding the shell's files.
struct ShellRig {
  explicit ShellRig(std::string_view keys) : h(keys) {
    dir = fs::temp_directory_path() / ("vorn_shellrig_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    std::ofstream(dir / "vorntc.ini", std::ios::binary) << "0\r\n0\r\n3\r\n";
    std::ofstream(dir / "UsFolder", std::ios::binary) << "\"a\",\"b\"\r\n";
    DeviceConfig config;
    config.configDir = dir / "config";
    config.workDir = dir;
    paths = std::make_unique<PathMap>(config);
    channels = std::make_unique<ChannelTable>(*paths);
    session = std::make_unique<Session>(h.screen, *channels, *paths);
    session->hooks.programLines = [this](const Session&) { return lines; };
    options.calibrationSeconds = 0.001;
  }
  ~ShellRig() {
    session.reset();
    channels.reset();
    fs::remove_all(dir);
  }
  // Runs the whole shell; returns false when the key script ran out first.
  bool run() {
    try {
      status = runShell(*session, options, actions);
      return true;
    } catch (const InputExhausted&) {
      return false;
    }
  }
  test::Harness h;
  fs::path dir;
  std::unique_ptr<PathMap> paths;
  std::unique_ptr<ChannelTable> channels;
  std::unique_ptr<Session> session;
  StartOptions options;
  std::map<int, MenuAction> actions;
  int lines = 0;
  int status = -1;
};

TEST(Geometry, RowsAndMenuColumn) {
  EXPECT_EQ(tallWindowFlag(600), 0);
  EXPECT_EQ(tallWindowFlag(601), -1);
  EXPECT_EQ(rowsForHeight(600, 0), 32);
  EXPECT_EQ(rowsForHeight(768, 0), 41);
  EXPECT_EQ(rowsForHeight(768, -1), 33);   // 768 / 1.23 = 624.4 -> 624 \ 18 - 1
  EXPECT_EQ(menuColumn(1024), 60);
  EXPECT_EQ(menuColumn(520), 60);          // 65 columns
  EXPECT_EQ(menuColumn(512), 56);          // 64 columns - 8
  ScreenGeometry g;
  updateRows(g, 600);
  EXPECT_EQ(g.S_FM1RS, 32);
  EXPECT_EQ(g.CMMF, 28);
  updateRows(g, 20);                        // 0 rows: kept
  EXPECT_EQ(g.S_FM1RS, 32);
}

TEST(Numeric, TruncationAndFunfix) {
  EXPECT_FLOAT_EQ(truncateTo1(2.76f), 2.7f);
  EXPECT_FLOAT_EQ(truncateTo1(-2.76f), -2.7f);
  EXPECT_FLOAT_EQ(truncateTo2(2.768f), 2.76f);
  EXPECT_FLOAT_EQ(hundredths(1.239f), 123);
  const struct {
    float x, expected;
  } funfix[] = {{0.009f, 0}, {-0.009f, 0}, {0.01f, 1}, {1.234f, 123}, {1.2355f, 123},
                {1.2365f, 124}, {-1.2365f, -124}, {-1.2355f, -123}, {100, 10000}};
  for (const auto& c : funfix) EXPECT_FLOAT_EQ(FUNFIX(c.x), c.expected) << c.x;
}

TEST(Numeric, DateStampPadsMonthAndDayWithABlank) {
  std::tm may{};
  may.tm_year = 2024 - 1900;
  may.tm_mon = 4;
  may.tm_mday = 7;
  may.tm_hour = 12;
  EXPECT_EQ(dateStamp(std::mktime(&may)), "24. 5. 7");
  std::tm dec = may;
  dec.tm_mon = 11;
  dec.tm_mday = 31;
  EXPECT_EQ(dateStamp(std::mktime(&dec)), "24.12.31");
  EXPECT_EQ(longDate(std::mktime(&dec)), "2024年12月31日");
}

TEST(ListSelection, NumberAfterCodeOne) {
  EXPECT_EQ(listEntryNumber("O100\x01" "250"), 250);
  EXPECT_EQ(listEntryNumber("ab\x01" "7 x\x01" "42"), 42);   // a code 1 before the fifth character does not count
  EXPECT_EQ(listEntryNumber("12"), 12);
}

TEST(Recovery, MessagesAndChoiceKeys) {
  EXPECT_EQ(recoveryMessage(53, ""), recoveryMessage(59, ""));
  EXPECT_EQ(recoveryMessage(63, "open X"), "ﾄﾞﾗｲﾌﾞ,ﾊﾟｽ,ﾌｧｲﾙが見付らない");
  // An unknown code shows the failing operation and file instead of a line number.
  EXPECT_EQ(recoveryMessage(99, "close VOT"), "ｴﾗｰ  99 close VOT ﾒﾓする");
  const std::string longOne = recoveryMessage(55, "open /home/user/work/programs/PART0012.NC");
  EXPECT_EQ(longOne, "ｴﾗｰ  55 open ..rams/PART0012.NC ﾒﾓする");
  EXPECT_LE(textWidth(longOne), 38) << "it stays left of the question";
  const struct {
    int from;
    char key;
    int to;
  } keys[] = {{0, 28, 1}, {2, 28, 0}, {1, ' ', 2}, {2, '+', 0}, {0, 'x', 1}, {2, 29, 1},
              {0, 29, 0}, {1, '-', 0}, {1, 8, 0}, {0, '3', 2}, {2, '1', 0}, {1, '2', 1}};
  for (const auto& k : keys) EXPECT_EQ(recoveryChoiceAfterKey(k.from, k.key), k.to) << k.from << " " << int(k.key);
}

TEST(Recovery, ScreenAsksOnTheTopRowAndClearsIt) {
  const struct {
    const char* keys;
    int choice;
  } cases[] = {{"{Enter}", 0}, {"2{Enter}", 1}, {"3{Enter}", 2}, {"{Right}{Right}{Right}{Enter}", 0}};
  for (const auto& c : cases) {
    test::Harness h(c.keys);
    EXPECT_EQ(recoveryScreen(h.screen, RuntimeError(53, "open x")), c.choice) << c.keys;
    EXPECT_EQ(h.screen.rowText(0).find_first_not_of(' '), std::string::npos);
  }
  test::Harness bang("!");
  EXPECT_THROW(recoveryScreen(bang.screen, RuntimeError(7, "x")), ShellUnwind);
}

TEST(Recovery, LayoutOfTheTopRow) {
  test::Harness h("");   // no key: the screen stays up while it waits
  h.screen.locate(5, 9);
  EXPECT_THROW(recoveryScreen(h.screen, RuntimeError(7, "x")), InputExhausted);
  EXPECT_EQ(h.textAt(28, 0, 9), "ﾒﾓﾘ 不足 ");
  EXPECT_EQ(h.screen.cell(28, 0).fg, 3);
  EXPECT_EQ(h.textAt(39, 0, 18), "回復をどうしますか");   // column 40 counted from 1
  EXPECT_EQ(h.textAt(59, 0, 17), " ﾘﾄﾗｲ  ﾒﾆｭｰ  ﾘﾗﾝ ");   // column 60 counted from 1
  EXPECT_EQ(h.screen.cell(65, 0).fg, 6);
  EXPECT_EQ(h.screen.cell(59, 0).bg, 6);   // retry, the choice on entry, is highlighted
  EXPECT_NE(h.screen.cell(65, 0).bg, 6);
  EXPECT_EQ(h.screen.beepCount(), 1);
}

TEST(Recovery, TypedJapaneseMovesOnAndFunctionKeysDoNot) {
  const struct {
    const char* keys;
    int choice;
  } cases[] = {{"ｱ{Enter}", 1}, {"日日{Enter}", 2}, {"{F3}{Enter}", 0}, {"9{Enter}", 1}};
  for (const auto& c : cases) {
    test::Harness h(c.keys);
    EXPECT_EQ(recoveryScreen(h.screen, RuntimeError(53, "x")), c.choice) << c.keys;
  }
}

TEST(Recovery, AChannelThatCannotBeFinishedStillLeadsToTheMenu) {
  ShellRig rig("2{Enter}");
  DeviceConfig config = rig.paths->config();
  config.printCommand = "/bin/false";   // the print queue refuses the spooled listing
  config.printers[1] = PrinterTarget{"office", {}};
  PathMap paths(config);
  ChannelTable channels(paths);
  Session session(rig.h.screen, channels, paths);
  channels.openDevice(2, "LPT1:");
  channels.print(2, "O1");
  try {
    recoverFromError(session, RuntimeError(53, "x"));
    FAIL() << "no unwind";
  } catch (const ShellUnwind& u) {
    EXPECT_EQ(u.to, ShellUnwind::To::Menu);
  }
  EXPECT_FALSE(channels.isOpen(2));
}

TEST(Recovery, RetryRepeatsTheFailingOperationInPlace) {
  ShellRig rig("{Enter}");
  int attempts = 0;
  ErrorHandler handler = [&](const RuntimeError& e) { return recoverFromError(*rig.session, e); };
  int result = withRecovery(handler, [&] {
    if (++attempts == 1) throw RuntimeError(72, "open A:M1.D");
    return 5;
  });
  EXPECT_EQ(result, 5);
  EXPECT_EQ(attempts, 2);
}

TEST(Recovery, MenuClosesEveryChannel) {
  ShellRig rig("2{Enter}");
  rig.channels->open(3, "VOT", OpenMode::Output);
  try {
    recoverFromError(*rig.session, RuntimeError(53, "x"));
    FAIL() << "no unwind";
  } catch (const ShellUnwind& u) {
    EXPECT_EQ(u.to, ShellUnwind::To::Menu);
  }
  EXPECT_FALSE(rig.channels->isOpen(3));
}

TEST(MainMenu, TenEntriesTheSixthCarriesCode10TheTenthCode6) {
  auto entries = mainMenuEntries();
  ASSERT_EQ(entries.size(), 10u);
  EXPECT_EQ(entries[5].label, "6 プロッタ  ");
  EXPECT_EQ(entries[5].code, "10");
  EXPECT_EQ(entries[8].code, "9");
  EXPECT_EQ(entries[9].label, "0 ﾓﾃﾞﾘﾝｸﾞ   ");
  EXPECT_EQ(entries[9].code, "6");
  // One column width for all: the menu lays its columns out by the first label.
  for (const MenuEntry& e : entries) EXPECT_EQ(textWidth(e.label), 12) << e.label;
}

// The digit keys keep their entries; "0" chooses the tenth, and ↑ from the
// first entry wraps to it, no longer to the exit.
TEST(MainMenu, ZeroChoosesTheModellingEntryAndNineStillEnds) {
  struct Case {
    const char* keys;
    std::vector<int> called;
  };
  for (const Case& c : {Case{"0{Enter}", {6}}, Case{"{Up}{Enter}", {6}}, Case{"5{Enter}", {5}},
                        Case{"0{Down}{Enter}", {1}}, Case{"0{Up}{Enter}", {}},
                        // Back on the menu the tenth entry is highlighted: "0" moves on from it.
                        Case{"0{Enter}0{Enter}", {6, 1}}}) {
    ShellRig rig(c.keys);
    std::vector<int> called;
    for (int code : {1, 5, 6}) rig.actions[code] = [&called, code](Session&) { called.push_back(code); };
    rig.run();
    EXPECT_EQ(called, c.called) << c.keys;
  }
  ShellRig exit("0{Enter}9{Enter}");
  exit.actions[6] = [](Session&) {};
  EXPECT_TRUE(exit.run());   // "9" reaches the exit from the tenth entry too
  EXPECT_EQ(exit.status, 0);
}

TEST(MainMenu, DispatchesByCodeAndComesBack) {
  ShellRig rig("{Down}{Down}{Down}{Down}{Down}{Enter}{Esc}{Enter}");
  std::vector<int> called;
  for (int code : {1, 6, 10}) rig.actions[code] = [&called, code](Session&) { called.push_back(code); };
  EXPECT_FALSE(rig.run());
  EXPECT_EQ(called, (std::vector<int>{10, 10}));   // the last entry is preselected again
  EXPECT_EQ(rig.session->shell.menuPosition, 6);
  EXPECT_EQ(rig.h.screen.beepCount(), 1);   // Esc only beeps
}

// An entry with no screen (here all but code 1, and the module without its
// hook) tells so on the bottom row and stays on the menu.
TEST(MainMenu, EntryWithoutAScreenShowsANotice) {
  for (const char* keys : {"{Down}{Enter}", "{Down}{Down}{Down}{Down}{Down}{Down}{Down}{Enter}"}) {
    ShellRig rig(keys);
    rig.actions[1] = [](Session&) {};
    EXPECT_FALSE(rig.run());
    const std::string bottom = rig.h.screen.rowText(rig.h.screen.rows() - 1);
    EXPECT_NE(bottom.find(kNotBuiltNotice), std::string::npos) << keys << ": " << bottom;
  }
}

TEST(StartUp, TitleBoxWindowTitleAndGeometry) {
  // Restored 700 pixels tall: the tall-window flag is set and the maximised
  // height is divided by 1.23 before the rows are counted.
  VirtualClock clock;
  HeadlessBackend backend = HeadlessBackend::fromScript("", HeadlessSize{1024, 900, 800, 700});
  Screen screen(backend, clock);
  ShellRig rig("");
  Session session(screen, *rig.channels, *rig.paths);
  startUp(session, rig.options);
  EXPECT_EQ(backend.title(), "VORNT5");
  EXPECT_EQ(session.geometry.SY_EML, -1);
  EXPECT_EQ(session.geometry.S_FM1RS, 39);   // 900 / 1.23 = 731.7 -> 731 \ 18 - 1
  EXPECT_EQ(session.geometry.CMMF, 35);
  EXPECT_GT(session.geometry.WWID, 0);
  // The title box: 60 "*" centred, five framed rows, the three lines centred inside.
  int top = -1;
  for (int r = 0; r < screen.rows() && top < 0; ++r)
    if (screen.rowText(r).find(std::string(60, '*')) != std::string::npos) top = r;
  ASSERT_GE(top, 0);
  const int left = int(screen.rowText(top).find('*'));
  for (int r = top + 1; r <= top + 5; ++r) {
    const std::string row = midByWidth(screen.rowText(r), left, 60);
    EXPECT_EQ(row.front(), '*') << "row " << r;
    EXPECT_EQ(row.back(), '*') << "row " << r;
  }
  EXPECT_EQ(midByWidth(screen.rowText(top + 1), left, 60), "*" + std::string(58, ' ') + "*");
  EXPECT_EQ(midByWidth(screen.rowText(top + 6), left, 60), std::string(60, '*'));
  EXPECT_EQ(midByWidth(screen.rowText(top + 2), left + 16, 28), "ＮＣプログラム編集,軌跡,作図");
  EXPECT_EQ(midByWidth(screen.rowText(top + 3), left + 16, 28), "ＮＣプログラム・トレーニング");
}

TEST(StartUp, RestartReadsTheSettingsAgainWithoutRecalibrating) {
  ShellRig rig("6{Enter}9{Enter}r");
  float firstWWID = -1;
  rig.actions[10] = [&](Session& s) {
    firstWWID = s.geometry.WWID;
    EXPECT_EQ(s.settings.V2, 3);
    std::ofstream(rig.dir / "vorntc.ini", std::ios::binary) << "0\r\n0\r\n5\r\n";
  };
  EXPECT_FALSE(rig.run());   // back at the menu after the restart
  EXPECT_EQ(rig.session->settings.V2, 5);
  EXPECT_EQ(rig.session->geometry.WWID, firstWWID);
}

TEST(ExitSequence, ScreenTextsAndTheBlinkingClockRow) {
  ShellRig rig("9{Enter}");
  EXPECT_TRUE(rig.run());
  const std::string wwid = numberText(rig.session->geometry.WWID);
  std::string line = rig.h.screen.rowText(2);
  line.erase(line.find_last_not_of(' ') + 1);
  EXPECT_EQ(midByWidth(line, 0, 15), "  終 了        ");   // the label and six blanks
  ASSERT_GT(line.size(), wwid.size() + 1);
  EXPECT_EQ(line.substr(line.size() - wwid.size() - 1), " " + wwid);   // the long date, a blank, WWID
  EXPECT_EQ(midByWidth(rig.h.screen.rowText(4), 0, 38), "数秒で終了します。FDを取り出しましょう");
  // Row 16 shows the time behind "NC " or three blanks; a time of day follows.
  const std::string clockRow = rig.h.textAt(0, 16, 12);
  EXPECT_TRUE(clockRow.substr(0, 4) == "NC  " || clockRow.substr(0, 4) == "    ") << clockRow;
  EXPECT_EQ(clockRow[6], ':');
  EXPECT_EQ(clockRow[9], ':');
}

TEST(ExitSequence, EmptyBufferEndsAfterThreeSecondsWithoutAQuestion) {
  ShellRig rig("9{Enter}");
  EXPECT_TRUE(rig.run());
  EXPECT_EQ(rig.status, 0);
  EXPECT_GE(rig.h.clock.seconds(), 3.0);
  EXPECT_EQ(rig.h.screen.rowText(0).substr(0, 16), "* VORNT578f m * ");
}

TEST(ExitSequence, StarEndsAtOnce) {
  ShellRig rig("9{Enter}*");
  EXPECT_TRUE(rig.run());
  EXPECT_LT(rig.h.clock.seconds(), 1.0);
}

TEST(ExitSequence, RRestartsTheSetUp) {
  ShellRig rig("9{Enter}r");
  EXPECT_FALSE(rig.run());   // back at the menu, waiting
  EXPECT_NE(rig.h.screen.rowText(2).find("1 作成･編集"), std::string::npos);
  EXPECT_TRUE(rig.session->shell.handlerInstalled);
}

TEST(ExitSequence, F2ActsAsR) {
  ShellRig rig("9{Enter}{F2}");
  EXPECT_FALSE(rig.run());
  EXPECT_NE(rig.h.screen.rowText(2).find("1 作成･編集"), std::string::npos);
}

TEST(ExitSequence, WithProgramLinesItAsksAndTwoEscOrAFunctionKeyReturn) {
  for (const char* answer : {"2{Enter}", "{Esc}", "{F4}"}) {
    ShellRig rig(std::string("9{Enter}") + answer);
    rig.lines = 3;
    EXPECT_FALSE(rig.run()) << answer;   // back at the menu
    for (int row = 14; row <= 19; ++row)
      EXPECT_EQ(rig.h.textAt(49, row, 20), std::string(20, ' ')) << answer << " row " << row;
    EXPECT_NE(rig.h.screen.rowText(2).find("1 作成･編集"), std::string::npos);
  }
}

TEST(ExitSequence, WithProgramLinesOkEnds) {
  ShellRig rig("9{Enter}{Enter}");
  rig.lines = 1;
  EXPECT_TRUE(rig.run());
  EXPECT_EQ(rig.status, 0);
}

TEST(ExitSequence, OtherEndingKeysBeepAndAskAgain) {
  ShellRig rig("9{Enter}{Up}");
  rig.lines = 1;
  EXPECT_FALSE(rig.run());
  EXPECT_EQ(rig.h.textAt(53, 17, 12), "1)OK  2)ﾓﾄﾞﾙ");
  EXPECT_EQ(rig.h.textAt(53, 15, 10), "  終 了   ");
  EXPECT_EQ(rig.h.screen.beepCount(), 1);
}

TEST(WindowEvents, FlagsMapOntoShellState) {
  ShellRig rig("{Resize:900,700}{ListSelect:1}");
  rig.h.screen.listAdd("O1  \x01" "11");
  rig.h.screen.listAdd("O2  \x01" "22");
  rig.session->shell.LST_S1 = -1;
  rig.h.screen.waitInput();   // a script's events go to reads
  handleWindowEvents(*rig.session);
  EXPECT_EQ(rig.session->shell.MXY, -1);
  EXPECT_EQ(rig.session->shell.PZJ, 22);
  EXPECT_EQ(rig.session->shell.LST_S1, 0);
}

TEST(WindowEvents, CloseAsksAndYesEnds) {
  ShellRig yes("{Close}{Enter}");
  yes.h.screen.waitInput();
  EXPECT_THROW(handleWindowEvents(*yes.session), ShellUnwind);
  ShellRig no("{Close}{Esc}");
  no.h.screen.waitInput();
  EXPECT_NO_THROW(handleWindowEvents(*no.session));
}

}  // namespace
}  // namespace vorn
