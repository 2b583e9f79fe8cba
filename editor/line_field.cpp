#include "editor/line_field.h"

#include <algorithm>

#include "runtime/text.h"

namespace vorn {
namespace {

std::u32string decode(std::string_view utf8) {
  std::u32string out;
  size_t pos = 0;
  while (pos < utf8.size()) out.push_back(nextCodePoint(utf8, pos));
  return out;
}

std::string encode(const std::u32string& s) {
  std::string out;
  for (char32_t c : s) appendUtf8(out, c);
  return out;
}

// The leave-field set: these codes end the field wherever the cursor is.
bool leavesField(int code) {
  switch (code) {
    case 13: case 30: case 31: case 27: case 1: case 4: case 19: case 20: case 21:
      return true;
    default:
      return false;
  }
}

}  // namespace

LineField::LineField(std::string_view utf8, int fieldWidth, int cursor, std::string_view nextLine)
    : width(fieldWidth), text(decode(utf8)), initial(text), I(std::max(1, cursor)),
      next(decode(nextLine)) {}

std::string LineField::utf8() const { return encode(text); }

std::string LineField::shown() const { return padToWidth(encode(text), width); }

int LineField::cellsOf(const std::u32string& s) const {
  int cells = 0;
  for (char32_t c : s) cells += cellWidth(c);
  return cells;
}

int LineField::cursorCell() const {
  const int before = std::min(I - 1, length());
  return cellsOf(text.substr(0, size_t(before))) + (I - 1 - before);
}

int LineField::key(std::string_view k, bool* refused) {
  *refused = false;
  if (k.empty()) return -1;
  int code = static_cast<unsigned char>(k[0]);
  if (code == 8 && I == 1) code = 127;  // backspace at the first column deletes forward
  if (leavesField(code)) return code;
  if (code == editkey::LineStart && I == 1) return code;
  if (code == 29 && I == 1) return 29;
  if (code == 127 && length() == 0) return 13;  // Enter on an empty field deletes the line
  if (k.size() == 1 && handleEditingKey(code)) return -1;
  if (k.size() == 1 && code >= 33 && code <= 126) {
    typeCharacter(char32_t(code), refused);
    return -1;
  }
  *refused = true;  // anything else (double-byte text, unknown codes) beeps
  return -1;
}

bool LineField::handleEditingKey(int code) {
  const int L = length();
  switch (code) {
    case 8:  // delete left of the cursor
      if (I - 1 <= L) text.erase(size_t(I - 2), 1);
      --I;
      return true;
    case editkey::InsertToggle:
      insert = !insert;
      return true;
    case 28:
      if (I < width && I <= L) ++I;
      return true;
    case 29:
      --I;
      return true;
    case 127:
      if (I <= L) {
        text.erase(size_t(I - 1), 1);
      } else if (L > 0) {
        text += U' ';
        text += next;  // joins the next line's text; that line stays in the program
      }
      return true;
    case 9: {  // halfway to the text end, past a blank it lands on
      if (L > I) I += (L - I) / 2;
      if (I <= L && text[size_t(I - 1)] == U' ') ++I;
      return true;
    }
    case editkey::LineStart:
      I = 1;
      insert = false;
      return true;
    case editkey::ClearOrRestore:
      if (L > 0) {
        text.clear();
      } else {
        text = initial;
      }
      return true;
    case 32: {  // to the character after the next blank, else past the text end
      const size_t blank = I <= L ? text.find(U' ', size_t(I - 1)) : std::u32string::npos;
      I = (blank == std::u32string::npos || int(blank) + 2 > L) ? L + 1 : int(blank) + 2;
      return true;
    }
    case editkey::BlankToEnd:
      if (I - 1 < L) text.resize(size_t(I - 1));
      return true;
    default:
      return false;
  }
}

void LineField::typeCharacter(char32_t c, bool* refused) {
  if (I > width) {
    *refused = true;
    return;
  }
  if (c >= U'a' && c <= U'z') c -= 32;
  const size_t at = size_t(I - 1);
  if (text.size() < at) text.resize(at, U' ');  // typing past the text end fills with blanks
  if (insert) {
    const bool fieldFull = cellsOf(text) >= width;
    text.insert(at, 1, c);
    if (fieldFull) text.pop_back();  // the last character falls off the field
  } else if (at < text.size()) {
    text[at] = c;
  } else {
    text.push_back(c);
  }
  ++I;
}

}  // namespace vorn
