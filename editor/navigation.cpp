#include "editor/navigation.h"

#include <algorithm>

#include "editor/program_buffer.h"
#include "runtime/text.h"

namespace vorn {

int charLength(std::string_view utf8) { return charCount(utf8); }

void clampCursor(EditorState& s, const ProgramBuffer& b) {
  s.LC = s.FILE - s.M;
  const int length = charLength(b.line(s.FILE));
  if (s.I > length) s.I = std::max(1, length);
}

Repaint moveUp(EditorState& s, const ProgramBuffer& b, int CMMF) {
  (void)CMMF;
  Repaint repaint = Repaint::None;
  if (s.FILE > 1) --s.FILE;
  if (s.FILE < s.M) {
    s.M = s.FILE;
    repaint = Repaint::All;
  }
  clampCursor(s, b);
  return repaint;
}

Repaint moveDown(EditorState& s, const ProgramBuffer& b, int CMMF) {
  if (s.FILE > b.lineCount()) return Repaint::None;
  Repaint repaint = Repaint::None;
  ++s.FILE;
  if (s.FILE >= s.M + CMMF) {
    s.M = s.FILE - CMMF + 1;
    repaint = Repaint::ScrollUp;
  }
  clampCursor(s, b);
  return repaint;
}

Repaint pageBack(EditorState& s, const ProgramBuffer& b, int CMMF) {
  (void)b;
  s.I = 1;
  if (s.M == 1) {
    s.FILE = 1;
    s.LC = s.FILE - s.M;
    return Repaint::None;
  }
  s.M = std::max(1, s.M - CMMF + 1);
  s.FILE = s.M + CMMF / 2;
  s.LC = s.FILE - s.M;
  return Repaint::All;
}

Repaint pageForward(EditorState& s, const ProgramBuffer& b, int CMMF) {
  const int Z = b.lineCount();
  s.I = 1;
  if (s.M + CMMF > Z) {
    s.FILE = std::max(1, Z);
    s.LC = s.FILE - s.M;
    return Repaint::None;
  }
  s.M = s.M + CMMF - 1;
  if (float(s.M) + float(CMMF) / 2 > float(Z)) s.M = std::max(1, Z - int(float(CMMF) * 0.8f));
  s.FILE = s.M;
  s.LC = 0;
  return Repaint::All;
}

Repaint textEnd(EditorState& s, const ProgramBuffer& b, int CMMF) {
  const int Z = b.lineCount();
  s.I = 1;
  Repaint repaint = Repaint::None;
  if (s.FILE >= Z) {
    s.FILE = 1;
    if (s.M > 1) {
      s.M = 1;
      repaint = Repaint::All;
    }
  } else {
    s.FILE = Z;
    if (s.M + CMMF <= Z) {
      s.M = std::max(1, Z - CMMF + 2);
      repaint = Repaint::All;
    }
  }
  s.LC = s.FILE - s.M;
  return repaint;
}

bool showFoundLine(EditorState& s, int n, int CMMF) {
  const int a = n - CMMF / 2;
  bool moved = false;
  if (n >= s.M + CMMF) {
    s.M = a + 2;
    moved = true;
  } else if (n < s.M) {
    s.M = a > 4 ? a : 1;
    moved = true;
  }
  s.FILE = n;
  s.LC = s.FILE - s.M;
  return moved;
}

ClickAction clickAt(EditorState& s, const ProgramBuffer& b, int CMMF, int col, int row) {
  ClickAction action;
  if (row == CMMF + 2) {  // the function-key row: eight columns a key
    const int key = col / 8 + 1;
    if (key <= 13) action.fnKey = key;  // right of "Esc" no key is drawn
    s.I = 1;
    return action;
  }
  if (row < 1) {
    action.pageBack = true;
    return action;
  }
  if (row > CMMF) {
    action.pageForward = true;
    return action;
  }
  s.FILE = std::min(s.M + row - 1, b.lineCount() + 1);
  // NOTE: the text starts in column 6, so the clicked character is column - 5.
  s.I = std::clamp(col - 5, 1, charLength(b.line(s.FILE)) + 1);
  s.LC = s.FILE - s.M;
  action.moved = true;
  return action;
}

}  // namespace vorn
