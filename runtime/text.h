#pragma once
// Text in memory is UTF-8; files, the serial line and printers get code page 932.
// Widths count display cells: 1 for ASCII and half-width katakana, 2 otherwise
// (the character's byte count in code page 932). Nothing else measures text.
#include <string>
#include <string_view>

namespace vorn {

// UTF-8 -> code page 932. A character with no code page 932 form becomes "?"
// (counted in *unconverted when given). Never throws on bad input.
std::string toCp932(std::string_view utf8, int* unconverted = nullptr);
// Code page 932 -> UTF-8. Invalid bytes become U+FFFD, one per bad byte.
std::string fromCp932(std::string_view bytes);

// Whether the character has a code page 932 form (files and the line can carry it).
bool hasCp932Form(char32_t cp);

// Decodes the code point at s[pos] and advances pos; invalid UTF-8 yields U+FFFD.
char32_t nextCodePoint(std::string_view s, size_t& pos);
void appendUtf8(std::string& out, char32_t cp);

// 1 or 2 display cells. A character with no code page 932 form (written as
// "?") counts 2 when East-Asian wide (Hangul, rare ideographs, emoji), else 1.
int cellWidth(char32_t cp);
int textWidth(std::string_view utf8);        // sum of cellWidth
int charCount(std::string_view utf8);        // code points
// Longest prefix whose width is <= width (never splits a character).
std::string cutToWidth(std::string_view utf8, int width);
// cutToWidth, then blanks up to exactly width (a wide character that would
// cross the end is replaced by a blank).
std::string padToWidth(std::string_view utf8, int width);
// The part of s from display column `from` (0-based) of width `width`, like a
// byte-wise MID$ on the code page 932 form; a split wide character becomes a blank.
std::string midByWidth(std::string_view utf8, int from, int width);

}  // namespace vorn
