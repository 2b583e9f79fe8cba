#pragma once
// A program held as plain lines in memory: what the command line and the
// tests run (the editor's program buffer is the other ProgramSource).
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "interp/program_source.h"

namespace vorn {

class TextProgram final : public ProgramSource {
 public:
  TextProgram() = default;
  explicit TextProgram(std::vector<std::string> lines);

  int lineCount() const { return static_cast<int>(lines_.size()); }
  bool hasLine(int number) const override { return number >= 1 && number <= lineCount(); }
  std::string_view line(int number) const override;  // "" outside 1..lineCount()
  int findProgram(int programNumber) const override;  // first "O" line with that number

 private:
  std::vector<std::string> lines_;
  std::unordered_map<int, int> index_;  // program number -> line of its first "O" line
};

// Splits text into lines at LF, dropping a CR before it; a final line without
// LF is kept, an empty text gives no lines.
std::vector<std::string> splitLines(std::string_view text);
// The lines of a code page 932 text (an included program file) as UTF-8. A
// line feed never stands inside a double-byte character, so the bytes are
// split first and each line converted on its own.
std::vector<std::string> decodeLines(std::string_view cp932Bytes);

}  // namespace vorn
