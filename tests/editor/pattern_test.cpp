#include "editor/pattern.h"

#include <gtest/gtest.h>

#include "editor/program_list.h"

namespace vorn {
namespace {

TEST(CoordinateText, DecimalsRoundingAndZeros) {
  struct Case { float v; int V2; const char* text; } cases[] = {
      {10.0f, 3, "10."},
      {12.5f, 3, "12.5"},
      {9.995f, 3, "10."},       // a near-whole value is rounded up
      {-9.995f, 3, "-10."},
      {0.0004f, 3, "0"},        // below 1/10^V2
      {0.0f, 3, "0"},
      {1.23456f, 3, "1.234"},   // cut, not rounded
      {-0.5f, 3, "-.5"},
      {1.5f, 0, "1."},
      {100.0f, 2, "100."},
      {0.00015f, 5, ".00015"},  // exponent form written out
      {1e8f, 3, "100000000."},
      {1.5e-7f, 8, ".00000015"},    // exponent form, written like the plain form
      {-1.5e-7f, 8, "-.00000015"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(coordinateText(c.v, c.V2), c.text) << c.v << " with V2=" << c.V2;
  }
}

std::vector<std::string> blocksFor(const char* line, int V2 = 3, int max = 1000) {
  return patternBlocks(readPattern(line), V2, max);
}

TEST(Pattern, FullCircleClosesOnItsStartPoint) {
  const auto blocks = blocksFor("(!X10Y20R5I90K0");
  const std::vector<std::string> expected = {"X15. Y20.", "X10. Y25.", "X5. Y20.", "X10. Y15.", "X15. Y20."};
  EXPECT_EQ(blocks, expected);
}

TEST(Pattern, CountPitchStartAngleAndEllipse) {
  EXPECT_EQ(blocksFor("(!X0 Y0 R10 I45 J90 K2"), (std::vector<std::string>{"X0 Y10.", "X-7.071 Y7.071"}));
  EXPECT_EQ(blocksFor("(!R10 Q20 I90 K2"), (std::vector<std::string>{"X20. Y0", "X0 Y10."}));
  EXPECT_EQ(blocksFor("(!R10 I90").size(), 1u) << "without K one point";
}

TEST(Pattern, StrokeGivesAG0AndAG1PerPointAndNoClosingBlock) {
  const auto blocks = blocksFor("(!X0Y0R10I180K0Z2");
  const std::vector<std::string> expected = {"G0 X10. Y0", "G1 X12. Y0", "G0 X-10. Y0", "G1 X-12. Y0"};
  EXPECT_EQ(blocks, expected);
}

TEST(Pattern, SpiralGrowsTheRadius) {
  EXPECT_EQ(blocksFor("(!R10 I90 K3 V1"), (std::vector<std::string>{"X10. Y0", "X0 Y11.", "X-12. Y0"}));
}

TEST(Pattern, RadiusZeroMakesARow) {
  EXPECT_EQ(blocksFor("(!X5 Y5 R0 J0 V10 K3"), (std::vector<std::string>{"X5. Y5.", "X15. Y5.", "X25. Y5."}));
  EXPECT_EQ(blocksFor("(!Q10 J90 V10 K2 Z3 I0"),
            (std::vector<std::string>{"G0 X0 Y0", "G1 X3. Y0", "G0 X0 Y10.", "G1 X3. Y10."}));
}

TEST(Pattern, EndlessOrHugePatternsAreBounded) {
  EXPECT_TRUE(blocksFor("(!R10 I0 K0").empty()) << "a full turn of 0-degree steps";
  EXPECT_EQ(blocksFor("(!R10 I1 K999999", 3, 50).size(), 50u);
  EXPECT_FALSE(isPatternLine("(X"));
  EXPECT_TRUE(isPatternLine("(!"));
}

TEST(ProgramList, EntryTextAndSeparator) {
  const std::string entry = programListEntry(10, "(MAIN PROGRAM)", 7);
  EXPECT_EQ(entry, "    10 (MAIN PROGRAM) ;      \x01 7");
  const std::string longTitle = programListEntry(1234, std::string(40, 'T'), 12345);
  EXPECT_EQ(longTitle, "  1234 " + std::string(22, 'T') + "\x01 12345");
}

}  // namespace
}  // namespace vorn
