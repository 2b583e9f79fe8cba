#include "interp/word_reader.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string>

namespace vorn {
namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Copies the readable numeric prefix into buf in the form from_chars takes
// (no "+", "E" for a "D" exponent); returns its length, 0 when there is none.
size_t numericPrefix(std::string_view text, char* buf, size_t cap) {
  size_t i = 0, n = 0;
  auto put = [&](char c) {
    if (n < cap) buf[n++] = c;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') put('-');
    ++i;
  }
  bool digits = false;
  while (i < text.size() && isDigit(text[i])) put(text[i++]), digits = true;
  if (i < text.size() && text[i] == '.') {
    put(text[i++]);
    while (i < text.size() && isDigit(text[i])) put(text[i++]), digits = true;
  }
  if (!digits) return 0;
  if (i < text.size() && (text[i] == 'E' || text[i] == 'e' || text[i] == 'D' || text[i] == 'd')) {
    size_t j = i + 1;
    bool minus = false;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) minus = text[j++] == '-';
    if (j < text.size() && isDigit(text[j])) {
      put('e');
      if (minus) put('-');
      while (j < text.size() && isDigit(text[j])) put(text[j++]);
    }
  }
  return n < cap ? n : 0;
}

// Exact powers of ten in double precision.
constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                             1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

constexpr double kInversePow10[] = {1e0, 1e-1, 1e-2, 1e-3, 1e-4, 1e-5, 1e-6, 1e-7, 1e-8};

// The common word value, a short decimal without exponent, read directly:
// with at most 15 digits the digits form an exact double and so does 10^k,
// so their quotient is the correctly rounded double that from_chars gives.
// False when the text needs the general reader.
bool shortDecimal(std::string_view text, float* value) {
  const char* p = text.data();
  const char* const end = p + text.size();
  bool negative = false;
  if (p != end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  // Digits before and after one "."; more than 15 in all may wrap the
  // mantissa, but such a value goes to the general reader anyway.
  uint64_t mantissa = 0;
  const char* start = p;
  while (p != end && isDigit(*p)) mantissa = mantissa * 10 + uint64_t(*p++ - '0');
  const long whole = p - start;
  long fraction = 0;
  if (p != end && *p == '.') {
    start = ++p;
    while (p != end && isDigit(*p)) mantissa = mantissa * 10 + uint64_t(*p++ - '0');
    fraction = p - start;
  }
  if (whole + fraction == 0 || whole + fraction > 15) return false;
  if (p != end && (*p == 'E' || *p == 'e' || *p == 'D' || *p == 'd')) return false;
  *value = decimalValue(mantissa, int(fraction), negative);
  return true;
}

}  // namespace

// Below 2^24 with at most eight fraction digits a product with the rounded
// reciprocal rounds to the same single as the quotient (a division takes
// several times as long): its error, under 2^-51 of the value, is smaller
// than the distance from the value to any halfway point between two singles.
float decimalValue(uint64_t mantissa, int fraction, bool negative) {
  const double v = mantissa < (1u << 24) && fraction <= 8 ? double(mantissa) * kInversePow10[fraction]
                                                          : double(mantissa) / kPow10[fraction];
  return float(negative ? -v : v);
}

float wordValue(std::string_view text) {
  float quick = 0;
  if (shortDecimal(text, &quick)) return quick;
  // Long digit strings are cut to what fits; a value that long is far outside
  // single precision anyway, where it is clamped below.
  char buf[400];
  size_t n = numericPrefix(text.substr(0, 350), buf, sizeof buf);
  if (n == 0) return 0;
  double v = 0;
  auto [end, ec] = std::from_chars(buf, buf + n, v);
  if (ec == std::errc::result_out_of_range) {
    // Underflow reads as 0; overflow as the largest single of its sign.
    bool negative = buf[0] == '-';
    std::string_view digits(buf, n);
    size_t e = digits.find('e');
    bool small = e != std::string_view::npos && e + 1 < n && buf[e + 1] == '-';
    if (small) return negative ? -0.0f : 0.0f;
    return negative ? -FLT_MAX : FLT_MAX;
  }
  if (ec != std::errc()) return 0;
  if (v > FLT_MAX) return FLT_MAX;
  if (v < -FLT_MAX) return -FLT_MAX;
  return static_cast<float>(v);
}

float unitValue(const Word& word, float IDMX) {
  for (char c : word.text) {  // words are short: no search call
    if (c == '.') return word.value;
  }
  return word.value / IDMX;
}

std::vector<Word> blockWords(std::string_view block) {
  std::vector<Word> words;
  forEachWord(block, [&](const Word& w) { words.push_back(w); });
  return words;
}

LineCheck checkLine(std::string_view line, int skipMode, std::string* error) {
  if (line.empty()) return LineCheck::Pass;
  unsigned char c1 = static_cast<unsigned char>(line[0]);
  if (c1 < 'A') {
    if (c1 != '(' && c1 != '/') {
      if (error) *error = "AZ(/";
      return LineCheck::Error;
    }
  } else if (line.size() > 1 && line[1] >= 'A' && line[1] <= 'Z') {
    if (error) *error = "AZxW";
    return LineCheck::Error;
  }
  if (skipMode == 1 && c1 == '/') return LineCheck::Skip;
  return LineCheck::Pass;
}

}  // namespace vorn
