// Store operations on real files: fresh drive, saves, the index on disk,
// deletes, legacy keys, loading, and interrupted saves.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>

#include <ctime>

#include "runtime/error.h"
#include "shell/numeric.h"
#include "store/names.h"
#include "store_fixture.h"

namespace vorn::testing {
namespace {

int codeOf(const std::function<void()>& op) {
  try {
    op();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return 0;
}

TEST_F(StoreTest, FreshDriveGetsHeaderFolderAndIndex) {
  store_->readIndex();
  EXPECT_EQ(readFile(dir_ / "M1.D"), packVolumeHeader({"M1"}));
  EXPECT_TRUE(fs::is_directory(dir_ / "M1"));
  std::string ix = readFile(dir_ / "M1.IX");
  ASSERT_EQ(ix.size(), 256u);
  EXPECT_EQ(ix.substr(0, 2), "10");
  EXPECT_EQ(ix.substr(2, 2), " 7");
  EXPECT_EQ(ix.substr(4, 5), " 0   ");
  EXPECT_EQ(ix.substr(9, 5), " 970 ");
  EXPECT_EQ(store_->index().count(), 0);
  EXPECT_TRUE(store_->rebuildReason().empty());
}

TEST_F(StoreTest, SaveWritesTextRecordAndIndex) {
  std::tm tm{};
  tm.tm_year = 106;
  tm.tm_mon = 5;
  tm.tm_mday = 5;
  tm.tm_hour = 12;
  ProgramBuffer buffer(100);
  buffer.assign({"O1234", "G00X1.Y2.", "M30"});
  SaveRequest r;
  r.name = "abc";
  r.title = "ﾃｽﾄ";
  r.date = dateStamp(std::mktime(&tm));
  r.settings.trajectory[0] = 120;
  r.settings.trajectory[1] = 2.5f;
  r.settings.trajectory[3] = 5;
  r.settings.toolRadii[0] = 3;
  r.settings.plot[7] = 1;
  buffer.YGW = 15;
  SaveResult res = store_->save(buffer, r);
  EXPECT_TRUE(res.newEntry);
  EXPECT_EQ(res.record, 2);
  EXPECT_EQ(res.position, 1);
  EXPECT_EQ(buffer.OSDATE, "ABC");
  EXPECT_EQ(buffer.YGW, 0);

  const std::string text = "\"\xC3\xBD\xC4\",120,2.5,0,5,0\r\nO1234\r\nG00X1.Y2.\r\nM30\r\n";
  EXPECT_EQ(readFile(dir_ / "M1" / "ABC"), text);
  EXPECT_EQ(res.size, static_cast<int64_t>(text.size()));
  std::string rec = recordOf(dir_ / "M1.D", 2);
  EXPECT_EQ(rec.substr(0, 9), " ABC     ");
  EXPECT_EQ(rec.substr(27, 8), "06. 6. 5");
  EXPECT_EQ(rec.substr(35, 4), packSingle(static_cast<float>(text.size())));
  EXPECT_EQ(rec.substr(39, 4), std::string("\x01\x00\x00\x00", 4));
  EXPECT_EQ(rec.substr(50, 4), packSingle(120));
  EXPECT_EQ(rec.substr(120, 4), packSingle(3));
  EXPECT_EQ(rec.substr(208, 4), packSingle(1));
  std::string ix = readFile(dir_ / "M1.IX");
  EXPECT_EQ(ix.substr(4, 5), " 1   ");
  EXPECT_EQ(ix.substr(256, 9), std::string("ABC    \x02\x00", 9));
}

TEST_F(StoreTest, OverwriteKeepsRecordAndCountAndCountsSavesFromTheBase) {
  saveLines("ABC", {"A"});
  saveLines("XYZ", {"B"});
  SaveResult again = saveLines("ABC", {"C", "D"}, "NEW");
  EXPECT_FALSE(again.newEntry);
  EXPECT_EQ(again.record, 2);
  EXPECT_EQ(store_->index().count(), 2);
  EXPECT_EQ(store_->directoryRecords(), 3);
  EXPECT_EQ(readFile(dir_ / "M1.IX").substr(4, 5), " 2   ");
  // The base is 0 after a new entry: the overwrite stores 1 again.
  EXPECT_EQ(store_->readRecord(2).saveCount, 1);
  // Loaded (read entry) and saved: one up from the stored count.
  store_->readEntry(2);
  saveLines("ABC", {"E"});
  store_->readEntry(2);
  saveLines("ABC", {"F"});
  DirectoryRecord rec = store_->readRecord(2);
  EXPECT_EQ(rec.saveCount, 3);
  EXPECT_EQ(rec.title, "T");
  EXPECT_EQ(store_->readText("ABC"), (std::vector<std::string>{"F"}));
}

TEST_F(StoreTest, DeletedRecordStaysAndTheNextNameTakesANewRecord) {
  saveLines("AAA", {"1"});
  saveLines("BBB", {"2"});
  store_->deleteEntry(store_->index().find("AAA").position);
  EXPECT_FALSE(fs::exists(dir_ / "M1" / "AAA"));
  EXPECT_EQ(recordOf(dir_ / "M1.D", 2).substr(0, 9), "*AAA     ");
  EXPECT_EQ(store_->index().count(), 1);
  SaveResult r = saveLines("CCC", {"3"});
  EXPECT_EQ(r.record, 4);
  EXPECT_EQ(recordOf(dir_ / "M1.D", 2)[0], '*');
  auto again = reopen();
  again->readIndex();
  EXPECT_TRUE(again->rebuildReason().empty());
  ASSERT_EQ(again->index().count(), 2);
  EXPECT_EQ(again->index().entries[0].key, "BBB    ");
  EXPECT_EQ(again->index().entries[1].record, 4);
}

TEST_F(StoreTest, TwentyEightEntriesFillRecordTwoAndTheTwentyNinthStartsRecordThree) {
  for (int i = 0; i < 28; ++i) saveLines("N" + std::to_string(100 + i), {"X"});
  EXPECT_EQ(readFile(dir_ / "M1.IX").size(), 512u);
  std::string before = recordOf(dir_ / "M1.IX", 2);
  EXPECT_EQ(before.substr(27 * 9, 9), std::string("N127   \x1D\x00", 9));
  saveLines("N200", {"X"});
  std::string ix = readFile(dir_ / "M1.IX");
  EXPECT_EQ(ix.size(), 768u);
  EXPECT_EQ(ix.substr(256, 256), before);
  EXPECT_EQ(ix.substr(512, 9), std::string("N200   \x1E\x00", 9));
  EXPECT_EQ(ix.substr(4, 5), " 29  ");
}

TEST_F(StoreTest, DeletingEntryOneOfSixtyRewritesTheIndexFromRecordTwo) {
  for (int i = 0; i < 60; ++i) saveLines("P" + std::to_string(100 + i), {"X"});
  store_->deleteEntry(1);
  std::string ix = readFile(dir_ / "M1.IX");
  ASSERT_EQ(ix.size(), 4u * 256);
  EXPECT_EQ(ix.substr(4, 5), " 59  ");
  EXPECT_EQ(ix.substr(256, 7), "P101   ");
  EXPECT_EQ(ix.substr(512, 7), "P129   ");
  EXPECT_EQ(ix.substr(768, 7), "P157   ");
  EXPECT_EQ(ix.substr(768 + 2 * 9, 7), "P159   ");
  EXPECT_EQ(ix.substr(768 + 3 * 9, 7), "P159   ");  // the old last slot stays as it was
  auto again = reopen();
  again->readIndex();
  EXPECT_TRUE(again->rebuildReason().empty());
  EXPECT_EQ(again->index().count(), 59);
}

TEST_F(StoreTest, FiveCharacterIndexKeepsWorking) {
  store_->openVolume();
  store_->closeVolume();
  writeBytes(dir_ / "M1.IX", packIndexHeader({5, 0}));
  store_->readIndex();
  EXPECT_EQ(store_->index().keyWidth, 5);
  for (int i = 0; i < 37; ++i) saveLines("K" + std::to_string(1000 + i), {"X"});
  EXPECT_THROW(saveLines("ABCDEF", {"X"}), StoreRefused);
  std::string ix = readFile(dir_ / "M1.IX");
  EXPECT_EQ(ix.substr(0, 14), "10 5 37   800 ");
  EXPECT_EQ(ix.substr(256 + 35 * 7, 7), std::string("K1035\x25\x00", 7));
  EXPECT_EQ(ix.substr(512, 7), std::string("K1036\x26\x00", 7));
  auto again = reopen();
  again->readIndex();
  EXPECT_TRUE(again->rebuildReason().empty());
  EXPECT_TRUE(again->index().find("K1020").found);
}

TEST_F(StoreTest, RefusalsWriteNothing) {
  store_->readIndex();
  ProgramBuffer empty(10);
  SaveRequest r;
  r.name = "ABC";
  EXPECT_THROW(store_->save(empty, r), StoreRefused);
  EXPECT_THROW(saveLines("A B", {"X"}), StoreRefused);
  EXPECT_THROW(saveLines("ABCDEFGH", {"X"}), StoreRefused);
  EXPECT_THROW(saveLines("ABC", {"X"}, "한글"), StoreRefused);  // no code page 932 form
  EXPECT_FALSE(fs::exists(dir_ / "M1" / "ABC"));
  EXPECT_EQ(store_->directoryRecords(), 1);
}

TEST_F(StoreTest, AFullVolumeRefusesNewNamesButOverwrites) {
  for (int i = 0; i < kVolumeCapacity; ++i) saveLines("F" + std::to_string(1000 + i), {"X"});
  EXPECT_TRUE(store_->full());
  EXPECT_THROW(saveLines("NEW", {"X"}), StoreRefused);
  SaveResult r = saveLines("F1000", {"Y"});
  EXPECT_FALSE(r.newEntry);
  EXPECT_EQ(store_->index().count(), kVolumeCapacity);
}

TEST_F(StoreTest, SetTitleRewritesOnlyTheTitle) {
  saveLines("ABC", {"X"}, "OLD");
  std::string before = recordOf(dir_ / "M1.D", 2);
  store_->setTitle(2, "新しい名称");
  std::string after = recordOf(dir_ / "M1.D", 2);
  EXPECT_EQ(store_->readRecord(2).title, "新しい名称");
  EXPECT_EQ(before.substr(0, 9), after.substr(0, 9));
  EXPECT_EQ(before.substr(27), after.substr(27));
  EXPECT_THROW(store_->setTitle(2, "😀"), StoreRefused);
}

TEST_F(StoreTest, LoadReplacesOrAppendsAndSetsTheHeaderLineAside) {
  saveLines("ABC", {"L1", "L2"}, "TITLE");
  ProgramBuffer buffer(100);
  buffer.assign({"old1", "old2", "old3"});
  TextLoadResult r = store_->loadText(buffer, "ABC", LoadMode::Replace);
  EXPECT_EQ(r.headerLine.substr(0, 7), "\"TITLE\"");
  EXPECT_EQ(buffer.lineCount(), 2);
  EXPECT_EQ(buffer.line(1), "L1");
  EXPECT_EQ(buffer.line(3), "");
  EXPECT_EQ(buffer.OSDATE, "ABC");
  buffer.OSDATE = "MINE";
  store_->loadText(buffer, "ABC", LoadMode::Append);
  EXPECT_EQ(buffer.lineCount(), 4);
  EXPECT_EQ(buffer.line(3), "L1");
  EXPECT_EQ(buffer.OSDATE, "MINE");
  // A file copied in by hand without a header line: its first line is line 1.
  writeBytes(dir_ / "M1" / "HAND", "G01X1.\r\nM30\r\n");
  store_->loadText(buffer, "HAND", LoadMode::Replace);
  EXPECT_EQ(buffer.line(1), "G01X1.");
  EXPECT_EQ(buffer.lineCount(), 2);
}

TEST_F(StoreTest, LoadStopsAtTheBufferCapacityAndSaysSo) {
  saveLines("BIG", {"1", "2", "3", "4", "5"});
  ProgramBuffer small(3);
  TextLoadResult r = store_->loadText(small, "BIG", LoadMode::Replace);
  EXPECT_EQ(small.lineCount(), 3);
  EXPECT_EQ(r.linesRead, 3);
  EXPECT_EQ(r.cutAtLine, 5);  // file line 5 = program line 4
  EXPECT_FALSE(r.message.empty());
  small.assign({"a", "b"});
  r = store_->loadText(small, "BIG", LoadMode::Append);
  EXPECT_EQ(small.lineCount(), 3);
  EXPECT_EQ(small.line(3), "1");
  EXPECT_EQ(r.linesRead, 1);
}

TEST_F(StoreTest, MissingTextFileAndMissingDriveAreRuntimeErrors) {
  store_->readIndex();
  ProgramBuffer b(10);
  EXPECT_EQ(codeOf([&] { store_->loadText(b, "NONE", LoadMode::Replace); }), err::NotFound);
  store_->select("D:", "M1");
  EXPECT_EQ(codeOf([&] { store_->readIndex(); }), err::NoMedia);
  EXPECT_FALSE(fs::exists(dir_ / "missing-drive"));
}

TEST_F(StoreTest, AFailedSaveChangesNothingAndLeavesNoChannelBehind) {
  saveLines("ABC", {"OLD"});
  fs::remove_all(dir_ / "M1");
  writeBytes(dir_ / "M1", "not a folder");  // the text file cannot be written
  EXPECT_NE(codeOf([&] { saveLines("ABC", {"NEW"}); }), 0);
  EXPECT_NE(codeOf([&] { saveLines("XYZ", {"NEW"}); }), 0);
  EXPECT_EQ(store_->directoryRecords(), 2);
  fs::remove(dir_ / "M1");
  fs::create_directory(dir_ / "M1");
  EXPECT_EQ(saveLines("XYZ", {"NEW"}).record, 3);
  EXPECT_EQ(store_->readText("XYZ"), std::vector<std::string>{"NEW"});
}

// A full disk, as a file-size limit makes it: the save reports err::DiskFull,
// the old text stays, and the next save works.
TEST_F(StoreTest, AFullDiskKeepsTheOldProgram) {
  saveLines("ABC", {"OLD"});
  std::vector<std::string> big(1000, "G01 X123.456 Y-78.9 F1000" + std::string(75, ' '));  // 100 KB, flushed part-way
  rlimit old{};
  getrlimit(RLIMIT_FSIZE, &old);
  signal(SIGXFSZ, SIG_IGN);
  rlimit tight = old;
  tight.rlim_cur = 70000;
  setrlimit(RLIMIT_FSIZE, &tight);
  const int code = codeOf([&] { saveLines("ABC", big); });
  setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(code, err::DiskFull);
  EXPECT_EQ(store_->readText("ABC"), std::vector<std::string>{"OLD"});
  for (const auto& e : fs::directory_iterator(dir_ / "M1")) EXPECT_EQ(e.path().filename(), "ABC");
  EXPECT_FALSE(saveLines("ABC", big).newEntry);
  EXPECT_EQ(store_->readText("ABC").size(), big.size());
}

TEST_F(StoreTest, ListLinesShowNameTitleDateSizeAndWorkSize) {
  ProgramBuffer buffer(10);
  buffer.assign({"X"});
  SaveRequest r;
  r.name = "ABC";
  r.title = "ﾀｲﾄﾙ";
  r.date = "06. 6. 5";
  r.settings.trajectory[0] = 150;
  SaveResult res = store_->save(buffer, r);
  std::vector<ListLine> page = store_->listPage(1, 3);
  ASSERT_EQ(page.size(), 3u);
  EXPECT_EQ(page[0].position, 1);
  EXPECT_EQ(page[0].text, "ABC     ﾀｲﾄﾙ             06. 6. 5" + std::string(5, ' ') + std::to_string(res.size) + "   150");
  EXPECT_EQ(page[1].position, 0);
  EXPECT_EQ(page[1].text, "");
}

// Every interruption of a save leaves a store that reads cleanly, with the old
// program or the new one under the name.
TEST_F(StoreTest, InterruptedSavesLeaveTheOldOrTheNewProgram) {
  for (int step = 1; step <= 3; ++step) {
    for (bool overwrite : {false, true}) {
      SCOPED_TRACE("step " + std::to_string(step) + (overwrite ? " overwrite" : " new"));
      fs::remove_all(dir_ / "M1");
      fs::remove(dir_ / "M1.D");
      fs::remove(dir_ / "M1.IX");
      store_ = reopen();
      saveLines("KEEP", {"K"});
      if (overwrite) saveLines("ABC", {"OLD"});
      EXPECT_THROW(saveLines("ABC", {"NEW", "NEW"}, "T", step), SaveInterrupted);
      auto after = reopen();
      after->readIndex();
      EXPECT_TRUE(after->rebuildReason().empty()) << after->rebuildReason();
      NameSearch s = after->index().find("ABC");
      if (s.found) {
        auto lines = after->readText("ABC");
        EXPECT_TRUE(lines == std::vector<std::string>{"OLD"} || lines == (std::vector<std::string>{"NEW", "NEW"}));
        EXPECT_EQ(after->readRecord(after->index().entries[s.position - 1].record).name, "ABC");
      } else {
        EXPECT_FALSE(overwrite);
      }
      EXPECT_TRUE(after->index().find("KEEP").found);
      for (const auto& e : fs::directory_iterator(dir_ / "M1")) EXPECT_NE(e.path().filename().string()[0], '.');
    }
  }
}

struct Corruption {
  const char* what;
  std::function<void(std::string& ix, std::string& dir)> damage;
  const char* reason;
};

TEST_F(StoreTest, ACorruptIndexIsRebuiltFromTheDirectory) {
  const Corruption cases[] = {
      {"empty header", [](std::string& ix, std::string&) { ix.replace(0, 14, std::string(14, '\0')); }, "format mark"},
      {"key width 6", [](std::string& ix, std::string&) { ix[3] = '6'; }, "key width"},
      {"count past the records", [](std::string& ix, std::string&) { ix.replace(4, 5, " 99  "); }, "larger"},
      {"truncated", [](std::string& ix, std::string&) { ix.resize(256 + 20); }, "not a program name"},
      {"truncated to the header", [](std::string& ix, std::string&) { ix.resize(256); }, "larger"},
      {"record out of range", [](std::string& ix, std::string&) { ix[256 + 7] = 99; }, "outside"},
      {"record of another name", [](std::string& ix, std::string&) { ix[256 + 7] = 3; }, "another"},
      {"keys out of order", [](std::string& ix, std::string&) { std::swap_ranges(ix.begin() + 256, ix.begin() + 265, ix.begin() + 265); }, "order"},
      {"garbage key", [](std::string& ix, std::string&) { ix[256] = '\x81'; }, "not a program name"},
      {"deleted record", [](std::string&, std::string& d) { d[256] = '*'; }, "another"},
  };
  for (const Corruption& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(dir_ / "M1");
    fs::remove(dir_ / "M1.D");
    fs::remove(dir_ / "M1.IX");
    store_ = reopen();
    saveLines("AAA", {"1"});
    saveLines("BBB", {"2"});
    saveLines("CCC", {"3"});
    store_->closeVolume();
    std::string ix = readFile(dir_ / "M1.IX"), d = readFile(dir_ / "M1.D");
    c.damage(ix, d);
    writeBytes(dir_ / "M1.IX", ix);
    writeBytes(dir_ / "M1.D", d);
    auto s = reopen();
    s->readIndex();
    EXPECT_NE(s->rebuildReason().find(c.reason), std::string::npos) << s->rebuildReason();
    const bool deletedOne = std::string(c.what) == "deleted record";
    EXPECT_EQ(s->index().count(), deletedOne ? 2 : 3);
    EXPECT_EQ(s->index().find("CCC").found, true);
    store_ = std::move(s);
    saveLines("DDD", {"4"});  // the next write puts back a sound index
    auto again = reopen();
    again->readIndex();
    EXPECT_TRUE(again->rebuildReason().empty());
    EXPECT_EQ(again->index().count(), deletedOne ? 3 : 4);
  }
}

TEST_F(StoreTest, GarbageDirectoryRecordsListWithoutTrouble) {
  saveLines("ABC", {"1"});
  store_->closeVolume();
  std::string d = readFile(dir_ / "M1.D");
  for (size_t i = 256 + 27; i < d.size(); ++i) d[i] = '\xFF';  // NaN singles, bad date bytes
  writeBytes(dir_ / "M1.D", d + "xyz");                      // and a torn last record
  auto s = reopen();
  s->readIndex();
  EXPECT_EQ(s->index().count(), 1);
  ListLine line = s->listLine(1);
  EXPECT_EQ(line.text.substr(0, 3), "ABC");
  EXPECT_EQ(s->directoryRecords(), 3);  // the torn record counts, so a new one goes after it
}

TEST(StoreNames, FilesAndNameRules) {
  EXPECT_EQ(directoryFileName("A:", "M1"), "A:M1.D");
  EXPECT_EQ(indexFileName("", "M6"), "M6.IX");
  EXPECT_EQ(programFileName("B:", "M2", "ABC"), "B:M2\\ABC");
  EXPECT_EQ(foldProgramName("ab-c  "), "AB-C");
  EXPECT_EQ(programNameProblem("A@_-9", 7), "");
  EXPECT_NE(programNameProblem("AB", 7, kMinTypedName), "");
  EXPECT_NE(programNameProblem("ABCDEF", 5), "");
  EXPECT_NE(programNameProblem("AB.C", 7), "");
  EXPECT_NE(programNameProblem("", 7), "");
  EXPECT_EQ(titleProblem("ﾃｽﾄ 漢字"), "");
  EXPECT_NE(titleProblem("한"), "");
  EXPECT_TRUE(isDataDrive(""));
  EXPECT_FALSE(isDataDrive("G:"));
  EXPECT_TRUE(isVolumeName("M6"));
  EXPECT_FALSE(isVolumeName("M7"));
}

}  // namespace
}  // namespace vorn::testing
