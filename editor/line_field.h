#pragma once
// The editor's line field: the typing rules of the one-line input that sits on
// the current line's row (and serves the search and delete prompts), apart
// from the screen. Positions count characters from 1, as the cursor `I` does.
#include <string>
#include <string_view>

namespace vorn {

// Codes with a meaning in the editor's field (the keyboard table says which
// physical keys give 4, 5, 11, 12, 19, 20 and 21).
namespace editkey {
inline constexpr int InsertToggle = 18;
inline constexpr int ClearOrRestore = 11;
inline constexpr int LineStart = 12;
inline constexpr int BlankToEnd = 5;
inline constexpr int Leave = 4;       // ends the field with no other action
inline constexpr int PageBack = 19;
inline constexpr int PageForward = 20;
inline constexpr int TextEnd = 21;
}  // namespace editkey

struct LineField {
  int width = 56;         // field width in display cells (ZP)
  std::u32string text;    // the characters; the field shows them padded with blanks
  std::u32string initial; // the text on entry, restored by code 11 on an empty field
  int I = 1;              // cursor, from 1; may stand one past the text or the field
  bool insert = false;    // insert mode (code 18); fields start in overwrite mode
  std::u32string next;    // text of the following line, appended by 127 past the text end

  LineField(std::string_view utf8, int fieldWidth, int cursor, std::string_view nextLine = {});

  // Applies one key string. Returns -1 to go on, or the code that ends the
  // field: 13, 27, 30, 31, 29 (← at the first column), 1 (function key), 4,
  // 12 (at the first column), 19, 20, 21; 127 on an empty field ends as 13.
  // *refused is set when the key beeps and changes nothing.
  int key(std::string_view k, bool* refused);

  int length() const { return int(text.size()); }
  std::string utf8() const;
  // The field as shown: the text cut or padded to the field width.
  std::string shown() const;
  // Display cell of the cursor, from 0 (wide characters before it count two).
  int cursorCell() const;

 private:
  bool handleEditingKey(int code);
  void typeCharacter(char32_t c, bool* refused);
  int cellsOf(const std::u32string& s) const;
};

}  // namespace vorn
