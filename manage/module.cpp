#include "manage/module.h"

#include "manage/copy_screen.h"
#include "manage/environment_screen.h"
#include "manage/import_screen.h"
#include "manage/storage.h"
#include "manage/tables.h"
#include "runtime/channels.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "shell/field.h"
#include "shell/numeric.h"
#include "shell/recovery.h"
#include "shell/session.h"
#include "shell/shell.h"
#include "store/work_files.h"

namespace vorn {
namespace {

constexpr int kMenuRow = 3;          // first menu row, from 1
constexpr int kMenuColumn = 3;       // menu column, from 1
constexpr int kLeaveRow = 8;         // the leaving frame's top row, from 1
constexpr int kLeaveColumn = 30;     // and its left column
constexpr int kLeaveWidth = 24;

void printAt(Screen& screen, int col, int row, std::string_view text) {
  screen.locate(col, row);
  screen.print(text);
}

// Start: palette, date stamp, the environment record, a clear screen, the
// function keys, and the data drive and volume on row 0 through "&  &".
// The module's error handler is in place before the record is read.
void startModule(Session& s, ModuleState& m) {
  Screen& screen = s.screen;
  screen.resetTextWindow();
  screen.mapStandardPalette();
  const std::time_t now = screen.clock().wallTime();
  m.PCUSE = dateStamp(now);
  m.environment = s.environment;
  s.guarded([&] { readEnvironmentFile(s.channels, m.environment, systemDateText(now)); });
  screen.clearText();
  setFunctionKeys(s.shell);
  screen.color(7, 0);
  printAt(screen, 0, 0, formatTemplate("&  &", {m.environment.ZDX + m.environment.USEL}));
}

// Puts the module's error handler in place for its lifetime and the one it
// replaced back afterwards, however the module is left.
class ModuleHandler {
 public:
  explicit ModuleHandler(Session& s) : s_(s), saved_(std::move(s.onError)) {
    s.onError = [&s](const RuntimeError& e) { return recoverFromError(s, e, moduleRecoveryTexts()); };
  }
  ~ModuleHandler() { s_.onError = std::move(saved_); }
  ModuleHandler(const ModuleHandler&) = delete;
  ModuleHandler& operator=(const ModuleHandler&) = delete;

 private:
  Session& s_;
  ErrorHandler saved_;
};

// The menu loop; returns when leaving is confirmed.
ModuleExit moduleMenu(Session& s, ModuleState& m, const std::map<int, ModuleAction>& actions) {
  Screen& screen = s.screen;
  const std::vector<MenuEntry> entries = moduleMenuEntries();
  for (;;) {
    screen.color(7, 0);
    printAt(screen, 0, 0, formatTemplate("&  &", {m.environment.ZDX + m.environment.USEL}));
    MenuLayout layout{kMenuRow, kMenuColumn, static_cast<int>(entries.size()), 1, m.menuPosition};
    MenuResult chosen = verticalMenu(screen, entries, layout);
    m.menuPosition = chosen.position;
    if (chosen.FDP != ending::Enter) {
      screen.beep();
      continue;
    }
    const int code = static_cast<int>(numberValue(chosen.code));
    if (code == modulecode::Main || code == modulecode::End) {
      if (confirmLeaving(screen, chosen.TE, m.buffer.lineCount())) {
        return code == modulecode::Main ? ModuleExit::Main : ModuleExit::End;
      }
      continue;
    }
    auto action = actions.find(code);
    if (action == actions.end() || !action->second) {
      screen.beep();
      continue;
    }
    s.guarded([&] { action->second(s, m); });
    screen.resetTextWindow();
    screen.clearText();
  }
}

}  // namespace

std::vector<MenuEntry> moduleMenuEntries() {
  return {
      {"1 ファイル  ", "1"}, {"2 ﾌｧｲﾙ･複写 ", "2"}, {"3 外部･ﾌｧｲﾙ ", "3"}, {"4 使用G,M   ", "4"},
      {"5 装置名称  ", "5"}, {"6 ＮＣ通信  ", "6"}, {"7 環境設定  ", "7"}, {"8 メイン    ", "8"},
      {"9 PTP,PTR   ", "9"}, {"   終 了    ", "10"},
  };
}

bool confirmLeaving(Screen& screen, const std::string& label, int bufferLines) {
  framedBox(screen, kLeaveRow, kLeaveColumn, kLeaveWidth, 3);
  screen.color(7, 0);
  printAt(screen, kLeaveColumn + 1, kLeaveRow, label);
  if (bufferLines > 0) {
    printAt(screen, kLeaveColumn + 1, kLeaveRow + 1, "(ﾃﾞｰﾀ 消える)");
    for (;;) {
      FieldCall call{kLeaveRow + 3, kLeaveColumn + 2, 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "1"};
      FieldResult r = choiceField(screen, call);
      if (r.FDP == ending::Esc || (r.FDP == ending::Enter && call.text == "2")) {
        eraseBox(screen, kLeaveRow, kLeaveColumn, kLeaveWidth, 3);
        return false;
      }
      if (r.FDP == ending::Enter) break;
      screen.beep();
    }
  }
  screen.color(7, 0);
  printAt(screen, kLeaveColumn + 2, kLeaveRow + 2, "処理中 少し待て");
  return true;
}

RecoveryTexts moduleRecoveryTexts() {
  RecoveryTexts texts;
  texts.missingFile = "ﾊﾟｽ､ﾌｧｲﾙが見つからない";
  texts.netPathMessage = false;
  texts.numberTemplate = "ｴﾗｰ ## ";
  return texts;
}

ModuleExit runModule(Session& s, const std::map<int, ModuleAction>& actions) {
  ModuleState m;
  m.SY_EML = static_cast<int>(s.geometry.SY_EML);
  ModuleHandler handler(s);
  bool start = true;
  for (;;) {
    try {
      if (start) startModule(s, m);
      start = false;
      return moduleMenu(s, m, actions);
    } catch (const ShellUnwind& u) {
      // The recovery screen closed every channel; "menu" shows the module's
      // menu again, "restart" repeats its start. Only the end leaves.
      if (u.to == ShellUnwind::To::End) throw;
      start = u.to == ShellUnwind::To::Restart;
      s.screen.resetTextWindow();
      s.screen.clearText();
    }
  }
}

std::map<int, ModuleAction> moduleScreens() {
  return {{modulecode::Storage, runModuleStorageScreen},
          {modulecode::VolumeCopy, volumeCopyScreen},
          {modulecode::Import, importScreen},
          {modulecode::Environment, moduleEnvironmentScreen},
          {modulecode::CodeTables, codeTableScreen},
          {modulecode::DeviceNames, deviceNameScreen},
          {modulecode::Comm, moduleCommScreen},
          {modulecode::PaperTape, modulePaperTapeScreen}};
}

void enterModule(Session& session, const std::map<int, ModuleAction>& actions) {
  if (runModule(session, actions) == ModuleExit::End) throw ShellUnwind{ShellUnwind::To::End};
}

}  // namespace vorn
