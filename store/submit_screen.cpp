#include "store/submit_screen.h"

#include <algorithm>
#include <string>
#include <vector>

#include "editor/load.h"
#include "editor/program_buffer.h"
#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/menu.h"
#include "store/external_file.h"
#include "store/shared_folder_screen.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

// Screen places, counted from 1 as the screen's own wrappers count them.
constexpr int kFrameRow = 5, kFrameCol = 30, kFrameWidth = 35;
constexpr int kFrameInner = 10;       // rows inside the frame: 12 high with its borders
constexpr int kTitleCol = kFrameCol + 10;
constexpr int kMenuRow = kFrameRow + 1, kMenuCol = kFrameCol + 2;
constexpr int kSubmitFolders = 8;       // folders the frame holds above its two message rows
constexpr int kLabelWidth = 18;       // a folder's name; "保存" and the result follow it
constexpr int kResultCol = kMenuCol + kLabelWidth + 1;
constexpr int kRoom = kFrameWidth - 4;  // a message row's width inside the frame
constexpr double kWaitUnit = 0.01;    // seconds per unit of the runtime's wait
constexpr int kResultPause = 90;      // wait units the result stays before the screen closes

void clearRows(Screen& screen, int from, int to) {
  for (int row = from; row <= to; ++row) printAtPosition(screen, kMenuCol, row, std::string(kRoom, ' '));
}

// "既に登録されています" and "[上書き]  [取消し] " preset to cancel; true only
// when the user takes "[上書き]" with Enter.
bool confirmOverwrite(Screen& screen, int messageRow) {
  printAtPosition(screen, kMenuCol, messageRow, padToWidth("既に登録されています", kRoom), 3);
  const bool overwrite = overwriteChosen(screen, messageRow + 1, kMenuCol);
  clearRows(screen, messageRow, messageRow + 1);
  return overwrite;
}

// Writes the program into folder; false when the user kept the file there.
bool submitTo(SubmitContext& c, const std::string& folder, int entryRow, int messageRow) {
  Session& s = c.session;
  const fs::path dir = folder.empty() ? fs::path(".") : s.paths.resolve(folder);
  const std::string path = (dir / submitFileName(c.learner)).string();
  printAtPosition(s.screen, kResultCol, entryRow, "保存");
  if (needsOverwriteQuestion(path) && !confirmOverwrite(s.screen, messageRow)) {
    printAtPosition(s.screen, kResultCol, entryRow, "    ");
    return false;
  }
  ExportHeader header;
  header.YGW = float(c.learner);   // the mark a reader takes: who handed it in
  header.OSDATE = programNameFromPath(path);
  header.H0X = exportTitle(s.screen.clock().wallTime());
  if (c.exportSettings) header.settings = c.exportSettings();
  s.guarded([&] { writeExternalFile(s.channels, path, header, c.buffer); });
  printAtPosition(s.screen, kResultCol, entryRow, numberText(float(c.buffer.lineCount())) + " 行,登録完了");
  s.screen.delay(kResultPause * kWaitUnit);
  return true;
}

}  // namespace

std::string submitFileName(int learner) { return std::to_string(learner) + ".wf"; }

SubmitOutcome submitScreen(SubmitContext& c) {
  Session& s = c.session;
  Screen& screen = s.screen;
  if (c.buffer.lineCount() < 1) return SubmitOutcome::Empty;
  std::vector<MenuEntry> menu;
  std::vector<std::string> folders;
  for (size_t i = 0; i < s.folders.MXX.size() && int(menu.size()) < kSubmitFolders; ++i) {
    menu.push_back({padToWidth(cutToWidth(s.folders.MXX[i], kLabelWidth), kLabelWidth), std::to_string(i + 1)});
    folders.push_back(i < s.folders.PU.size() ? s.folders.PU[i] : "");
  }
  const int messageRow = kMenuRow + std::max<int>(1, int(menu.size()));

  framedBox(screen, kFrameRow, kFrameCol, kFrameWidth, kFrameInner);
  printAtPosition(screen, kTitleCol, kFrameRow, "提出,ﾌｧｲﾙ保存", 5);
  SubmitOutcome outcome = SubmitOutcome::Left;
  if (c.learner < 1) {
    // Nothing is named without the learner's number: say how it is set.
    printAtPosition(screen, kMenuCol, kMenuRow, "学習者番号がありません", 3);
    printAtPosition(screen, kMenuCol, kMenuRow + 1, "vorn_s --learner 番号 で起動", 3);
    printAtPosition(screen, kMenuCol, kMenuRow + 3, "何かキーを押す");
    screen.beep();
    screen.waitKey();
    outcome = SubmitOutcome::NoLearner;
  } else if (menu.empty()) {
    printAtPosition(screen, kMenuCol, kMenuRow, "UsFolder に提出先がありません", 3);
    printAtPosition(screen, kMenuCol, kMenuRow + 2, "何かキーを押す");
    screen.beep();
    screen.waitKey();
  } else {
    MenuLayout layout{kMenuRow, kMenuCol, int(menu.size()), 1, 1};
    layout.outsideClickEnds = true;
    const bool submitted = menuUntilDone(screen, menu, layout, [&](int position) {
      return submitTo(c, folders[size_t(position - 1)], kMenuRow + position - 1, messageRow);
    });
    if (submitted) outcome = SubmitOutcome::Submitted;
  }
  eraseBox(screen, kFrameRow, kFrameCol, kFrameWidth, kFrameInner);
  return outcome;
}

}  // namespace vorn
