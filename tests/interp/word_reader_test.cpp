#include "interp/word_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace vorn {
namespace {

TEST(WordValue, ReadsTheNumericPrefix) {
  struct Case {
    const char* text;
    float value;
  } cases[] = {
      {"10", 10},        {"-5.", -5},       {"+3", 3},        {".5", 0.5f},   {"1.5E2", 150},
      {"1D2", 100},      {"2e-1", 0.2f},    {"12X3", 12},     {"", 0},        {"abc", 0},
      {"-", 0},          {".", 0},          {"1e", 1},        {"3.25.4", 3.25f},
      {"1e999", FLT_MAX}, {"-1e999", -FLT_MAX}, {"1e-999", 0}, {"0x10", 0},
  };
  for (const Case& c : cases) EXPECT_FLOAT_EQ(wordValue(c.text), c.value) << c.text;
}

TEST(WordValue, HugeDigitRunsStayFinite) {
  std::string digits(5000, '9');
  EXPECT_EQ(wordValue(digits), FLT_MAX);
  EXPECT_EQ(wordValue("0." + digits), 1.0f);
}

// Short decimals take a direct path; it must give the very float that the
// correctly rounded double reading gives, sign of zero included.
TEST(WordValue, ShortDecimalsMatchTheCorrectlyRoundedReading) {
  std::mt19937 rng(17);
  for (int i = 0; i < 200000; ++i) {
    std::string text = (rng() % 3 == 0) ? "-" : "";
    const int before = int(rng() % 9), after = int(rng() % 9);
    for (int d = 0; d < before; ++d) text += char('0' + rng() % 10);
    if (rng() % 4 != 0) text += '.';
    for (int d = 0; d < after; ++d) text += char('0' + rng() % 10);
    std::string plain;
    for (char c : text) if (c != '.' || plain.find('.') == std::string::npos) plain += c;
    double want = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), want);
    if (ec != std::errc() || plain.find_first_of("0123456789") == std::string::npos) continue;
    const float got = wordValue(text + "X");
    ASSERT_EQ(got, static_cast<float>(want)) << text;
    ASSERT_EQ(std::signbit(got), std::signbit(want)) << text;
  }
}

// Every mantissa the fast product takes, at every fraction length: the
// single it gives is the rounded double quotient's.
TEST(WordValue, DecimalValueEqualsTheRoundedQuotientForEveryShortMantissa) {
  constexpr double kPow10[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e15, 1e22};
  for (int fraction : {0, 1, 2, 3, 4, 5, 6, 7, 8}) {
    long mismatches = 0;
    for (uint64_t m = 0; m < (1u << 24) + 1000; ++m) {
      mismatches += decimalValue(m, fraction, false) != float(double(m) / kPow10[fraction]);
    }
    EXPECT_EQ(mismatches, 0) << "fraction " << fraction;
  }
  EXPECT_EQ(decimalValue(123456789012345, 15, false), float(123456789012345 / 1e15));
  EXPECT_EQ(decimalValue(7, 22, true), float(-7 / 1e22));
  EXPECT_TRUE(std::signbit(decimalValue(0, 3, true)));
}

TEST(UnitRule, DividesOnlyWordsWithoutPoint) {
  Word plain{'X', 125, "X125", 1}, point{'X', 125, "X125.", 1};
  EXPECT_FLOAT_EQ(unitValue(plain, 10), 12.5f);
  EXPECT_FLOAT_EQ(unitValue(point, 10), 125);
  EXPECT_FLOAT_EQ(unitValue(plain, 1000), 0.125f);
}

TEST(BlockWords, SplitsAtBlanksAndStopsAtStandaloneSemicolon) {
  struct Case {
    const char* block;
    const char* letters;
  } cases[] = {
      {"G01 X10 ; Y20", "GX"},
      {"G01  X10", "GX"},          // an empty word from two blanks is skipped
      {"G01 10 -5 X1", "GX"},      // words starting with digits or signs are skipped
      {"X1 ;Y2", "X;"},            // ";Y2" sorts above ";": read, and ignored by the interpreter
      {";", ""},
      {"", ""},
      {"G01X10", "G"},             // unformatted text is one word
      {"X1 : . < Y2", "X<Y"},      // ":" and "." sort below ";", "<" above
      {"X1 \xef\xbd\xb1 Y2", "X\xefY"},  // bytes above 127 sort above ";" too
      {" X1 ", "X"},               // blanks at both ends
      {"X1 ; ", "X"},
  };
  for (const Case& c : cases) {
    std::string letters;
    for (const Word& w : blockWords(c.block)) letters += w.letter;
    EXPECT_EQ(letters, c.letters) << c.block;
  }
  std::vector<Word> w = blockWords("N10 O1000");
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(w[1].position, 5);
  EXPECT_EQ(w[1].text, "O1000");
}

// Random blocks of every length up to 80 bytes split as a plain search for
// blanks does: the same words at the same places.
TEST(BlockWords, EveryBlockLengthSplitsAsASearchForBlanks) {
  const std::string alphabet = "GX1.- ;\xa0\xe3(!";  // \xa0: a blank with its high bit set; "!": one above
  std::mt19937 random(11);
  for (int round = 0; round < 20000; ++round) {
    std::string block;
    const int length = round % 81;
    for (int i = 0; i < length; ++i) block += alphabet[random() % alphabet.size()];
    std::vector<std::pair<int, std::string>> expected;
    for (size_t pos = 0; pos <= block.size();) {
      size_t space = std::min(block.find(' ', pos), block.size());
      const std::string word = block.substr(pos, space - pos);
      if (word == ";") break;
      if (!word.empty() && static_cast<unsigned char>(word[0]) >= ';') expected.emplace_back(int(pos) + 1, word);
      pos = space + 1;
    }
    std::vector<std::pair<int, std::string>> got;
    for (const Word& w : blockWords(block)) got.emplace_back(w.position, std::string(w.text));
    ASSERT_EQ(got, expected) << "[" << block << "]";
  }
}

TEST(LineCheck, AppliesTheLineRulesInOrder) {
  struct Case {
    const char* line;
    int skipMode;
    LineCheck result;
    const char* error;
  } cases[] = {
      {"", 1, LineCheck::Pass, ""},         {"%", 1, LineCheck::Error, "AZ(/"},
      {"1G01", 1, LineCheck::Error, "AZ(/"}, {" G01", 1, LineCheck::Error, "AZ(/"},
      {"GX10", 1, LineCheck::Error, "AZxW"}, {"G01 X1", 1, LineCheck::Pass, ""},
      {"(note", 1, LineCheck::Pass, ""},    {"/G01 X1", 1, LineCheck::Skip, ""},
      {"/G01 X1", 0, LineCheck::Pass, ""},  {"x10", 1, LineCheck::Pass, ""},
      {"G", 1, LineCheck::Pass, ""},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(checkLine(c.line, c.skipMode, &error), c.result) << c.line;
    EXPECT_EQ(error, c.error) << c.line;
  }
}

}  // namespace
}  // namespace vorn
