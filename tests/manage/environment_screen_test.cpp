// The module's environment screen: the two drives, its own layout, and the
// values it does not show passing through a save unchanged.
#include "manage/environment_screen.h"

#include <gtest/gtest.h>
#include <filesystem>

#include "comm/environment_screen.h"
#include "manage/module.h"
#include "rig.h"
#include "store/work_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct EnvRig : testing::ModuleRig {
  using ModuleRig::ModuleRig;
  Environment stored() {
    Environment env;
    env.UC = "?";
    readEnvironmentFile(channels, env, "01-01-2026");
    return env;
  }
};

TEST(ModuleEnvironment, ASecondDriveEqualToTheDataDriveBeepsAndKeepsTheFieldOpen) {
  // Data drive A, "複写DD" A (beep, asked again), then C; Esc ends the form, Enter "1)設定".
  EnvRig rig("A{Enter}A{Enter}C{Enter}{Esc}{Enter}");
  rig.module.environment.UC = "B:";
  moduleEnvironmentScreen(rig.session, rig.module);
  EXPECT_EQ(rig.backend.beepCount(), 1);
  EXPECT_EQ(rig.module.environment.UC, "C:");
  EXPECT_EQ(rig.stored().UC, "C:");
  EXPECT_EQ(rig.session.environment.UC, "C:");
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(ModuleEnvironment, DriveRules) {
  struct Case {
    std::string ZDX, UC, entry;
    bool accepted;
    std::string UCafter;
  } cases[] = {
      {"A:", "B:", "c", true, "C:"},  {"A:", "B:", "a", false, "B:"}, {"A:", "B:", "", true, ""},
      {"", "B:", "", false, "B:"},    {"A:", "B:", "G", false, "B:"}, {"D:", "B:", "AB", false, "B:"},
  };
  for (const Case& c : cases) {
    Environment env;
    env.ZDX = c.ZDX;
    env.UC = c.UC;
    EXPECT_EQ(applySecondDrive(env, c.entry), c.accepted) << c.ZDX << " " << c.entry;
    EXPECT_EQ(env.UC, c.UCafter) << c.ZDX << " " << c.entry;
  }
}

TEST(ModuleEnvironment, TheDataDriveTakingTheSecondDriveMovesIt) {
  // Data drive B while "複写DD" is B: the second drive becomes A:, offered as the field's text.
  EnvRig rig("B{Enter}{Enter}{Esc}{Enter}");
  moduleEnvironmentScreen(rig.session, rig.module);
  EXPECT_EQ(rig.module.environment.ZDX, "B:");
  EXPECT_EQ(rig.module.environment.UC, "A:");
  EXPECT_EQ(rig.backend.beepCount(), 0);
}

TEST(ModuleEnvironment, ItsLayoutAndTheValuesItDoesNotShow) {
  // After the drives: the volume, the display speed 60, then start X 5
  // (the circle pitch is skipped); Esc, then "1)設定".
  EnvRig rig("{Enter}{Enter}{Enter}60{Enter}5{Enter}{Esc}{Enter}");
  Environment& env = rig.module.environment;
  env.Y6 = 9;
  env.Y8 = 2;
  env.RCALC = "34";
  env.IKDSP = "RD";
  env.ZC1 = 12;
  moduleEnvironmentScreen(rig.session, rig.module);
  EXPECT_TRUE(rig.shows("ﾌｧｨﾙ区分"));
  EXPECT_TRUE(rig.shows("複写DD"));
  EXPECT_TRUE(rig.shows("1)設定"));
  for (const char* absent : {"ﾌﾟﾛｯﾀI/F", "ﾎﾟｰﾄNo.", "RtsDtr", "円ﾋﾟｯﾁ", "ﾌｫﾙﾀﾞ"}) EXPECT_FALSE(rig.shows(absent)) << absent;
  const Environment saved = rig.stored();
  EXPECT_EQ(saved.GL1, 60);
  EXPECT_EQ(saved.G, 5);
  EXPECT_EQ(saved.ZC1, 12);
  EXPECT_EQ(saved.Y6, 9);
  EXPECT_EQ(saved.Y8, 2);
  EXPECT_EQ(saved.RCALC, "34");
  EXPECT_EQ(saved.IKDSP, "RD");
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(ModuleEnvironment, AVolumeChangeClearsTheProgramListAndEscKeepsEverything) {
  EnvRig rig("{Enter}{Enter}{Right}{Right}{Enter}{Esc}{Enter}");
  rig.module.storage.list.count = 20;
  rig.module.storage.list.buildFrom(3);
  moduleEnvironmentScreen(rig.session, rig.module);
  EXPECT_EQ(rig.module.environment.USEL, "M3");
  EXPECT_EQ(rig.session.environment.USEL, "M3");
  EXPECT_FALSE(rig.module.storage.list.built());
  EXPECT_EQ(rig.stored().USEL, "M3");

  // Esc after a new data drive and volume: nothing changes, nothing is written.
  EnvRig esc("C{Enter}{Enter}{Right}{Enter}{Esc}{Esc}");
  esc.module.storage.list.count = 20;
  esc.module.storage.list.buildFrom(3);
  moduleEnvironmentScreen(esc.session, esc.module);
  EXPECT_EQ(esc.module.environment.ZDX, "A:");
  EXPECT_EQ(esc.module.environment.USEL, "M1");
  EXPECT_TRUE(esc.module.storage.list.built());
  EXPECT_FALSE(fs::exists(esc.dir / "NVOL"));
}

}  // namespace
}  // namespace vorn
