#pragma once
// Dirmark's dialog "MAINFORM" in the character screen: nine label and path
// boxes, the folder box with "参照", the "貼付" buttons and "登　録". Every
// control works by mouse and by keyboard (Tab / Shift+Tab move the focus,
// Enter or Space press a button, Esc or closing the window end without
// registering).
#include <ctime>
#include <string>
#include <string_view>

#include "dirmark/folder_table.h"

namespace vorn {

class Screen;
class ChannelTable;

// A one-line edit box that keeps any length of text and scrolls it sideways
// so that the cursor stays inside its width. Pure; the dialog draws it.
struct EditBox {
  std::u32string text;   // the box's text
  int cursor = 0;        // insertion point, 0..text.size()
  int first = 0;         // first character shown

  void set(std::string_view utf8);   // new text, cursor at its end
  std::string utf8() const;
  // Applies a key: printable text is inserted; BS, Del, ← →, Home (11) and
  // End (21) edit and move; Shift+Home (12) clears. False when the key is
  // not the box's (the dialog handles it).
  bool key(std::string_view k);
  // The part shown in width cells (scrolled to keep the cursor inside), and
  // the cursor's cell within it.
  std::string shown(int width, int* cursorCell);
};

enum class FormEnd { Registered, Closed };

// Runs the dialog on the folders of "UsFolder" until "登　録" wrote the file
// (Registered) or Esc / a window close ended it (Closed, nothing written).
// A table that cannot be written, or a failed write, shows a message and
// keeps the dialog open. Throws InputExhausted when a key script runs out.
FormEnd runMainForm(Screen& screen, ChannelTable& channels, std::time_t today);

}  // namespace vorn
