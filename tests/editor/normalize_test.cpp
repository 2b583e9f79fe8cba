#include "editor/normalize.h"

#include <gtest/gtest.h>

#include "editor/program_buffer.h"

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
