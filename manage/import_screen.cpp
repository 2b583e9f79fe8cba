#include "manage/import_screen.h"

#include <filesystem>
#include <optional>

#include "manage/import.h"
#include "manage/module.h"
#include "manage/rolling_area.h"
#include "manage/storage.h"
#include "runtime/dialogs.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/menu.h"
#include "shell/field.h"
#include "shell/session.h"
#include "store/shared_folder_screen.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

constexpr int kLabelColor = 5, kTextColor = 7, kMessageColor = 3;
constexpr int kLabelCol = 3, kFieldCol = 17;  // from 1
constexpr int kTitleRow = 1, kModeRow = 3, kFileRow = 4;
constexpr int kRollRow = 6, kRollRows = 6, kRollWidth = 38;
constexpr int kMessageRow = kRollRow + kRollRows + 1;
constexpr const char* kRollTemplate = "##### &                              &";  // line number, the line's first 32 cells

void drawScreen(Screen& screen, const ModuleState& m) {
  screen.resetTextWindow();
  screen.clearText();
  printAtPosition(screen, kLabelCol, kTitleRow, "外部ファイル 読み込み", kLabelColor);
  printAtPosition(screen, kLabelCol + 24, kTitleRow, formatTemplate("(&   & )", {m.environment.ZDX + m.environment.USEL}), kTextColor);
  printAtPosition(screen, kLabelCol, kModeRow, "読み込み区分", kLabelColor);
  printAtPosition(screen, kLabelCol, kFileRow, "外部ﾌｧｲﾙ名", kLabelColor);
}

// Step 2: "1)新規 2)連結 3)ﾓﾄﾞﾙ ", preset to the previous choice; nullopt to go back.
std::optional<ImportMode> askMode(Screen& screen, ModuleState& m) {
  for (;;) {
    FieldCall call{kModeRow, kFieldCol, 7, 0, "1)新規 2)連結 3)ﾓﾄﾞﾙ ", std::to_string(m.importMode)};
    FieldResult r = choiceField(screen, call);
    if (r.FDP == ending::Esc) return std::nullopt;
    if (r.FDP != ending::Enter) {
      screen.beep();
      continue;
    }
    const int choice = static_cast<int>(numberValue(call.text));
    if (choice != 1 && choice != 2) return std::nullopt;
    m.importMode = choice;
    return static_cast<ImportMode>(choice);
  }
}

// Step 3: the open dialog in the folder of the previous import (the current
// directory is the same afterwards); "" when cancelled.
std::string askFile(Session& s, const ModuleState& m) {
  std::error_code ec;
  const std::string folder = fs::is_directory(m.importFolder, ec) ? m.importFolder : std::string();
  std::optional<FolderVisit> visit;
  s.guarded([&] { visit.emplace(s.paths, folder); });
  FileDialogOptions options;
  options.title = "外部ファイル";
  options.initialName = "*";
  options.filter = kImportFilter;
  return fileOpenDialog(s.screen, options);
}

}  // namespace

void importScreen(Session& s, ModuleState& m) {
  Screen& screen = s.screen;
  drawScreen(screen, m);
  const std::optional<ImportMode> mode = askMode(screen, m);
  if (!mode) return;
  const std::string chosen = askFile(s, m);
  if (chosen.empty()) return;
  m.importFolder = fs::path(chosen).parent_path().string();
  printAtPosition(screen, kFieldCol, kFileRow, cutToWidth(chosen, screen.cols() - kFieldCol), kTextColor);

  RollingArea rolling(screen, kRollRow, kLabelCol, kRollRows, kRollWidth);
  auto show = [&](int n, const std::string& line) { rolling.add(formatTemplate(kRollTemplate, {double(n), line})); };
  const ImportResult read = s.guarded([&] { return importTextFile(m.buffer, chosen, chosen, *mode, show); });
  if (read.cutAtLine > 0) {
    // The rest of the file is not in the buffer: say so before anything is saved.
    printAtPosition(screen, kLabelCol, kMessageRow,
             formatTemplate("ﾊﾞｯﾌｧｰ 満杯: ﾌｧｲﾙの ###### 行目から読めない", {double(read.cutAtLine)}), kMessageColor);
    screen.beep();
  }
  if (read.linesStored < 1) {
    rolling.clear();
    return;
  }
  runModuleSave(s, m);  // the store's save screen for what was read
}

}  // namespace vorn
