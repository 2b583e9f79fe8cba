// The module's menu and leaving, on a headless screen.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

#include "manage/module.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/recovery.h"
#include "shell/session.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

DeviceConfig configIn(const fs::path& dir) {
  DeviceConfig c;
  c.workDir = dir;
  c.configDir = dir / "config";
  return c;
}

struct ModuleRig {
  explicit ModuleRig(std::string_view script)
      : dir(makeDir()),
        backend(HeadlessBackend::fromScript(script)),
        screen(backend, clock),
        paths(configIn(dir)),
        channels(paths),
        session(screen, channels, paths) {
    backend.maximize();
    screen.syncSize();
  }
  ~ModuleRig() { fs::remove_all(dir); }
  static fs::path makeDir() {
    char pattern[] = "/tmp/vornt-module-XXXXXX";
    return mkdtemp(pattern);
  }
  bool shows(std::string_view text) const { return screen.dumpText().find(text) != std::string::npos; }

  fs::path dir;
  VirtualClock clock;
  HeadlessBackend backend;
  Screen screen;
  PathMap paths;
  ChannelTable channels;
  Session session;
};

TEST(Module, MenuAndAnEmptyBufferReturnsAtOnce) {
  ModuleRig rig("{Down}{Down}{Down}{Down}{Down}{Down}{Down}{Enter}");
  EXPECT_EQ(runModule(rig.session, {}), ModuleExit::Main);
  EXPECT_FALSE(rig.shows("(ﾃﾞｰﾀ 消える)"));
  EXPECT_TRUE(rig.shows("処理中 少し待て"));
  EXPECT_TRUE(rig.shows("9 PTP,PTR"));
  EXPECT_EQ(midByWidth(rig.screen.rowText(0), 0, 4), "A:M1");  // data drive and volume
  EXPECT_TRUE(fs::exists(rig.dir / "NVOL"));                   // the environment record was read (and made)
}

TEST(Module, LinesInTheBufferAskFirst) {
  // Entry 3 puts a line in the buffer; leaving with "2)ﾓﾄﾞﾙ" stays, then OK leaves.
  ModuleRig rig("{Down}{Down}{Enter}{Down}{Down}{Down}{Down}{Down}{Enter}{Right}{Enter}{Enter}{Enter}");
  std::map<int, ModuleAction> actions;
  int runs = 0;
  actions[modulecode::Import] = [&](Session&, ModuleState& m) {
    ++runs;
    m.buffer.assign({"O1"});
  };
  EXPECT_EQ(runModule(rig.session, actions), ModuleExit::Main);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);  // the first question was answered "2)ﾓﾄﾞﾙ"
  EXPECT_TRUE(rig.shows("処理中 少し待て"));
  EXPECT_TRUE(rig.shows("(ﾃﾞｰﾀ 消える)"));
}

TEST(Module, EndEndsTheApplicationThroughTheShell) {
  ModuleRig rig("{Up}{Enter}");  // up from the first entry wraps to "終 了"
  try {
    enterModule(rig.session, {});
    FAIL() << "the module returned";
  } catch (const ShellUnwind& u) {
    EXPECT_EQ(u.to, ShellUnwind::To::End);
  }
}

TEST(Module, AnEntryWithoutAScreenBeepsAndStays) {
  ModuleRig rig("{Enter}{Down}{Down}{Down}{Down}{Down}{Down}{Down}{Enter}");
  EXPECT_EQ(runModule(rig.session, {}), ModuleExit::Main);
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

}  // namespace
}  // namespace vorn
