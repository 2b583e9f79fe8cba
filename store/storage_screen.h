#pragma once
// The storage screen: loads a stored program into the buffer, appends one to
// it, saves the buffer under a name and title, retitles and deletes stored
// programs, exchanges the disk and changes the volume. The main program and
// the transfer and management module show the same screen; what differs
// (menu, warning text, extra choices, how an overwrite reads the old entry)
// comes in as a StorageVariant.
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "store/layouts.h"
#include "store/store.h"

namespace vorn {

class ProgramBuffer;
class Screen;
struct Session;

// --- the program list window's view (pure)

// Which index entries the list's lines show and which line holds the cursor.
struct ProgramListView {
  static constexpr int kLines = 16;  // list lines on the screen
  static constexpr int kPage = 15;   // entries one page moves

  int count = 0;  // entries in the name index
  int top = 0;    // index position shown on line 1; 0 = the list is empty (not built)
  int line = 1;   // cursor line, from 1

  bool built() const { return top > 0; }
  void clear() { top = 0, line = 1; }
  // Builds the list from an index position (brought into 1..count), cursor on line 1.
  void buildFrom(int position);
  // Takes a new entry count, keeping top and cursor inside it.
  void setCount(int n);
  int lastLine() const;  // lines that show an entry (0 when none)
  int position() const { return top + line - 1; }  // index position under the cursor

  // Paging: back moves the view up to 15 entries toward the start (at the
  // first entry only the cursor goes to line 1); forward moves the lines up
  // by up to 15 so the following entries fill the bottom (at the last entry
  // only the cursor goes to the last line).
  void pageBack();
  void pageForward();

  enum class Outcome { None, Moved, Select, Cancel, Search };
  // One key code of the list window: 129-159 a click on line code - 128,
  // 13 select, 27 cancel, 30 and "-" up, 31-44 down, 28 last line / page
  // forward, 29 first line / page back, 19 and 20 page, 9 half way down;
  // a letter or digit starts the name search.
  Outcome key(int code);
};

// --- the screen

// What a menu entry of the storage screen does.
enum class StorageChoice { Load, Append, Save, Rename, Delete, DiskExchange, Volume, Back, Extra };

class StorageScreen;

struct StorageMenuItem {
  std::string label;        // menu text
  int code = 0;             // the entry's code
  StorageChoice choice = StorageChoice::Back;
  bool needsPrograms = false;  // beeps on a volume with no programs
  std::function<void(StorageScreen&)> extra;  // the action of a StorageChoice::Extra entry
};

// The differences between the main program's screen and the module's.
struct StorageVariant {
  std::vector<StorageMenuItem> menu;
  std::string warning;   // shown under the frame while the screen is up
  // Saving over an existing name reads the whole entry (settings applied,
  // save count continued) instead of only its header.
  bool overwriteReadsWholeEntry = false;
};

// The main program's screen: seven entries, "FD取り出し禁止".
StorageVariant mainStorageVariant();
// The learner's edition: five entries, no volume choice (set in the
// environment) and no delete (a main-menu choice of its own).
StorageVariant learnerStorageVariant();
// The learner's main-menu delete: the storage screen with the one action.
StorageVariant deleteStorageVariant();

// What the screen keeps between visits.
struct StorageScreenState {
  int lastChoice = 1;    // menu position chosen last, from 1
  ProgramListView list;  // the program list; cleared when the volume changes
};

// What the screen works on.
struct StorageContext {
  Session& session;
  ProgramBuffer& buffer;   // the program in memory; OSDATE, H0X are its name and title
  Store& store;            // the store of the environment's data drive and volume
  StorageScreenState& state;
  std::function<StoredSettings()> settingsInForce;              // saved with a program
  std::function<void(const StoredSettings&)> applySettings;     // a loaded program's settings
};

// How the screen was left.
enum class StorageOutcome { Left, Loaded, Appended, Saved, Renamed, Deleted };

struct StorageResult {
  StorageOutcome outcome = StorageOutcome::Left;
  std::string message;  // a load that did not fit, "" otherwise
};

class StorageScreen {
 public:
  StorageScreen(StorageContext& context, const StorageVariant& variant);

  // Draws the frame, opens the volume, runs the menu until an action
  // completes or the user leaves; closes the store's channels and redraws
  // the status row on the way out.
  StorageResult run();
  // The same screen for one save of the buffer and no menu (the module's
  // import saves what it read this way).
  StorageResult runSave();

  // For the module's extra actions: the context, the volume line and list.
  StorageContext& context() { return c_; }
  void drawVolumeLine();
  void drawList();
  // The program list window: the chosen index position, or none on Esc.
  std::optional<int> chooseProgram();

 private:
  StorageContext& c_;
  const StorageVariant& variant_;
  Screen& screen_;
  StorageResult result_;
  std::vector<ListLine> page_;  // the shown lines' texts and index positions

  void open();                            // frame, volume, index, list and volume line
  bool act(const StorageMenuItem& item);  // true: the screen is left
  bool load(bool append);
  bool save();
  std::string overwrittenTitle(int record);  // the title (and more, by variant) of a name saved over
  bool rename();
  bool remove();
  void exchangeDisk();
  void changeVolume();

  void drawFrame();
  void drawPanel(const std::string& action, const std::string& name, const std::string& title);
  void clearPanel();
  void message(const std::string& text);
  void drawListLine(int line, int color);
  std::optional<int> searchByName(const std::string& first);
  std::optional<std::string> askName(std::string& typed);  // typed: the field's text, kept between asks
  enum class TitleEnd { Done, Back, Abandon };
  TitleEnd askTitle(std::string& title, bool upGoesBack);
  void leave();
};

// The status row the editor shows above its text: name, title and a mark above 9.
void drawProgramStatus(Screen& screen, const std::string& name, const std::string& title, int mark);

}  // namespace vorn
