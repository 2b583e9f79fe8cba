#pragma once
// What every screen receives: the runtime services and the shell-owned state
// (geometry, shell flags, settings, shared folders, environment), plus the
// hooks through which the application plugs its screens into start-up.
#include <array>
#include <functional>
#include <string>
#include <utility>

#include "runtime/error.h"
#include "shell/edition.h"
#include "shell/environment.h"
#include "shell/geometry.h"
#include "shell/settings.h"

namespace vorn {

class Screen;
class ChannelTable;
class PathMap;
struct Session;

struct ShellState {
  float MXY = 0;          // -1 after the main window was resized; the redrawing screens clear it
  float CURR_DIR = 0;     // -1 after the secondary window was resized
  float PZJ = 0;          // program number picked in the list box "list1"
  float LST_S1 = 0;       // set to 0 when a list-box pick arrived
  std::string PCUSE;      // date stamp "YY.MM.DD", month and day blank-padded (" 5")
  std::string versionTag = "578f";     // shown on the exit screen
  std::string defaultExtension = ".wf";  // the package's own program text files
  int menuPosition = 1;   // main-menu entry chosen last time, from 1
  std::string commandFile;  // program named on the command line, "" for none
  std::array<std::string, 12> functionKeys;  // what F1-F12 deliver (code 1 + "A".."L")
  bool handlerInstalled = false;  // the recovery screen catches runtime errors
  bool deviceNoticeShown = false; // the lines of devices.conf not understood were shown once
  float ZG = -1;          // command echo flag: non-zero shows each machine command on screen as it is sent
};

// Start-up work that belongs to other subsystems; each may be empty.
struct ShellHooks {
  std::function<void(Session&)> prepareWorkDir;               // after the working directory is chosen
  std::function<void(Session&)> dimensionTables;              // shared tables
  std::function<void(Session&)> openStore;                    // program store
  std::function<void(Session&, const std::string&)> loadProgram;  // a program named on the command line
  std::function<void(Session&)> resetScreens;                 // editor state and text area, other screens' defaults
  std::function<std::string(const Session&)> programName;     // for the top row
  std::function<std::string(const Session&)> programTitle;
  std::function<int(const Session&)> programLines;            // lines in the program buffer
  std::function<void(Session&)> runModule;                    // the transfer and management module
  std::function<void(Session&)> saveEnvironment;              // writes session.environment to the store
};

struct Session {
  Session(Screen& s, ChannelTable& c, PathMap& p, Edition e = vorntEdition())
      : screen(s), channels(c), paths(p), edition(std::move(e)) {}

  Screen& screen;
  ChannelTable& channels;
  PathMap& paths;        // file and device names; replaced when the working directory changes
  Edition edition;       // which program of the package runs (limits, menu, texts)
  ScreenGeometry geometry;
  ShellState shell;
  Settings settings;
  SharedFolders folders;
  Environment environment;
  ErrorHandler onError;   // the recovery screen while installed, else empty
  ShellHooks hooks;

  // Runs op with the recovery screen as its error handler ("retry" repeats it).
  template <class Op>
  auto guarded(Op&& op) -> decltype(op()) { return withRecovery(onError, std::forward<Op>(op)); }
};

}  // namespace vorn
