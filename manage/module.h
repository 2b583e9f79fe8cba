#pragma once
// The transfer and management module: a program part of its own, entered
// from the main menu's "8.補助作業". It keeps its own program buffer (68630
// lines), environment values and menu position, shares only files with the
// main program, and on leaving either hands back to the shell, which repeats
// its set-up so every file the module wrote is read again, or ends the
// application.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "editor/program_buffer.h"
#include "manage/module_comm.h"
#include "shell/environment.h"
#include "shell/menu.h"
#include "shell/recovery.h"
#include "store/layouts.h"
#include "store/storage_screen.h"

namespace vorn {

class Screen;
struct Session;

// Menu codes of the module.
namespace modulecode {
inline constexpr int Storage = 1;     // "1 ファイル  "
inline constexpr int VolumeCopy = 2;  // "2 ﾌｧｲﾙ･複写 "
inline constexpr int Import = 3;      // "3 外部･ﾌｧｲﾙ "
inline constexpr int CodeTables = 4;  // "4 使用G,M   "
inline constexpr int DeviceNames = 5; // "5 装置名称  "
inline constexpr int Comm = 6;        // "6 ＮＣ通信  "
inline constexpr int Environment = 7; // "7 環境設定  "
inline constexpr int Main = 8;        // "8 メイン    ": back to the main program
inline constexpr int PaperTape = 9;   // "9 PTP,PTR   "
inline constexpr int End = 10;        // "   終 了    ": end the application
}  // namespace modulecode

std::vector<MenuEntry> moduleMenuEntries();

// What the module keeps while it runs; discarded when it returns.
struct ModuleState {
  ProgramBuffer buffer{kModuleProgramCapacity};  // the module's own program
  int SY_EML = 0;              // the tall-window flag it was entered with
  std::string PCUSE;           // today's date stamp
  Environment environment;     // the module's environment values, read from "NVOL"
  int menuPosition = 1;        // menu entry chosen last, from 1
  StoredSettings settings;     // the settings of the program in the buffer, saved with it
  StorageScreenState storage;  // the storage screen's menu position and program list
  ModuleCommState comm;        // the communication screen's last mode and the paper tape's feed count
  int copyDirection = 1;       // the volume copy's last direction: 1 data drive -> second drive, 2 back
  int importMode = 1;          // the import's last choice: 1 new, 2 appended
  std::string importFolder;    // folder of the file imported last; the open dialog starts there
};

// The module's recovery-screen texts: "ﾊﾟｽ､ﾌｧｲﾙが見つからない" for a missing
// file, no message of its own for code 75, the number through "ｴﾗｰ ## ".
RecoveryTexts moduleRecoveryTexts();

// The module's screens by menu code; a code with no screen beeps.
using ModuleAction = std::function<void(Session&, ModuleState&)>;

enum class ModuleExit { Main, End };

// The leaving question of choices 8 and 10: a small frame with the entry's
// label; with lines in the buffer "(ﾃﾞｰﾀ 消える)" and "1)OK  2)ﾓﾄﾞﾙ" (preset
// to 1) ask first. True: leave ("処理中 少し待て" is shown).
bool confirmLeaving(Screen& screen, const std::string& label, int bufferLines);

// Runs the module until "8 メイン    " or "   終 了    " is confirmed. While
// it runs, runtime errors go to the recovery screen with the module's texts:
// "menu" comes back to the module's menu and "restart" repeats the module's
// start (its buffer is kept); the shell's handler is put back on the way out.
ModuleExit runModule(Session& session, const std::map<int, ModuleAction>& actions);

// The module's screens that exist, by menu code.
std::map<int, ModuleAction> moduleScreens();

// The shell's code 8 hook: runs the module; "終了" ends the application
// through the shell's unwinding, "メイン" returns to the shell's restart.
void enterModule(Session& session, const std::map<int, ModuleAction>& actions);

}  // namespace vorn
