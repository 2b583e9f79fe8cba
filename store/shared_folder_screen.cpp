#include "store/shared_folder_screen.h"

#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "editor/load.h"
#include "editor/program_buffer.h"
#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/menu.h"
#include "shell/shell.h"
#include "store/external_file.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

// Screen places, counted from 1 as the screen's own wrappers count them.
constexpr int kFrameRow = 5, kFrameCol = 36, kFrameWidth = 37, kFrameHeight = 15;
constexpr int kTitleRow = 5, kTitleCol = 46;
constexpr int kMenuRow = 7, kMenuCol = 38;
constexpr int kResultCol = 51;       // where "行,読込み完了" / "行,保存完了" appear beside the entry
constexpr int kLabelWidth = 32;      // an entry's text inside the frame
constexpr double kWaitUnit = 0.01;   // seconds per unit of the runtime's wait
constexpr int kResultPause = 80;     // wait units the result stays before the screen closes

// The line count and the result text beside the chosen entry, then the pause.
void showResult(Screen& screen, int entryRow, int lines, std::string_view text) {
  // The count as the runtime prints a number: sign blank, digits, blank.
  printAtPosition(screen, kResultCol, entryRow, numberText(float(lines)) + " " + std::string(text));
  screen.delay(kResultPause * kWaitUnit);
}

// Runs a dialog with the current directory changed to folder; the directory
// is back before anything else happens, whether the dialog was taken or not.
template <class Dialog>
std::string inFolder(Session& s, const std::string& folder, Dialog&& dialog) {
  std::optional<FolderVisit> visit;
  s.guarded([&] { visit.emplace(s.paths, folder); });
  return dialog();
}

FileDialogOptions dialogOptions(std::string title, std::string initialName, const std::string& extension) {
  FileDialogOptions o;
  o.title = std::move(title);
  o.initialName = std::move(initialName);
  o.filter = sharedFolderFilter(extension);
  return o;
}

// The read path; true when a file was read (the screen then closes).
bool readPath(SharedFolderContext& c, const FolderMenuEntry& entry, int entryRow) {
  Session& s = c.session;
  const std::string& extension = s.shell.defaultExtension;
  const std::string chosen = inFolder(s, entry.path, [&] {
    return fileOpenDialog(s.screen, dialogOptions("ファイル読込み", "*" + extension, extension));
  });
  if (chosen.empty()) return false;
  // The load reports its progress from the left edge of the cursor's row.
  s.screen.locate(0, entryRow - 1);
  s.guarded([&] { c.read(s, chosen); });
  s.screen.locate(0, entryRow - 1);
  s.screen.printSpaces(kFrameCol - 2);
  drawProgramName(s);
  showResult(s.screen, entryRow, c.buffer.lineCount(), "行,読込み完了");
  return true;
}

// " 既に存在します" below the menu and "[上書き]  [取消し] " preset to cancel.
// True only when the user takes "[上書き]" with Enter.
bool confirmOverwrite(Screen& screen, const std::string& path, int messageRow) {
  const int room = kFrameWidth - 4;
  const std::string notice = " 既に存在します";
  printAtPosition(screen, kMenuCol, messageRow,
          padToWidth(cutToWidth(fs::path(path).filename().string(), room - textWidth(notice)) + notice, room));
  const bool overwrite = overwriteChosen(screen, messageRow + 1, kMenuCol);
  for (int row : {messageRow, messageRow + 1}) {
    screen.locate(kMenuCol - 1, row - 1);
    screen.printSpaces(room);
  }
  return overwrite;
}

// The save path; true when the program was written (the screen then closes).
bool savePath(SharedFolderContext& c, const FolderMenuEntry& entry, int entryRow, int messageRow) {
  Session& s = c.session;
  const std::string& extension = s.shell.defaultExtension;
  for (;;) {
    const std::string chosen = inFolder(s, entry.path, [&] {
      return fileSaveDialog(s.screen, dialogOptions("保存", saveInitialName(c.buffer.OSDATE, extension), extension));
    });
    if (chosen.empty()) return false;
    const std::string path = exportFileName(unquotePath(chosen), extension);
    if (needsOverwriteQuestion(path) && !confirmOverwrite(s.screen, path, messageRow)) continue;
    ExportHeader header;
    header.YGW = 0;   // the file carries mark 0; the program keeps its own
    header.OSDATE = programNameFromPath(path);
    header.H0X = exportTitle(s.screen.clock().wallTime());
    if (c.exportSettings) header.settings = c.exportSettings();
    s.guarded([&] { writeExternalFile(s.channels, path, header, c.buffer); });
    // Name and title change only once the file is there.
    c.buffer.OSDATE = header.OSDATE;
    c.buffer.H0X = header.H0X;
    drawProgramName(s);
    showResult(s.screen, entryRow, c.buffer.lineCount(), "行,保存完了");
    return true;
  }
}

}  // namespace

bool overwriteChosen(Screen& screen, int row, int col) {
  FieldCall call{row, col, 9, 0, "[上書き]  [取消し] ", "2"};
  for (;;) {
    const FieldResult r = choiceField(screen, call);
    if (r.FDP == ending::Enter) return call.text == "1";
    if (r.FDP == ending::Esc) return false;
  }
}

FolderVisit::FolderVisit(const PathMap& paths, const std::string& folder) {
  std::error_code ec;
  saved_ = fs::current_path(ec).string();
  if (ec) raiseErrno(ec.value(), "current directory");
  if (folder.empty()) return;
  fs::current_path(paths.resolve(folder), ec);
  if (ec) throw RuntimeError(codeFromErrno(ec.value()), "chdir " + folder, ec.message());
}

FolderVisit::~FolderVisit() {
  std::error_code ec;
  fs::current_path(saved_, ec);
}

void sharedFolderScreen(SharedFolderContext& c) {
  Session& s = c.session;
  Screen& screen = s.screen;
  const std::vector<FolderMenuEntry> entries = sharedFolderMenu(s.folders, s.environment.ZDX, kLabelWidth);
  std::vector<MenuEntry> menu;
  for (size_t i = 0; i < entries.size(); ++i) menu.push_back({entries[i].label, std::to_string(i + 1)});
  const int messageRow = kMenuRow + int(entries.size());

  framedBox(screen, kFrameRow, kFrameCol, kFrameWidth, kFrameHeight);
  printAtPosition(screen, kTitleCol, kTitleRow, "共用ﾌｫﾙﾀﾞ､読込み,保存", 5);
  MenuLayout layout{kMenuRow, kMenuCol, int(menu.size()), 1, 1};
  layout.outsideClickEnds = true;
  menuUntilDone(screen, menu, layout, [&](int position) {
    const FolderMenuEntry& entry = entries[size_t(position - 1)];
    const int entryRow = kMenuRow + position - 1;
    return entry.save ? savePath(c, entry, entryRow, messageRow) : readPath(c, entry, entryRow);
  });
  eraseBox(screen, kFrameRow, kFrameCol, kFrameWidth, kFrameHeight);
}

}  // namespace vorn
