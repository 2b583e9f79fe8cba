#include "editor/ranges.h"

#include <gtest/gtest.h>

#include "editor/navigation.h"
#include "editor/program_buffer.h"

namespace vorn {
namespace {

constexpr int kRows = 20;  // CMMF in these tests

ProgramBuffer numbered(int count) {
  ProgramBuffer b(1000);
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) lines.push_back("L" + std::to_string(i));
  b.assign(lines);
  return b;
}

TEST(Search, ForwardBackwardAndTheORule) {
  ProgramBuffer b(100);
  b.assign({"O10", "G01 X10 (O10)", "M98 P10", "O10 (SUB)", "O100", "G0 X1"});
  struct Case { const char* text; int from; bool back; int line; int pos; } cases[] = {
      {"O10", 1, false, 4, 1},     // passes line 2 where O10 is not first
      {"O10", 4, false, 5, 1},     // O100 begins with O10
      {"O10", 4, true, 1, 1},
      {"X10", 0, false, 2, 5},
      {"X1 ", 0, false, 6, 4},     // a trailing blank matches at the line end
      {"P10", 3, false, 0, 0},     // the current line itself is never searched
      {"G0", 6, false, 0, 0},      // forward from the last line finds nothing
      {"O10", 1, true, 0, 0},      // backward from line 1 finds nothing
  };
  for (const Case& c : cases) {
    const SearchHit hit = searchProgram(b, c.text, c.from, c.back);
    EXPECT_EQ(hit.line, c.line) << c.text << " from " << c.from << (c.back ? " back" : " fwd");
    EXPECT_EQ(hit.position, c.pos) << c.text << " from " << c.from;
  }
  EXPECT_EQ(searchTextFrom("A;B;"), "A B;");
}

TEST(Ranges, MarkMoveCompleteAndPasteTwice) {
  ProgramBuffer b = numbered(30);
  EditorState s;
  s.FILE = 20;
  markRange(s, b);
  EXPECT_EQ(s.ST, 1);
  s.FILE = 10;
  markRange(s, b);
  EXPECT_EQ(s.ITK, 10) << "a start before the old one moves the start";
  EXPECT_EQ(s.ST, 1);
  s.FILE = 15;
  markRange(s, b);
  EXPECT_EQ(s.ST, 2);
  EXPECT_EQ(s.TL, "L10;L11;L12;L13;L14;L15;");
  EXPECT_EQ(rangeTemplateText(s), "複写範囲   10～   15");
  EXPECT_EQ(rangeTemplateText(s, 4), "複写範囲  10～  15") << "the learner's edition";

  s.FILE = 3;
  s.M = 1;
  EXPECT_EQ(pasteRange(s, b, kRows), 6);
  EXPECT_EQ(b.line(3), "L10");
  EXPECT_EQ(b.line(8), "L15");
  EXPECT_EQ(b.line(9), "L3");
  EXPECT_EQ(s.FILE, 9) << "the cursor stays on the line that was current";
  EXPECT_EQ(s.ST, 0);
  EXPECT_EQ(pasteRange(s, b, kRows), 6) << "the same lines paste again";
  EXPECT_EQ(b.lineCount(), 42);
  EXPECT_EQ(b.line(15), "L3");
}

TEST(Ranges, PasteWithNothingCopiedDoesNothing) {
  ProgramBuffer b = numbered(5);
  EditorState s;
  s.FILE = 2;
  EXPECT_EQ(pasteRange(s, b, kRows), 0);
  s.FILE = 2;
  markRange(s, b);  // a start alone
  EXPECT_EQ(pasteRange(s, b, kRows), 0);
  EXPECT_EQ(b.lineCount(), 5);
}

TEST(Ranges, PasteSplitsACommentThatHoldsASemicolon) {
  ProgramBuffer b(100);
  b.assign({"(A;B)", "X"});
  EditorState s;
  s.FILE = 1;
  markRange(s, b);
  markRange(s, b);
  s.FILE = 3;
  EXPECT_EQ(pasteRange(s, b, kRows), 2);
  EXPECT_EQ(b.line(3), "(A");
  EXPECT_EQ(b.line(4), "B)");
}

TEST(Ranges, PasteStopsWhenTheBufferIsFull) {
  ProgramBuffer b(4);
  b.assign({"A", "B", "C"});
  EditorState s;
  s.FILE = 1;
  markRange(s, b);
  s.FILE = 3;
  markRange(s, b);
  s.FILE = 1;
  EXPECT_EQ(pasteRange(s, b, kRows), 1);
  EXPECT_EQ(b.lineCount(), 4);
}

TEST(Ranges, DeleteClampsAndRefusesAnEndBeforeTheStart) {
  ProgramBuffer b = numbered(100);
  EditorState s;
  s.FILE = 5;
  EXPECT_FALSE(deleteRange(s, b, 4));
  EXPECT_FALSE(deleteRange(s, b, 0)) << "a text that is not a number reads as 0";
  EXPECT_EQ(b.lineCount(), 100);
  EXPECT_TRUE(deleteRange(s, b, 9999));
  EXPECT_EQ(b.lineCount(), 4);
  EXPECT_EQ(b.line(4), "L4");
}

TEST(Navigation, ArrowsStopAtTheEnds) {
  ProgramBuffer b = numbered(3);
  EditorState s;
  s.reset();
  moveUp(s, b, kRows);
  EXPECT_EQ(s.FILE, 1);
  for (int i = 0; i < 5; ++i) moveDown(s, b, kRows);
  EXPECT_EQ(s.FILE, 4) << "down stops at Z + 1";
}

TEST(Navigation, ScrollPagingAndTextEnd) {
  ProgramBuffer b = numbered(100);
  EditorState s;
  s.reset();
  s.FILE = kRows;  // last text row
  EXPECT_EQ(moveDown(s, b, kRows), Repaint::ScrollUp);
  EXPECT_EQ(s.M, 2);

  s.reset();
  EXPECT_EQ(pageForward(s, b, kRows), Repaint::All);
  EXPECT_EQ(s.M, 20);
  EXPECT_EQ(s.FILE, 20);
  pageBack(s, b, kRows);
  EXPECT_EQ(s.M, 1);
  EXPECT_EQ(s.FILE, 11);

  EXPECT_EQ(textEnd(s, b, kRows), Repaint::All);
  EXPECT_EQ(s.FILE, 100);
  EXPECT_EQ(s.M, 82);
  textEnd(s, b, kRows);
  EXPECT_EQ(s.FILE, 1) << "end of text on the last line goes to line 1";
  EXPECT_EQ(s.M, 1);

  s.M = 90;
  s.FILE = 95;
  pageForward(s, b, kRows);
  EXPECT_EQ(s.FILE, 100) << "the last page goes to the last line";
}

TEST(Navigation, ClicksOnTextKeysAndOutside) {
  ProgramBuffer b = numbered(5);
  EditorState s;
  s.reset();
  ClickAction a = clickAt(s, b, kRows, 7, 2);  // second text row, second character
  EXPECT_TRUE(a.moved);
  EXPECT_EQ(s.FILE, 2);
  EXPECT_EQ(s.I, 2);
  clickAt(s, b, kRows, 60, 10);  // below the program, far right
  EXPECT_EQ(s.FILE, 6);
  EXPECT_EQ(s.I, 1);
  EXPECT_EQ(clickAt(s, b, kRows, 33, kRows + 2).fnKey, 5);
  EXPECT_EQ(clickAt(s, b, kRows, 99, kRows + 2).fnKey, 13) << "past key 12 is Esc";
  for (int col : {104, 110, 127}) {
    EXPECT_EQ(clickAt(s, b, kRows, col, kRows + 2).fnKey, 0) << "no key right of Esc, column " << col;
  }
  EXPECT_TRUE(clickAt(s, b, kRows, 3, 0).pageBack);
  EXPECT_TRUE(clickAt(s, b, kRows, 3, kRows + 1).pageForward);
}

TEST(Navigation, FoundLineComesOnScreen) {
  EditorState s;
  s.reset();
  EXPECT_FALSE(showFoundLine(s, 10, kRows));
  EXPECT_TRUE(showFoundLine(s, 50, kRows));
  EXPECT_EQ(s.M, 42);
  EXPECT_TRUE(showFoundLine(s, 12, kRows));
  EXPECT_EQ(s.M, 1);
}

}  // namespace
}  // namespace vorn
