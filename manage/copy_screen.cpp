#include "manage/copy_screen.h"

#include "editor/program_buffer.h"
#include "manage/module.h"
#include "manage/rolling_area.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/menu.h"
#include "shell/session.h"
#include "store/names.h"
#include "store/volume_copy.h"

namespace vorn {
namespace {

constexpr int kLabelColor = 5, kTextColor = 7, kMessageColor = 3;
constexpr int kFrameRow = 3, kFrameCol = 10, kFrameWidth = 64, kFrameInner = 19;  // from 1
constexpr int kLabelCol = 13;
constexpr int kFieldCol = 28;
constexpr int kDirectionRow = 5;
constexpr int kFirstRow = 7, kLastRow = 8;
constexpr int kCopyRow = 10;      // "ﾌｧｨﾙ複写", the chosen pair and the closing choice
constexpr int kMessageRow = 12;   // "データ無", the result
constexpr int kProgressRow = 14;  // the rolling area of the copy
constexpr int kProgressRows = 6;
constexpr int kProgressWidth = 56;

std::string driveText(const std::string& drive) { return drive.empty() ? "  " : drive; }

void message(Screen& screen, const std::string& text) {
  printAtPosition(screen, kLabelCol, kMessageRow, padToWidth(text, kFrameWidth - 6), kMessageColor);
}

void drawScreen(Screen& screen) {
  screen.resetTextWindow();
  screen.clearText();
  framedBox(screen, kFrameRow, kFrameCol, kFrameWidth, kFrameInner);
  printAtPosition(screen, kLabelCol, kDirectionRow, "複写方向", kLabelColor);
  printAtPosition(screen, kLabelCol, kFirstRow, "ﾌｧｨﾙ範囲 開始", kLabelColor);
  printAtPosition(screen, kLabelCol + 9, kLastRow, "終了", kLabelColor);
  printAtPosition(screen, kLabelCol, kCopyRow, "ﾌｧｨﾙ複写", kLabelColor);
}

// A program name field of the key width; the name as typed, folded.
FieldResult nameField(Screen& screen, int row, std::string& name) {
  FieldCall call{row, kFieldCol, kMaxProgramName, kProgramNameClass, "", name};
  FieldResult r = textField(screen, call);
  if (r.FDP == ending::Enter) name = foldProgramName(call.text);
  printAtPosition(screen, kFieldCol, row, padToWidth(name, kMaxProgramName), kTextColor);
  return r;
}

enum class Step { Direction, First, Last, Confirm, Leave };

// Steps 2 and 3: direction and range. Leave when Esc ends the direction.
Step askConditions(Screen& screen, ModuleState& m, CopyRange& range) {
  Step step = Step::Direction;
  std::string first = range.first, last = range.last;
  for (;;) {
    if (step == Step::Direction) {
      FieldCall call{kDirectionRow, kFieldCol, 9, 0,
                     copyDirectionChoices(m.environment.ZDX, m.environment.UC), std::to_string(m.copyDirection)};
      FieldResult r = choiceField(screen, call);
      if (r.FDP == ending::Esc) return Step::Leave;
      if (r.FDP != ending::Enter && r.FDP != ending::Down) continue;
      m.copyDirection = static_cast<int>(numberValue(call.text)) == 2 ? 2 : 1;
      step = Step::First;
    } else if (step == Step::First) {
      FieldResult r = nameField(screen, kFirstRow, first);
      if (r.FDP == ending::Esc || r.FDP == ending::Up) step = Step::Direction;
      else if (r.FDP != ending::Enter) continue;
      else if (first.empty()) screen.beep();
      else step = Step::Last;
    } else {
      FieldResult r = nameField(screen, kLastRow, last);
      if (r.FDP == ending::Esc || r.FDP == ending::Up) {
        step = Step::First;
        continue;
      }
      if (r.FDP != ending::Enter) continue;
      if (last.empty()) {
        last = first;
        printAtPosition(screen, kFieldCol, kLastRow, padToWidth(last, kMaxProgramName), kTextColor);
      }
      if (last < first) {
        screen.beep();
        continue;
      }
      break;
    }
  }
  const bool forward = m.copyDirection == 1;
  range.sourceDrive = forward ? m.environment.ZDX : m.environment.UC;
  range.targetDrive = forward ? m.environment.UC : m.environment.ZDX;
  range.volume = m.environment.USEL;
  range.first = first;
  range.last = last;
  return Step::Confirm;
}

// Steps 5 to 7 with progress in the rolling area; Esc stops between programs.
void runCopy(Session& s, const CopyRange& range) {
  Screen& screen = s.screen;
  RollingArea progress(screen, kProgressRow, kLabelCol, kProgressRows, kProgressWidth);
  progress.clear();
  if (std::string why = copyRangeProblem(s.paths, range); !why.empty()) {
    // No second drive, or two drives that are one folder: nothing to copy between.
    message(screen, "複写できない: " + driveText(range.sourceDrive) + " -> " + driveText(range.targetDrive));
    screen.beep();
    return;
  }
  message(screen, "");
  auto escape = [&screen] { return screen.trapKey(std::string(1, key::Esc)); };
  VolumeCopyHooks hooks;
  hooks.collected = [&](const std::string& drive, const std::string& name) {
    printAtPosition(screen, kLabelCol, kMessageRow, padToWidth(driveText(drive) + " " + name, 20), kTextColor);
    screen.present();
    return !escape();
  };
  hooks.beforeCopying = [&] { return !escape(); };
  hooks.copied = [&](const CopiedProgram& p) {
    std::string line = formatTemplate("&       & &                & ", {p.name, p.title});
    line += p.problem.empty() ? (p.existed ? "有" : "無") + formatTemplate(" #####", {double(p.record)})
                              : "複写せず " + p.problem;
    progress.add(line);
    return !escape();
  };
  // The module's buffer keeps its program: each copied text passes through a buffer of the same size.
  ProgramBuffer passage(kModuleProgramCapacity);
  const VolumeCopyResult result = s.guarded([&] { return copyVolumeRange(s.paths, passage, range, hooks); });
  if (result.nothingInRange) {
    message(screen, "データ無");
    screen.beep();
    return;
  }
  const int notCopied = static_cast<int>(result.programs.size()) - result.copied();
  std::string done = formatTemplate("複写 ### 本", {double(result.copied())});
  if (notCopied > 0) done += formatTemplate("  複写せず ### 本", {double(notCopied)});
  if (result.stopped) done += "  中止";
  message(screen, done);
  if (notCopied > 0 || result.stopped) screen.beep();
}

}  // namespace

std::string copyDirectionChoices(const std::string& dataDrive, const std::string& secondDrive) {
  return "1)" + driveText(dataDrive) + "->" + driveText(secondDrive) + " 2)" + driveText(secondDrive) + "-> " +
         driveText(dataDrive);
}

void volumeCopyScreen(Session& s, ModuleState& m) {
  Screen& screen = s.screen;
  drawScreen(screen);
  CopyRange range;
  for (;;) {
    if (askConditions(screen, m, range) == Step::Leave) return;
    printAtPosition(screen, kFieldCol, kCopyRow,
             driveText(range.sourceDrive) + " -> " + driveText(range.targetDrive) + "  " + range.volume, kTextColor);
    for (;;) {
      FieldCall call{kCopyRow + 1, kFieldCol, 7, 0, "1)実行 2)条件 3)ﾓﾄﾞﾙ ", "1"};
      FieldResult r = choiceField(screen, call);
      if (r.FDP == ending::Esc) return;
      if (r.FDP != ending::Enter) {
        screen.beep();
        continue;
      }
      const int choice = static_cast<int>(numberValue(call.text));
      if (choice == 3) return;
      if (choice == 2) break;
      runCopy(s, range);
    }
  }
}

}  // namespace vorn
