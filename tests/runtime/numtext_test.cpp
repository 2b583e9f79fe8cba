#include "runtime/numtext.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>
#include <string>

namespace vorn {
namespace {

TEST(NumberText, PlainFormOfSingles) {
  struct Case { float v; const char* text; };
  const Case cases[] = {
      {0.0f, " 0"},           {-0.0f, " 0"},          {1.0f, " 1"},
      {-1.0f, "-1"},          {0.5f, " .5"},          {-0.25f, "-.25"},
      {0.1f, " .1"},          {0.3f, " .3"},          {1.5f, " 1.5"},
      {100.0f, " 100"},       {-123.456f, "-123.456"}, {3.14159265f, " 3.141593"},
      {1.0f / 3, " .3333333"}, {2.0f / 3, " .6666667"}, {1234567.0f, " 1234567"},
      // Up to seven integer digits stay fixed; eight take the exponent.
      {9999999.0f, " 9999999"}, {10000000.0f, " 1E+07"}, {12345678.0f, " 1.234568E+07"},
      {123456700.0f, " 1.234567E+08"}, {16777217.0f, " 1.677722E+07"}, {-2e9f, "-2E+09"},
      // Small values stay fixed while zeros after the point plus digits fit in seven.
      {0.001f, " .001"},      {0.0001234f, " .0001234"}, {1e-7f, " .0000001"},
      {1e-8f, " 1E-08"},      {1.5e-7f, " 1.5E-07"},  {0.00012345f, " 1.2345E-04"},
      {-1.25e-10f, "-1.25E-10"},
      {FLT_MAX, " 3.402823E+38"}, {1e38f, " 1E+38"}, {1.401298e-45f, " 1E-45"},
      // Rounding to seven digits that carries into a new power of ten.
      {9999999.5e3f, " 1E+10"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(numberText(c.v), c.text) << "value " << c.v;
    std::string trimmed = c.text[0] == ' ' ? std::string(c.text + 1) : std::string(c.text);
    EXPECT_EQ(numberTextTrim(c.v), trimmed) << "value " << c.v;
  }
  EXPECT_EQ(numberText(0), " 0");
  EXPECT_EQ(numberText(42), " 42");
  EXPECT_EQ(numberText(-32768), "-32768");
  EXPECT_EQ(numberText(std::nanf("")), " NaN");
  EXPECT_EQ(numberText(-INFINITY), "-Inf");
}

// What is written to a file is read back as the same single whenever the
// value has at most seven significant digits, and within half a unit of the
// seventh digit otherwise.
TEST(NumberText, ReadsBackThroughNumberValue) {
  for (int k = -20000; k <= 20000; k += 7) {
    float v = static_cast<float>(k) / 1000.0f;
    EXPECT_EQ(static_cast<float>(numberValue(numberText(v))), v) << k;
  }
  std::mt19937 random(7);
  std::uniform_real_distribution<float> mantissa(1.0f, 10.0f);
  std::uniform_int_distribution<int> exponent(-30, 30);
  for (int i = 0; i < 20000; ++i) {
    float v = mantissa(random) * std::pow(10.0f, static_cast<float>(exponent(random)));
    double back = numberValue(numberText(v));
    EXPECT_NEAR(back, v, std::fabs(v) * 5.1e-7) << numberText(v);
  }
}

TEST(NumberText, NumberValueReadsTheLeadingNumber) {
  struct Case { const char* text; double v; };
  const Case cases[] = {
      {" 12.5", 12.5}, {"-3", -3},   {"+7", 7},       {"1E3", 1000},  {"1D2", 100},
      {"2.5e-1", .25}, {"abc", 0},   {"", 0},         {"12abc", 12},  {"1E", 1},
      {"1E+", 1},      {".5", .5},   {"-.5x", -.5},   {"1.2.3", 1.2}, {" \t4", 4},
      {"- 3", 0},      {"-", 0},     {".", 0},        {"1,000", 1},   {" .0000001", 1e-7},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(numberValue(c.text), c.v) << '"' << c.text << '"';
}

TEST(NumberText, TemplatesFormatNumbers) {
  struct Case { const char* tmpl; double v; const char* out; };
  const Case cases[] = {
      {"####.###", 3.14159, "   3.142"},   {"####.###", -3.14159, "  -3.142"},
      {"####.###", 1234.5, "1234.500"},    {"####.###", 12345.6, "%12345.600"},
      {"####.###", 0, "   0.000"},         {"####.###", 0.5, "   0.500"},
      {"####.###", -0.0004, "   0.000"},   {"####.###", 0.0005, "   0.001"},
      {"####.###", -1234.5, "%-1234.500"},
      {"+###.###", 3.5, "  +3.500"},       {"+###.###", -3.5, "  -3.500"},
      {"+###.###", 0, "  +0.000"},         {"+###.###", 999.9996, "%+1000.000"},
      {"+###.###", -999.5, "-999.500"},
      {"#####", 12345, "12345"},           {"#####", 123456, "%123456"},
      {"#####", -1234, "-1234"},           {"#####", -12345, "%-12345"},
      {"#####", 2.5, "    3"},             {"#####", -2.5, "   -3"},
      {"#####", 0, "    0"},               {"#####", 99999.5, "%100000"},
      {"#####", 0.4, "    0"},             {"#####", -0.4, "    0"},
      // Half-way cases round away from zero on the digits the user sees.
      {"##.##", 2.675f, " 2.68"},          {"#.##", 1.005, "1.01"},
      {"#.##", 0.125, "0.13"},             {"#.##", -0.125, "-.13"},
      {"##.#", 1.25, " 1.3"},              {"##.#", -1.25, "-1.3"},
      {".##", 0.5, ".50"},                 {".##", 1.5, "%1.50"},
      {"##.", 3, " 3."},                   {"##", 1e30, "%1000000000000000000000000000000"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(formatTemplate(c.tmpl, {c.v}), c.out) << c.tmpl << " with " << c.v;
  }
}

TEST(NumberText, TemplatesWithTextFieldsLiteralsAndReuse) {
  using V = std::vector<TemplateValue>;
  struct Case { const char* tmpl; V values; const char* out; };
  const Case cases[] = {
      {" :##H##M", {1.0, 30.0}, " : 1H30M"},
      {" :##H##M", {12.0, 5.0}, " :12H 5M"},
      {"&  &", {std::string("ABCDEF")}, "ABCD"},
      {"&  &", {std::string("AB")}, "AB  "},
      {"&  &", {std::string("")}, "    "},
      {"&  &", {std::string("あいう")}, "あい"},
      {"&  &", {std::string("aあい")}, "aあ "},
      {"[&&]", {std::string("xyz")}, "[xy]"},
      {"X=##.# Y=##.#", {1.25, -2.0}, "X= 1.3 Y=-2.0"},
      {"##,", {1.0, 2.0, 3.0}, " 1, 2, 3,"},
      {"A## B##", {5.0}, "A 5 B"},
      {"Total: ###", {}, "Total: "},
      {"abc", {1.0}, "abc"},
      {"&x& ##", {7.0}, "&x&  7"},
      {"+ #", {4.0}, "+ 4"},
      // A value of the other kind is converted rather than dropped.
      {"&   &", {2.5}, "2.5  "},
      {"###", {std::string("12")}, " 12"},
  };
  for (const Case& c : cases) EXPECT_EQ(formatTemplate(c.tmpl, c.values), c.out) << c.tmpl;
}

}  // namespace
}  // namespace vorn
