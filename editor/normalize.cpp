#include "editor/normalize.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "editor/program_buffer.h"
#include "runtime/byte_words.h"
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

// Byte classes for the ASCII path.
enum : uint8_t { kNumber = 1, kAddress = 2, kBlank = 4 };
constexpr std::array<uint8_t, 256> kClass = [] {
  std::array<uint8_t, 256> t{};
  for (int c = 0; c < 256; ++c) {
    if (c > 64) t[c] |= kAddress;
    if (c >= 43 && c <= 57) t[c] |= kNumber;
  }
  t[' '] |= kBlank;
  return t;
}();

// Whether the text is ASCII already in normal form, ASCII that the rules
// change, or wider text. Eight bytes at a time, without a branch per word:
// a blank to add, blanks to collapse (or a leading or trailing one), a run of
// "." (when collapsed), letters to upper-case or a comment whose case stays
// (when upper-casing).
enum class AsciiForm { Normal, Changed, Wide };
AsciiForm asciiForm(std::string_view text, bool collapseDots, bool upcase) {
  using bytes8::above, bytes8::equal;
  const uint64_t dotRule = collapseDots ? ~uint64_t(0) : 0, caseRule = upcase ? ~uint64_t(0) : 0;
  uint64_t bytesSeen = 0, changes = 0;
  // The class of the byte before the word, in its lowest byte; a blank before
  // the first one makes a leading blank count as a repeated one.
  uint64_t numberBefore = 0, blankBefore = 0x80, dotBefore = 0;
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  for (size_t at = 0; at < text.size(); at += 8) {
    const uint64_t w = bytes8::load(begin + at, begin, end);  // past the end: 0, in no class
    bytesSeen |= w;  // the classes below hold only while every byte is ASCII
    const uint64_t number = above(w, 42) & ~above(w, 57);
    const uint64_t blank = equal(w, ' '), dot = equal(w, '.');
    // Each byte's left neighbour sits one byte lower (little-endian words).
    changes |= above(w, 64) & ((number << 8) | numberBefore);
    changes |= blank & ((blank << 8) | blankBefore);
    changes |= dotRule & dot & ((dot << 8) | dotBefore);
    changes |= caseRule & ((above(w, 'a' - 1) & ~above(w, 'z')) | equal(w, '('));
    numberBefore = number >> 56;
    blankBefore = blank >> 56;
    dotBefore = dot >> 56;
  }
  if (bytesSeen & bytes8::kHighs) return AsciiForm::Wide;
  if (changes || (!text.empty() && text.back() == ' ')) return AsciiForm::Changed;
  return AsciiForm::Normal;
}

// In place: every run of "." becomes one ".".
void collapseDotRunsInPlace(std::string& s) {
  size_t w = 0;
  for (size_t r = 0; r < s.size(); ++r) {
    if (s[r] == '.' && w > 0 && s[w - 1] == '.') continue;
    s[w++] = s[r];
  }
  s.resize(w);
}

// The rule of normalizeBlock for ASCII text, where every character is one
// cell: cells are written straight into `out` as long as they fit.
template <bool Upcase>
void normalizeAscii(std::string_view text, std::string& out, bool* cut, int width) {
  const size_t kept = width > 0 ? size_t(width) : 2 * text.size() + 2;
  out.resize(std::min(kept, 2 * text.size()));  // room for every cell that can be kept
  char* cells = out.data();
  size_t length = 0;  // output length in cells (may run past the cells kept)
  uint8_t previous = kBlank;
  bool lastBlank = false;
  bool inComment = false;
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if constexpr (Upcase) {
      if (c == '(') inComment = true;
      else if (c == ')') inComment = false;
      else if (!inComment && c >= 'a' && c <= 'z') c = c - 'a' + 'A';
    }
    const uint8_t cls = kClass[c];
    lastBlank = cls & kBlank;
    if ((cls & kAddress) && (previous & kNumber)) {  // leave a blank
      if (length < kept) cells[length] = ' ';
      ++length;
    }
    if ((cls & kBlank) && (previous & kBlank)) continue;
    if (length < kept) cells[length] = char(c);
    ++length;
    previous = cls;
  }
  const size_t keep = length - (lastBlank && length > 0 ? 1 : 0);
  if (cut) *cut = keep > kept;
  out.resize(std::min(keep, kept));
}

void normalizeAscii(std::string_view text, std::string& out, bool* cut, int width, bool upcase) {
  if (upcase) normalizeAscii<true>(text, out, cut, width);
  else normalizeAscii<false>(text, out, cut, width);
}

}  // namespace

bool normalizeAsciiBlockInto(std::string_view text, std::string& out, bool collapseDots, bool* cut, int width,
                             bool upcase) {
  const AsciiForm form = asciiForm(text, collapseDots, upcase);
  if (form == AsciiForm::Wide) return false;
  if (form == AsciiForm::Normal && (width <= 0 || text.size() <= size_t(width))) {
    out.assign(text);  // most blocks are already in normal form
    if (cut) *cut = false;
    return true;
  }
  normalizeAscii(text, out, cut, width, upcase);
  if (collapseDots) collapseDotRunsInPlace(out);
  return true;
}

void normalizeBlockInto(std::string_view text, std::string& out, bool collapseDots, bool* cut, int width,
                        bool upcase) {
  if (normalizeAsciiBlockInto(text, out, collapseDots, cut, width, upcase)) return;
  if (!upcase) {
    out = normalizeBlock(text, collapseDots, cut, width);
    return;
  }
  // Upper-case outside parentheses first; comments keep their case.
  std::string upper(text);
  bool inComment = false;
  for (char& c : upper) {
    if (c == '(') inComment = true;
    else if (c == ')') inComment = false;
    else if (!inComment && c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  }
  out = normalizeBlock(upper, collapseDots, cut, width);
}

void normalizeIncludedLine(std::string_view text, std::string& out) { normalizeBlockInto(text, out); }

std::string normalizeBlock(std::string_view text, bool collapseDots, bool* cut, int width) {
  if (std::string ascii; normalizeAsciiBlockInto(text, ascii, collapseDots, cut, width, false)) return ascii;
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
