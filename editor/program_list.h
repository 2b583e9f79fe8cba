#pragma once
// The program-number list's entry text: program number, the title line that
// follows the "O" line, a code 1 separator and the "O" line's index, which the
// list box handler reads back when an entry is chosen.
#include <string>

namespace vorn {

class ProgramBuffer;

inline constexpr int kListTitleWidth = 22;  // cells of the title part of an entry

// "###### " with the number, the next line's text + " ;" padded and cut to
// 22 cells, code 1, and the line index with its leading blank.
std::string programListEntry(float programNumber, const std::string& nextLine, int lineIndex);

}  // namespace vorn
