#pragma once
// Text eight bytes at a time, for the loops every program line goes through
// (line ends, normal form, words and their values). A word holds eight bytes
// of text with the first in its lowest byte; a byte's test result is the high
// bit of that byte.
#include <bit>
#include <cstdint>
#include <cstring>

namespace vorn::bytes8 {

static_assert(std::endian::native == std::endian::little, "words are read little-endian");

constexpr uint64_t kOnes = 0x0101010101010101ull;
constexpr uint64_t kHighs = 0x8080808080808080ull;

// The eight bytes from p; those at or past `end` read as 0. No byte outside
// [begin, end) is read: near the end the word is the text's last eight bytes
// moved down, when it has eight.
inline uint64_t load(const char* p, const char* begin, const char* end) {
  uint64_t w = 0;
  if (end - p >= 8) {
    std::memcpy(&w, p, 8);
  } else if (p >= end) {
    return 0;
  } else if (end - begin >= 8) {
    std::memcpy(&w, end - 8, 8);
    w >>= 8 * (8 - (end - p));
  } else {
    for (const char* q = end; q-- > p;) w = (w << 8) | static_cast<unsigned char>(*q);
  }
  return w;
}

// The bytes equal to b, and maybe bytes after one that is: the lowest one
// flagged is always a true match. Any byte values.
inline uint64_t firstEqual(uint64_t w, unsigned char b) {
  const uint64_t x = w ^ (kOnes * b);
  return (x - kOnes) & ~x & kHighs;
}

// For words of ASCII bytes only: the bytes above k, and the bytes equal to k,
// exactly (no byte's sum reaches the next byte).
constexpr uint64_t above(uint64_t w, unsigned k) { return (w + kOnes * (0x7F - k)) & kHighs; }
constexpr uint64_t equal(uint64_t w, unsigned k) { return above(w, k - 1) & ~above(w, k); }

// Index of the lowest flagged byte; 8 when none is.
constexpr int firstFlagged(uint64_t flags) { return std::countr_zero(flags) / 8; }

}  // namespace vorn::bytes8
