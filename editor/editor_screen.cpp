#include "editor/editor_screen.h"

#include <algorithm>

#include "editor/line_field.h"
#include "editor/normalize.h"
#include "editor/pattern.h"
#include "editor/program_buffer.h"
#include "editor/program_list.h"
#include "editor/ranges.h"
#include "runtime/numtext.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/geometry.h"
#include "shell/session.h"
#include "shell/shell.h"

namespace vorn {
namespace {

constexpr int kLabelColor = 5;
constexpr int kTextColor = 7;
constexpr int kFieldColor = 6;
constexpr int kKeyLabelColor = 13;
constexpr int kTextColumn = 6;  // first column of a line's text, from 0
constexpr int kModeMarkerColumn = 5;  // the typing-mode cell of the field's row, from 0
constexpr int kMinTextRows = 19;  // CMMF after a resize is never below this
constexpr std::string_view kLineCutNotice = "70桁を超えた分は切りました";  // a stored line lost its tail

constexpr std::string_view kKeyNumbers =
    "f1       2       3       4       5      f6       7       8       9      10      11      12";

// Control characters of a loaded line would move the cursor; show them as U+FFFD.
std::string printable(std::string_view text, int width) {
  std::string out;
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t c = nextCodePoint(text, pos);
    appendUtf8(out, c < 32 || c == 127 ? U'\uFFFD' : c);
  }
  return cutToWidth(out, std::max(0, width));
}

void printAt(Screen& screen, int col, int row, std::string_view text, int fg) {
  if (row < 0 || row >= screen.rows()) return;
  screen.locate(col, row);
  screen.color(fg);
  screen.print(cutToWidth(text, std::max(0, screen.cols() - col)));
}

}  // namespace

// --- drawing -----------------------------------------------------------------

void printProgramRow(Screen& screen, int row, int lineIndex, std::string_view text) {
  if (row < 0 || row >= screen.rows()) return;
  screen.locate(0, row);
  screen.color(kLabelColor);
  screen.print(formatTemplate("##### ", {double(lineIndex)}));
  screen.color(kTextColor);
  screen.print(printable(text, screen.cols() - kTextColumn));
}

void redrawTextArea(Screen& screen, const ProgramBuffer& buffer, const EditorState& state, int CMMF) {
  screen.showCursor(false);
  screen.color(kTextColor, 0);
  screen.setTextWindow(1, std::min(CMMF + 1, screen.rows() - 1));
  screen.clearText();
  for (int r = 0; r < CMMF; ++r) printProgramRow(screen, 1 + r, state.M + r, buffer.line(state.M + r));
  printAt(screen, 0, CMMF + 1, formatTemplate("(######)", {double(buffer.lineCount())}), kLabelColor);
}

void showNotice(Screen& screen, const std::string& notice, int CMMF) {
  if (notice.empty()) return;
  printAt(screen, 9, CMMF + 1, notice, kFieldColor);
}

void drawFunctionKeyLine(Screen& screen, int CMMF, std::string_view labels) {
  const int row = CMMF + 2;
  printAt(screen, 0, row, kKeyNumbers, kLabelColor);
  for (int k = 1; k <= 12; ++k) {
    printAt(screen, 8 * (k - 1) + 2, row, midByWidth(labels, 5 * (k - 1), 5), kKeyLabelColor);
  }
}

// --- the editor ----------------------------------------------------------------

EditorScreen::EditorScreen(Session& session, ProgramBuffer& buffer, EditorState& state, EditorActions actions)
    : session_(session), screen_(session.screen), buffer_(buffer), s_(state), actions_(std::move(actions)) {}

int EditorScreen::CMMF() const { return std::max(1, int(session_.geometry.CMMF)); }

void EditorScreen::redraw() { redrawTextArea(screen_, buffer_, s_, CMMF()); }

void EditorScreen::run() {
  drawFunctionKeyLine(screen_, CMMF(), session_.edition.editorKeyLabels);
  s_.I = 1;
  s_.LC = 0;
  if (s_.FILE == 0) s_.FILE = 1;
  s_.ST = 0;
  s_.ITK = 0;
  // NOTE: the text area is drawn on entry too; the menu and other screens may
  // have cleared it since the last redraw.
  keepCurrentLineVisible();
  redraw();
  showNotice(screen_, notice, CMMF());
  for (;;) {
    keepCurrentLineVisible();
    const LineInputResult r =
        lineInput(buffer_.line(s_.FILE), EditorState::ZP, fieldRow(), kTextColumn + 1, s_.I);
    s_.I = r.I;
    if (r.FDP != 13) reprintCurrentLine(EditorState::MF0);
    if (!dispatch(r)) return;
  }
}

void EditorScreen::keepCurrentLineVisible() {
  const int Z = buffer_.lineCount();
  s_.FILE = std::clamp(s_.FILE, 1, Z + 1);
  s_.M = std::max(1, s_.M);
  if (s_.FILE < s_.M || s_.FILE >= s_.M + CMMF()) {
    s_.M = std::max(1, s_.FILE - CMMF() / 2);
    redraw();
  }
  s_.LC = s_.FILE - s_.M;
}

// The stored line over the field, padded to `width` to cover what was typed:
// the whole line as stored (up to the screen's edge), never cut at the field.
void EditorScreen::reprintCurrentLine(int width) {
  const int row = fieldRow() - 1;
  const std::string text = printable(buffer_.line(s_.FILE), screen_.cols() - kTextColumn);
  printAt(screen_, kTextColumn, row, padToWidth(text, std::max(width, textWidth(text))), kTextColor);
}

void EditorScreen::apply(Repaint repaint) {
  if (repaint != Repaint::None) redraw();
}

bool EditorScreen::dispatch(const LineInputResult& r) {
  if (r.ending == "j") return true;  // a window event already moved the editor
  if (r.ending == "m") {
    const ClickAction click = clickAt(s_, buffer_, CMMF(), r.click.col, r.click.row);
    if (click.fnKey == 13) {
      leave();
      return false;
    }
    if (click.fnKey > 0) functionKey(click.fnKey, r);
    if (click.pageBack) apply(pageBack(s_, buffer_, CMMF()));
    if (click.pageForward) apply(pageForward(s_, buffer_, CMMF()));
    return true;
  }
  switch (r.FDP) {
    case 13: storeField(r.text); break;
    case 29: s_.I = 99; apply(moveUp(s_, buffer_, CMMF())); break;
    case 30: apply(moveUp(s_, buffer_, CMMF())); break;
    case 31: apply(moveDown(s_, buffer_, CMMF())); break;
    case editkey::PageBack: apply(pageBack(s_, buffer_, CMMF())); break;
    case editkey::PageForward: apply(pageForward(s_, buffer_, CMMF())); break;
    case editkey::TextEnd: apply(textEnd(s_, buffer_, CMMF())); break;
    case 27: leave(); return false;
    case 0: functionKey(r.fnKey, r); break;
    default: break;  // 4 and 12 leave the field with no other action
  }
  return true;
}

void EditorScreen::functionKey(int n, const LineInputResult& r) {
  switch (n) {
    case 1: apply(pageBack(s_, buffer_, CMMF())); break;
    case 2: apply(pageForward(s_, buffer_, CMMF())); break;
    case 3: apply(textEnd(s_, buffer_, CMMF())); break;
    case 4: search(); break;
    case 5: markRange(); break;
    case 6: deleteRange(); break;
    case 7:
      if (session_.edition.calculatorKeys) calculator(r.text);
      break;
    case 8: programList(); break;
    case 9:
    case 10: {
      const auto& action = n == 9 ? actions_.store : actions_.trajectory;
      if (!action) break;
      action();
      drawFunctionKeyLine(screen_, CMMF(), session_.edition.editorKeyLabels);
      keepCurrentLineVisible();
      redraw();
      if (n == 10 && actions_.afterTrajectory) actions_.afterTrajectory();
      if (n == 9 && actions_.afterStore) actions_.afterStore();
      break;
    }
    case 11:
      if (session_.edition.calculatorKeys) screen_.listHide();
      break;
    case 12: paste(); break;
    default: break;
  }
}

void EditorScreen::leave() {
  screen_.showCursor(false);
  screen_.color(kTextColor, 0);
  // The text area and the key line are cleared; the heading row stays.
  screen_.setTextWindow(1, std::min(CMMF() + 1, screen_.rows() - 1));
  screen_.clearText();
  screen_.resetTextWindow();
  printAt(screen_, 0, CMMF() + 1, "(" + numberText(buffer_.lineCount()) + ")" + std::string(30, ' '),
          kTextColor);
  // The editor's function-key line is no business of the menu's.
  if (CMMF() + 2 < screen_.rows()) printAt(screen_, 0, CMMF() + 2, std::string(size_t(screen_.cols()) - 1, ' '), kTextColor);
  screen_.listHide();
}

// Enter: an empty field deletes the line; a comment is kept as typed; anything
// else is normalised and split at ";" into this and following lines.
void EditorScreen::storeField(const std::string& text) {
  if (text.empty()) {
    buffer_.deleteLines(s_.FILE, 1);
    redraw();
    return;
  }
  const bool comment = text.size() >= 2 ? (text[0] == '(' && text[1] != '!') : text[0] == '(';
  std::vector<std::string> parts;
  if (comment) {
    parts.push_back(text);
  } else {
    bool cut = false;
    const std::string block = normalizeBlock(text, true, &cut);
    if (cut) {
      // Spacing the words apart made the line longer than 70: say what was lost.
      screen_.beep();
      showNotice(screen_, std::string(kLineCutNotice), CMMF());
    }
    size_t start = 0;
    for (;;) {
      const size_t semicolon = block.find(';', start);
      parts.push_back(block.substr(start, semicolon - start));
      if (semicolon == std::string::npos) break;
      start = semicolon + 1;
    }
    if (parts.size() > 1 && parts.back().empty()) parts.pop_back();  // a closing ";" adds no line
  }
  if (!buffer_.storeLine(s_.FILE, parts[0])) {
    screen_.beep();
    return;
  }
  bool inserted = false;
  for (size_t i = 1; i < parts.size(); ++i) {
    if (!buffer_.insertLine(s_.FILE + 1, parts[i])) {
      screen_.beep();  // the buffer is full: the rest is not stored
      break;
    }
    followInsertedLine();
    inserted = true;
  }
  if (!inserted) reprintCurrentLine(EditorState::MF0 + 1);
  s_.I = 1;
  const Repaint repaint = moveDown(s_, buffer_, CMMF());
  if (inserted || repaint != Repaint::None) redraw();
}

void EditorScreen::followInsertedLine() {
  ++s_.FILE;
  if (s_.FILE >= s_.M + CMMF()) s_.M = s_.FILE - CMMF() + 1;
  s_.LC = s_.FILE - s_.M;
}

// --- line input ---------------------------------------------------------------

bool EditorScreen::windowEventEndsField() {
  ShellState& shell = session_.shell;
  shell.LST_S1 = -1;
  shell.PZJ = 0;
  shell.MXY = 0;
  handleWindowEvents(session_);
  const bool picked = shell.LST_S1 == 0 && shell.PZJ > 0;
  shell.LST_S1 = 0;
  if (picked) {
    s_.FILE = std::clamp(int(shell.PZJ), 1, buffer_.lineCount() + 1);
    s_.M = s_.FILE;
    s_.I = 1;
    redraw();
    screen_.listHide();
    return true;
  }
  if (shell.MXY != 0) {
    shell.MXY = 0;
    const int before = CMMF();
    updateRows(session_.geometry, screen_.backend().clientHeight());
    session_.geometry.CMMF = std::max<float>(kMinTextRows, session_.geometry.S_FM1RS - 4);
    if (CMMF() > before) screen_.resetTextWindow();
    screen_.color(kTextColor, 0);
    screen_.clearText();
    s_.FILE = std::max(1, s_.M);
    s_.I = 1;
    redraw();
    drawFunctionKeyLine(screen_, CMMF(), session_.edition.editorKeyLabels);
    return true;
  }
  return false;
}

LineInputResult EditorScreen::lineInput(std::string_view text, int width, int row, int col, int cursor) {
  LineField field(text, width, cursor, buffer_.line(s_.FILE + 1));
  const int r0 = row - 1, c0 = col - 1;
  // The marker keeps its cell left of the line text for the prompts too, so a
  // prompt's "[" before its field stays visible.
  const Cell saved = screen_.cell(kModeMarkerColumn, r0);
  auto paint = [&] {
    screen_.locate(kModeMarkerColumn, r0);
    screen_.color(kLabelColor, field.insert ? 1 : 4);  // the typing-mode marker
    screen_.print(" ");
    screen_.color(kFieldColor, 0);
    screen_.locate(c0, r0);
    screen_.print(printable(field.shown(), width));
    screen_.locate(c0 + std::min(field.cursorCell(), width), r0);
  };
  screen_.showCursor(true);
  LineInputResult result;
  for (;;) {
    paint();
    MouseClick click;
    if (screen_.takeClick(click)) {
      result.ending = "m";
      result.FDP = 0;
      result.click = click;
      break;
    }
    if (windowEventEndsField()) {
      result.ending = "j";
      result.FDP = 13;
      field = LineField(buffer_.line(s_.FILE), width, 1);
      break;
    }
    const std::string k = translateKey(screen_.inkey());
    if (k.empty()) {
      screen_.waitInput();
      continue;
    }
    bool refused = false;
    const int ending = field.key(k, &refused);
    if (refused) screen_.beep();
    if (ending < 0) continue;
    result.ending = k;
    result.FDP = ending;
    if (ending == key::FnPrefix) {
      result.FDP = 0;
      result.fnKey = key::fnNumber(k);
    }
    break;
  }
  result.text = field.utf8();
  result.I = field.I;
  // Restore the marker cell and leave the field in the text colour.
  screen_.locate(kModeMarkerColumn, r0);
  screen_.color(saved.fg, saved.bg);
  std::string markerCell;
  appendUtf8(markerCell, saved.wideTail ? U' ' : saved.ch);
  screen_.print(markerCell);
  screen_.color(kTextColor, 0);
  screen_.locate(c0, r0);
  screen_.showCursor(false);
  return result;
}

// --- search, ranges, paste -------------------------------------------------------

void EditorScreen::search() {
  const int row = fieldRow();
  printAt(screen_, kTextColumn, row - 1, " 検索[" + std::string(8, ' ') + "]   ", kLabelColor);
  std::string text = s_.searchText;
  for (;;) {
    const LineInputResult r = lineInput(text, kSearchWidth, row, 13, 1);
    if (r.FDP == 0 || r.FDP == 27 || r.ending == "j" || r.text.empty()) {
      printAt(screen_, 7, row - 1, std::string(15, ' '), kTextColor);
      return;
    }
    text = searchTextFrom(r.text);
    s_.searchText = text;
    const bool backwards = r.FDP == 30;
    printAt(screen_, 18, row - 1, backwards ? "↑" : "↓", kLabelColor);
    const SearchHit hit = searchProgram(buffer_, text, s_.FILE, backwards);
    if (hit.line == 0) {
      printAt(screen_, 18, row - 1, "ﾅｼ", kLabelColor);
      screen_.beep();
      continue;
    }
    reprintCurrentLine(screen_.cols() - kTextColumn);
    s_.I = hit.position;
    if (showFoundLine(s_, hit.line, CMMF())) redraw();
    return;
  }
}

void EditorScreen::markRange() {
  vorn::markRange(s_, buffer_);
  printAt(screen_, 0, CMMF() + 1, rangeTemplateText(s_, session_.edition.lineDigits), kLabelColor);
}

void EditorScreen::paste() {
  if (s_.EP == 0) return;
  const size_t lines = size_t(std::count(s_.TL.begin(), s_.TL.end(), ';'));
  if (size_t(pasteRange(s_, buffer_, CMMF())) < lines) screen_.beep();  // the buffer filled up
  redraw();
}

void EditorScreen::deleteRange() {
  if (s_.FILE > buffer_.lineCount()) {
    screen_.beep();
    return;
  }
  const int row = fieldRow();
  const int digits = session_.edition.lineDigits;
  const std::string hashes(size_t(digits), '#');
  printAt(screen_, 12, row - 1,
          formatTemplate(" 削除範囲(" + hashes + ")～[" + std::string(size_t(digits), ' ') + "]  ", {double(s_.FILE)}),
          kFieldColor);
  for (;;) {
    // The field sits inside the brackets, which move left with fewer digits.
    const LineInputResult r = lineInput("", digits, row, 27 + digits, 1);
    if (r.FDP != 13 || r.ending == "j" || r.text.empty()) {
      reprintCurrentLine(screen_.cols() - kTextColumn);
      return;
    }
    const int last = int(std::clamp(numberValue(r.text), -1.0, 1e9));
    if (!vorn::deleteRange(s_, buffer_, last)) {
      screen_.beep();
      continue;
    }
    redraw();
    return;
  }
}

// --- program-number list and calculator -------------------------------------------

void EditorScreen::programList() {
  while (screen_.eventsPending()) handleWindowEvents(session_);
  const ProgramIndex& index = buffer_.index();
  if (index.X == 0) return;
  ShellState& shell = session_.shell;
  screen_.listClear();
  for (int i = 0; i < index.X; ++i) {
    const int line = index.SY_DIR[size_t(i)];
    screen_.listAdd(programListEntry(index.SFONT[size_t(i)], std::string(buffer_.line(line + 1)), line));
  }
  screen_.listShow();
  shell.LST_S1 = -1;
  shell.PZJ = 0;
  for (;;) {
    handleWindowEvents(session_);
    if (shell.LST_S1 == 0) break;
    if (!screen_.inkey().empty()) break;  // a key typed ends the wait without a choice
    screen_.waitInput();
  }
  shell.LST_S1 = 0;
  if (shell.PZJ > 0) {
    screen_.listHide();
    s_.FILE = std::clamp(int(shell.PZJ), 1, buffer_.lineCount() + 1);
    s_.M = s_.FILE;
    s_.I = 1;
    redraw();
  }
  screen_.flushKeys();
}

void EditorScreen::calculator(const std::string& fieldText) {
  if (!isPatternLine(fieldText)) {
    screen_.beep();
    return;
  }
  const PatternParameters p = readPattern(fieldText);
  const int first = s_.FILE + 1;
  const std::vector<std::string> blocks =
      patternBlocks(p, int(session_.settings.V2), buffer_.capacity() - first + 1);
  int row = fieldRow();  // from 1; output starts on the row below the field
  for (size_t i = 0; i < blocks.size(); ++i) {
    if (!buffer_.storeLine(first + int(i), blocks[i])) break;
    if (row < EditorState::ZW + CMMF() - 1) ++row;
    printProgramRow(screen_, row - 1, first + int(i), blocks[i]);
  }
  redraw();
}

}  // namespace vorn
