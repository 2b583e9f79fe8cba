#include "comm/listing.h"

#include <gtest/gtest.h>

#include "editor/program_buffer.h"

namespace vorn {
namespace {

TEST(Listing, IndentByKindOfBlock) {
  const std::pair<const char*, int> cases[] = {
      {"O1234", 0}, {"N10 G01 X5", 1}, {"/N10 G01 X5", 1}, {"T01", 2}, {"G00 X0", 6},
      {"M30", 6},   {"(COMMENT)", 6},  {"X10. Y5.", 10},   {"/X5", 10}, {"", 0},
  };
  for (auto [line, blanks] : cases) EXPECT_EQ(listingIndent(line), blanks) << line;
}

ProgramBuffer program(int lines) {
  ProgramBuffer b;
  for (int i = 1; i <= lines; ++i) b.insertLine(i, "G01 X" + std::to_string(i));
  return b;
}

int count(const std::string& s, const std::string& what) {
  int n = 0;
  for (size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + what.size())) ++n;
  return n;
}

TEST(Listing, HeaderAndNumberedLines) {
  ProgramBuffer b;
  b.insertLine(1, "O1234");
  b.insertLine(2, "X5");
  ListingHeader h{"PROG1", "TITLE", 12, "26.12. 8", "07:30:00"};
  std::string out;
  writeListing(b, h, 99, [&](std::string_view s) { out += s; });
  const std::string header = "     PROG1 TITLE 12";
  EXPECT_EQ(out.substr(0, header.size()), header);
  EXPECT_EQ(out.substr(49, 17), "26.12. 8 07:30:00");
  EXPECT_NE(out.find("\r\n\r\n    1  O1234\r\n    2            X5\r\n\f"), std::string::npos) << out;
}

TEST(Listing, PagesFilledToTheLengthOrEndedByFormFeed) {
  // 130 lines: page 1 holds the header and 58 lines, page 2 60, page 3 the last 12.
  ProgramBuffer b = program(130);
  std::string out;
  writeListing(b, {}, 66, [&](std::string_view s) { out += s; });
  EXPECT_EQ(count(out, "\f"), 0);
  EXPECT_EQ(count(out, "\r\n"), 3 * 66);
  out.clear();
  writeListing(b, {}, 99, [&](std::string_view s) { out += s; });
  EXPECT_EQ(count(out, "\f"), 3);
  EXPECT_EQ(count(out, "\r\n"), 2 + 130);
  const size_t firstFeed = out.find('\f');
  EXPECT_EQ(count(out.substr(0, firstFeed), "\r\n"), 60);
}

TEST(Listing, StopAfterTheCurrentLineStillEndsThePage) {
  ProgramBuffer b = program(30);
  std::string out;
  const int written = writeListing(b, {}, 66, [&](std::string_view s) { out += s; }, [](int n) { return n == 5; });
  EXPECT_EQ(written, 5);
  EXPECT_EQ(count(out, "\r\n"), 66);
  EXPECT_EQ(out.find("    6  "), std::string::npos);
}

}  // namespace
}  // namespace vorn
