#include "editor/normalize.h"

#include <vector>

#include "editor/program_buffer.h"
#include "runtime/text.h"

namespace vorn {
namespace {

// The rule compares code page 932 byte codes; every character outside ASCII
// starts with a byte above 64, so its own code point stands in for it.
bool isAddressLike(char32_t c) { return c > 64; }
bool isNumberLike(char32_t c) { return c >= 43 && c <= 57; }  // + , - . / and digits

// Collapses every run of "." to a single "." (what repeated "..".->"." does).
std::string collapseDotRuns(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    if (c == '.' && !out.empty() && out.back() == '.') continue;
    out.push_back(c);
  }
  return out;
}

}  // namespace

std::string normalizeBlock(std::string_view text, bool collapseDots, bool* cut, int width) {
  // Every character may gain a blank before it, so twice the bytes always fit.
  const int kept = width > 0 ? width : int(2 * text.size() + 2);
  // One slot per display cell; a wide character fills its first cell and
  // leaves U+0000 in the second.
  std::vector<char32_t> cells(size_t(kept), U' ');
  int length = 0;  // output length in cells (may run past the cells kept)
  int limit = kept;  // shorter when a wide character would cross the end
  char32_t previous = U' ';
  char32_t last = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    const char32_t c = nextCodePoint(text, pos);
    last = c;
    if (isAddressLike(c) && isNumberLike(previous)) ++length;  // leave a blank
    if (c == U' ' && previous == U' ') continue;
    const int cw = cellWidth(c);
    if (length + cw <= kept) {
      cells[length] = c;
      if (cw == 2) cells[length + 1] = 0;
    } else if (length < limit) {
      limit = length;  // never keep half of a wide character
    }
    length += cw;
    previous = c;
  }
  int keep = length - (last == U' ' ? 1 : 0);
  if (cut) *cut = keep > limit;
  if (keep > limit) keep = limit;
  std::string out;
  for (int i = 0; i < keep; ++i) {
    if (cells[i] == 0) continue;                               // tail of a wide character
    if (cellWidth(cells[i]) == 2 && i + 1 >= keep) break;      // never split one
    appendUtf8(out, cells[i]);
  }
  return collapseDots ? collapseDotRuns(out) : out;
}

void normalizeProgram(ProgramBuffer& buffer, int width) {
  for (int n = 1; n <= buffer.lineCount(); ++n) {
    const std::string_view line = buffer.line(n);
    if (!line.empty() && line.front() == '(') continue;
    buffer.storeLine(n, normalizeBlock(line, true, nullptr, width));
  }
}

}  // namespace vorn
