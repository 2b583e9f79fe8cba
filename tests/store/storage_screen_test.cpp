// The storage screen: the program list's paging rules, and the screen's
// actions driven by key scripts on a headless screen over a store in /tmp.
#include "store/storage_screen.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/session.h"
#include "store/store.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using Outcome = ProgramListView::Outcome;

// ------------------------------------------------------------ list view

struct ListCase {
  const char* name;
  int count, top, line;   // before
  int code;
  int wantTop, wantLine;
  Outcome want;
};

std::ostream& operator<<(std::ostream& os, const ListCase& c) { return os << c.name; }

class ListKeys : public ::testing::TestWithParam<ListCase> {};

TEST_P(ListKeys, MoveTheCursorAndPage) {
  const ListCase& c = GetParam();
  ProgramListView v;
  v.count = c.count;
  v.top = c.top;
  v.line = c.line;
  EXPECT_EQ(v.key(c.code), c.want);
  EXPECT_EQ(v.top, c.wantTop);
  EXPECT_EQ(v.line, c.wantLine);
}

INSTANTIATE_TEST_SUITE_P(
    Program, ListKeys,
    ::testing::Values(
        ListCase{"down inside the page", 40, 1, 5, 31, 1, 6, Outcome::Moved},
        ListCase{"down off the last line pages forward", 40, 1, 16, 31, 16, 2, Outcome::Moved},
        ListCase{"blank, plus and comma move down too", 40, 1, 5, ' ', 1, 6, Outcome::Moved},
        ListCase{"code 44 moves down", 40, 1, 5, ',', 1, 6, Outcome::Moved},
        ListCase{"down at the last entry stays", 40, 25, 16, 31, 25, 16, Outcome::Moved},
        ListCase{"down at the end of a short list stays", 5, 1, 5, '+', 1, 5, Outcome::Moved},
        ListCase{"up off the first line pages back", 40, 16, 1, 30, 1, 15, Outcome::Moved},
        ListCase{"minus moves up", 40, 1, 4, '-', 1, 3, Outcome::Moved},
        ListCase{"up at the first entry stays", 40, 1, 1, 30, 1, 1, Outcome::Moved},
        ListCase{"right jumps to the last line", 40, 1, 3, 28, 1, 16, Outcome::Moved},
        ListCase{"right on the last line pages forward", 40, 1, 16, 28, 16, 16, Outcome::Moved},
        ListCase{"right near the end fills the bottom", 20, 1, 16, 28, 5, 16, Outcome::Moved},
        ListCase{"left jumps to the first line", 40, 16, 5, 29, 16, 1, Outcome::Moved},
        ListCase{"left on the first line pages back", 40, 16, 1, 29, 1, 1, Outcome::Moved},
        ListCase{"page back keeps the line", 40, 16, 5, 19, 1, 5, Outcome::Moved},
        ListCase{"page back at the start goes to line 1", 40, 1, 5, 19, 1, 1, Outcome::Moved},
        ListCase{"page back by less than 15", 40, 6, 5, 19, 1, 5, Outcome::Moved},
        ListCase{"page forward keeps the line", 40, 1, 5, 20, 16, 5, Outcome::Moved},
        ListCase{"page forward at the end goes to the last line", 40, 25, 5, 20, 25, 16, Outcome::Moved},
        ListCase{"tab goes half way down", 40, 1, 1, 9, 1, 9, Outcome::Moved},
        ListCase{"tab again", 40, 1, 9, 9, 1, 13, Outcome::Moved},
        ListCase{"tab on the last line stays", 40, 1, 16, 9, 1, 16, Outcome::Moved},
        ListCase{"a click on line 3", 40, 1, 1, 131, 1, 3, Outcome::Moved},
        ListCase{"a click below the entries", 5, 1, 1, 140, 1, 1, Outcome::None},
        ListCase{"enter selects", 40, 1, 7, 13, 1, 7, Outcome::Select},
        ListCase{"esc cancels", 40, 1, 7, 27, 1, 7, Outcome::Cancel},
        ListCase{"a letter searches", 40, 1, 7, 'a', 1, 7, Outcome::Search},
        ListCase{"a digit searches", 40, 1, 7, '5', 1, 7, Outcome::Search},
        ListCase{"other codes do nothing", 40, 1, 7, '=', 1, 7, Outcome::None}));

TEST(ProgramListView, KeepsInsideAShrinkingIndex) {
  ProgramListView v;
  v.count = 17;
  v.top = 2;
  v.line = 16;  // entry 17
  v.setCount(16);
  EXPECT_EQ(v.top, 2);
  EXPECT_EQ(v.line, 15);
  v.setCount(1);
  EXPECT_EQ(v.top, 1);
  EXPECT_EQ(v.line, 1);
  v.clear();
  v.setCount(30);
  EXPECT_FALSE(v.built());
  v.buildFrom(99);
  EXPECT_EQ(v.top, 30);
}

// ------------------------------------------------------------ the screen

// The storage screen on a headless 100 x 33 screen, the store in /tmp.
struct ScreenRig {
  // missingDisk: drive A: is configured to a folder that is not there yet.
  explicit ScreenRig(std::string_view script, bool missingDisk = false)
      : missingDisk_(missingDisk),
        backend(HeadlessBackend::fromScript(script)),
        screen(backend, clock),
        paths(config()),
        channels(paths),
        session(screen, channels, paths),
        store(channels, paths) {
    screen.syncSize();
    screen.mapStandardPalette();
    store.select("A:", "M1");
  }
  ~ScreenRig() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  // Stores a program directly, as an earlier run would have.
  void stored(const std::string& name, const std::string& title = "T", std::vector<std::string> lines = {"G00X1"},
              float workX = 0) {
    ProgramBuffer b(1000);
    b.assign(std::move(lines));
    SaveRequest r;
    r.name = name;
    r.title = title;
    r.date = "06. 6. 5";
    r.settings.trajectory[0] = workX;
    store.save(b, r);
  }
  // Runs the screen until it is left or the script is used up.
  bool run(const StorageVariant& variant = mainStorageVariant()) {
    StorageContext c{session, buffer, store, state, [this] { return settings; },
                     [this](const StoredSettings& s) { applied.push_back(s); }};
    try {
      result = StorageScreen(c, variant).run();
      return true;
    } catch (const InputExhausted&) {
      return false;
    }
  }
  // Fills M1 with 558 programs P1001..P1558 (built once per test run, then copied).
  void fullVolume() {
    struct Kept {
      fs::path path = fs::temp_directory_path() / ("vornt-full-volume-" + std::to_string(::getpid()));
      ~Kept() {
        std::error_code ec;
        fs::remove_all(path, ec);
      }
    };
    static const Kept built;
    static const bool made = [] {
      ScreenRig maker("");
      for (int n = 1; n <= kVolumeCapacity; ++n) maker.stored("P" + std::to_string(1000 + n));
      maker.store.closeVolume();
      fs::remove_all(built.path);
      fs::copy(maker.dir, built.path, fs::copy_options::recursive);
      return true;
    }();
    (void)made;
    store.closeVolume();
    fs::copy(built.path, dir, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    store.select("A:", "M2");  // drops the index held, so the copy is read
    store.select("A:", "M1");
  }
  std::string row(int r) const { return screen.rowText(r); }
  std::string at(int col, int row, int width) const { return midByWidth(screen.rowText(row), col, width); }
  std::string nameField() const { return at(29, 22, 7); }
  std::string messageText() const { return at(39, 22, 12); }

  bool missingDisk_;
  fs::path dir = fs::path(mkdtemp(std::string("/tmp/vornt-screen-XXXXXX").data()));
  VirtualClock clock;
  HeadlessBackend backend;
  Screen screen;
  PathMap paths;
  ChannelTable channels;
  Session session;
  Store store;
  ProgramBuffer buffer{1000};
  StorageScreenState state;
  StoredSettings settings;
  std::vector<StoredSettings> applied;
  StorageResult result;

 private:
  DeviceConfig config() {
    DeviceConfig c;
    c.workDir = dir;
    c.configDir = dir / "config";
    if (missingDisk_) c.drives[0] = dir / "disk";
    return c;
  }
};

TEST(StorageScreen, FreshDiskShowsFrameWarningVolumeAndMenu) {
  ScreenRig r("{Esc}");
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.result.outcome, StorageOutcome::Left);
  EXPECT_TRUE(fs::exists(r.dir / "M1.D"));
  EXPECT_TRUE(fs::is_directory(r.dir / "M1"));
  // Leaving erases the frame; run once more and stop inside to see it.
  ScreenRig s("");
  s.run();
  EXPECT_EQ(s.at(19, 3, 3), "+--");
  EXPECT_EQ(s.at(69, 25, 14), "FD取り出し禁止");
  EXPECT_EQ(s.at(35, 4, 11), "(A:M1    0)");
  EXPECT_EQ(s.at(21, 5, 10), " 読み込み ");
  EXPECT_EQ(s.at(21, 11, 10), " フォルダ ");
}

TEST(StorageScreen, SaveFoldsTheNameToUpperCase) {
  ScreenRig r("3{Enter}abc");
  r.buffer.assign({"G01X10"});
  EXPECT_FALSE(r.run());
  EXPECT_EQ(r.nameField(), "ABC    ");
  EXPECT_EQ(r.at(21, 21, 10), "( 保  存 )");
}

TEST(StorageScreen, SaveStoresNameTitleAndSettingsAndLeaves) {
  ScreenRig r("3{Enter}abc{Enter}ﾃｽﾄ1{Enter}");
  r.buffer.assign({"G01X10", "M30"});
  r.settings.trajectory[0] = 120;
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.result.outcome, StorageOutcome::Saved);
  ASSERT_EQ(r.store.index().count(), 1);
  EXPECT_EQ(r.buffer.OSDATE, "ABC");
  EXPECT_EQ(r.buffer.H0X, "ﾃｽﾄ1");
  const DirectoryRecord e = r.store.readRecord(r.store.index().entries[0].record);
  EXPECT_EQ(e.title, "ﾃｽﾄ1");
  EXPECT_EQ(e.settings.trajectory[0], 120);
  EXPECT_EQ(r.at(7, 0, 11), "ABC        ");   // the status row
  EXPECT_EQ(r.at(19, 3, 3), "   ");            // the frame is gone
}

TEST(StorageScreen, ShortNameBeepsAndKeepsTheFieldOpen) {
  ScreenRig r("3{Enter}ab{Enter}");
  r.buffer.assign({"G01X10"});
  EXPECT_FALSE(r.run());
  EXPECT_EQ(r.screen.beepCount(), 1);
  EXPECT_EQ(r.nameField(), "AB     ");
  EXPECT_EQ(r.store.index().count(), 0);
  EXPECT_TRUE(r.screen.cursorVisible());

  ScreenRig s("3{Enter}ab{Enter}{Shift+Home}abc{Enter}{Enter}");
  s.buffer.assign({"G01X10"});
  ASSERT_TRUE(s.run());
  EXPECT_EQ(s.store.index().count(), 1);
  EXPECT_EQ(s.buffer.OSDATE, "ABC");
}

TEST(StorageScreen, EmptyProgramIsNotSaved) {
  ScreenRig r("3{Enter}");
  EXPECT_FALSE(r.run());
  EXPECT_EQ(r.screen.beepCount(), 1);
  EXPECT_EQ(r.at(33, 21, 5), " ﾅ ｼ ");
  EXPECT_EQ(r.store.index().count(), 0);
}

TEST(StorageScreen, SecondSaveUnderANameWarnsAndOverwrites) {
  ScreenRig r("3{Enter}{Shift+Home}abc{Enter}");
  r.stored("ABC", "OLD");
  r.buffer.assign({"G01X10", "G01Y20", "M30"});
  EXPECT_FALSE(r.run());
  EXPECT_EQ(r.messageText(), "*同じ名前ｱﾘ ");
  EXPECT_EQ(r.at(29, 23, 16), "OLD             ");  // the stored title is offered
  EXPECT_EQ(r.screen.beepCount(), 1);

  ScreenRig s("3{Enter}{Shift+Home}abc{Enter}{Shift+Home}NEW{Enter}");
  s.stored("ABC", "OLD");
  const int record = s.store.index().entries[0].record;
  s.buffer.assign({"G01X10", "G01Y20", "M30"});
  ASSERT_TRUE(s.run());
  ASSERT_EQ(s.store.index().count(), 1);
  EXPECT_EQ(s.store.index().entries[0].record, record);
  EXPECT_EQ(s.store.readRecord(record).title, "NEW");
}

TEST(StorageScreen, EscAfterANameClashWritesNothing) {
  ScreenRig r("3{Enter}{Shift+Home}abc{Enter}{Esc}{Esc}");
  r.stored("ABC", "OLD", {"G00X1"});
  const std::string before = readFile(r.dir / "M1" / "ABC");
  r.buffer.assign({"G01X10", "G01Y20"});
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.result.outcome, StorageOutcome::Left);
  EXPECT_EQ(readFile(r.dir / "M1" / "ABC"), before);
  EXPECT_EQ(r.store.readRecord(r.store.index().entries[0].record).title, "OLD");
}

TEST(StorageScreen, UpInTheTitleGoesBackToTheName) {
  ScreenRig r("3{Enter}{Shift+Home}abc{Enter}{Up}{Shift+Home}xyz{Enter}T{Enter}");
  r.buffer.assign({"G01X10"});
  ASSERT_TRUE(r.run());
  ASSERT_EQ(r.store.index().count(), 1);
  EXPECT_EQ(r.buffer.OSDATE, "XYZ");
}

// The learner's edition: a volume holds 105 programs, the menu has five
// entries and no volume choice.
TEST(StorageScreen, LearnersVolumeRefusesThe106thProgram) {
  ScreenRig r("3{Enter}{Shift+Home}zzz{Enter}");
  r.store.setCapacity(105);
  for (int n = 1; n <= 105; ++n) r.stored("P" + std::to_string(1000 + n));
  r.buffer.assign({"G01X10"});
  EXPECT_FALSE(r.run(learnerStorageVariant()));
  EXPECT_EQ(r.messageText(), "ｹﾝｽｳ ｵｰﾊﾞ   ");
  EXPECT_EQ(r.store.index().count(), 105);
  EXPECT_THROW(r.stored("P2000"), StoreRefused);
}

TEST(StorageScreen, LearnersMenuHasFiveEntriesAndDeleteIsItsOwn) {
  const StorageVariant learner = learnerStorageVariant();
  std::vector<std::string> labels;
  for (const StorageMenuItem& item : learner.menu) labels.push_back(item.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"読み込み", "連結読込", "保 存   ", "名称変更", "ＦＤ交換"}));
  EXPECT_EQ(learner.menu.back().code, 5);
  ScreenRig r("");
  ASSERT_FALSE(r.run(learner));
  for (const StorageMenuItem& item : learner.menu) EXPECT_NE(item.choice, StorageChoice::Volume);
  const StorageVariant remove = deleteStorageVariant();
  ASSERT_EQ(remove.menu.size(), 1u);
  EXPECT_EQ(remove.menu[0].choice, StorageChoice::Delete);
}

TEST(StorageScreen, FullVolumeRefusesANewNameButOverwrites) {
  ScreenRig r("3{Enter}{Shift+Home}zzz{Enter}");
  r.fullVolume();
  r.buffer.assign({"G01X10"});
  EXPECT_FALSE(r.run());
  EXPECT_EQ(r.messageText(), "ｹﾝｽｳ ｵｰﾊﾞ   ");
  EXPECT_EQ(r.screen.beepCount(), 1);
  EXPECT_EQ(r.nameField(), "ZZZ    ");
  EXPECT_EQ(r.store.index().count(), 558);

  ScreenRig s("3{Enter}{Shift+Home}zzz{Enter}{Shift+Home}p1001{Enter}{Shift+Home}NEW{Enter}");
  s.fullVolume();
  s.buffer.assign({"G01X10"});
  ASSERT_TRUE(s.run());
  EXPECT_EQ(s.result.outcome, StorageOutcome::Saved);
  EXPECT_EQ(s.store.index().count(), 558);
  EXPECT_EQ(s.store.readRecord(s.store.index().entries[0].record).title, "NEW");
}

TEST(StorageScreen, LoadReplacesTheProgramAndAppliesItsSettings) {
  ScreenRig r("1{Enter}{Down}{Enter}");
  r.stored("AAA", "first", {"G00X1"});
  r.stored("BBB", "second", {"G01X2", "G01Y3"}, 150);
  r.buffer.assign({"OLD1", "OLD2", "OLD3"});
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.result.outcome, StorageOutcome::Loaded);
  EXPECT_EQ(r.buffer.lineCount(), 2);
  EXPECT_EQ(r.buffer.line(1), "G01X2");
  EXPECT_EQ(r.buffer.OSDATE, "BBB");
  EXPECT_EQ(r.buffer.H0X, "second");
  ASSERT_EQ(r.applied.size(), 1u);
  EXPECT_EQ(r.applied[0].trajectory[0], 150);
  EXPECT_EQ(r.at(7, 0, 18), "BBB         second");
}

TEST(StorageScreen, AppendKeepsNameTitleAndSettings) {
  ScreenRig r("2{Enter}{Enter}");
  r.stored("AAA", "first", {"G00X1", "G00Y1"}, 150);
  r.buffer.assign({"MINE"});
  r.buffer.OSDATE = "MINE";
  r.buffer.H0X = "mine";
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.result.outcome, StorageOutcome::Appended);
  EXPECT_EQ(r.buffer.lineCount(), 3);
  EXPECT_EQ(r.buffer.line(3), "G00Y1");
  EXPECT_EQ(r.buffer.OSDATE, "MINE");
  EXPECT_EQ(r.buffer.H0X, "mine");
  EXPECT_TRUE(r.applied.empty());
}

TEST(StorageScreen, ListActionsOnAnEmptyVolumeBeep) {
  ScreenRig r("1{Enter}2{Enter}4{Enter}5{Enter}{Esc}");
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.screen.beepCount(), 4);
  EXPECT_EQ(r.result.outcome, StorageOutcome::Left);
}

TEST(StorageScreen, ListShowsEntriesAndPagesByFifteen) {
  ScreenRig r("1{Enter}{PgDn}");
  for (int n = 1; n <= 40; ++n) r.stored("P" + std::to_string(100 + n), "title" + std::to_string(n));
  EXPECT_FALSE(r.run());
  // Line 1 of the second page is entry 16 (P116).
  EXPECT_EQ(r.at(35, 5, 24), "P116    title16         ");
  EXPECT_EQ(r.at(35, 20, 4), "P131");
  EXPECT_EQ(r.at(35, 4, 11), "(A:M1   40)");
}

TEST(StorageScreen, ClickMovesTheCursorAndEnterTakesIt) {
  ScreenRig r("1{Enter}{Click:40,8}{Enter}");
  for (int n = 1; n <= 5; ++n) r.stored("P" + std::to_string(100 + n), "t", {"L" + std::to_string(n)});
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.buffer.OSDATE, "P104");  // row 8 is list line 4
}

TEST(StorageScreen, NameSearchPositionsOrSelects) {
  // A partial name rebuilds the list from where it belongs, with the hint.
  ScreenRig r("1{Enter}b{Enter}");
  for (const char* n : {"AAA", "ABC", "BAA", "BBB", "CCC"}) r.stored(n);
  EXPECT_FALSE(r.run());
  EXPECT_EQ(r.at(35, 5, 3), "BAA");
  EXPECT_EQ(r.at(37, 22, 4), "↑↓");
  // The hint while typing.
  ScreenRig t("1{Enter}b");
  t.stored("AAA");
  EXPECT_FALSE(t.run());
  EXPECT_EQ(t.at(37, 22, 4), "↑終");
  EXPECT_EQ(t.nameField(), "B      ");
  // Esc closes the field and its hint; the list window stays.
  ScreenRig e("1{Enter}b{Esc}");
  e.stored("AAA");
  EXPECT_FALSE(e.run());
  EXPECT_EQ(e.at(29, 22, 12), std::string(12, ' '));
  // A whole name selects at once.
  ScreenRig s("1{Enter}bbb{Enter}");
  for (const char* n : {"AAA", "ABC", "BAA", "BBB", "CCC"}) s.stored(n, "t", {std::string("L") + n});
  ASSERT_TRUE(s.run());
  EXPECT_EQ(s.buffer.OSDATE, "BBB");
  // A name past the last entry shows the last entry.
  ScreenRig u("1{Enter}z{Enter}");
  for (const char* n : {"AAA", "BBB"}) u.stored(n);
  EXPECT_FALSE(u.run());
  EXPECT_EQ(u.at(35, 5, 3), "BBB");
}

TEST(StorageScreen, RenameChangesTheStoredTitleAndTheCurrentOne) {
  ScreenRig r("4{Enter}{Down}{Enter}{Shift+Home}NEWT{Enter}");
  r.stored("AAA", "a");
  r.stored("ABC", "old");
  r.buffer.OSDATE = "ABC";
  r.buffer.H0X = "old";
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.result.outcome, StorageOutcome::Renamed);
  EXPECT_EQ(r.store.readRecord(r.store.index().entries[1].record).title, "NEWT");
  EXPECT_EQ(r.buffer.H0X, "NEWT");
  EXPECT_EQ(r.at(7, 0, 16), "ABC         NEWT");
  // Another program's title does not touch the current one.
  ScreenRig s("4{Enter}{Enter}{Shift+Home}X{Enter}");
  s.stored("AAA", "a");
  s.buffer.OSDATE = "ABC";
  s.buffer.H0X = "mine";
  ASSERT_TRUE(s.run());
  EXPECT_EQ(s.buffer.H0X, "mine");
}

TEST(StorageScreen, DeleteAnswerTwoChoosesAgainAndDeletesNothing) {
  ScreenRig r("5{Enter}{Enter}{Enter}{Esc}{Esc}");
  r.stored("ABC");
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.result.outcome, StorageOutcome::Left);
  EXPECT_EQ(r.store.index().count(), 1);
  EXPECT_TRUE(fs::exists(r.dir / "M1" / "ABC"));
  EXPECT_EQ(r.screen.beepCount(), 0);
}

TEST(StorageScreen, DeleteAnswerOneDeletes) {
  ScreenRig r("5{Enter}{Enter}1{Enter}");
  r.stored("ABC");
  r.stored("XYZ");
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.result.outcome, StorageOutcome::Deleted);
  ASSERT_EQ(r.store.index().count(), 1);
  EXPECT_EQ(r.store.index().entries[0].key, "XYZ    ");
  EXPECT_FALSE(fs::exists(r.dir / "M1" / "ABC"));
}

TEST(StorageScreen, VolumeChangeToAFreshVolumeShowsACountOfZero) {
  ScreenRig r("7{Enter}3{Enter}");
  r.stored("ABC");
  EXPECT_FALSE(r.run());
  EXPECT_EQ(r.session.environment.USEL, "M3");
  EXPECT_EQ(r.at(35, 4, 11), "(A:M3    0)");
  EXPECT_TRUE(fs::exists(r.dir / "M3.D"));
  EXPECT_TRUE(fs::exists(r.dir / "M3.IX"));
  EXPECT_TRUE(fs::is_directory(r.dir / "M3"));
  EXPECT_FALSE(r.state.list.built() && r.state.list.count > 0);
}

TEST(StorageScreen, VolumeChoiceWraps) {
  ScreenRig r("7{Enter}{Left}{Enter}");
  EXPECT_FALSE(r.run());
  EXPECT_EQ(r.session.environment.USEL, "M6");
  ScreenRig s("7{Enter}{Left}{Right}{Right}{Enter}");
  EXPECT_FALSE(s.run());
  EXPECT_EQ(s.session.environment.USEL, "M2");
}

TEST(StorageScreen, DiskExchangeRereadsTheIndex) {
  ScreenRig r("6{Enter}");
  r.stored("ABC");
  // Another program (the module) adds a program to the same volume.
  {
    ChannelTable other(r.paths);
    Store second(other, r.paths);
    second.select("A:", "M1");
    ProgramBuffer b(10);
    b.assign({"X"});
    SaveRequest q;
    q.name = "XYZ";
    q.date = "06. 6. 5";
    r.store.closeVolume();
    second.save(b, q);
    second.closeVolume();
  }
  EXPECT_FALSE(r.run());
  EXPECT_EQ(r.store.index().count(), 2);
  EXPECT_EQ(r.at(35, 4, 11), "(A:M1    2)");
  EXPECT_EQ(r.at(35, 6, 3), "XYZ");
}

TEST(StorageScreen, MissingDiskGoesToRecoveryAndRetryCarriesOn) {
  ScreenRig r("{Esc}", true);
  std::vector<int> codes;
  r.session.onError = [&](const RuntimeError& e) {
    codes.push_back(e.code());
    fs::create_directories(r.dir / "disk");  // the user puts the disk in and retries
    return Recovery::Retry;
  };
  ASSERT_TRUE(r.run());
  ASSERT_EQ(codes.size(), 1u);
  EXPECT_EQ(codes[0], err::NoMedia);
  EXPECT_TRUE(fs::exists(r.dir / "disk" / "M1.D"));
}

TEST(StorageScreen, AClickOutsideTheMenuLeaves) {
  ScreenRig r("{Click:5,30}");
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.result.outcome, StorageOutcome::Left);
}

// A variant as the module has it: other entries and codes, an extra action,
// entries that need programs, and an overwrite that reads the whole entry.
StorageVariant moduleLikeVariant(int* extraRuns) {
  using C = StorageChoice;
  StorageVariant v;
  v.menu = {{"読み込み", 1, C::Load, true, {}},
            {"保 存   ", 3, C::Save, false, {}},
            {"一覧印刷", 5, C::Extra, true, [extraRuns](StorageScreen&) { ++*extraRuns; }},
            {"もどる  ", -1, C::Back, true, {}}};
  v.warning = "（FD取り出し禁止）";
  v.overwriteReadsWholeEntry = true;
  return v;
}

TEST(StorageScreen, VariantMenuExtraActionsAndWholeEntryOverwrite) {
  int extraRuns = 0;
  {  // an empty volume: entries that need programs beep
    ScreenRig r("1{Enter}3{Enter}4{Enter}{Esc}");
    ASSERT_TRUE(r.run(moduleLikeVariant(&extraRuns)));
    EXPECT_EQ(r.screen.beepCount(), 3);
    EXPECT_EQ(extraRuns, 0);
  }
  {  // the extra action runs and the menu comes back; back leaves
    ScreenRig r("3{Enter}4{Enter}");
    r.stored("ABC");
    ASSERT_TRUE(r.run(moduleLikeVariant(&extraRuns)));
    EXPECT_EQ(extraRuns, 1);
    EXPECT_EQ(r.result.outcome, StorageOutcome::Left);
  }
  {  // saving over a name applies that entry's settings before the title
    ScreenRig r("2{Enter}{Shift+Home}abc{Enter}");
    r.stored("ABC", "T", {"G00X1"}, 150);
    r.buffer.assign({"X"});
    EXPECT_FALSE(r.run(moduleLikeVariant(&extraRuns)));
    ASSERT_EQ(r.applied.size(), 1u);
    EXPECT_EQ(r.applied[0].trajectory[0], 150);
    EXPECT_EQ(r.at(69, 25, 18), "（FD取り出し禁止）");
  }
}

TEST(StorageScreen, StatusRowShowsAMarkAboveNine) {
  ScreenRig r("{Esc}");
  r.buffer.OSDATE = "ABC";
  r.buffer.YGW = 12;
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.at(37, 0, 3), " 12");
  ScreenRig s("{Esc}");
  s.buffer.YGW = 9;
  ASSERT_TRUE(s.run());
  EXPECT_EQ(s.at(37, 0, 3), "   ");
}

TEST(StorageScreen, MenuStartsOnTheLastChoice) {
  ScreenRig r("6{Enter}{Esc}");
  ASSERT_TRUE(r.run());
  EXPECT_EQ(r.state.lastChoice, 6);
}

}  // namespace
}  // namespace vorn
