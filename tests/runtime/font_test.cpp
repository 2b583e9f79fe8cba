#include "runtime/font.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "runtime/headless_backend.h"
#include "runtime/screen.h"

namespace vorn {
namespace {

int inkCount(const Glyph& g) {
  int n = 0;
  for (uint16_t row : g.rows) n += __builtin_popcount(row);
  return n;
}

TEST(Font, HexGlyphsDecode) {
  Glyph g;
  ASSERT_TRUE(parseHexGlyph("0000000018242442427E424242420000", g));   // "A"
  EXPECT_EQ(g.width, 8);
  EXPECT_EQ(g.rows[4], 0x1800);
  EXPECT_EQ(g.rows[9], 0x7E00);
  ASSERT_TRUE(parseHexGlyph(std::string(60, '0') + "FFFF\n", g));
  EXPECT_EQ(g.width, 16);
  EXPECT_EQ(g.rows[15], 0xFFFF);
  EXPECT_FALSE(parseHexGlyph("00FF", g));
  EXPECT_FALSE(parseHexGlyph(std::string(31, '0') + "G", g));
}

TEST(Font, LooksUpFirstLastAndFittedGlyphs) {
  // A small sorted file standing in for the system font.
  auto path = std::filesystem::temp_directory_path() / "vorn_font_test.hex";
  std::ofstream(path) << "0020:00000000000000000000000000000000\n"
                      << "0041:0000000018242442427E424242420000\n"
                      << "3042:" << std::string(64, 'F') << "\n"
                      << "FF76:000808087F0909090911111222224400\n";
  Font font(path.string());
  EXPECT_TRUE(font.available());
  EXPECT_EQ(font.glyph(U'A', 1).rows[9], 0x7E00);
  EXPECT_EQ(inkCount(font.glyph(U' ', 1)), 0);
  EXPECT_EQ(font.glyph(U'ｶ', 1).rows[4], 0x7F00);
  EXPECT_EQ(font.glyph(U'あ', 2).width, 16);
  EXPECT_EQ(inkCount(font.glyph(U'あ', 2)), 256);
  EXPECT_EQ(font.glyph(U'あ', 1).width, 8);          // squeezed into one cell
  EXPECT_EQ(font.glyph(U'A', 2).rows[9], 0x7E0 << 0);  // centred in two cells
  // Characters the font lacks get the box.
  EXPECT_EQ(font.glyph(U'B', 1).rows, boxGlyph(1).rows);
  EXPECT_EQ(font.glyph(U'\U0001F600', 2).rows, boxGlyph(2).rows);
  std::filesystem::remove(path);
}

TEST(Font, MissingFileDrawsBoxesWithoutFailing) {
  Font font("/nonexistent/font.hex");
  EXPECT_FALSE(font.available());
  EXPECT_EQ(font.glyph(U'A', 1).rows, boxGlyph(1).rows);
  EXPECT_GT(inkCount(boxGlyph(2)), 20);
}

TEST(Font, UnreadableFilesDrawBoxes) {
  const auto dir = std::filesystem::temp_directory_path();
  const auto empty = dir / "vorn_font_empty.hex";
  std::ofstream(empty).close();
  for (const std::filesystem::path& path : {empty, dir}) {   // an empty file, a folder
    Font font(path.string());
    EXPECT_FALSE(font.available()) << path;
    EXPECT_EQ(font.glyph(U'あ', 2).rows, boxGlyph(2).rows) << path;
  }
  std::filesystem::remove(empty);
}

TEST(Font, SystemFontHasTheScreenCharacters) {
  Font font;
  if (!font.available()) GTEST_SKIP() << "no Unifont installed";
  for (char32_t c : U"A0ｱﾟ軌跡作図ＮＣ") {
    if (c == 0) continue;
    int cells = c < 0x3000 || (c >= 0xFF61 && c <= 0xFF9F) ? 1 : 2;
    EXPECT_NE(font.glyph(c, cells).rows, boxGlyph(cells).rows) << uint32_t(c);
  }
}

}  // namespace
}  // namespace vorn
