#include "font.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vorn {

namespace {

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Code point at the start of a hex-file line ("3042:..."), or -1.
long lineCodePoint(std::string_view line) {
  long v = 0;
  size_t i = 0;
  for (; i < line.size() && line[i] != ':'; ++i) {
    int d = hexDigit(line[i]);
    if (d < 0 || i > 6) return -1;
    v = v * 16 + d;
  }
  return i == 0 || i == line.size() ? -1 : v;
}

// Halves a 16-wide glyph into 8 columns by OR-ing pixel pairs.
Glyph narrowed(const Glyph& g) {
  Glyph out;
  for (int r = 0; r < 16; ++r) {
    uint16_t row = 0;
    for (int c = 0; c < 8; ++c)
      if (g.rows[r] & (0xC000 >> (2 * c))) row |= uint16_t(0x8000 >> c);
    out.rows[r] = row;
  }
  return out;
}

// Centres an 8-wide glyph in 16 columns.
Glyph widened(const Glyph& g) {
  Glyph out;
  out.width = 16;
  for (int r = 0; r < 16; ++r) out.rows[r] = uint16_t(g.rows[r] >> 4);
  return out;
}

}  // namespace

bool parseHexGlyph(std::string_view hex, Glyph& out) {
  while (!hex.empty() && (hex.back() == '\r' || hex.back() == '\n' || hex.back() == ' '))
    hex.remove_suffix(1);
  if (hex.size() != 32 && hex.size() != 64) return false;
  int digitsPerRow = int(hex.size()) / 16;
  out.width = digitsPerRow * 4;
  for (int r = 0; r < 16; ++r) {
    uint16_t row = 0;
    for (int k = 0; k < digitsPerRow; ++k) {
      int d = hexDigit(hex[size_t(r * digitsPerRow + k)]);
      if (d < 0) return false;
      row = uint16_t(row << 4 | d);
    }
    out.rows[r] = out.width == 8 ? uint16_t(row << 8) : row;
  }
  return true;
}

Glyph boxGlyph(int cells) {
  Glyph g;
  g.width = cells == 2 ? 16 : 8;
  uint16_t full = cells == 2 ? 0x7FFE : 0x7E00;
  uint16_t sides = cells == 2 ? 0x4002 : 0x4200;
  for (int r = 2; r < 14; ++r) g.rows[r] = sides;
  g.rows[2] = g.rows[13] = full;
  return g;
}

Font::~Font() {
  if (map_) munmap(map_, data_.size());
}

// A file that cannot be mapped (missing, empty, not a regular file) reads as
// no font: every character gets the box.
void Font::load() {
  loaded_ = true;
  const int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  struct stat st {};
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
    void* map = mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
    if (map != MAP_FAILED) {
      map_ = map;
      data_ = std::string_view(static_cast<const char*>(map), size_t(st.st_size));
    }
  }
  close(fd);
}

bool Font::available() {
  if (!loaded_) load();
  return !data_.empty();
}

// The file's lines are sorted by code point: binary search over byte offsets,
// snapping each probe to the start of its line.
bool Font::find(char32_t cp, Glyph& out) const {
  const std::string_view data = data_;
  size_t lo = 0, hi = data.size();
  while (lo < hi) {
    size_t mid = lo + (hi - lo) / 2;
    size_t start = data.rfind('\n', mid == 0 ? 0 : mid - 1);
    start = (start == std::string_view::npos || mid == 0) ? 0 : start + 1;
    if (start < lo) start = lo;
    size_t end = data.find('\n', start);
    if (end == std::string_view::npos) end = data.size();
    std::string_view line = data.substr(start, end - start);
    long here = lineCodePoint(line);
    if (here < 0) return false;  // not a hex font file
    if (here == long(cp)) return parseHexGlyph(line.substr(line.find(':') + 1), out);
    if (here < long(cp))
      lo = end + 1;
    else
      hi = start;
  }
  return false;
}

const Glyph& Font::glyph(char32_t cp, int cells) {
  cells = cells == 2 ? 2 : 1;
  uint64_t key = uint64_t(cp) * 2 + uint64_t(cells - 1);
  if (auto it = cache_.find(key); it != cache_.end()) return it->second;
  if (!loaded_) load();
  Glyph g;
  if (!find(cp, g))
    g = boxGlyph(cells);
  else if (g.width == 16 && cells == 1)
    g = narrowed(g);
  else if (g.width == 8 && cells == 2)
    g = widened(g);
  return cache_.emplace(key, g).first->second;
}

}  // namespace vorn
