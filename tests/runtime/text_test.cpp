#include "runtime/text.h"

#include <gtest/gtest.h>

#include <string>

namespace vorn {
namespace {

TEST(Text, RoundTripsThroughCodePage932) {
  const std::string samples[] = {
      "",
      "G01 X10.5 Y-3",
      "ｱｲｳｴｵ ﾃｽﾄ",             // half-width katakana: one byte each
      "加工プログラム　終了",  // full-width: two bytes each
      "¥100 ‾",               // yen and overline map onto single bytes
      "±×÷①Ⅰ㈱",
  };
  for (const std::string& s : samples) {
    int missing = -1;
    std::string bytes = toCp932(s, &missing);
    EXPECT_EQ(missing, 0) << s;
    EXPECT_EQ(static_cast<int>(bytes.size()), textWidth(s)) << s;
    std::string back = fromCp932(bytes);
    if (s.find("¥") == std::string::npos) {
      EXPECT_EQ(back, s) << s;
    }
  }
  EXPECT_EQ(toCp932("ｱ"), "\xB1");
  EXPECT_EQ(toCp932("あ"), "\x82\xA0");
}

TEST(Text, UnconvertibleCharactersBecomeQuestionMarks) {
  int missing = 0;
  EXPECT_EQ(toCp932("aé한😀b", &missing), "a???b");
  EXPECT_EQ(missing, 3);
  // Invalid UTF-8 never throws: each bad byte is one "?".
  EXPECT_EQ(toCp932("x\xC3\xFFy", &missing), "x??y");
  EXPECT_EQ(missing, 2);
}

TEST(Text, InvalidCodePage932BytesBecomeReplacementCharacters) {
  struct Case { std::string bytes, utf8; };
  const Case cases[] = {
      {"A\x80" "B", "A\uFFFD" "B"},
      {"\xA0\xFD\xFE\xFF", "\uFFFD\uFFFD\uFFFD\uFFFD"},
      {"ok\x82", "ok\uFFFD"},                // lead byte cut short at the end
      {"\x82\xA0\x82", "あ\uFFFD"},
      {std::string("a\0b", 3), std::string("a\0b", 3)},
  };
  for (const Case& c : cases) EXPECT_EQ(fromCp932(c.bytes), c.utf8) << c.bytes;
}

TEST(Text, DecodesUtf8Strictly) {
  struct Case { std::string in; std::u32string cps; };
  const Case cases[] = {
      {"aé€😀", U"aé€😀"},
      {"\xC0\xAF", U"\uFFFD\uFFFD"},        // overlong
      {"\xED\xA0\x80", U"\uFFFD\uFFFD\uFFFD"},  // surrogate
      {"\xE3\x81", U"\uFFFD\uFFFD"},        // truncated
      {"\xF4\x90\x80\x80", U"\uFFFD\uFFFD\uFFFD\uFFFD"},  // beyond U+10FFFF
  };
  for (const Case& c : cases) {
    std::u32string got;
    for (size_t pos = 0; pos < c.in.size();) got.push_back(nextCodePoint(c.in, pos));
    EXPECT_EQ(got, c.cps) << c.in;
  }
  std::string round;
  for (char32_t cp : std::u32string(U"aé€😀")) appendUtf8(round, cp);
  EXPECT_EQ(round, "aé€😀");
}

TEST(Text, WidthsCountCodePage932Bytes) {
  struct Case { char32_t cp; int width; };
  const Case cases[] = {
      {U'A', 1},  {U'\t', 1}, {U'ｱ', 1}, {U'ﾟ', 1},  {U'｡', 1},   {U'¥', 1},
      {U'あ', 2}, {U'漢', 2}, {U'　', 2}, {U'±', 2},  {U'①', 2},  {U'Ａ', 2},
      {U'é', 1},  {U'한', 2}, {U'😀', 2}, {U'\uFFFD', 1}, {U'𠀋', 2},
  };
  for (const Case& c : cases) EXPECT_EQ(cellWidth(c.cp), c.width) << std::hex << static_cast<uint32_t>(c.cp);
  EXPECT_EQ(textWidth("ABｱあ漢"), 7);
  EXPECT_EQ(charCount("ABｱあ漢"), 5);
  EXPECT_EQ(textWidth("\xFF\xFE"), 2);
}

TEST(Text, CutPadAndMidNeverSplitACharacter) {
  const std::string s = "aあbい";  // columns: a=0, あ=1-2, b=3, い=4-5
  struct Case { int width; const char* cut; const char* pad; };
  const Case cases[] = {
      {0, "", ""}, {1, "a", "a"}, {2, "a", "a "}, {3, "aあ", "aあ"},
      {5, "aあb", "aあb "}, {6, "aあbい", "aあbい"}, {8, "aあbい", "aあbい  "},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cutToWidth(s, c.width), c.cut) << c.width;
    EXPECT_EQ(padToWidth(s, c.width), c.pad) << c.width;
  }
  EXPECT_EQ(padToWidth(s, -1), "");

  struct Mid { int from, width; const char* out; };
  const Mid mids[] = {
      {0, 3, "aあ"}, {1, 2, "あ"}, {2, 2, " b"}, {0, 2, "a "},
      {3, 10, "bい"}, {5, 1, " "}, {6, 3, ""}, {1, 0, ""},
  };
  for (const Mid& m : mids) EXPECT_EQ(midByWidth(s, m.from, m.width), m.out) << m.from << "," << m.width;
}

}  // namespace
}  // namespace vorn
