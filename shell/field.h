#pragma once
// Field input: the one line editor behind every form and settings screen.
// Three kinds of field (text of a character class, number, choice) share one
// way of reporting how input ended, so screens react alike to Enter, Esc,
// arrows, function keys and the mouse.
#include <string>
#include <string_view>

namespace vorn {

class Screen;

// Ending codes every input routine reports in FDP.
namespace ending {
inline constexpr int FunctionKey = 0;
inline constexpr int Enter = 13;
inline constexpr int Esc = 27;
inline constexpr int Right = 28;
inline constexpr int Left = 29;
inline constexpr int Up = 30;
inline constexpr int Down = 31;
}  // namespace ending

// Call parameters of one field (positions counted from 1).
struct FieldCall {
  int Y = 1;         // field row, from 1
  int F1 = 1;        // field column, from 1
  int ZP = 1;        // field width in cells; for a choice field the width of one choice
  float ZDN = 0;     // type: 0 choice, 1-8 text class, >= 10 number (digit after the point = decimals; >= 12 signed)
  std::string W0L;   // choice field: the choices, ZP cells each; number field: the display template
  std::string text;  // field text on entry and on return; a choice field holds the chosen number (from 1)
};

// How input ended.
struct FieldResult {
  int FDP = ending::Enter;  // ending key: 13, 27, 28-31, or 0 for a function key
  int fnKey = 0;            // function key 1-12 when FDP is 0, else 0
  float value = 0;          // number field: the number of the text
  std::string choice;       // choice field: the chosen choice's text
};

// Edits one field on the screen; dispatches by ZDN. call.text is updated.
FieldResult fieldInput(Screen& screen, FieldCall& call);
FieldResult textField(Screen& screen, FieldCall& call);    // ZDN 1-8
FieldResult numberField(Screen& screen, FieldCall& call);  // ZDN >= 10
FieldResult choiceField(Screen& screen, FieldCall& call);  // ZDN 0

// --- pure helpers, shared by the editors and tested directly

// A key arriving as code 0 + scan character becomes the character whose code is
// the scan character's position (1-8) in "GwHKMPRS"; another scan character
// becomes code 0. Every other key is returned unchanged.
std::string translateKey(std::string_view key);
// Whether a typed character belongs to text class ZDN 1-8; sets *upper to the
// character to store (letters upper-cased for classes 3, 4 and 8). Class 8 is
// the program store's names: letters, digits, "-", "@" and "_".
inline constexpr int kProgramNameClass = 8;
bool acceptsCharacter(int textClass, char32_t ch, char32_t* stored);
// Whether text class ZDN 1-7 takes double-byte text (the input method is on for it).
bool takesDoubleByte(int textClass);
// Decimals of a number type: the digit after the decimal point of ZDN (11.2 -> 2).
int numberDecimals(float ZDN);
// The display template of a number field: ZP "#" with "." at position ZP - decimals.
std::string numberTemplate(int ZP, int decimals);

// The number field's typing rules, apart from the screen.
struct NumberEntry {
  int ZP = 1;                // field width
  int decimals = 0;          // digits allowed after "."
  bool isSigned = false;     // "-" allowed as the first character
  std::string initial;       // value on entry (without a leading blank)
  std::string text;          // what is shown right-aligned
  bool replaceOnType = true; // the first accepted key replaces the whole value

  explicit NumberEntry(int width, float ZDN, std::string_view initialText);
  // Applies one key (a single character string); false when refused (beep).
  bool key(char k);
};

// The text field's editing rules, apart from the screen. The field is kept as
// ZP cells; a double-byte character fills two, its right half marked kWideTail.
struct TextEntry {
  static constexpr char32_t kWideTail = 0xFFFFFFFF;
  int ZP = 1;                  // field width in cells
  int textClass = 5;           // ZDN 1-8
  std::u32string cells;        // always ZP cells
  int length = 0;              // cells in use (the text's length)
  int cursor = 0;              // cell of the cursor, on a character's first cell
  bool insert = false;         // insert mode (key 18 toggles)
  std::u32string initialCells; // the text on entry, for key 12
  int initialLength = 0;

  TextEntry(int width, int textClass, std::string_view initialText);
  // Applies one key string. Returns the ending code (13, 27, 28-31, 1 for a
  // function key) or -1 to go on; *refused is set when the key beeps.
  int key(std::string_view k, bool* refused);
  std::string text() const;    // the first `length` cells as UTF-8
  std::string shown() const;   // all ZP cells as UTF-8

 private:
  int widthAt(int cell) const;
  void typeChar(char32_t ch, bool* refused);
  void eraseAt(int cell);
  void clearOverlap(int from, int to);
};

// Prints blanks from the cursor up to column 80.
void clearToEndOfLine(Screen& screen);

}  // namespace vorn
