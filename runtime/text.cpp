#include "runtime/text.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>

namespace vorn {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// One iconv conversion descriptor, closed when it goes out of scope.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }
  void reset() { iconv(cd_, nullptr, nullptr, nullptr, nullptr); }

  // Converts as much of [in, in+inLeft) as possible, appending to out.
  // Returns 0 when everything converted, else the errno that stopped it.
  int convert(const char*& in, size_t& inLeft, std::string& out) {
    char buffer[1024];
    while (inLeft > 0) {
      char* dst = buffer;
      size_t dstLeft = sizeof buffer;
      size_t r = iconv(cd_, const_cast<char**>(&in), &inLeft, &dst, &dstLeft);
      out.append(buffer, static_cast<size_t>(dst - buffer));
      if (r == static_cast<size_t>(-1) && errno != E2BIG) return errno;
    }
    return 0;
  }

 private:
  iconv_t cd_;
};

// Byte length of every BMP code point's code page 932 form (0 = none),
// two bits each. Built once from the converter so that widths always agree
// with what reaches files; read-only afterwards.
class Cp932LengthTable {
 public:
  Cp932LengthTable() {
    Converter cv("CP932", "UTF-8");
    if (!cv.ok()) return;  // Widths then fall back to the East-Asian rule.
    std::string utf8, out;
    for (char32_t cp = 0x80; cp < 0x10000; ++cp) {
      if (cp >= 0xD800 && cp < 0xE000) continue;
      utf8.clear();
      out.clear();
      appendUtf8(utf8, cp);
      const char* in = utf8.data();
      size_t left = utf8.size();
      cv.reset();
      if (cv.convert(in, left, out) == 0 && out.size() <= 2) set(cp, static_cast<unsigned>(out.size()));
    }
  }
  unsigned length(char32_t cp) const { return (bits_[cp >> 2] >> ((cp & 3) * 2)) & 3u; }

 private:
  void set(char32_t cp, unsigned len) { bits_[cp >> 2] |= static_cast<uint8_t>(len << ((cp & 3) * 2)); }
  std::array<uint8_t, 0x10000 / 4> bits_{};
};

const Cp932LengthTable& cp932Lengths() {
  static const Cp932LengthTable table;
  return table;
}

// East-Asian wide and full-width blocks, for characters that have no code
// page 932 form (rare ideographs, Hangul, emoji): they still take two cells.
bool isEastAsianWide(char32_t cp) {
  struct Range { char32_t from, to; };
  static constexpr Range kWide[] = {
      {0x1100, 0x115F},   {0x2E80, 0x303E},   {0x3041, 0x33FF},   {0x3400, 0x4DBF},
      {0x4E00, 0x9FFF},   {0xA000, 0xA4CF},   {0xA960, 0xA97F},   {0xAC00, 0xD7A3},
      {0xF900, 0xFAFF},   {0xFE10, 0xFE19},   {0xFE30, 0xFE6F},   {0xFF00, 0xFF60},
      {0xFFE0, 0xFFE6},   {0x1F300, 0x1F64F}, {0x1F900, 0x1F9FF}, {0x20000, 0x2FFFD},
      {0x30000, 0x3FFFD},
  };
  for (const Range& r : kWide) {
    if (cp < r.from) return false;
    if (cp <= r.to) return true;
  }
  return false;
}

bool isHalfWidthKatakana(char32_t cp) { return cp >= 0xFF61 && cp <= 0xFF9F; }

}  // namespace

bool hasCp932Form(char32_t cp) {
  std::string one;
  appendUtf8(one, cp);
  int missing = 0;
  toCp932(one, &missing);
  return missing == 0;
}

std::string toCp932(std::string_view utf8, int* unconverted) {
  std::string out;
  out.reserve(utf8.size());
  int missing = 0;
  Converter cv("CP932", "UTF-8");
  size_t pos = 0;
  while (pos < utf8.size()) {
    if (cv.ok()) {
      const char* in = utf8.data() + pos;
      size_t left = utf8.size() - pos;
      cv.convert(in, left, out);
      pos = static_cast<size_t>(in - utf8.data());
      if (pos >= utf8.size()) break;
      cv.reset();
    }
    // Skip the one character (or invalid byte) that did not convert.
    size_t next = pos;
    char32_t cp = nextCodePoint(utf8, next);
    if (!cv.ok() && cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else {
      out.push_back('?');
      ++missing;
    }
    pos = next;
  }
  if (unconverted) *unconverted = missing;
  return out;
}

std::string fromCp932(std::string_view bytes) {
  // ASCII reads the same in both (nearly every NC block): no converter needed.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
    return std::string(bytes);
  std::string out;
  out.reserve(bytes.size() + bytes.size() / 2);
  Converter cv("UTF-8", "CP932");
  size_t pos = 0;
  while (pos < bytes.size()) {
    if (cv.ok()) {
      const char* in = bytes.data() + pos;
      size_t left = bytes.size() - pos;
      cv.convert(in, left, out);
      pos = static_cast<size_t>(in - bytes.data());
      if (pos >= bytes.size()) break;
      cv.reset();
    }
    unsigned char b = static_cast<unsigned char>(bytes[pos]);
    appendUtf8(out, !cv.ok() && b < 0x80 ? b : kReplacement);
    ++pos;
  }
  return out;
}

char32_t nextCodePoint(std::string_view s, size_t& pos) {
  if (pos >= s.size()) {  // nothing left: callers loop while pos < size
    ++pos;
    return kReplacement;
  }
  auto byte = [&](size_t i) { return static_cast<unsigned char>(s[i]); };
  unsigned char b0 = byte(pos);
  if (b0 < 0x80) {
    ++pos;
    return b0;
  }
  int extra = 0;
  char32_t cp = 0;
  char32_t minimum = 0;
  if ((b0 & 0xE0) == 0xC0) {
    extra = 1, cp = b0 & 0x1F, minimum = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    extra = 2, cp = b0 & 0x0F, minimum = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    extra = 3, cp = b0 & 0x07, minimum = 0x10000;
  } else {
    ++pos;
    return kReplacement;
  }
  if (pos + extra >= s.size()) {  // Sequence cut short by the end.
    ++pos;
    return kReplacement;
  }
  for (int i = 1; i <= extra; ++i) {
    unsigned char b = byte(pos + i);
    if ((b & 0xC0) != 0x80) {
      ++pos;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) {
    ++pos;
    return kReplacement;
  }
  pos += extra + 1;
  return cp;
}

void appendUtf8(std::string& out, char32_t cp) {
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp < 0xE000)) cp = kReplacement;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// NOTE: a character with no code page 932 form is written as "?" (one byte)
// but may still need two cells on screen, so it counts 2 when East-Asian
// wide and 1 otherwise; the replacement character U+FFFD counts 1.
int cellWidth(char32_t cp) {
  if (cp < 0x80 || isHalfWidthKatakana(cp)) return 1;
  if (cp < 0x10000) {
    unsigned len = cp932Lengths().length(cp);
    if (len != 0) return static_cast<int>(len);
  }
  return isEastAsianWide(cp) ? 2 : 1;
}

int textWidth(std::string_view utf8) {
  int width = 0;
  size_t pos = 0;
  while (pos < utf8.size()) {
    if (static_cast<unsigned char>(utf8[pos]) < 0x80) {
      ++width;
      ++pos;
    } else {
      width += cellWidth(nextCodePoint(utf8, pos));
    }
  }
  return width;
}

int charCount(std::string_view utf8) {
  int count = 0;
  for (size_t pos = 0; pos < utf8.size(); ++count) nextCodePoint(utf8, pos);
  return count;
}

std::string cutToWidth(std::string_view utf8, int width) {
  int used = 0;
  size_t pos = 0;
  while (pos < utf8.size()) {
    size_t next = pos;
    int w = cellWidth(nextCodePoint(utf8, next));
    if (used + w > width) break;
    used += w;
    pos = next;
  }
  return std::string(utf8.substr(0, pos));
}

std::string padToWidth(std::string_view utf8, int width) {
  std::string out = cutToWidth(utf8, width);
  int missing = width - textWidth(out);
  if (missing > 0) out.append(static_cast<size_t>(missing), ' ');
  return out;
}

std::string midByWidth(std::string_view utf8, int from, int width) {
  std::string out;
  if (width <= 0) return out;
  const int end = from + width;
  int column = 0;
  size_t pos = 0;
  while (pos < utf8.size() && column < end) {
    size_t start = pos;
    int w = cellWidth(nextCodePoint(utf8, pos));
    int next = column + w;
    if (column >= from && next <= end) {
      out.append(utf8.substr(start, pos - start));
    } else if (next > from) {
      // Split wide character: its cells inside the range become blanks.
      int inside = std::min(next, end) - std::max(column, from);
      out.append(static_cast<size_t>(inside), ' ');
    }
    column = next;
  }
  return out;
}

}  // namespace vorn
