#pragma once
// Moving the editor's current line and first shown line: arrows, paging, end
// of text, mouse positioning. Pure rules on EditorState; each tells the screen
// what it must repaint.
#include <string_view>

#include "editor/editor_state.h"

namespace vorn {

class ProgramBuffer;

// What a move asks of the screen.
enum class Repaint {
  None,       // only the field moves
  ScrollUp,   // the text area moved up one row (a new bottom line)
  All,        // the whole text area
};

// ↑: one line up (stops at 1); the text area follows when FILE leaves it.
Repaint moveUp(EditorState& s, const ProgramBuffer& b, int CMMF);
// ↓: one line down (stops at Z + 1).
Repaint moveDown(EditorState& s, const ProgramBuffer& b, int CMMF);
// Code 19 / F1: a page back.
Repaint pageBack(EditorState& s, const ProgramBuffer& b, int CMMF);
// Code 20 / F2: a page forward.
Repaint pageForward(EditorState& s, const ProgramBuffer& b, int CMMF);
// Code 21 / F3: the last line, or line 1 when already at (or past) the last.
Repaint textEnd(EditorState& s, const ProgramBuffer& b, int CMMF);
// LC from FILE and M; I limited to the current line's length (1 for an empty line).
void clampCursor(EditorState& s, const ProgramBuffer& b);
// Brings line n onto the screen as a search hit does; true when M changed.
bool showFoundLine(EditorState& s, int n, int CMMF);

// A mouse click in the editor, in cells from 0 (the runtime has already
// scaled the pointer for a tall window).
struct ClickAction {
  int fnKey = 0;          // 1-12: act as that function key; 13: as Esc; 0: no key
  bool pageBack = false;
  bool pageForward = false;
  bool moved = false;     // FILE and I were set from the click
};
ClickAction clickAt(EditorState& s, const ProgramBuffer& b, int CMMF, int col, int row);

// Character count of a line (the cursor counts characters).
int charLength(std::string_view utf8);

}  // namespace vorn
