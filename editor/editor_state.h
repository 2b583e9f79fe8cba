#pragma once
// Where the editor stands in the program, and the range-copy and search state
// kept between commands. The interpreter run, the program-number list and the
// store read and set FILE and M; the editor screen owns the rest.
#include <string>

namespace vorn {

struct EditorState {
  int FILE = 0;  // current line index, 1 .. Z + 1 (Z + 1 is the empty position after the last line)
  int M = 1;     // line index shown on the first text row
  int LC = 0;    // FILE - M: the current line's row offset in the text area
  int I = 1;     // cursor position in the current line, from 1

  static constexpr int ZW = 2;    // first text row, counted from 1
  static constexpr int MF0 = 56;  // width blanked when a line is redrawn
  static constexpr int ZP = 56;   // width of the line input field

  // Range copy and paste.
  int ST = 0;      // range state: 0 none, 1 start marked, 2 range complete
  int ITK = 0;     // first line of the range
  int EP = 0;      // last line of the range; 0 while no end was ever marked
  std::string TL;  // paste buffer: the copied lines, each followed by ";"

  std::string searchText;  // last search text (at most 6 characters), offered again

  // The start-up reset: line 1 current and first shown.
  void reset() {
    FILE = 1;
    M = 1;
    LC = 0;
    I = 1;
  }
};

}  // namespace vorn
