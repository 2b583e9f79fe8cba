#include "shell/shell.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/dialogs.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/numeric.h"
#include "shell/recovery.h"

namespace vorn {

namespace {

constexpr const char* kWindowTitle = "VORNT5";
constexpr int kMenuRow = 3;            // first menu row, from 1
constexpr int kMenuBlankWidth = 13;    // cells blanked on each menu row after a choice
constexpr int kDateCol = 85;           // date on the top row, from 0

void printAt(Screen& screen, int col, int row, std::string_view text) {
  screen.locate(col, row);
  screen.print(text);
}

// Step 3: the title box, centred.
void drawTitleBox(Screen& screen) {
  screen.resetTextWindow();
  screen.color(7, 0);
  screen.clearAll();
  const int left = std::max(0, (screen.cols() - 60) / 2);
  const int top = 5;
  const std::string edge(60, '*');
  const std::string inner = "*" + std::string(58, ' ') + "*";
  printAt(screen, left, top, edge);
  for (int i = 1; i <= 5; ++i) printAt(screen, left, top + i, inner);
  printAt(screen, left, top + 6, edge);
  const char* lines[] = {"ＮＣプログラム編集,軌跡,作図", "ＮＣプログラム・トレーニング", "VORN-T  Ver.5"};
  for (int i = 0; i < 3; ++i) {
    int width = textWidth(lines[i]);
    printAt(screen, left + (60 - width) / 2, top + 2 + i, lines[i]);
  }
  screen.present(true);
}

// Step 4: with no program named, remember the working directory; with one,
// go back to the remembered directory. Failures leave the directory as it is.
void rememberWorkingDirectory(const StartOptions& options) {
  if (options.rememberedDirFile.empty()) return;
  namespace fs = std::filesystem;
  std::error_code ec;
  if (options.commandFile.empty()) {
    fs::create_directories(fs::path(options.rememberedDirFile).parent_path(), ec);
    std::ofstream out(options.rememberedDirFile, std::ios::binary | std::ios::trunc);
    if (out) out << fs::current_path(ec).string() << "\r\n";
    return;
  }
  std::ifstream in(options.rememberedDirFile, std::ios::binary);
  std::string dir;
  if (in && std::getline(in, dir)) {
    if (!dir.empty() && dir.back() == '\r') dir.pop_back();
    if (!dir.empty()) fs::current_path(dir, ec);
  }
}

// Step 8: timer, palette, text window, graphics window.
void setUpScreen(Screen& screen) {
  screen.timerOff();
  screen.mapStandardPalette();
  screen.resetTextWindow();
  screen.gfx().resetViewport();
  screen.gfx().setWindow(0, 0, 800, 600, false);
}

// Steps 8 to 11.
void setUpFromStep8(Session& s, bool loadCommandFile) {
  Screen& screen = s.screen;
  setUpScreen(screen);
  s.shell.PCUSE = dateStamp(screen.clock().wallTime());
  s.shell.defaultExtension = ".wf";
  s.shell.versionTag = s.edition.versionTag;
  // Reading the files may fail before the handler is installed; the recovery
  // screen still handles it rather than the program ending.
  ErrorHandler recovery = [&s](const RuntimeError& e) { return recoverFromError(s, e); };
  if (s.hooks.openStore) s.hooks.openStore(s);
  withRecovery(recovery, [&] { readSharedFolders(s.channels, s.folders); });
  withRecovery(recovery, [&] { readSettings(s.channels, s.settings); });
  screen.color(7, 0);
  screen.clearText();
  screen.showCursor(false);
  // The named program is loaded once: a later restart keeps the buffer.
  if (loadCommandFile && !s.shell.commandFile.empty() && s.hooks.loadProgram)
    withRecovery(recovery, [&] { s.hooks.loadProgram(s, s.shell.commandFile); });
}

// Steps 12 to 15.
void setUpFromStep12(Session& s) {
  Screen& screen = s.screen;
  s.onError = [&s](const RuntimeError& e) { return recoverFromError(s, e); };
  s.shell.handlerInstalled = true;
  screen.resetTextWindow();
  if (s.hooks.resetScreens) s.hooks.resetScreens(s);
  drawProgramName(s);
  setFunctionKeys(s.shell);
}

}  // namespace

void setFunctionKeys(ShellState& shell) {
  for (int n = 1; n <= 12; ++n) shell.functionKeys[size_t(n - 1)] = key::fn(n);
}

void drawProgramName(Session& s) {
  Screen& screen = s.screen;
  const std::string name = s.hooks.programName ? s.hooks.programName(s) : "";
  const std::string title = s.hooks.programTitle ? s.hooks.programTitle(s) : "";
  screen.color(7, 0);
  screen.locate(7, 0);
  screen.print(formatTemplate("&         & &" + std::string(16, ' ') + "&", {name, title}));
}

namespace {

void drawTopRow(Session& s) {
  Screen& screen = s.screen;
  screen.color(7, 0);
  screen.locate(1, 0);
  screen.print(formatTemplate("&  &", {s.environment.storeLocation()}));
  if (screen.cols() > kDateCol) {
    screen.locate(kDateCol, 0);
    screen.print(dateString(screen.clock().wallTime()) + " ");
  }
}

enum class MenuOutcome { Restart, Ended };

// Lines of devices.conf that were not understood are told once, on the
// bottom row under the first menu, so that a mistyped drive or port is seen.
void showDeviceNotice(Session& s) {
  const std::vector<std::string>& problems = s.paths.config().problems;
  if (s.shell.deviceNoticeShown || problems.empty()) return;
  s.shell.deviceNoticeShown = true;
  Screen& screen = s.screen;
  std::string notice = "devices.conf 解釈できない行: " + problems.front();
  if (problems.size() > 1) notice += " ほか" + std::to_string(problems.size() - 1) + "行";
  screen.color(3, 0);
  printAt(screen, 0, screen.rows() - 1, cutToWidth(notice, screen.cols() - 1));
  screen.color(7, 0);
}

// A menu entry whose screen is not part of this build says so on the bottom
// row instead of returning without a word.
void showNotBuilt(Session& s) {
  Screen& screen = s.screen;
  screen.color(3, 0);
  printAt(screen, 0, screen.rows() - 1, cutToWidth(std::string(kNotBuiltNotice), screen.cols() - 1));
  screen.color(7, 0);
}

MenuOutcome menuLoop(Session& s, const std::map<int, MenuAction>& actions) {
  Screen& screen = s.screen;
  const std::vector<MenuEntry>& entries = s.edition.menu;
  for (;;) {
    screen.resetTextWindow();
    screen.setInputMethodMode(2);
    s.geometry.CRTR = menuColumn(screen.backend().clientWidth());
    drawTopRow(s);
    showDeviceNotice(s);
    screen.flushKeys();
    while (screen.eventsPending()) screen.doEvents();
    handleWindowEvents(s);
    MenuLayout layout{kMenuRow, int(s.geometry.CRTR), int(entries.size()), 1, s.shell.menuPosition};
    MenuResult chosen = verticalMenu(screen, entries, layout);
    while (chosen.FDP != ending::Enter) {
      handleWindowEvents(s);
      screen.beep();
      layout.preselect = chosen.position;
      chosen = verticalMenu(screen, entries, layout);
    }
    s.shell.menuPosition = chosen.position;
    for (int i = 0; i <= int(entries.size()); ++i) {
      screen.locate(int(s.geometry.CRTR) - 1, kMenuRow - 1 + i);
      screen.printSpaces(kMenuBlankWidth);
    }
    const int code = int(numberValue(chosen.code));
    if (code == menucode::Exit) {
      ExitOutcome out = exitSequence(s);
      if (out == ExitOutcome::Ended) return MenuOutcome::Ended;
      if (out == ExitOutcome::Restart) return MenuOutcome::Restart;
      continue;
    }
    if (code == menucode::Module && s.hooks.runModule) {
      s.hooks.runModule(s);
      return MenuOutcome::Restart;
    }
    auto action = actions.find(code);
    if (action != actions.end() && action->second)
      action->second(s);
    else
      showNotBuilt(s);
  }
}

}  // namespace

std::vector<MenuEntry> mainMenuEntries() { return vorntEdition().menu; }

void startUp(Session& s, const StartOptions& options) {
  Screen& screen = s.screen;
  screen.listClear();                       // step 1: the list window exists from here on
  // A close request is answered wherever the program waits.
  screen.setEventHook([&s] { handleCloseRequest(s); });
  screen.setTitle(kWindowTitle);            // step 2
  drawTitleBox(screen);                     // step 3
  rememberWorkingDirectory(options);        // step 4
  if (s.hooks.prepareWorkDir) s.hooks.prepareWorkDir(s);
  s.shell.commandFile = options.commandFile;
  s.geometry.WWID = measureLoopSpeed(options.calibrationSeconds);   // step 5
  ErrorHandler recovery = [&s](const RuntimeError& e) { return recoverFromError(s, e); };
  try {
    withRecovery(recovery, [&] { writeSpeedFile(s.channels, s.geometry.WWID); });
  } catch (const ShellUnwind& u) {
    if (u.to == ShellUnwind::To::End) throw;   // menu or restart: carry on starting
  }
  Backend& window = screen.backend();       // step 6
  window.restore();
  s.geometry.SY_EML = tallWindowFlag(window.clientHeight());
  window.maximize();
  screen.syncSize();
  updateRows(s.geometry, window.clientHeight());
  if (s.hooks.dimensionTables) s.hooks.dimensionTables(s);   // step 7
}

int runShell(Session& s, const StartOptions& options, const std::map<int, MenuAction>& actions) {
  try {
    startUp(s, options);
  } catch (const ShellUnwind&) {
    return 0;   // "!" on the recovery screen
  }
  bool firstPass = true;
  bool fromStep8 = true;
  for (;;) {
    try {
      if (fromStep8) setUpFromStep8(s, firstPass);
      firstPass = false;
      setUpFromStep12(s);
      if (menuLoop(s, actions) == MenuOutcome::Ended) return 0;
      fromStep8 = true;
    } catch (const ShellUnwind& u) {
      firstPass = false;
      try {
        s.channels.closeAll();
      } catch (const RuntimeError&) {
        // The screen that held them is abandoned; what could be kept was kept.
      }
      if (u.to == ShellUnwind::To::End) return 0;
      fromStep8 = u.to == ShellUnwind::To::Restart;
    }
  }
}

float listEntryNumber(const std::string& entry) {
  size_t from = std::min<size_t>(4, entry.size());
  size_t at = entry.find('\x01', from);
  return float(numberValue(at == std::string::npos ? std::string_view(entry)
                                                   : std::string_view(entry).substr(at + 1)));
}

void handleWindowEvents(Session& s) {
  WindowEvents& ev = s.screen.events();
  if (ev.resized) {
    ev.resized = false;
    s.shell.MXY = -1;
  }
  if (ev.listResized) {
    ev.listResized = false;
    s.shell.CURR_DIR = -1;
  }
  if (ev.listSelected) {
    ev.listSelected = false;
    const auto& list = s.screen.listEntries();
    if (ev.listSelection >= 0 && size_t(ev.listSelection) < list.size()) {
      s.shell.PZJ = listEntryNumber(list[size_t(ev.listSelection)]);
      s.shell.LST_S1 = 0;
    }
  }
  handleCloseRequest(s);
}

void handleCloseRequest(Session& s) {
  WindowEvents& ev = s.screen.events();
  if (!ev.closeRequested) return;
  ev.closeRequested = false;
  if (messageBoxYesNo(s.screen, "終了しますか？", "VORNT")) throw ShellUnwind{ShellUnwind::To::End};
}

ExitOutcome exitSequence(Session& s) {
  Screen& screen = s.screen;
  const int lines = s.hooks.programLines ? s.hooks.programLines(s) : 0;
  if (lines >= 1) {
    framedBox(screen, 15, 50, 20, 4);
    screen.color(7, 0);
    printAt(screen, 53, 15, midByWidth(s.edition.menu[8].label, 2, 10));
    printAt(screen, 53, 18, "(ﾃﾞｰﾀ 消える)");
    FieldCall call{18, 54, 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "1"};
    std::string answer;
    while (answer.empty()) {
      FieldResult r = choiceField(screen, call);
      if (r.FDP == ending::Esc || r.FDP == ending::FunctionKey) answer = "2";
      else if (r.FDP == ending::Enter) answer = call.text;
      else screen.beep();
    }
    if (answer == "2") {
      eraseBox(screen, 15, 50, 20, 4);
      return ExitOutcome::BackToMenu;
    }
    screen.color(7, 0);
    printAt(screen, 52, 18, "処理中 少し待て");
  }
  screen.resetTextWindow();
  screen.color(7, 0);
  screen.clearText();
  screen.printLine("* " + s.edition.name + s.shell.versionTag + " m *");
  screen.printLine("");
  screen.printLine("  終 了  " + std::string(6, ' ') + longDate(screen.clock().wallTime()) + " " +
                   numberText(s.geometry.WWID));
  screen.printLine("");
  screen.printLine(s.edition.exitNotice);
  screen.printLine("");
  screen.printLine(s.edition.exitQuickKey);
  screen.printLine("");
  screen.showCursor(false);
  s.guarded([&] { s.channels.closeAll(); });
  s.onError = nullptr;
  s.shell.handlerInstalled = false;
  s.shell.functionKeys[1] = "r";

  bool timeUp = false;
  screen.setTimer(s.edition.exitSeconds, [&timeUp] { timeUp = true; });
  screen.timerOn();
  auto stopTimer = [&screen] {
    screen.timerOff();
    screen.setTimer(0, nullptr);
  };
  bool blank = false;
  while (!timeUp) {
    printAt(screen, 0, 16, std::string(blank ? "   " : "NC ") + " " + timeString(screen.clock().wallTime()));
    blank = !blank;
    std::string k = screen.inkey();
    if (int n = key::fnNumber(k)) k = s.shell.functionKeys[size_t(n - 1)];
    if (k == "r") {
      stopTimer();
      screen.flushKeys();
      screen.clearText();
      return ExitOutcome::Restart;
    }
    if (k == "*") break;
    if (k.empty()) screen.delay(0.25, true);
  }
  stopTimer();
  return ExitOutcome::Ended;
}

void drawHeadingRow(Session& session) {
  Screen& screen = session.screen;
  screen.color(7, 0);
  screen.locate(0, 0);
  screen.print(std::string(size_t(screen.cols()), ' '));  // whatever a screen left there goes
  drawTopRow(session);
  drawProgramName(session);
}

}  // namespace vorn
