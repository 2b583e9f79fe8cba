#include "editor/ranges.h"

#include <algorithm>

#include "editor/navigation.h"
#include "editor/program_buffer.h"
#include "runtime/numtext.h"
#include "runtime/text.h"

namespace vorn {
namespace {

// Position (from 1, in characters) of text in line + " ", or 0.
int matchPosition(std::string_view line, std::string_view text) {
  const std::string padded = std::string(line) + " ";
  if (!text.empty() && text.front() == 'O') return padded.compare(0, text.size(), text) == 0 ? 1 : 0;
  const size_t at = padded.find(text);
  if (at == std::string::npos) return 0;
  return charCount(std::string_view(padded).substr(0, at)) + 1;
}

}  // namespace

SearchHit searchProgram(const ProgramBuffer& b, std::string_view text, int from, bool backwards) {
  if (text.empty()) return {};
  const int step = backwards ? -1 : 1;
  for (int n = from + step; n >= 1 && n <= b.lineCount(); n += step) {
    if (int p = matchPosition(b.line(n), text)) return {n, p};
  }
  return {};
}

std::string searchTextFrom(std::string_view typed) {
  std::string text(typed);
  const size_t semicolon = text.find(';');
  if (semicolon != std::string::npos) text[semicolon] = ' ';
  return text;
}

void markRange(EditorState& s, const ProgramBuffer& b) {
  if (s.ST == 1 && s.FILE >= s.ITK) {
    s.EP = s.FILE;
    s.ST = 2;
    for (int n = s.ITK; n <= s.EP; ++n) {
      s.TL += b.line(n);
      s.TL += ';';
    }
  } else if (s.ST == 1) {
    s.ITK = s.FILE;  // the start moves back; the range stays open
  } else {
    s.ITK = s.FILE;
    s.EP = 0;
    s.ST = 1;
    s.TL.clear();
  }
}

std::string rangeTemplateText(const EditorState& s, int digits) {
  const std::string hashes(size_t(digits), '#');
  return formatTemplate("複写範囲" + hashes + "～" + hashes, {double(s.ITK), double(s.EP)});
}

int pasteRange(EditorState& s, ProgramBuffer& b, int CMMF) {
  if (s.EP == 0) return 0;
  int inserted = 0;
  size_t start = 0;
  size_t semicolon;
  while ((semicolon = s.TL.find(';', start)) != std::string::npos) {
    if (!b.insertLine(s.FILE, s.TL.substr(start, semicolon - start))) break;
    ++inserted;
    moveDown(s, b, CMMF);
    start = semicolon + 1;
  }
  s.ST = 0;
  s.ITK = 0;
  return inserted;
}

bool deleteRange(EditorState& s, ProgramBuffer& b, int lastLine) {
  if (lastLine < s.FILE) return false;
  lastLine = std::min(lastLine, b.lineCount());
  b.deleteLines(s.FILE, lastLine - s.FILE + 1);
  s.I = 1;
  return true;
}

}  // namespace vorn
