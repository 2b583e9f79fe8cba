#pragma once
// The editor's whole-program commands apart from the screen: search, marking
// a range for copy, paste and range delete. They change EditorState and the
// buffer; the screen prompts and repaints.
#include <string>
#include <string_view>

#include "editor/editor_state.h"

namespace vorn {

class ProgramBuffer;

inline constexpr int kSearchWidth = 6;  // characters a search text may have

struct SearchHit {
  int line = 0;      // 0: not found
  int position = 0;  // character position of the match, from 1
};

// Looks for text in the lines after `from` (forwards, up to Z) or before it
// (backwards, down to 1), never in `from` itself and without wrapping. A line
// matches when text occurs in the line with one blank appended; a text that
// begins with "O" counts only at the line's first character.
SearchHit searchProgram(const ProgramBuffer& b, std::string_view text, int from, bool backwards);
// The search prompt's text as kept: its first ";" becomes a blank.
std::string searchTextFrom(std::string_view typed);

// F5: starts, moves or completes the range at FILE (see EditorState ST/ITK/EP/TL).
void markRange(EditorState& s, const ProgramBuffer& b);
// The line-count row's text while marking: "複写範囲#####～#####" with ITK and EP.
// digits: the edition's width of the two line numbers.
std::string rangeTemplateText(const EditorState& s, int digits = 5);

// F12: inserts the copied lines before FILE, in copy order; FILE ends on the
// same line it was on. Nothing when no range end was ever marked. Returns the
// number of lines inserted (fewer when the buffer filled up).
int pasteRange(EditorState& s, ProgramBuffer& b, int CMMF);

// F6 after the prompt: deletes FILE .. lastLine (cut to Z). False (nothing
// deleted, beep) when lastLine < FILE.
bool deleteRange(EditorState& s, ProgramBuffer& b, int lastLine);

}  // namespace vorn
