// The storage screen inside the whole program: the environment record read at
// start, menu code 2 and the editor's F9, and the settings a stored program
// carries, all through key scripts.
#include "apps/store_wiring.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "apps/app.h"
#include "harness.h"
#include "runtime/text.h"
#include "store/layouts.h"
#include "store/names.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

const char* const kProgram = "%\r\nO0010\r\nG01X10.Y-5.\r\nM30\r\n%\r\n";

// A store on the run's working folder, as an earlier run left it.
struct EarlierRun {
  explicit EarlierRun(const fs::path& dir) : paths(config(dir)), channels(paths), store(channels, paths) {
    store.select("A:", "M1");
  }
  ~EarlierRun() { store.closeVolume(); }
  void save(const std::string& name, const std::string& title, std::vector<std::string> lines,
            const StoredSettings& settings = {}) {
    ProgramBuffer b(100);
    b.assign(std::move(lines));
    SaveRequest r;
    r.name = name;
    r.title = title;
    r.date = "06. 6. 5";
    r.settings = settings;
    store.save(b, r);
  }
  static DeviceConfig config(const fs::path& dir) {
    DeviceConfig c;
    c.workDir = dir;
    c.configDir = dir / "config";
    return c;
  }
  PathMap paths;
  ChannelTable channels;
  Store store;
};

// Volume M1 holding 558 programs P1001..P1558, written through the layouts.
void writeFullVolume(const fs::path& dir) {
  fs::create_directories(dir / "M1");
  std::string directory = packVolumeHeader({"M1"});
  NameIndex index;
  for (int n = 1; n <= kVolumeCapacity; ++n) {
    DirectoryRecord e;
    e.name = "P" + std::to_string(1000 + n);
    e.title = "T";
    e.date = "06. 6. 5";
    e.size = 7;
    e.saveCount = 1;
    directory += packDirectoryRecord(e);
    index.entries.push_back({index.key(e.name), n + 1});
    std::ofstream(dir / "M1" / e.name, std::ios::binary) << "\"T\",0,0,0,0,0\r\nG0X1\r\n";
  }
  std::ofstream(dir / "M1.D", std::ios::binary) << directory;
  index.lowestChanged = 1;
  std::string ixBytes(size_t(kIndexRecordLength) * 21, ' ');
  for (const IndexWrite& w : index.changedRecords({})) ixBytes.replace(size_t(w.record - 1) * 256, 256, w.bytes);
  std::ofstream(dir / "M1.IX", std::ios::binary) << ixBytes;
}

std::string fileBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(StoreWiring, FreshStartWritesTheEnvironmentRecordAndShowsItsVolume) {
  ProgramRun run("");
  App& app = run.start("");
  EXPECT_EQ(fileBytes(run.dir / "NVOL").size(), 128u);
  EXPECT_EQ(run.row(0).substr(1, 4), "A:M1");
  EXPECT_EQ(app.store.store.location(), "A:M1");
  EXPECT_EQ(app.session.environment.GL1, 50);
}

TEST(StoreWiring, TheEnvironmentRecordReplacesTheDefaults) {
  ProgramRun run("");
  Environment env;
  env.ZDX = "";
  env.USEL = "M4";
  env.GL1 = 80;
  env.ZC1 = 12;
  env.NNT = 3;
  std::string record = freshEnvironmentRecord();
  packEnvironment(env, "06-05-2006", record);
  run.write("NVOL", record);
  App& app = run.start("");
  EXPECT_EQ(app.session.environment.USEL, "M4");
  EXPECT_EQ(app.session.environment.ZDX, "");
  EXPECT_EQ(app.session.environment.GL1, 80);
  EXPECT_EQ(app.session.environment.ZC1, 12);
  EXPECT_EQ(app.session.environment.NNT, 3);
  EXPECT_EQ(run.row(0).substr(1, 4), "M4  ");
  EXPECT_EQ(app.store.store.location(), "M4");
}

TEST(StoreWiring, SaveFromTheEditorShowsTheNameOnTheStatusRow) {
  ProgramRun run("1{Enter}{F9}3{Enter}{Shift+Home}abc{Enter}ﾀｲﾄﾙ{Enter}");
  App& app = run.start(run.write("part.nc", kProgram));
  EXPECT_EQ(app.editor.buffer.OSDATE, "ABC");
  EXPECT_EQ(midByWidth(run.row(0), 7, 16), "ABC         ﾀｲﾄﾙ");
  EXPECT_EQ(fileBytes(run.dir / "M1" / "ABC").substr(0, 7), "\"\xC0\xB2\xC4\xD9\",");
  EXPECT_EQ(run.lineRow(1).substr(0, 11), "    1 O0010") << "the editor shows its text again";
}

// Each run works in the same folder, so runs of one test follow each other.
TEST(StoreWiring, NameRulesAtTheSaveScreen) {
  {  // two characters beep and keep the field open
    ProgramRun run("2{Enter}3{Enter}{Shift+Home}ab{Enter}");
    App& app = run.start(run.write("part.nc", kProgram));
    EXPECT_EQ(app.screen.beepCount(), 1);
    EXPECT_EQ(midByWidth(run.row(22), 29, 7), "AB     ");
    EXPECT_EQ(app.store.store.index().count(), 0);
  }
  {  // a second save under a name warns
    ProgramRun run("2{Enter}3{Enter}{Shift+Home}abc{Enter}T{Enter}2{Enter}3{Enter}{Enter}");
    App& app = run.start(run.write("part.nc", kProgram));
    EXPECT_EQ(midByWidth(run.row(22), 39, 11), "*同じ名前ｱﾘ");
    EXPECT_EQ(app.store.store.index().count(), 1);
  }
}

TEST(StoreWiring, The559thNameIsRefusedWhileOverwritingWorks) {
  {
    ProgramRun run("2{Enter}3{Enter}{Shift+Home}new{Enter}");
    writeFullVolume(run.dir);
    App& app = run.start(run.write("part.nc", kProgram));
    EXPECT_EQ(midByWidth(run.row(22), 39, 11), "ｹﾝｽｳ ｵｰﾊﾞ  ");
    EXPECT_EQ(app.store.store.index().count(), 558);
  }
  ProgramRun over("2{Enter}3{Enter}{Shift+Home}new{Enter}{Shift+Home}p1300{Enter}{Shift+Home}NEW{Enter}");
  writeFullVolume(over.dir);
  App& a = over.start(over.write("part.nc", kProgram));
  ASSERT_EQ(a.store.store.index().count(), 558);
  EXPECT_EQ(a.editor.buffer.OSDATE, "P1300");
  EXPECT_NE(fileBytes(over.dir / "M1" / "P1300").find("O0010"), std::string::npos);
}

TEST(StoreWiring, LoadRestoresTheTrajectorySettingsAndToolRadii) {
  TrajectorySettings saved;
  saved.workSize = {120, 80, 25};
  saved.basePoint = 5;
  saved.centre = {10, -20, 5};
  saved.toolRadius = {1, 2, 3, 4, 5, 6, 7, 8.5f};
  saved.unitChoice = 3;
  saved.H0V = 4;
  saved.angle = 30;
  saved.zRatio = 1.5f;
  saved.scale = 3;
  const std::array<float, 8> plot{2, 1.5f, 2.25f, 4, 2, 2, 40, 3};  // every value within its field
  // Loaded, then saved again under another name: the settings go round unchanged.
  ProgramRun run("2{Enter}1{Enter}{Enter}2{Enter}3{Enter}{Shift+Home}copy{Enter}{Enter}");
  {
    EarlierRun earlier(run.dir);
    earlier.save("SHAFT", "front", {"G00X1", "G01Y2"}, storedSettings(saved, plot));
  }
  App& app = run.start("");
  const TrajectorySettings& t = app.display.settings;
  EXPECT_EQ(t.workSize, saved.workSize);
  EXPECT_EQ(t.basePoint, 5);
  EXPECT_EQ(t.centre, saved.centre);
  EXPECT_EQ(t.toolRadius, saved.toolRadius);
  EXPECT_EQ(t.unitChoice, 3);
  EXPECT_EQ(t.H0V, 4);
  EXPECT_EQ(t.angle, 30);
  EXPECT_EQ(t.zRatio, 1.5f);
  EXPECT_EQ(t.scale, 3);
  EXPECT_EQ(app.plot.settings.toFloats(), plot);
  EXPECT_EQ(app.editor.buffer.line(2), "G01Y2");
  EXPECT_EQ(app.editor.buffer.H0X, "front");
  ASSERT_EQ(app.store.store.index().count(), 2);
  const NameSearch copy = app.store.store.index().find("COPY");
  ASSERT_TRUE(copy.found);
  const DirectoryRecord e = app.store.store.readRecord(app.store.store.index().entries[size_t(copy.position - 1)].record);
  EXPECT_EQ(e.settings.trajectory, storedSettings(saved, plot).trajectory);
  EXPECT_EQ(e.settings.toolRadii, storedSettings(saved, plot).toolRadii);
  EXPECT_EQ(e.settings.plot, storedSettings(saved, plot).plot);
  EXPECT_EQ(e.title, "front");
}

TEST(StoredSettings, ValuesOutsideTheFormsRangesAreLeftAlone) {
  TrajectorySettings t;
  t.workSize = {100, 60, 20};
  t.scale = 2;
  std::array<float, 8> plot{};
  StoredSettings s;  // a program saved before the form was filled: zeros
  s.trajectory[9] = 7;     // unit choice 7: no such choice
  s.trajectory[10] = 0;    // view 0
  s.trajectory[12] = 50;   // Z ratio above 8
  s.toolRadii[0] = -1;
  applyStoredSettings(s, t, plot);
  // Work X and Y of 0 are never-filled values; a Z of 0 is a real one.
  EXPECT_EQ(t.workSize, (std::array<float, 3>{100, 60, 0}));
  EXPECT_EQ(t.basePoint, 1);
  EXPECT_EQ(t.scale, 2);
  EXPECT_EQ(t.unitChoice, 2);
  EXPECT_EQ(t.H0V, 1);
  EXPECT_EQ(t.zRatio, 1);
  EXPECT_EQ(t.toolRadius[0], 0);
}

TEST(StoreWiring, AStoredProgramLongerThanTheBufferLoadsWhatFitsAndSaysSo) {
  ProgramRun run("2{Enter}1{Enter}{Enter}");
  {
    EarlierRun earlier(run.dir);
    earlier.save("LONG", "t", {"L1", "L2", "L3", "L4", "L5"});
  }
  App& app = run.start("", 3);
  EXPECT_EQ(app.editor.buffer.lineCount(), 3);
  EXPECT_EQ(app.editor.buffer.OSDATE, "LONG");
  EXPECT_FALSE(app.editor.notice.empty());
  const int countRow = int(app.session.geometry.CMMF) + 1;
  EXPECT_NE(run.row(countRow).find(app.editor.notice), std::string::npos) << run.row(countRow);
  EXPECT_GE(app.screen.beepCount(), 1);
}

TEST(StoreWiring, RenamingTheLoadedProgramChangesTheStatusRow) {
  ProgramRun run("2{Enter}1{Enter}{Enter}1{Enter}{F9}4{Enter}{Enter}{Shift+Home}NEWT{Enter}");
  {
    EarlierRun earlier(run.dir);
    earlier.save("ABC", "OLD", {"G00X1"});
  }
  App& app = run.start("");
  EXPECT_EQ(app.editor.buffer.H0X, "NEWT");
  EXPECT_EQ(midByWidth(run.row(0), 7, 16), "ABC         NEWT");
}

TEST(StoreWiring, DeleteAnsweredTwoDeletesNothing) {
  ProgramRun run("2{Enter}5{Enter}{Enter}2{Enter}{Esc}{Esc}");
  {
    EarlierRun earlier(run.dir);
    earlier.save("ABC", "OLD", {"G00X1"});
  }
  App& app = run.start("");
  EXPECT_EQ(app.store.store.index().count(), 1);
  EXPECT_TRUE(fs::exists(run.dir / "M1" / "ABC"));
}

TEST(StoreWiring, VolumeM3OnAFreshDiskShowsACountOfZero) {
  {
    ProgramRun run("2{Enter}7{Enter}3{Enter}");
    {
      EarlierRun earlier(run.dir);
      earlier.save("ABC", "OLD", {"G00X1"});
    }
    App& app = run.start("");
    EXPECT_EQ(midByWidth(run.row(4), 35, 11), "(A:M3    0)");
    EXPECT_EQ(app.session.environment.USEL, "M3");
    EXPECT_TRUE(fs::exists(run.dir / "M3.IX"));
  }

  // Back at the menu, row 0 shows the new volume.
  ProgramRun back("2{Enter}7{Enter}3{Enter}{Esc}");
  back.start("");
  EXPECT_EQ(back.row(0).substr(1, 4), "A:M3");
}

}  // namespace
}  // namespace vorn
