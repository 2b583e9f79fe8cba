#pragma once
// The block word reader: splits one block into address words at blanks, with
// the ";" terminator rule, and the value and unit rules every address uses.
// The interpreter and the editor's pattern calculator both read blocks here.
#include <cstdint>
#include <string_view>
#include <vector>

namespace vorn {

struct Word {
  char letter = 0;         // first character of the word (any byte; only D-Z select a routine)
  float value = 0;         // numeric prefix of the rest of the word, 0 when none
  std::string_view text;   // the whole word, letter included
  int position = 1;        // 1-based column where the word starts in the block
};

// The numeric prefix of text: optional sign, digits, one ".", digits, an
// optional exponent (E or D); reading stops at the first other character and
// nothing readable gives 0. Magnitudes beyond single precision are clamped to
// the largest float, so a value is always finite.
float wordValue(std::string_view text);

// mantissa / 10^fraction (fraction 0 to 22) in single precision, the sign
// applied: the double quotient rounded to single, as the readers give it.
float decimalValue(uint64_t mantissa, int fraction, bool negative);

// The unit rule: a word written without "." is divided by the unit divisor
// IDMX (1, 10, 100 or 1000); with a decimal point it is millimetres as written.
float unitValue(const Word& word, float IDMX);

// Calls f(word) for each word of the block in order. Words are separated by
// single blanks; a word sorting at or below ";" (empty, starting with a digit,
// sign or punctuation) is skipped; a word that is exactly ";" ends the block.
// Comments are not removed here.
template <class F>
void forEachWord(std::string_view block, F&& f);

// The same words as a list (for callers that read a block once).
std::vector<Word> blockWords(std::string_view block);

// Result of the line-level checks the run loop applies to the raw line.
enum class LineCheck { Pass, Skip, Error };

// Checks a raw line: empty passes; a first character before "A" passes only
// when it is "(" or "/" (else "AZ(/"); two capital letters at the start give
// "AZxW"; a "/" line is skipped when skipMode is 1. *error gets the text.
LineCheck checkLine(std::string_view line, int skipMode, std::string* error);

// --- implementation of the template ---

template <class F>
void forEachWord(std::string_view block, F&& f) {
  const char* data = block.data();
  const size_t size = block.size();
  size_t pos = 0;
  while (pos <= size) {
    size_t space = pos;
    while (space < size && data[space] != ' ') ++space;  // words are short: no search call
    // A word sorts above ";" (bytes compared unsigned) when its first byte
    // does, or when it is ";" followed by more.
    if (space > pos) {
      const unsigned char first = static_cast<unsigned char>(data[pos]);
      if (first == ';' && space == pos + 1) return;
      if (first >= ';') {
        const std::string_view word(data + pos, space - pos);
        Word w;
        w.letter = word[0];
        w.value = wordValue(word.substr(1));
        w.text = word;
        w.position = static_cast<int>(pos) + 1;
        f(w);
      }
    }
    pos = space + 1;
  }
}

}  // namespace vorn
