// The module's menu and leaving, on a headless screen.
#include <gtest/gtest.h>

#include <filesystem>

#include "editor/program_buffer.h"
#include "manage/module.h"
#include "manage/storage.h"
#include "store/store.h"
#include "rig.h"
#include "runtime/text.h"
#include "shell/recovery.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

using testing::ModuleRig;

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

TEST(ModuleRecovery, TheModulesTexts) {
  const RecoveryTexts module = moduleRecoveryTexts();
  struct Case {
    int code;
    const char* where;
    std::string want;
  } cases[] = {
      {63, "open X", "ﾊﾟｽ､ﾌｧｲﾙが見つからない"},
      {75, "open Y", "ｴﾗｰ 75 open Y ﾒﾓする"},  // no message of its own in the module
      {99, "close VOT", "ｴﾗｰ 99 close VOT ﾒﾓする"},
      {53, "", "入出力エラー"},
      {72, "", "FD 装着してない"},
  };
  for (const Case& c : cases) EXPECT_EQ(recoveryMessage(c.code, c.where, module), c.want) << c.code;
  // The main program keeps its own.
  EXPECT_EQ(recoveryMessage(75, "open Y"), "ﾈｯﾄﾊﾟｽが見つからない");
  EXPECT_EQ(recoveryMessage(99, "close VOT"), "ｴﾗｰ  99 close VOT ﾒﾓする");
}

// Entry 3 raises a file error under the module's handler.
std::map<int, ModuleAction> failingImport(int& runs, int failures = 1000) {
  std::map<int, ModuleAction> actions;
  actions[modulecode::Import] = [&runs, failures](Session& s, ModuleState& m) {
    ++runs;
    m.buffer.assign({"O1"});
    int tries = 0;
    s.guarded([&] {
      if (!s.channels.isOpen(7)) s.channels.open(7, "NVOL", OpenMode::Input);
      if (++tries <= failures) throw RuntimeError(err::NotFound, "open X.NC");
      s.channels.close(7);
    });
  };
  return actions;
}

TEST(ModuleRecovery, TheErrorScreenShowsTheModulesMessageAndTheShellsHandlerComesBack) {
  ModuleRig rig("{Down}{Down}{Enter}");
  bool shellHandlerCalled = false;
  rig.session.onError = [&](const RuntimeError&) {
    shellHandlerCalled = true;
    return Recovery::Rethrow;
  };
  int runs = 0;
  EXPECT_THROW(runModule(rig.session, failingImport(runs)), InputExhausted);  // waiting on the recovery screen
  EXPECT_NE(rig.screen.rowText(0).find("ﾊﾟｽ､ﾌｧｲﾙが見つからない"), std::string::npos) << rig.screen.rowText(0);
  EXPECT_NE(rig.screen.rowText(0).find("回復をどうしますか"), std::string::npos);
  EXPECT_FALSE(shellHandlerCalled);
  ASSERT_TRUE(rig.session.onError);
  EXPECT_THROW(rig.session.guarded([] { throw RuntimeError(53, "x"); }), RuntimeError);
  EXPECT_TRUE(shellHandlerCalled);  // the module put the shell's handler back
}

TEST(ModuleRecovery, MenuComesBackToTheModulesMenuWithTheChannelsClosed) {
  // "2" chooses "ﾒﾆｭｰ"; the module's menu comes back on entry 3; entry 8 leaves.
  ModuleRig rig("{Down}{Down}{Enter}2{Enter}{Down}{Down}{Down}{Down}{Down}{Enter}1{Enter}");
  int runs = 0;
  EXPECT_EQ(runModule(rig.session, failingImport(runs)), ModuleExit::Main);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(rig.channels.isOpen(7));
  EXPECT_TRUE(rig.shows("(ﾃﾞｰﾀ 消える)"));  // the buffer was kept
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(ModuleRecovery, RetryRepeatsTheFailedOperationAndRestartKeepsTheBuffer) {
  int runs = 0;
  ModuleRig retry("{Down}{Down}{Enter}{Enter}{Down}{Down}{Down}{Down}{Down}{Enter}1{Enter}");
  EXPECT_EQ(runModule(retry.session, failingImport(runs, 1)), ModuleExit::Main);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(retry.channels.isOpen(7));  // the retried operation closed it
  EXPECT_EQ(retry.backend.pendingEvents(), 0u);

  // "3" restarts the module: its start runs again (row 0 redrawn), the
  // program read before the error is still there to be asked about.
  runs = 0;
  ModuleRig restart("{Down}{Down}{Enter}3{Enter}{Down}{Down}{Down}{Down}{Down}{Enter}1{Enter}");
  EXPECT_EQ(runModule(restart.session, failingImport(runs)), ModuleExit::Main);
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(restart.shows("(ﾃﾞｰﾀ 消える)"));
  EXPECT_EQ(midByWidth(restart.screen.rowText(0), 0, 4), "A:M1");
  EXPECT_EQ(restart.backend.pendingEvents(), 0u);
}

TEST(Module, TheStartSetsTheFunctionKeys) {
  ModuleRig rig("{Down}{Down}{Down}{Down}{Down}{Down}{Down}{Enter}");
  rig.session.shell.functionKeys[1] = "r";  // as the exit screen leaves them
  EXPECT_EQ(runModule(rig.session, {}), ModuleExit::Main);
  for (int n = 1; n <= 12; ++n) EXPECT_EQ(rig.session.shell.functionKeys[size_t(n - 1)], key::fn(n)) << n;
}

// A rig with programs AAA, BBB and CCC stored on A:M1.
struct StoredRig : ModuleRig {
  explicit StoredRig(std::string_view script) : ModuleRig(script) {
    Store store(channels, paths);
    store.select("A:", "M1");
    for (const char* name : {"AAA", "BBB", "CCC"}) {
      ProgramBuffer buffer(10);
      buffer.assign({"O1", name});
      SaveRequest r;
      r.name = name;
      r.title = std::string("T") + name;
      r.date = "06. 6. 5";
      store.save(buffer, r);
    }
    store.closeVolume();
  }
  int stored() {
    Store store(channels, paths);
    store.select("A:", "M1");
    store.readIndex();
    const int n = store.index().count();
    store.closeVolume();
    return n;
  }
};

// Menu entry 1 opens the storage screen; its entry 7 is delete all, 8 index repair, 9 back.
TEST(ModuleStorage, DeleteAllOnlyWithTheConfirmationWord) {
  StoredRig wrong("{Enter}7{Enter}{Bs}ABC{Enter}{Esc}9{Enter}8{Enter}");
  EXPECT_EQ(runModule(wrong.session, moduleScreens()), ModuleExit::Main);
  EXPECT_EQ(wrong.stored(), 3);
  EXPECT_EQ(wrong.backend.pendingEvents(), 0u);

  StoredRig right("{Enter}7{Enter}{Bs}QZX{Enter}9{Enter}8{Enter}");
  EXPECT_EQ(runModule(right.session, moduleScreens()), ModuleExit::Main);
  EXPECT_EQ(right.stored(), 0);
  EXPECT_TRUE(fs::is_empty(right.dir / "M1"));
}

TEST(ModuleStorage, IndexRepairWithKWV) {
  StoredRig rig("{Enter}8{Enter}{Bs}KWV{Enter}9{Enter}8{Enter}");
  std::filesystem::remove(rig.dir / "M1.IX");
  EXPECT_EQ(runModule(rig.session, moduleScreens()), ModuleExit::Main);
  EXPECT_EQ(rig.stored(), 3);
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(ModuleStorage, ProgramListPrint) {
  StoredRig rig("");
  Store store(rig.channels, rig.paths);
  store.select("A:", "M1");
  std::vector<std::string> lines = programListPrint(store, "26.12. 8");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[0], "26.12. 8\r\n");
  EXPECT_EQ(lines[1], "  1 AAA     TAAA              06. 6. 5     27\r\n");
  EXPECT_EQ(lines[4], "\f");
  store.closeVolume();
}

}  // namespace
}  // namespace vorn
