#pragma once
// The main program's life: start-up (title box, remembered directory,
// calibration, geometry, palette, tables, date stamp, settings, recovery
// handler, function keys), the main menu loop with dispatch by code, the
// window-event handlers and the exit sequence.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include <string_view>

#include "shell/menu.h"
#include "shell/session.h"

namespace vorn {

// The screen for one menu code; it returns to the menu when done.
using MenuAction = std::function<void(Session&)>;

// Menu codes with a meaning to the shell itself.
namespace menucode {
inline constexpr int Module = 8;   // the transfer and management module; set-up is redone after it
inline constexpr int Exit = 9;
}  // namespace menucode

// The bottom-row notice of a menu entry whose screen this build lacks.
inline constexpr std::string_view kNotBuiltNotice = "この機能はまだ組み込まれていません";

// The entries of the main menu, in order (the sixth carries code 10, the tenth code 6).
std::vector<MenuEntry> mainMenuEntries();

struct StartOptions {
  std::string commandFile;        // program to load at start, "" for none
  // Where the remembered working directory is kept; "" skips that step
  // (a working directory given explicitly wins).
  std::string rememberedDirFile;
  double calibrationSeconds = 0.05;  // measured, then scaled to one second
};

// Start-up steps 1 to 7: windows, title box, working directory, speed,
// geometry, tables. Run once per program run.
void startUp(Session& session, const StartOptions& options);

// Runs start-up, then set-up and the menu until the program ends; returns the
// exit status. Lets InputExhausted through (headless script used up).
int runShell(Session& session, const StartOptions& options, const std::map<int, MenuAction>& actions);

// Maps the runtime's window-event flags onto the shell state: resize flags,
// list selection, and the close question (throws ShellUnwind{End} on Yes).
// Screens call it from their loops; the menu does between keys.
void handleWindowEvents(Session& session);

// Prints the program name and title on row 0 from column 7 (the start-up
// heading); screens that change the name or title show them again.
void drawProgramName(Session& session);

// The function-key texts every program part sets at its start: F1-F12
// deliver code 1 followed by "A".."L".
void setFunctionKeys(ShellState& shell);
// Row 0 as the menu shows it: store location, program name and title, date.
// Screens that cleared row 0 (the trajectory run) call it to put it back.
void drawHeadingRow(Session& session);
// The close question alone; start-up installs it as the screen's event hook
// so that it is asked wherever the program waits.
void handleCloseRequest(Session& session);

// The program number in a list-box entry: the number after the first code 1
// at or after the fifth character (the whole text when there is none).
float listEntryNumber(const std::string& entry);

enum class ExitOutcome { BackToMenu, Restart, Ended };
// The exit sequence (menu code 9).
ExitOutcome exitSequence(Session& session);

}  // namespace vorn
