#include "shell/menu.h"

#include <gtest/gtest.h>

#include "harness.h"

namespace vorn {
namespace {

using test::Harness;

std::vector<MenuEntry> entries(int n) {
  std::vector<MenuEntry> list;
  for (int i = 1; i <= n; ++i) list.push_back({"item" + std::to_string(i % 10), "c" + std::to_string(i)});
  return list;
}

struct MoveCase {
  int position, count, rowsPerColumn;
  char key;
  int expected;   // 0 beep, -1 ignored
};

TEST(MenuMove, KeysMoveWrapAndSelect) {
  const MoveCase cases[] = {
      {1, 9, 9, 30, 9},    {1, 9, 9, '-', 9},   {3, 9, 9, 30, 2},    {9, 9, 9, 31, 1},
      {9, 9, 9, ' ', 1},   {2, 9, 9, '+', 3},   {2, 9, 9, ',', 3},   {2, 6, 3, 28, 5},
      {5, 6, 3, 28, 2},    {2, 6, 3, 29, 5},    {5, 6, 3, 29, 2},    {3, 5, 3, 29, 5},   // short last column
      {4, 9, 9, '7', 7},   {4, 9, 9, '9', 9},   {4, 5, 5, '7', 0},   {1, 12, 12, ':', 10},
      {1, 12, 12, 'B', 0}, {1, 18, 18, 'B', 18}, {4, 12, 12, '1', 1}, {1, 12, 12, '1', 11},
      {1, 10, 10, '1', 1}, {3, 12, 12, '0', 10}, {10, 12, 12, '0', 11}, {3, 9, 9, '0', 0},
      {3, 9, 9, 'Z', -1},  {3, 9, 9, 5, -1},    {3, 9, 9, '!', 0},
  };
  for (const MoveCase& c : cases)
    EXPECT_EQ(menuMove(c.position, c.count, c.rowsPerColumn, c.key), c.expected)
        << "pos " << c.position << " of " << c.count << " key " << int(c.key);
}

TEST(VerticalMenu, DrawsEntriesInColumnsAndReturnsTheChoice) {
  Harness h("{Down}{Right}{Enter}");
  MenuLayout layout{3, 10, 3, 2, 1};
  MenuResult r = verticalMenu(h.screen, entries(5), layout);
  EXPECT_EQ(r.position, 5);
  EXPECT_EQ(r.code, "c5");
  EXPECT_EQ(r.TE, "item5");
  EXPECT_EQ(r.FDP, 13);
  // Entry k at column F1 - 1 + (k \ 3) * 7, row Y - 1 + (k mod 3) * 2.
  EXPECT_EQ(h.textAt(9, 2, 7), " item1 ");
  EXPECT_EQ(h.textAt(9, 6, 7), " item3 ");
  EXPECT_EQ(h.textAt(16, 4, 7), " item5 ");
  EXPECT_EQ(h.screen.cell(17, 4).fg, 5);   // chosen
  EXPECT_EQ(h.screen.cell(10, 2).fg, 1);   // the others
}

TEST(MenuUntilDone, RepeatsOnTheLastChoiceUntilTheActionIsDoneOrEsc) {
  struct Case {
    const char* keys;
    std::vector<int> acted;  // positions given to the action, which is done at 3
    bool done;
  };
  const Case cases[] = {
      {"{Enter}{Down}{Down}{Enter}", {1, 3}, true},  // the second menu starts on 1, not at the top again
      {"{Down}{Enter}{Enter}{Esc}", {2, 2}, false},  // starts again on 2
      {"{F5}{Esc}", {}, false},                      // a function key beeps and asks again
  };
  for (const Case& c : cases) {
    Harness h(c.keys);
    std::vector<int> acted;
    const bool done = menuUntilDone(h.screen, entries(4), {1, 1, 4, 1, 1}, [&](int position) {
      acted.push_back(position);
      return position == 3;
    });
    EXPECT_EQ(done, c.done) << c.keys;
    EXPECT_EQ(acted, c.acted) << c.keys;
  }
  Harness fn("{F5}{Esc}");
  menuUntilDone(fn.screen, entries(2), {1, 1, 2, 1, 1}, [](int) { return true; });
  EXPECT_EQ(fn.screen.beepCount(), 1);
}

TEST(VerticalMenu, PreselectsAndEndsByEscOrFunctionKey) {
  Harness esc("{Esc}");
  MenuResult r = verticalMenu(esc.screen, entries(4), {1, 1, 4, 1, 3});
  EXPECT_EQ(r.FDP, 27);
  EXPECT_EQ(r.position, 3);
  Harness fn("{F5}");
  r = verticalMenu(fn.screen, entries(4), {1, 1, 4, 1, 1});
  EXPECT_EQ(r.FDP, 0);
  EXPECT_EQ(r.fnKey, 5);
}

TEST(VerticalMenu, LeftClickChoosesRightClickEscapes) {
  Harness left("{Click:3,3}");
  MenuResult r = verticalMenu(left.screen, entries(4), {1, 1, 4, 1, 1});
  EXPECT_EQ(r.FDP, 13);
  EXPECT_EQ(r.position, 4);
  Harness right("{RClick:3,3}");
  EXPECT_EQ(verticalMenu(right.screen, entries(4), {1, 1, 4, 1, 1}).FDP, 27);
}

TEST(VerticalMenu, ClickOffTheEntriesEndsOnlyWhenAsked) {
  Harness ignored("{Click:40,20}{Enter}");
  EXPECT_EQ(verticalMenu(ignored.screen, entries(4), {1, 1, 4, 1, 2}).FDP, 13);
  Harness ends("{Click:40,20}{Enter}");
  MenuLayout layout{1, 1, 4, 1, 2};
  layout.outsideClickEnds = true;
  MenuResult r = verticalMenu(ends.screen, entries(4), layout);
  EXPECT_EQ(r.FDP, 27);
  EXPECT_EQ(r.position, 2);
}

TEST(VerticalMenu, RefusedDigitBeeps) {
  Harness h("7{Enter}");
  MenuResult r = verticalMenu(h.screen, entries(4), {1, 1, 4, 1, 2});
  EXPECT_EQ(h.screen.beepCount(), 1);
  EXPECT_EQ(r.position, 2);
}

TEST(Boxes, FramedBoxAndEraseBox) {
  Harness h("");
  framedBox(h.screen, 2, 3, 6, 2);
  EXPECT_EQ(h.textAt(2, 1, 6), "+----+");
  EXPECT_EQ(h.textAt(2, 2, 6), "|    |");
  EXPECT_EQ(h.textAt(2, 3, 6), "|    |");
  EXPECT_EQ(h.textAt(2, 4, 6), "+----+");
  EXPECT_EQ(h.screen.cell(2, 1).fg, 5);
  eraseBox(h.screen, 2, 3, 6, 2);
  for (int row = 1; row <= 4; ++row) EXPECT_EQ(h.textAt(2, row, 6), "      ") << row;
}

}  // namespace
}  // namespace vorn
