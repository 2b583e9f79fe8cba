#include "shell/menu.h"

#include <algorithm>

#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"

namespace vorn {

namespace {

constexpr int kEntryColor = 13;     // entries while choosing
constexpr int kCurrentColor = 14;   // the highlighted entry
constexpr int kDoneColor = 1;       // entries after the choice
constexpr int kChosenColor = 5;
constexpr int kBoxColor = 5;

struct EntryPlace {
  int col, row;   // from 0
};

EntryPlace placeOf(int k, const MenuLayout& layout, int columnWidth) {
  int rpc = std::max(layout.rowsPerColumn, 1);
  return {layout.F1 - 1 + (k / rpc) * columnWidth, layout.Y - 1 + (k % rpc) * layout.rowSpacing};
}

void drawEntry(Screen& screen, const MenuEntry& e, EntryPlace at, int fg) {
  screen.color(fg);
  screen.locate(at.col, at.row);
  screen.print(" " + e.label + " ");
}

// The entry under a click, from 1, or 0.
int entryAt(const MouseClick& click, int count, const MenuLayout& layout, int columnWidth) {
  for (int k = 0; k < count; ++k) {
    EntryPlace p = placeOf(k, layout, columnWidth);
    if (click.row == p.row && click.col >= p.col && click.col < p.col + columnWidth) return k + 1;
  }
  return 0;
}

}  // namespace

int menuMove(int pos, int count, int rowsPerColumn, char key) {
  const int rpc = std::max(rowsPerColumn, 1);
  const int c = static_cast<unsigned char>(key);
  switch (c) {
    case 30: case '-':
      return pos == 1 ? count : pos - 1;
    case 31: case ' ': case '+': case ',':
      return pos == count ? 1 : pos + 1;
    case 28:
      return pos + rpc <= count ? pos + rpc : (pos - 1) % rpc + 1;
    case 29: {
      if (pos - rpc >= 1) return pos - rpc;
      int lastColumn = (count - 1) / rpc;
      return std::min(lastColumn * rpc + (pos - 1) % rpc + 1, count);
    }
    case '1':
      return count > 10 && pos == 1 ? 11 : 1;
    case '0':
      if (count < 10) return 0;
      return pos == 10 ? pos % count + 1 : 10;
    default:
      break;
  }
  if (c >= '2' && c <= 'B') return c - '0' <= count ? c - '0' : 0;
  if (c < 28 || c > 66) return -1;
  return 0;
}

MenuResult verticalMenu(Screen& screen, const std::vector<MenuEntry>& entries,
                        const MenuLayout& layout) {
  MenuResult result;
  const int count = int(entries.size());
  if (count == 0) {
    result.FDP = 27;
    result.position = 0;
    return result;
  }
  const int columnWidth = textWidth(entries[0].label) + 2;
  int pos = std::clamp(layout.preselect, 1, count);
  screen.showCursor(false);
  for (int k = 0; k < count; ++k) drawEntry(screen, entries[size_t(k)], placeOf(k, layout, columnWidth), kEntryColor);
  int shown = pos;
  drawEntry(screen, entries[size_t(pos - 1)], placeOf(pos - 1, layout, columnWidth), kCurrentColor);
  for (bool done = false; !done;) {
    if (shown != pos) {
      drawEntry(screen, entries[size_t(shown - 1)], placeOf(shown - 1, layout, columnWidth), kEntryColor);
      drawEntry(screen, entries[size_t(pos - 1)], placeOf(pos - 1, layout, columnWidth), kCurrentColor);
      shown = pos;
    }
    std::string k = screen.waitKeyOrClick();
    if (k.empty()) {
      MouseClick click;
      if (!screen.takeClick(click)) continue;
      if (click.button == 2) {
        result.FDP = 27;
        done = true;
      } else if (int hit = entryAt(click, count, layout, columnWidth)) {
        pos = hit;
        result.FDP = 13;
        done = true;
      } else if (layout.outsideClickEnds) {
        result.FDP = 27;
        done = true;
      }
      continue;
    }
    const unsigned char c = static_cast<unsigned char>(k[0]);
    if (c == 13 || c == 27) {
      result.FDP = c;
      done = true;
    } else if (c == key::FnPrefix) {
      result.FDP = 0;
      result.fnKey = key::fnNumber(k);
      done = true;
    } else if (k.size() == 1) {
      int next = menuMove(pos, count, layout.rowsPerColumn, k[0]);
      if (next == 0) screen.beep();
      if (next > 0) pos = next;
    }
  }
  for (int k = 0; k < count; ++k) drawEntry(screen, entries[size_t(k)], placeOf(k, layout, columnWidth), kDoneColor);
  drawEntry(screen, entries[size_t(pos - 1)], placeOf(pos - 1, layout, columnWidth), kChosenColor);
  screen.color(7);
  result.position = pos;
  result.code = entries[size_t(pos - 1)].code;
  result.TE = entries[size_t(pos - 1)].label;
  return result;
}

void printAtPosition(Screen& screen, int col, int row, std::string_view text, int fg) {
  screen.color(fg, 0);
  screen.locate(col - 1, row - 1);
  screen.print(text);
}

void framedBox(Screen& screen, int row, int col, int width, int innerHeight) {
  if (width < 2) return;
  const std::string edge = "+" + std::string(size_t(width - 2), '-') + "+";
  const std::string inner = "|" + std::string(size_t(width - 2), ' ') + "|";
  screen.color(kBoxColor);
  screen.locate(col - 1, row - 1);
  screen.print(edge);
  for (int i = 1; i <= innerHeight; ++i) {
    screen.locate(col - 1, row - 1 + i);
    screen.print(inner);
  }
  screen.locate(col - 1, row + innerHeight);
  screen.print(edge);
  screen.color(7);
}

void eraseBox(Screen& screen, int row, int col, int width, int innerHeight) {
  for (int r = row - 1; r <= row + innerHeight; ++r) {
    screen.locate(col - 1, r);
    screen.printSpaces(width);
  }
}

bool menuUntilDone(Screen& screen, const std::vector<MenuEntry>& entries, MenuLayout layout,
                   const std::function<bool(int position)>& act) {
  for (;;) {
    const MenuResult r = verticalMenu(screen, entries, layout);
    layout.preselect = r.position;
    if (r.FDP == ending::Esc) return false;
    if (r.FDP != ending::Enter) {
      screen.beep();
      continue;
    }
    if (act(r.position)) return true;
  }
}

}  // namespace vorn
