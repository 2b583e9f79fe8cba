#include "editor/line_field.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace vorn {
namespace {

// Feeds keys; returns the ending code of the last key (-1 when none ended the field).
int type(LineField& f, std::initializer_list<std::string> keys, int* beeps = nullptr) {
  int ending = -1;
  for (const std::string& k : keys) {
    bool refused = false;
    ending = f.key(k, &refused);
    if (refused && beeps) ++*beeps;
    if (ending >= 0) break;
  }
  return ending;
}

const std::string kDel = "\x7f", kBack = "\x08", kRight = "\x1c", kLeft = "\x1d";

TEST(LineField, TypingOverwritesInsertsAndUppercases) {
  LineField f("G01X10", 56, 1);
  EXPECT_EQ(type(f, {"g", "0", "0"}), -1);
  EXPECT_EQ(f.utf8(), "G00X10");
  EXPECT_EQ(f.I, 4);
  type(f, {"\x12", "Y"});  // insert mode
  EXPECT_EQ(f.utf8(), "G00YX10");
  EXPECT_EQ(type(f, {"\r"}), 13);
}

TEST(LineField, TheBlankKeyMovesAndNeverTypes) {
  LineField f("G01 X10 Y5", 56, 1);
  type(f, {" "});
  EXPECT_EQ(f.I, 5) << "after the next blank";
  type(f, {" "});
  EXPECT_EQ(f.I, 9);
  type(f, {" "});
  EXPECT_EQ(f.I, 11) << "no blank follows: text end + 1";
  EXPECT_EQ(f.utf8(), "G01 X10 Y5");
}

TEST(LineField, ClearThenRestoreWithCode11) {
  LineField f("G01 X10", 56, 3);
  type(f, {"\x0b"});
  EXPECT_EQ(f.utf8(), "");
  type(f, {"\x0b"});
  EXPECT_EQ(f.utf8(), "G01 X10");
}

TEST(LineField, DeleteKeys) {
  LineField f("ABCD", 56, 2);
  type(f, {kDel});
  EXPECT_EQ(f.utf8(), "ACD");
  type(f, {kBack});
  EXPECT_EQ(f.utf8(), "CD");
  EXPECT_EQ(f.I, 1);

  LineField join("G01 X1", 56, 7, "Y2");
  type(join, {kDel});
  EXPECT_EQ(join.utf8(), "G01 X1 Y2") << "127 past the end joins the next line";

  LineField empty("", 56, 1);
  EXPECT_EQ(type(empty, {kDel}), 13) << "127 on an empty field ends as Enter";
  LineField emptyBack("", 56, 1);
  EXPECT_EQ(type(emptyBack, {kBack}), 13) << "backspace at column 1 acts as 127";
}

TEST(LineField, CursorKeysAndEndings) {
  LineField f("AB", 56, 1);
  EXPECT_EQ(type(f, {kLeft}), 29) << "← at the first column ends the field";
  LineField g("AB", 56, 1);
  type(g, {kRight, kRight, kRight, kRight});
  EXPECT_EQ(g.I, 3) << "→ stops one past the text end";
  EXPECT_EQ(type(g, {"\x0c"}), -1);
  EXPECT_EQ(g.I, 1);
  EXPECT_EQ(type(g, {"\x0c"}), 12) << "12 at the first column ends the field";

  struct Case { std::string key; int ending; } endings[] = {
      {"\r", 13}, {"\x1b", 27}, {"\x1e", 30}, {"\x1f", 31}, {"\x01" "E", 1},
      {"\x04", 4}, {"\x13", 19}, {"\x14", 20}, {"\x15", 21}};
  for (const Case& c : endings) {
    LineField h("X", 56, 1);
    EXPECT_EQ(type(h, {c.key}), c.ending) << "code " << int(c.key[0]);
  }
}

TEST(LineField, TabAndBlankToEnd) {
  LineField f("G01 X100 Y200", 56, 1);
  type(f, {"\t"});
  EXPECT_EQ(f.I, 7);
  type(f, {"\x05"});
  EXPECT_EQ(f.utf8(), "G01 X1");
}

TEST(LineField, RefusedKeysBeepAndChangeNothing) {
  LineField f("AB", 3, 3);
  int beeps = 0;
  type(f, {"C", "D"}, &beeps);
  EXPECT_EQ(f.utf8(), "ABC");
  EXPECT_EQ(beeps, 1) << "typing past the field width";
  type(f, {"漢", "\x02"}, &beeps);
  EXPECT_EQ(beeps, 3);
  EXPECT_EQ(f.utf8(), "ABC");
}

TEST(LineField, InsertAtFullFieldDropsTheLastCharacter) {
  LineField f("ABC", 3, 1);
  type(f, {"\x12", "X"});
  EXPECT_EQ(f.utf8(), "XAB");
}

TEST(LineField, WideCharactersCountTwoCells) {
  LineField f("(漢字)", 56, 3);
  EXPECT_EQ(f.cursorCell(), 3);
  EXPECT_EQ(f.shown().substr(0, 8), "(漢字)");
}

}  // namespace
}  // namespace vorn
