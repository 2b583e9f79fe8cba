// Reading lines as a stream: every kind of line end, the cap on a line's
// length, going back to a remembered line start, and what it refuses.
#include "runtime/line_reader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "runtime/error.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct File {
  explicit File(const std::string& bytes)
      : path(fs::temp_directory_path() / ("vorn_line_reader_" + std::to_string(::getpid()))) {
    std::ofstream(path, std::ios::binary) << bytes;
  }
  ~File() { fs::remove(path); }
  fs::path path;
};

std::string readAll(LineReader& r, int* cutLines = nullptr) {
  std::string out, line;
  bool cut = false;
  while (r.next(line, &cut)) {
    out += line + "|";
    if (cut && cutLines) ++*cutLines;
  }
  return out;
}

TEST(LineReader, LineEndsCapAndEndOfFileMark) {
  struct Case {
    std::string bytes;
    size_t cap;
    const char* lines;
    int cut;
  } cases[] = {
      {"A\r\nB\nC\rD", 100, "A|B|C|D|", 0},
      {"A\r\n\r\nB\x1a", 100, "A||B|", 0},
      {"A\n\x1a", 100, "A|", 0},
      {"ABCDEFGH\nIJ\n", 4, "ABCD|IJ|", 1},
      {"ABCDEFGH", 4, "ABCD|", 1},
      {"", 4, "", 0},
  };
  for (const Case& c : cases) {
    File f(c.bytes);
    LineReader r(f.path.string(), "f", c.cap);
    int cut = 0;
    EXPECT_EQ(readAll(r, &cut), c.lines) << c.bytes;
    EXPECT_EQ(cut, c.cut) << c.bytes;
  }
}

TEST(LineReader, SeeksBackToALineStartBeyondItsBuffer) {
  std::string text;
  for (int i = 0; i < 50000; ++i) text += "line " + std::to_string(i) + "\r\n";
  File f(text);
  LineReader r(f.path.string(), "f");
  EXPECT_TRUE(r.seekable());
  std::string line;
  uint64_t at10 = 0;
  for (int i = 0; i <= 40000; ++i) {
    if (i == 10) at10 = r.offset();
    ASSERT_TRUE(r.next(line));
  }
  EXPECT_EQ(line, "line 40000");
  r.seekTo(at10);
  ASSERT_TRUE(r.next(line));
  EXPECT_EQ(line, "line 10");
}

// The copy-free reading gives the same lines, cut flags and offsets as the
// copying one, also where a line, or the LF of a CR LF, crosses a read.
TEST(LineReader, ViewsGiveTheSameLinesAcrossReadBoundaries) {
  const char* ends[] = {"\r\n", "\n", "\r", "\r\n", "\r\n"};
  std::string text;
  for (int i = 0; text.size() < 300000; ++i) {
    // Lengths run through every remainder, so that line ends fall on each side of a read.
    text += std::string(size_t(i * 37 % 120), char('A' + i % 26)) + std::to_string(i) + ends[i % 5];
    if (i % 997 == 0) text += std::string(5000, 'L') + "\n";  // longer than the cap
  }
  text += "LAST\x1a";
  File f(text);
  LineReader copying(f.path.string(), "f"), viewing(f.path.string(), "f");
  std::string line, last;
  std::string_view view;
  bool cut = false, viewCut = false;
  int lines = 0;
  for (;;) {
    ASSERT_EQ(copying.offset(), viewing.offset()) << "line " << lines;
    const bool more = copying.next(line, &cut);
    ASSERT_EQ(viewing.nextView(view, &viewCut), more) << "line " << lines;
    if (!more) break;
    ASSERT_EQ(view, line) << "line " << lines;
    ASSERT_EQ(viewCut, cut) << "line " << lines;
    last = line;
    ++lines;
  }
  EXPECT_EQ(last, "LAST") << "the end-of-file mark goes";
  EXPECT_GT(lines, 3000);
}

TEST(LineReader, RefusesFoldersAndMissingFilesAndKnowsDevices) {
  EXPECT_THROW(LineReader(fs::temp_directory_path().string(), "tmp"), RuntimeError);
  EXPECT_THROW(LineReader("/nonexistent/x.nc", "x.nc"), RuntimeError);
  LineReader zero("/dev/zero", "/dev/zero");
  EXPECT_TRUE(zero.isCharacterDevice());
  EXPECT_FALSE(zero.seekable());
  // Not one line ends in /dev/zero: the reader would go on, so callers refuse devices.
  EXPECT_EQ(cp932WholePrefix("A\x82\xa0\x82"), 3u) << "a lead byte alone at the end is left out";
}

}  // namespace
}  // namespace vorn
