#include "editor/normalize.h"

#include <gtest/gtest.h>

#include "editor/program_buffer.h"

#include <random>
#include <vector>

namespace vorn {
namespace {

struct NormCase {
  const char* in;
  const char* out;
  bool dots;
};

TEST(NormalizeBlock, Examples) {
  const NormCase cases[] = {
      {"G01X10.Y-5.", "G01 X10. Y-5.", true},
      {"G01X10", "G01 X10", true},
      {"X10..5", "X10.5", true},
      {"X10..5", "X10..5", false},                      // loading skips the ".." rule
      {"X1...5", "X1.5", true},                         // a run of dots becomes one
      {"  G00   X1  Y2  ", "G00 X1 Y2", true},          // leading, repeated and trailing blanks
      {"G00 X1 ", "G00 X1", true},
      {"", "", true},
      {" ", "", true},
      {"G1X-1.5Y+2/N10", "G1 X-1.5 Y+2/ N10", true},    // + and / before a letter count too
      {"O0010(TITLE)", "O0010(TITLE)", true},            // "(" is below "A": no blank
      {"M3S1000", "M3 S1000", true},
      {"X1a", "X1 a", true},                             // lower case is above "@"
      {"X1@", "X1@", true},                              // "@" is not
      {"G1X1ｱ", "G1 X1 ｱ", true},                       // half-width katakana counts as above "@"
      {"(ﾃｽﾄ 1)", "(ﾃｽﾄ 1)", true},
      {"X1  ", "X1", true},
  };
  for (const NormCase& c : cases) {
    EXPECT_EQ(normalizeBlock(c.in, c.dots), c.out) << "input \"" << c.in << "\" dots=" << c.dots;
  }
}

TEST(NormalizeBlock, CutsAtSeventyCells) {
  const std::string longBlock(100, 'X');
  EXPECT_EQ(normalizeBlock(longBlock), std::string(70, 'X'));
  // Inserted blanks count towards the 70: "X1" pairs become "X1 " (3 cells).
  std::string pairs;
  for (int i = 0; i < 30; ++i) pairs += "X1";
  const std::string out = normalizeBlock(pairs);
  EXPECT_EQ(out.size(), 70u);
  EXPECT_EQ(out.substr(0, 6), "X1 X1 ");
}

TEST(NormalizeBlock, WideCharacterNeverSplitAtTheCut) {
  // 69 cells of ASCII then a two-cell character: it cannot fit and is dropped.
  const std::string in = std::string(69, 'A') + "漢";
  const std::string out = normalizeBlock(in);
  EXPECT_EQ(out, std::string(69, 'A'));
  // Full-width text takes two cells a character.
  EXPECT_EQ(normalizeBlock("(漢字)"), "(漢字)");
}

// The block rule written plainly over one cell per character, as an oracle
// for the byte-table path that ASCII lines take.
std::string plainRule(const std::string& text, bool dots, bool* cut, int width) {
  const int kept = width > 0 ? width : int(2 * text.size() + 2);
  std::vector<char> cells(size_t(kept), ' ');
  int length = 0;
  char previous = ' ', last = 0;
  for (char c : text) {
    last = c;
    if (c > 64 && previous >= 43 && previous <= 57) ++length;
    if (c == ' ' && previous == ' ') continue;
    if (length < kept) cells[size_t(length)] = c;
    ++length;
    previous = c;
  }
  int keep = length - (last == ' ' ? 1 : 0);
  *cut = keep > kept;
  keep = std::max(0, std::min(keep, kept));
  std::string out(cells.begin(), cells.begin() + keep);
  if (!dots) return out;
  std::string collapsed;
  for (char c : out) {
    if (c == '.' && !collapsed.empty() && collapsed.back() == '.') continue;
    collapsed.push_back(c);
  }
  return collapsed;
}

TEST(NormalizeBlock, AsciiMatchesThePlainRule) {
  std::mt19937 rng(17);
  const std::string alphabet = " .-+,/0123456789GXYZNOabc()%;";
  std::string into;
  for (int i = 0; i < 20000; ++i) {
    std::string text(rng() % 120, ' ');
    for (char& c : text) c = alphabet[rng() % alphabet.size()];
    for (int width : {70, 0, 5}) {
      for (bool dots : {true, false}) {
        bool cutWanted = false, cut = false, cutInto = false;
        const std::string want = plainRule(text, dots, &cutWanted, width);
        ASSERT_EQ(normalizeBlock(text, dots, &cut, width), want) << '"' << text << '"';
        EXPECT_EQ(cut, cutWanted) << '"' << text << '"';
        normalizeBlockInto(text, into, dots, &cutInto, width);
        ASSERT_EQ(into, want);
        EXPECT_EQ(cutInto, cutWanted);
      }
    }
  }
}

// Blocks already in normal form are taken as they are; one changed byte
// anywhere (a blank, a doubled blank or ".", a lower-case letter, a comment,
// a long block) must still go through the rule.
TEST(NormalizeBlock, NearlyNormalBlocksMatchThePlainRule) {
  std::mt19937 rng(29);
  const char* words[] = {"G01", "X12.5", "Y-3.", "Z0", "F200.", "N10", "M03", "S1000", "I-1.25", "J.5", "/", "%"};
  const std::string changes = " .a(x)Z;";
  std::string into;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    for (int n = int(rng() % 12); n >= 0; --n) text += std::string(text.empty() ? "" : " ") + words[rng() % 12];
    if (i % 3 != 0 && !text.empty()) text.insert(rng() % (text.size() + 1), 1, changes[rng() % changes.size()]);
    for (bool upcase : {false, true}) {
      // Upper-casing outside parentheses, then the block rule.
      std::string upper = text;
      bool comment = false;
      for (char& c : upper) {
        if (c == '(') comment = true;
        else if (c == ')') comment = false;
        else if (upcase && !comment && c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
      }
      for (int width : {70, 0, 12}) {
        for (bool dots : {true, false}) {
          bool cutWanted = false, cut = true;
          const std::string want = plainRule(upper, dots, &cutWanted, width);
          normalizeBlockInto(text, into, dots, &cut, width, upcase);
          ASSERT_EQ(into, want) << '"' << text << "\" upcase=" << upcase << " width=" << width;
          ASSERT_EQ(cut, cutWanted) << '"' << text << '"';
        }
      }
    }
  }
}

TEST(NormalizeBlock, UpcaseOutsideParenthesesOnly) {
  std::string out;
  normalizeBlockInto("g01x1.(keep me)y2", out, false, nullptr, 70, true);
  EXPECT_EQ(out, "G01 X1.(keep me)Y2");
  normalizeBlockInto("g01x1(あ)y2", out, false, nullptr, 70, true);  // the general path
  EXPECT_EQ(out, "G01 X1(あ)Y2");
}

TEST(NormalizeProgram, SkipsCommentLines) {
  ProgramBuffer buffer(100);
  buffer.assign({"G01X10..5", "( KEEP  ME )", "O10", "M30 "});
  normalizeProgram(buffer);
  EXPECT_EQ(buffer.line(1), "G01 X10.5");
  EXPECT_EQ(buffer.line(2), "( KEEP  ME )");
  EXPECT_EQ(buffer.line(3), "O10");
  EXPECT_EQ(buffer.line(4), "M30");
  EXPECT_FALSE(buffer.index().SFONT.empty());
}

}  // namespace
}  // namespace vorn
