#include "editor/program_buffer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace vorn {
namespace {

std::vector<std::string> numbered(int count, const char* prefix = "L") {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) lines.push_back(prefix + std::to_string(i));
  return lines;
}

// Every line 1..Z as one text, for comparing whole programs.
std::string joined(const ProgramBuffer& b) {
  std::string s;
  for (int n = 1; n <= b.lineCount(); ++n) s += std::string(b.line(n)) + "|";
  return s;
}

TEST(ProgramBuffer, InsertAndDeleteKeepLinesAndCountInStep) {
  ProgramBuffer b(10);
  EXPECT_EQ(b.lineCount(), 0);
  EXPECT_TRUE(b.insertLine(1, "B"));
  EXPECT_TRUE(b.insertLine(1, "A"));
  EXPECT_TRUE(b.insertLine(3, "D"));  // Z + 1 appends
  EXPECT_TRUE(b.insertLine(3, "C"));
  EXPECT_EQ(joined(b), "A|B|C|D|");
  EXPECT_FALSE(b.insertLine(6, "X"));  // past Z + 1
  EXPECT_FALSE(b.insertLine(0, "X"));
  EXPECT_EQ(b.lineCount(), 4);

  b.deleteLines(2, 2);
  EXPECT_EQ(joined(b), "A|D|");
  EXPECT_EQ(b.line(3), "");  // nothing stale above Z
}

TEST(ProgramBuffer, DeleteOutsideTheProgramChangesNothing) {
  ProgramBuffer b(10);
  b.deleteLines(1, 1);  // empty program
  EXPECT_EQ(b.lineCount(), 0);
  b.assign(numbered(3));
  b.index();  // valid now
  for (auto [n, k] : std::vector<std::pair<int, int>>{{4, 1}, {0, 1}, {-3, 2}, {2, 0}}) {
    b.deleteLines(n, k);
    EXPECT_EQ(joined(b), "L1|L2|L3|") << "delete " << k << " from " << n;
  }
  EXPECT_TRUE(b.index().L0S);
}

TEST(ProgramBuffer, DeleteRangeIsClampedToTheProgram) {
  ProgramBuffer b(200);
  b.assign(numbered(100));
  b.deleteLines(5, 9999 - 5 + 1);
  EXPECT_EQ(b.lineCount(), 4);
  EXPECT_EQ(joined(b), "L1|L2|L3|L4|");
}

TEST(ProgramBuffer, StoreGrowsAndMarksIndexOnlyOnChange) {
  ProgramBuffer b(10);
  b.assign({"O1", "A"});
  b.rebuildIndex();
  EXPECT_TRUE(b.storeLine(2, "A"));
  EXPECT_TRUE(b.indexValid()) << "unchanged text keeps the index";
  EXPECT_TRUE(b.storeLine(5, "E"));  // grows with empty lines between
  EXPECT_FALSE(b.indexValid());
  EXPECT_EQ(joined(b), "O1|A|||E|");
  EXPECT_FALSE(b.storeLine(11, "X"));
  EXPECT_FALSE(b.storeLine(0, "X"));
  EXPECT_EQ(b.lineCount(), 5);
}

TEST(ProgramBuffer, EveryChangeInvalidatesTheIndex) {
  ProgramBuffer b(10);
  b.assign({"O10", "X", "O20"});
  const std::pair<const char*, std::function<void()>> changes[] = {
      {"insert", [&] { b.insertLine(1, "O5"); }},
      {"delete", [&] { b.deleteLines(1, 1); }},
      {"store", [&] { b.storeLine(2, "Y"); }},
      {"assign", [&] { b.assign({"O7"}); }},
      {"normalise-free store past Z", [&] { b.storeLine(3, "O9"); }},
  };
  for (const auto& [what, change] : changes) {
    b.rebuildIndex();
    change();
    EXPECT_FALSE(b.indexValid()) << what;
  }
}

TEST(ProgramBuffer, IndexFollowsInsertAndDelete) {
  ProgramBuffer b(50);
  b.assign({"O0010", "(MAIN)", "M30", "O20 (SUB)", "M99"});
  EXPECT_EQ(b.findProgram(10), 1);
  EXPECT_EQ(b.findProgram(20), 4);
  EXPECT_EQ(b.findProgram(30), 0);
  b.insertLine(1, "%");
  EXPECT_FALSE(b.index().SY_DIR.empty());
  EXPECT_EQ(b.findProgram(20), 5) << "lookups see the moved line at once";
  b.deleteLines(2, 4);
  EXPECT_EQ(b.findProgram(10), 0);
  EXPECT_EQ(b.findProgram(20), 0);
  const ProgramIndex& idx = b.index();
  EXPECT_EQ(idx.X, 0);
}

TEST(ProgramBuffer, IndexHoldsMoreThanFiveHundredTwentyPrograms) {
  ProgramBuffer b(2000);
  std::vector<std::string> lines;
  for (int i = 1; i <= 700; ++i) {
    lines.push_back("O" + std::to_string(i));
    lines.push_back("M99");
  }
  b.assign(lines);
  EXPECT_EQ(b.index().X, 700);
  EXPECT_EQ(b.findProgram(700), 1399);
  EXPECT_EQ(b.findProgram(521), 1041);
}

TEST(ProgramBuffer, CapacityIsNeverExceeded) {
  ProgramBuffer b(3);
  b.assign(numbered(5));
  EXPECT_EQ(b.lineCount(), 3);
  EXPECT_TRUE(b.full());
  EXPECT_FALSE(b.insertLine(1, "X"));
  EXPECT_EQ(joined(b), "L1|L2|L3|");
  b.deleteLines(1, 1);
  EXPECT_TRUE(b.insertLine(1, "X"));
  EXPECT_EQ(joined(b), "X|L2|L3|");
}

TEST(ProgramBuffer, ReadsThroughProgramSource) {
  ProgramBuffer b;
  b.assign({"O1", "G0 X1"});
  const ProgramSource& source = b;
  EXPECT_TRUE(source.hasLine(2));
  EXPECT_FALSE(source.hasLine(3));
  EXPECT_FALSE(source.hasLine(0));
  EXPECT_EQ(source.line(2), "G0 X1");
  EXPECT_EQ(source.line(0), "");
  EXPECT_EQ(source.line(3), "");
  EXPECT_EQ(source.findProgram(1), 1);
  EXPECT_EQ(b.capacity(), 28912);
}

}  // namespace
}  // namespace vorn
