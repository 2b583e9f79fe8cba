#include "shell/field.h"

#include <algorithm>
#include <cmath>

#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace vorn {

namespace {

constexpr char32_t kBlank = U' ';

// Colours of the field editors.
constexpr int kEditColor = 6;      // a field being edited
constexpr int kTextColor = 7;
constexpr int kMarkerFg = 5;       // the mode marker cell left of a text field
constexpr int kMarkerInsertBg = 4;
constexpr int kMarkerOverwriteBg = 1;
constexpr int kChoiceColor = 4;    // choices while choosing
constexpr int kChoiceCurrent = 13;
constexpr int kChoiceDone = 1;     // choices after choosing
constexpr int kChoiceChosen = 7;

// Function key number from a key string of code 1 + letter ("A" = 1).
int functionNumber(std::string_view k) {
  if (k.size() < 2) return 0;
  int n = int(static_cast<unsigned char>(k[1])) - 64;
  return n >= 1 && n <= 12 ? n : 0;
}

void printAt(Screen& screen, int col, int row, std::string_view text, int fg) {
  screen.color(fg);
  screen.locate(col, row);
  screen.print(text);
}

// The cell left of a text field shows the insert/overwrite mode while editing.
struct MarkerCell {
  bool present = false;
  int col = 0, row = 0;
  Cell saved;
};

MarkerCell saveMarker(const Screen& screen, int col, int row) {
  MarkerCell m;
  if (col < 0 || row < 0 || col >= screen.cols() || row >= screen.rows()) return m;
  m.present = true;
  m.col = col;
  m.row = row;
  m.saved = screen.cell(col, row);
  return m;
}

void paintMarker(Screen& screen, const MarkerCell& m, bool insert) {
  if (!m.present || m.saved.wideTail) return;
  std::string ch;
  appendUtf8(ch, cellWidth(m.saved.ch) == 1 ? m.saved.ch : kBlank);
  screen.color(kMarkerFg, insert ? kMarkerInsertBg : kMarkerOverwriteBg);
  screen.locate(m.col, m.row);
  screen.print(ch);
  screen.color(kTextColor, 0);
}

void restoreMarker(Screen& screen, const MarkerCell& m) {
  if (!m.present || m.saved.wideTail || cellWidth(m.saved.ch) != 1) return;
  std::string ch;
  appendUtf8(ch, m.saved.ch);
  screen.color(m.saved.fg, m.saved.bg);
  screen.locate(m.col, m.row);
  screen.print(ch);
}

void finish(Screen& screen, FieldResult& result, int ending, std::string_view k) {
  if (ending == 1) {
    result.FDP = ending::FunctionKey;
    result.fnKey = functionNumber(k);
  } else {
    result.FDP = ending;
    result.fnKey = 0;
  }
  screen.showCursor(false);
  screen.color(kTextColor, 0);
}

}  // namespace

// ---------------------------------------------------------------- pure helpers

std::string translateKey(std::string_view k) {
  if (k.size() != 2 || k[0] != '\0') return std::string(k);
  static constexpr std::string_view scans = "GwHKMPRS";
  size_t pos = scans.find(k[1]);
  return std::string(1, pos == std::string_view::npos ? '\0' : char(pos + 1));
}

bool acceptsCharacter(int textClass, char32_t ch, char32_t* stored) {
  *stored = ch;
  bool wide = cellWidth(ch) == 2;
  bool halfKana = ch >= 0xFF61 && ch <= 0xFF9F;
  bool letter = (ch >= U'A' && ch <= U'Z') || (ch >= U'a' && ch <= U'z');
  bool digit = ch >= U'0' && ch <= U'9';
  if (letter && (textClass == 3 || textClass == 4 || textClass == 8) && ch >= U'a') *stored = ch - 32;
  switch (textClass) {
    case 1: return digit;
    case 2: return digit || ch == U'-';
    case 3: return letter;
    case 4: return letter || digit || ch == U'.' || ch == U'-' || ch == U' ';
    case 5: return (ch >= 32 && ch < 127) || halfKana;          // codes 32-223 of the code page
    // Double-byte text must have a code page 932 form ("€" or an emoji has none).
    case 6: return ch >= 32 && ch != 127 && hasCp932Form(ch);
    case 7: return wide && hasCp932Form(ch);
    case 8: return letter || digit || ch == U'-' || ch == U'@' || ch == U'_';
    default: return false;
  }
}

int numberDecimals(float ZDN) {
  float fraction = ZDN - std::floor(ZDN);
  return int(std::lround(fraction * 10)) % 10;
}

std::string numberTemplate(int ZP, int decimals) {
  std::string t(size_t(std::max(ZP, 0)), '#');
  if (decimals > 0 && ZP - decimals - 1 >= 0) t[size_t(ZP - decimals - 1)] = '.';
  return t;
}

// ---------------------------------------------------------------- text entry

TextEntry::TextEntry(int width, int cls, std::string_view initialText)
    : ZP(std::max(width, 1)), textClass(cls), cells(size_t(ZP), kBlank) {
  size_t pos = 0;
  int at = 0;
  while (pos < initialText.size() && at < ZP) {
    char32_t ch = nextCodePoint(initialText, pos);
    if (cellWidth(ch) == 2) {
      if (at + 2 > ZP) {   // a double-byte character crossing the end becomes a blank
        cells[size_t(at++)] = kBlank;
        continue;
      }
      cells[size_t(at)] = ch;
      cells[size_t(at + 1)] = kWideTail;
      at += 2;
    } else {
      cells[size_t(at++)] = ch;
    }
  }
  length = std::min(textWidth(initialText), ZP);
  initialCells = cells;
  initialLength = length;
}

int TextEntry::widthAt(int cell) const {
  if (cell + 1 < ZP && cells[size_t(cell + 1)] == kWideTail) return 2;
  return 1;
}

// Blanks any double-byte character that lies partly inside [from, to).
void TextEntry::clearOverlap(int from, int to) {
  if (from > 0 && from < ZP && cells[size_t(from)] == kWideTail) cells[size_t(from - 1)] = kBlank;
  if (to < ZP && to > 0 && cells[size_t(to)] == kWideTail) cells[size_t(to)] = kBlank;
}

void TextEntry::eraseAt(int cell) {
  int w = widthAt(cell);
  cells.erase(size_t(cell), size_t(w));
  cells.append(size_t(w), kBlank);
  if (cell < length) length = std::max(cell, length - w);
}

void TextEntry::typeChar(char32_t typed, bool* refused) {
  char32_t ch;
  if (!acceptsCharacter(textClass, typed, &ch) || cursor >= ZP) {
    *refused = true;
    return;
  }
  int w = cellWidth(ch);
  bool crossesEnd = w == 2 && cursor + 2 > ZP;
  if (insert) {
    if (crossesEnd) {   // no room for it any more
      *refused = true;
      return;
    }
    std::u32string put = w == 2 ? std::u32string{ch, kWideTail} : std::u32string{ch};
    cells.insert(size_t(cursor), put);
    cells.resize(size_t(ZP));
    char32_t& last = cells[size_t(ZP - 1)];
    if (last != kWideTail && cellWidth(last) == 2) last = kBlank;   // its right half was pushed out
    length = std::min(ZP, std::max(length, cursor) + w);
  } else if (crossesEnd) {
    clearOverlap(cursor, cursor + 1);
    cells[size_t(cursor)] = kBlank;
    w = 1;
    length = std::max(length, cursor + 1);
  } else {
    clearOverlap(cursor, cursor + w);
    cells[size_t(cursor)] = ch;
    if (w == 2) cells[size_t(cursor + 1)] = kWideTail;
    length = std::max(length, cursor + w);
  }
  cursor += w;
}

int TextEntry::key(std::string_view k, bool* refused) {
  *refused = false;
  if (k.empty()) return -1;
  unsigned char c = static_cast<unsigned char>(k[0]);
  if (k.size() == 1 || c == key::FnPrefix) {
    switch (c) {
      case 13: case 27: case 30: case 31: case 1:
        return c;
      case 8:
        if (cursor == 0) {
          eraseAt(0);
        } else {
          int start = cells[size_t(cursor - 1)] == kWideTail ? cursor - 2 : cursor - 1;
          eraseAt(start);
          cursor = start;
        }
        return -1;
      case 127:
        eraseAt(cursor);
        return -1;
      case 18:
        insert = !insert;
        return -1;
      case 28:
        if (cursor >= length || cursor + widthAt(cursor) >= ZP) return 28;
        cursor += widthAt(cursor);
        return -1;
      case 29:
        if (cursor == 0) return 29;
        cursor -= cells[size_t(cursor - 1)] == kWideTail ? 2 : 1;
        return -1;
      case 9:
        cursor += std::max(0, (length - cursor) / 2);
        if (cursor < ZP && cells[size_t(cursor)] == kWideTail) --cursor;
        return -1;
      case 11:
        cursor = 0;
        insert = false;
        return -1;
      case 12:
        if (length > 0) {
          cells.assign(size_t(ZP), kBlank);
          length = 0;
        } else {
          cells = initialCells;
          length = initialLength;
        }
        cursor = 0;
        return -1;
      default:
        break;
    }
    if (c < 32 || c == 127) {
      *refused = true;
      return -1;
    }
  }
  // Printable text; an input method may deliver several characters at once.
  size_t pos = 0;
  while (pos < k.size()) {
    bool beep = false;
    typeChar(nextCodePoint(k, pos), &beep);
    if (beep) *refused = true;
  }
  return -1;
}

std::string TextEntry::text() const {
  std::string out;
  for (int i = 0; i < length; ++i)
    if (cells[size_t(i)] != kWideTail) appendUtf8(out, cells[size_t(i)]);
  return out;
}

std::string TextEntry::shown() const {
  std::string out;
  for (char32_t ch : cells)
    if (ch != kWideTail) appendUtf8(out, ch);
  return out;
}

// ---------------------------------------------------------------- number entry

NumberEntry::NumberEntry(int width, float ZDN, std::string_view initialText)
    : ZP(std::max(width, 1)), decimals(numberDecimals(ZDN)), isSigned(ZDN >= 12) {
  size_t first = initialText.find_first_not_of(' ');
  size_t last = initialText.find_last_not_of(' ');
  initial = first == std::string_view::npos ? "" : std::string(initialText.substr(first, last - first + 1));
  text = initial;
}

bool NumberEntry::key(char k) {
  // Room left of the point: the point and the decimals are kept free. (An
  // integer field uses its whole width.)
  auto integerRoom = [&](const std::string& t, int adding) {
    return int(t.size()) + adding + (decimals > 0 ? decimals + 1 : 0) <= ZP;
  };
  std::string t = replaceOnType ? std::string() : text;
  size_t point = t.find('.');
  switch (k) {
    case 11: case 18:
      replaceOnType = false;
      return true;
    case 8: case 127:
      replaceOnType = false;
      if (text.empty()) return false;
      text.pop_back();
      return true;
    case 15:
      text = text.empty() ? initial : std::string();
      replaceOnType = false;
      return true;
    case ' ':
      text = initial;
      replaceOnType = true;
      return true;
    case ',':
      if (text.empty() || text == "-" || text.find('.') != std::string::npos || !integerRoom(text, 3))
        return false;
      text += "000";
      replaceOnType = false;
      return true;
    default:
      break;
  }
  if (k >= '0' && k <= '9') {
    if (t == "0") {
      t = std::string(1, k);
    } else if (point == std::string::npos) {
      if (!integerRoom(t, 1)) return false;
      t += k;
    } else {
      if (int(t.size() - point - 1) >= decimals) return false;
      t += k;
    }
  } else if (k == '.') {
    if (decimals == 0 || point != std::string::npos || int(t.size()) + 1 > ZP) return false;
    t += k;
  } else if (k == '-') {
    if (!isSigned || !t.empty()) return false;
    t += k;
  } else {
    return false;
  }
  text = t;
  replaceOnType = false;
  return true;
}

// ---------------------------------------------------------------- screens

FieldResult fieldInput(Screen& screen, FieldCall& call) {
  if (call.ZDN == 0) return choiceField(screen, call);
  if (call.ZDN >= 10) return numberField(screen, call);
  return textField(screen, call);
}

// Text classes 6 and 7 take double-byte text: the input method is on while
// such a field is edited, and what it composes is shown at the cursor.
bool takesDoubleByte(int textClass) { return textClass == 6 || textClass == 7; }

namespace {

// The field with the composition (reversed) at the cursor, the cursor after
// it, and the candidate window placed there.
void paintTextField(Screen& screen, const TextEntry& entry, int col, int row) {
  printAt(screen, col, row, entry.shown(), kEditColor);
  const int cursor = std::min(entry.cursor, entry.ZP - 1);
  const std::string composing = cutToWidth(screen.composition(), entry.ZP - cursor);
  if (!composing.empty()) {
    screen.color(0, kEditColor);
    screen.locate(col + cursor, row);
    screen.print(composing);
    screen.color(kTextColor, 0);
  }
  const int after = std::min(cursor + textWidth(composing), entry.ZP - 1);
  screen.locate(col + after, row);
  screen.setTextInputArea(col + after, row, entry.ZP - after);
}

// The next key; the field is painted again whenever the composition changes.
std::string nextFieldKey(Screen& screen, const TextEntry& entry, int col, int row) {
  std::string shown = screen.composition();
  for (;;) {
    std::string k = screen.inkey();
    if (!k.empty()) return k;
    if (screen.composition() != shown) {
      shown = screen.composition();
      paintTextField(screen, entry, col, row);
    }
    screen.waitInput();
  }
}

}  // namespace

FieldResult textField(Screen& screen, FieldCall& call) {
  FieldResult result;
  TextEntry entry(call.ZP, int(call.ZDN), call.text);
  const int col = call.F1 - 1, row = call.Y - 1;
  MarkerCell marker = saveMarker(screen, col - 1, row);
  const int imeBefore = screen.inputMethodMode();
  const int imeHere = takesDoubleByte(entry.textClass) ? 1 : 2;
  if (imeHere != imeBefore) screen.setInputMethodMode(imeHere);
  screen.showCursor(true);
  for (;;) {
    paintMarker(screen, marker, entry.insert);
    paintTextField(screen, entry, col, row);
    std::string k = translateKey(nextFieldKey(screen, entry, col, row));
    bool refused = false;
    int ending = entry.key(k, &refused);
    if (refused) screen.beep();
    if (ending >= 0) {
      call.text = entry.text();
      printAt(screen, col, row, entry.shown(), kEditColor);   // without a composition left over
      restoreMarker(screen, marker);
      if (imeHere != imeBefore) screen.setInputMethodMode(imeBefore);
      finish(screen, result, ending, k);
      return result;
    }
  }
}

FieldResult numberField(Screen& screen, FieldCall& call) {
  FieldResult result;
  NumberEntry entry(call.ZP, call.ZDN, call.text);
  const int col = call.F1 - 1, row = call.Y - 1;
  screen.showCursor(true);
  for (;;) {
    std::string shown = entry.text.size() < size_t(entry.ZP)
                            ? std::string(size_t(entry.ZP) - entry.text.size(), ' ') + entry.text
                            : entry.text;
    printAt(screen, col, row, shown, kEditColor);
    screen.locate(col + entry.ZP - 1, row);
    std::string k = translateKey(screen.waitKey());
    if (k.empty()) continue;
    unsigned char c = static_cast<unsigned char>(k[0]);
    bool ends = c == 13 || c == 27 || (c >= 28 && c <= 31) || c == key::FnPrefix;
    if (ends) {
      result.value = float(numberValue(entry.text));
      call.text = entry.text;
      std::string tmpl = call.W0L.empty() ? numberTemplate(call.ZP, entry.decimals) : call.W0L;
      printAt(screen, col, row, formatTemplate(tmpl, {double(result.value)}), kTextColor);
      finish(screen, result, c, k);
      return result;
    }
    if (k.size() != 1 || !entry.key(k[0])) screen.beep();
  }
}

namespace {

int choiceCount(const FieldCall& call) {
  return call.ZP > 0 ? std::max(1, textWidth(call.W0L) / call.ZP) : 1;
}

std::string choiceText(const FieldCall& call, int choice) {
  return midByWidth(call.W0L, (choice - 1) * call.ZP, call.ZP);
}

void printChoices(Screen& screen, const FieldCall& call, int current, int allColor, int currentColor) {
  const int col = call.F1 - 1, row = call.Y - 1;
  printAt(screen, col, row, call.W0L, allColor);
  printAt(screen, col + (current - 1) * call.ZP, row, choiceText(call, current), currentColor);
}

}  // namespace

FieldResult choiceField(Screen& screen, FieldCall& call) {
  FieldResult result;
  const int count = choiceCount(call);
  int current = int(numberValue(call.text));
  if (current < 1 || current > count) current = 1;
  const int remembered = current;
  const char lastDigit = char('0' + std::min(count, 9));
  screen.showCursor(false);
  int ending = -1;
  std::string k;
  while (ending < 0) {
    printChoices(screen, call, current, kChoiceColor, kChoiceCurrent);
    k = translateKey(screen.waitKeyOrClick());
    if (k.empty()) {
      MouseClick click;
      if (!screen.takeClick(click)) continue;
      if (click.button == 2) {
        ending = ending::Esc;
      } else if (click.row == call.Y - 1 && click.col >= call.F1 - 1 &&
                 click.col < call.F1 - 1 + count * call.ZP) {
        current = (click.col - (call.F1 - 1)) / call.ZP + 1;
        printChoices(screen, call, current, kChoiceColor, kChoiceCurrent);
        screen.delay(0.15);
      }
      continue;
    }
    unsigned char c = static_cast<unsigned char>(k[0]);
    if (c == 13 || c == 27 || c == 30 || c == 31 || c == key::FnPrefix) {
      ending = c;
    } else if (c == 11) {
      current = 1;
    } else if (c == 28) {
      if (current == count) ending = 28; else ++current;
    } else if (c == 29) {
      if (current == 1) ending = 29; else --current;
    } else if (k.size() > 1 || c > static_cast<unsigned char>(lastDigit)) {
      screen.beep();
    } else if (c == ' ' || c == '+' || c == '0') {
      current = current % count + 1;
    } else if (c == '-') {
      current = current == 1 ? count : current - 1;
    } else if (c >= '1' && c <= '9') {
      current = std::min(int(c - '0'), count);
    }
  }
  if (ending != ending::Enter && ending != ending::Down) current = remembered;
  call.text = std::to_string(current);
  result.choice = choiceText(call, current);
  printChoices(screen, call, current, kChoiceDone, kChoiceChosen);
  finish(screen, result, ending, k);
  return result;
}

void clearToEndOfLine(Screen& screen) {
  int n = 80 - screen.cursorCol();
  if (n > 0) screen.printSpaces(n);
}

}  // namespace vorn
