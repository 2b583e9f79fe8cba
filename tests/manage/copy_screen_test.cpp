// The module's volume copy screen between the data drive A: and the second drive B:.
#include "manage/copy_screen.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "editor/program_buffer.h"
#include "manage/module.h"
#include "rig.h"
#include "store/store.h"

namespace vorn {
namespace {

struct CopyRig : testing::ModuleRig {
  explicit CopyRig(std::string_view script) : ModuleRig(script) {
    module.environment.ZDX = "A:";
    module.environment.UC = "B:";
    module.environment.USEL = "M1";
    store("A:", {{"AAA", "O1 A"}, {"BBB", "O2 NEW"}, {"CCC", "O3 C"}});
    store("B:", {{"BBB", "O2 OLD"}, {"ZZZ", "O9 Z"}});
  }
  void store(const std::string& drive, const std::vector<std::pair<std::string, std::string>>& programs) {
    Store s(channels, paths);
    s.select(drive, "M1");
    for (const auto& [name, text] : programs) {
      ProgramBuffer buffer(10);
      buffer.assign({text});
      SaveRequest r;
      r.name = name;
      r.title = "T" + name + drive.substr(0, 1);
      r.date = "06. 6. 5";
      s.save(buffer, r);
    }
    s.closeVolume();
  }
  // "name title first-line record" of every program on a drive.
  std::vector<std::string> stored(const std::string& drive) {
    Store s(channels, paths);
    s.select(drive, "M1");
    s.readIndex();
    std::vector<std::string> out;
    for (const IndexEntry& e : s.index().entries) {
      const DirectoryRecord rec = s.readEntryHeader(e.record);
      const std::vector<std::string> text = s.readText(rec.name);
      out.push_back(rec.name + " " + rec.title + " " + (text.empty() ? "" : text[0]) + " " + std::to_string(e.record));
    }
    s.closeVolume();
    return out;
  }
};

TEST(VolumeCopyScreen, ARangeOverwritesAnExistingNameAndAppendsANewOne) {
  // Direction 1 (A: -> B:), range AAA to BBB, "1)実行", then "3)ﾓﾄﾞﾙ".
  CopyRig rig("{Enter}aaa{Enter}BBB{Enter}{Enter}3{Enter}");
  rig.module.buffer.assign({"O7 KEEP"});
  volumeCopyScreen(rig.session, rig.module);
  const std::vector<std::string> want{"AAA TAAAA O1 A 4", "BBB TBBBA O2 NEW 2", "ZZZ TZZZB O9 Z 3"};
  EXPECT_EQ(rig.stored("B:"), want);  // BBB kept its record, AAA was appended
  EXPECT_EQ(rig.stored("A:").size(), 3u);
  EXPECT_TRUE(rig.shows("1)A:->B: 2)B:-> A:"));
  EXPECT_TRUE(rig.shows("A: -> B:  M1"));
  EXPECT_TRUE(rig.shows("複写   2 本"));
  EXPECT_EQ(rig.module.buffer.line(1), "O7 KEEP");  // the module's own program stays
  EXPECT_EQ(rig.backend.beepCount(), 0);
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(VolumeCopyScreen, BackwardsWithTheEndNameTakenFromTheStart) {
  // Direction 2 (B: -> A:); an empty end name copies the one program.
  CopyRig rig("2{Enter}ZZZ{Enter}{Enter}{Enter}3{Enter}");
  volumeCopyScreen(rig.session, rig.module);
  const auto a = rig.stored("A:");
  ASSERT_EQ(a.size(), 4u);
  EXPECT_EQ(a[3], "ZZZ TZZZB O9 Z 5");
  EXPECT_EQ(rig.module.copyDirection, 2);  // preset next time
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(VolumeCopyScreen, RangeRules) {
  struct Case {
    const char* script;
    int beeps;
    const char* shown;
  } cases[] = {
      // An empty start name beeps; an end name below the start beeps and is asked again.
      {"{Enter}{Enter}CCC{Enter}BBB{Enter}{Bs}{Bs}{Bs}CCC{Enter}{Esc}", 2, nullptr},
      // A range with no program in it: "データ無", and back to the choice.
      {"{Enter}DDD{Enter}{Enter}{Enter}3{Enter}", 1, "データ無"},
      // "2)条件" goes back to the direction; Esc there leaves.
      {"{Enter}AAA{Enter}{Enter}2{Enter}{Esc}", 0, nullptr},
  };
  for (const Case& c : cases) {
    CopyRig rig(c.script);
    volumeCopyScreen(rig.session, rig.module);
    EXPECT_EQ(rig.backend.beepCount(), c.beeps) << c.script;
    if (c.shown) {
      EXPECT_TRUE(rig.shows(c.shown)) << c.script;
    }
    EXPECT_EQ(rig.stored("B:").size(), 2u) << c.script;
    EXPECT_EQ(rig.backend.pendingEvents(), 0u) << c.script;
  }
}

TEST(VolumeCopyScreen, EscDuringTheCopyStopsIt) {
  // Esc typed after "1)実行" is seen while the range is collected: nothing is copied.
  CopyRig rig("{Enter}AAA{Enter}CCC{Enter}{Enter}{Esc}3{Enter}");
  volumeCopyScreen(rig.session, rig.module);
  EXPECT_EQ(rig.stored("B:").size(), 2u);
  EXPECT_TRUE(rig.shows("中止"));
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(VolumeCopyScreen, NoSecondDriveCopiesNothing) {
  // An empty second drive is the working directory, where A: lies too: the
  // copy would read and write the same files.
  CopyRig rig("{Enter}AAA{Enter}{Enter}{Enter}3{Enter}");
  rig.module.environment.UC = "";
  volumeCopyScreen(rig.session, rig.module);
  EXPECT_TRUE(rig.shows("1)A:->   2)  -> A:"));
  EXPECT_TRUE(rig.shows("複写できない"));
  EXPECT_EQ(rig.backend.beepCount(), 1);
  EXPECT_EQ(rig.stored("A:").size(), 3u);
}

TEST(VolumeCopyScreen, DirectionChoices) {
  EXPECT_EQ(copyDirectionChoices("A:", "B:"), "1)A:->B: 2)B:-> A:");
  EXPECT_EQ(copyDirectionChoices("", "C:"), "1)  ->C: 2)C:->   ");
}

}  // namespace
}  // namespace vorn
