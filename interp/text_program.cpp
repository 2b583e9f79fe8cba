#include "interp/text_program.h"

#include <cmath>

#include "runtime/numtext.h"
#include "runtime/text.h"

namespace vorn {

TextProgram::TextProgram(std::vector<std::string> lines) : lines_(std::move(lines)) {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const std::string& text = lines_[i];
    if (text.empty() || text[0] != 'O') continue;
    // The number after the "O" read as the editor's program-number list reads
    // it (leading blanks skipped), so a call finds what the list shows.
    float number = static_cast<float>(numberValue(std::string_view(text).substr(1)));
    if (number != std::floor(number) || std::fabs(number) >= 2e9f) continue;
    index_.emplace(static_cast<int>(number), static_cast<int>(i) + 1);
  }
}

std::string_view TextProgram::line(int number) const {
  if (number < 1 || number > lineCount()) return {};
  return lines_[number - 1];
}

int TextProgram::findProgram(int programNumber) const {
  auto it = index_.find(programNumber);
  return it == index_.end() ? 0 : it->second;
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t nl = text.find('\n', pos);
    if (nl == std::string_view::npos) nl = text.size();
    std::string_view line = text.substr(pos, nl - pos);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line);
    pos = nl + 1;
  }
  return lines;
}

std::vector<std::string> decodeLines(std::string_view cp932Bytes) {
  std::vector<std::string> lines = splitLines(cp932Bytes);
  for (std::string& line : lines) line = fromCp932(line);
  return lines;
}

}  // namespace vorn
