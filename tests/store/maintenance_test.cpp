// Index repair, delete all and the volume copy of the store.
#include <gtest/gtest.h>

#include "store_fixture.h"
#include "store/volume_copy.h"
#include "store/work_files.h"

namespace vorn::testing {
namespace {

class MaintenanceTest : public StoreTest {
 protected:
  std::vector<std::pair<std::string, int>> entries(const Store& s) {
    std::vector<std::pair<std::string, int>> out;
    for (const IndexEntry& e : s.index().entries) out.emplace_back(e.key, e.record);
    return out;
  }
};

TEST_F(MaintenanceTest, RepairRebuildsTheIndexTheSavesWrote) {
  for (const char* name : {"PPP", "AAA", "ZZ9", "MMM", "B-1"}) saveLines(name, {"O1", name});
  saveLines("AAA", {"O1", "again"});  // an overwrite keeps its record
  store_->closeVolume();
  const std::string written = readFile(dir_ / "M1.IX");
  fs::remove(dir_ / "M1.IX");

  std::vector<int> seen;
  EXPECT_TRUE(store_->repairIndex([&](int record, const DirectoryRecord&, int count) {
    seen.push_back(record * 100 + count);
    return true;
  }));
  EXPECT_EQ(seen, (std::vector<int>{201, 302, 403, 504, 605}));
  EXPECT_EQ(readFile(dir_ / "M1.IX"), written);
}

TEST_F(MaintenanceTest, RepairLeavesOutDeletedAndTinyRecords) {
  saveLines("AAA", {"O1"});
  saveLines("BBB", {"O2"});
  saveLines("CCC", {"O3"});
  store_->readIndex();
  store_->deleteEntry(store_->index().find("BBB").position);
  // CCC's record claims no more bytes than a header line: it does not qualify.
  std::string d = readFile(dir_ / "M1.D");
  store_->closeVolume();
  d.replace(3 * 256 + 35, 4, packSingle(3));
  writeBytes(dir_ / "M1.D", d);
  writeBytes(dir_ / "M1.IX", std::string(700, 'x'));  // garbage beyond repair by a plain read

  auto s = reopen();
  EXPECT_TRUE(s->repairIndex());
  auto again = reopen();
  again->readIndex();
  EXPECT_TRUE(again->rebuildReason().empty());
  EXPECT_EQ(entries(*again), (std::vector<std::pair<std::string, int>>{{"AAA    ", 2}}));
}

TEST_F(MaintenanceTest, AStoppedRepairWritesNothing) {
  saveLines("AAA", {"O1"});
  saveLines("BBB", {"O2"});
  store_->closeVolume();
  const std::string before = readFile(dir_ / "M1.IX");
  EXPECT_FALSE(store_->repairIndex([](int record, const DirectoryRecord&, int) { return record < 3; }));
  EXPECT_EQ(readFile(dir_ / "M1.IX"), before);
}

TEST_F(MaintenanceTest, DeleteAllRemovesTextsThenIndexThenDirectory) {
  saveLines("AAA", {"O1"});
  saveLines("BBB", {"O2"});
  saveLines("CCC", {"O3"});
  // A live record the index lost still has its text deleted.
  store_->readIndex();
  std::string ix = readFile(dir_ / "M1.IX");
  store_->closeVolume();
  ix.replace(4, 5, " 2   ");
  writeBytes(dir_ / "M1.IX", ix);
  auto s = reopen();
  s->readIndex();
  ASSERT_EQ(s->index().count(), 2);
  std::vector<std::string> order;
  EXPECT_EQ(s->deleteAll([&](const std::string& name) {
    order.push_back(name);
    // While texts go, index and directory still list every program.
    EXPECT_EQ(readFile(dir_ / "M1.IX").substr(4, 5), " 2   ");
    EXPECT_EQ(readFile(dir_ / "M1.D").size(), 4u * 256);
  }), 3);
  EXPECT_EQ(order, (std::vector<std::string>{"AAA", "BBB", "CCC"}));
  EXPECT_TRUE(fs::is_empty(dir_ / "M1"));
  EXPECT_EQ(readFile(dir_ / "M1.D"), packVolumeHeader({"M1"}));
  EXPECT_EQ(readFile(dir_ / "M1.IX"), packIndexHeader({7, 0}));
  auto after = reopen();
  after->readIndex();
  EXPECT_EQ(after->index().count(), 0);
  EXPECT_EQ(saveLines("NEW", {"O9"}).record, 2);
}

TEST_F(MaintenanceTest, CopyListRoundTrips) {
  DirectoryRecord a;
  a.name = "ABC";
  a.title = "ﾀｲﾄﾙ, 1";
  a.date = "06. 6. 5";
  a.size = 123;
  a.saveCount = 4;
  a.settings.trajectory[0] = 120;
  a.settings.trajectory[13] = 2.5f;
  a.settings.toolRadii[7] = 3;
  a.settings.plot[0] = 1;
  DirectoryRecord b;
  b.name = "Z";
  writeCopyList(*channels_, {a, b}, 7);
  const std::string wk = readFile(dir_ / "WK");
  EXPECT_EQ(wk.substr(0, wk.find('\r')), "\" \",\"ABC    \",\"\xC0\xB2\xC4\xD9, 1\",\"06. 6. 5\",123,4");
  std::vector<DirectoryRecord> back = readCopyList(*channels_);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0].name, "ABC");
  EXPECT_EQ(back[0].title, a.title);
  EXPECT_EQ(back[0].date, a.date);
  EXPECT_EQ(back[0].size, 123);
  EXPECT_EQ(back[0].saveCount, 4);
  EXPECT_EQ(back[0].settings.trajectory, a.settings.trajectory);
  EXPECT_EQ(back[0].settings.toolRadii, a.settings.toolRadii);
  EXPECT_EQ(back[0].settings.plot, a.settings.plot);
  EXPECT_EQ(back[1].name, "Z");
}

TEST_F(MaintenanceTest, CopyARangeOverwritingOneNameAndAppendingAnother) {
  fs::create_directory(dir_ / "driveB");
  // Drive B is a configured folder of its own.
  DeviceConfig config = paths_->config();
  config.drives[1] = dir_ / "driveB";
  PathMap paths(config);
  ChannelTable channels(paths);
  Store a(channels, paths), b(channels, paths);
  auto put = [&](Store& s, const std::string& name, std::vector<std::string> lines, const std::string& title,
                 int saveCount = 1) {
    ProgramBuffer buffer(100);
    buffer.assign(std::move(lines));
    SaveRequest r;
    r.name = name;
    r.title = title;
    r.date = "06. 6. 5";
    r.settings.trajectory[0] = 77;
    r.saveCount = saveCount;
    s.save(buffer, r);
    s.closeVolume();
  };
  a.select("A:", "M1");
  for (const char* n : {"AA1", "BB1", "BB2", "CC1"}) put(a, n, {"O1", std::string("G0X") + n}, std::string("T") + n);
  put(a, "BB1", {"O1", "second"}, "TBB1", 2);
  b.select("B:", "M1");
  put(b, "BB1", {"old"}, "OLD");
  put(b, "ZZZ", {"keep"}, "Z");

  ProgramBuffer module(68630);
  std::vector<std::string> collected;
  VolumeCopyHooks hooks;
  hooks.collected = [&](const std::string& drive, const std::string& name) {
    collected.push_back(drive + name);
    return true;
  };
  VolumeCopyResult r = copyVolumeRange(paths, module, {"A:", "B:", "M1", "b", "BB9"}, hooks);
  EXPECT_EQ(collected, (std::vector<std::string>{"A:BB1", "A:BB2"}));
  ASSERT_EQ(r.programs.size(), 2u);
  EXPECT_EQ(r.copied(), 2);
  EXPECT_TRUE(r.programs[0].existed);
  EXPECT_EQ(r.programs[0].record, 2);  // the old record of BB1 on B:
  EXPECT_FALSE(r.programs[1].existed);
  EXPECT_EQ(r.programs[1].record, 4);  // appended after ZZZ

  EXPECT_EQ(readFile(dir_ / "driveB" / "M1" / "BB1"), readFile(dir_ / "M1" / "BB1"));
  EXPECT_EQ(readFile(dir_ / "driveB" / "M1" / "BB2"), readFile(dir_ / "M1" / "BB2"));
  b.readIndex();
  EXPECT_EQ(b.index().count(), 3);
  DirectoryRecord bb1 = b.readRecord(2);
  EXPECT_EQ(bb1.title, "TBB1");
  EXPECT_EQ(bb1.saveCount, 2);
  EXPECT_EQ(bb1.settings.trajectory[0], 77);
  EXPECT_EQ(b.readRecord(3).name, "ZZZ");
  b.closeVolume();

  // Nothing in the range, and ranges the copy refuses.
  EXPECT_TRUE(copyVolumeRange(paths, module, {"A:", "B:", "M1", "D", "D9"}).nothingInRange);
  EXPECT_THROW(copyVolumeRange(paths, module, {"A:", "A:", "M1", "A", ""}), std::invalid_argument);
  EXPECT_THROW(copyVolumeRange(paths, module, {"A:", "B:", "M1", "", ""}), std::invalid_argument);
  EXPECT_THROW(copyVolumeRange(paths, module, {"A:", "B:", "M1", "C", "B"}), std::invalid_argument);
  // No drive is the working directory, where A: lies too: one folder, refused.
  EXPECT_THROW(copyVolumeRange(paths, module, {"A:", "", "M1", "A", "Z"}), std::invalid_argument);
  EXPECT_EQ(copyRangeProblem({"A:", "", "M1", "A", "Z"}), "");
  EXPECT_NE(copyRangeProblem(paths, {"", "A:", "M1", "A", "Z"}), "");
  EXPECT_EQ(copyRangeProblem(paths, {"", "B:", "M1", "A", "Z"}), "");
}

TEST_F(MaintenanceTest, AProgramLongerThanTheBufferIsNotCopied) {
  fs::create_directory(dir_ / "driveB");
  DeviceConfig config = paths_->config();
  config.drives[1] = dir_ / "driveB";
  PathMap paths(config);
  saveLines("BIG", {"1", "2", "3", "4"});
  store_->closeVolume();
  ProgramBuffer small(2);
  VolumeCopyResult r = copyVolumeRange(paths, small, {"A:", "B:", "M1", "BIG", ""});
  ASSERT_EQ(r.programs.size(), 1u);
  EXPECT_FALSE(r.programs[0].problem.empty());
  EXPECT_FALSE(fs::exists(dir_ / "driveB" / "M1" / "BIG"));
}

}  // namespace
}  // namespace vorn::testing
