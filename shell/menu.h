#pragma once
// The vertical menu (columns of label/code entries chosen by arrows, digits
// or the mouse) and the framed box drawn around prompts.
#include <functional>
#include <string>
#include <vector>

namespace vorn {

class Screen;

struct MenuEntry {
  std::string label;  // shown text
  std::string code;   // returned when chosen
};

struct MenuLayout {
  int Y = 1;               // first entry row, from 1
  int F1 = 1;              // first entry column, from 1
  int rowsPerColumn = 1;
  int rowSpacing = 1;
  int preselect = 1;       // position highlighted at start, from 1
  bool outsideClickEnds = false;  // a left click off the entries ends the menu as Esc
};

struct MenuResult {
  std::string code;        // chosen entry's code
  std::string TE;          // chosen entry's label
  int position = 1;        // chosen position, from 1 (preselect it next time)
  int FDP = 13;            // 13 Enter, 27 Esc, 0 function key
  int fnKey = 0;           // function key 1-12 when FDP is 0
};

MenuResult verticalMenu(Screen& screen, const std::vector<MenuEntry>& entries,
                        const MenuLayout& layout);

// Offers the menu again and again, each time on the last choice, until Esc or
// until act(position) returns true for an entry chosen with Enter (another
// ending beeps). True when act ended it.
bool menuUntilDone(Screen& screen, const std::vector<MenuEntry>& entries, MenuLayout layout,
                   const std::function<bool(int position)>& act);

// The position a menu key moves to (pure; 0 = refused, beep; -1 = ignored).
int menuMove(int position, int count, int rowsPerColumn, char key);

// Framed box in colour 5: top-left at (row, col) counted from 1, width cells,
// innerHeight rows inside.
void framedBox(Screen& screen, int row, int col, int width, int innerHeight);

// Prints text in colour fg (on black) at a form position: column and row
// counted from 1, as fields and boxes are placed.
void printAtPosition(Screen& screen, int col, int row, std::string_view text, int fg = 7);
// Blanks the same rectangle.
void eraseBox(Screen& screen, int row, int col, int width, int innerHeight);

}  // namespace vorn
