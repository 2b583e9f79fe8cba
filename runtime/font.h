#pragma once
// Bitmap glyphs for the character cells, read from GNU Unifont's hex file:
// 8x16 for half-width and 16x16 for full-width characters. The file is mapped
// read-only on first use and glyphs are looked up by binary search and then
// cached: only the pages a search touches are ever read, so the first frame
// of a screen does not wait for a 4 MB copy.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

namespace vorn {

inline constexpr const char* kUnifontPath = "/usr/share/unifont/unifont_jp.hex";

// 16 rows; bit 15 of a row is the leftmost pixel (8-wide glyphs use bits 15-8).
struct Glyph {
  int width = 8;                    // 8 or 16 pixels
  std::array<uint16_t, 16> rows{};  // top row first
};

class Font {
 public:
  explicit Font(std::string path = kUnifontPath) : path_(std::move(path)) {}
  ~Font();
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;
  // The glyph of cp fitted to `cells` cells (1 or 2). A character the font
  // lacks, or any character when the file is missing, gets a visible box.
  const Glyph& glyph(char32_t cp, int cells);
  bool available();                 // the file could be read

 private:
  std::string path_;
  bool loaded_ = false;
  void* map_ = nullptr;             // the file mapped read-only, nullptr when not read
  std::string_view data_;           // its text
  std::unordered_map<uint64_t, Glyph> cache_;  // key: code point * 2 + wide

  void load();
  bool find(char32_t cp, Glyph& out) const;
};

// Decodes one hex-file glyph (32 or 64 hex digits); false when malformed.
bool parseHexGlyph(std::string_view hex, Glyph& out);
// The outline box drawn for characters without a glyph.
Glyph boxGlyph(int cells);

}  // namespace vorn
