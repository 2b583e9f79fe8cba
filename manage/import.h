#pragma once
// Reading an external text file into the module's program buffer, as its
// import screen does: "%" lines are skipped, a line beginning with a double
// quote gives the title (the 16 characters after the quote), every other
// line is a block, normalised and stored. Screen-free: the screen shows the
// lines through the callback.
#include <functional>
#include <string>
#include <string_view>

namespace vorn {

class ProgramBuffer;

enum class ImportMode { New = 1, Append = 2 };  // "1)新規": from line 1; "2)連結": after the last line

inline constexpr int kImportTitleWidth = 16;  // cells of a title taken from a quoted line

// What one file line does.
struct ImportLine {
  enum class Kind { Skip, Title, Block } kind = Kind::Skip;
  std::string text;  // the title or the normalised block (UTF-8)
};
// The rule for one file line (code page 932 bytes); *cut is set when
// normalisation cut a block to 70 cells.
ImportLine importLine(std::string_view bytes, bool* cut = nullptr);

struct ImportResult {
  int linesStored = 0;      // lines the file gave the buffer
  bool titleSet = false;    // a quoted line set the title
  int cutAtLine = 0;        // 0: everything fit; else the file line where the buffer was full
  int linesCut = 0;         // blocks normalisation cut to 70 cells
};

// Reads hostPath (shownPath names it in errors) into the buffer. The buffer
// changes only when the whole file was read: a read error raises
// RuntimeError and leaves it as it was. A full buffer stops the reading; the
// lines read up to then are kept. shown(n, text) is called for each stored
// line with its buffer line number.
ImportResult importTextFile(ProgramBuffer& buffer, const std::string& hostPath, const std::string& shownPath,
                            ImportMode mode, const std::function<void(int, const std::string&)>& shown = {});

}  // namespace vorn
