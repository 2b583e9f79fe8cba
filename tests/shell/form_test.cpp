#include "shell/form.h"

#include <gtest/gtest.h>

#include "harness.h"

namespace vorn {
namespace {

using test::Harness;

Form sampleForm() {
  // Row 1 holds fields 1 and 2, row 2 field 3, row 3 field 4 (choice).
  Form form = loadForm({{1, 1, 3, 10, "", 0},
                        {1, 10, 3, 10, "0 <300", 0},
                        {2, 1, 4, 10, ">#1 #2*2", 0},
                        {3, 1, 4, 0, "ab  cd  ", 0}},
                       0, 0);
  form.field(1).ZM = "5";
  form.field(2).ZM = "100";
  form.field(3).ZM = "50";
  form.field(4).ZM = "2";
  return form;
}

struct RangeCase {
  const char* check;
  float value;
  bool inside;
};

TEST(RangeCheck, BoundsMarkersReferencesAndOperators) {
  Form form = sampleForm();   // field 1 = 5, field 2 = 100, field 3 = 50
  const RangeCase cases[] = {
      {">0 <999", 0, false},   {">0 <999", 1, true},    {">0 <999", 998, true},
      {">0 <999", 999, false}, {"0 <300", 0, true},     {"1 99", 99, true},
      {"1 99", 100, false},    {"5 322", 4, false},     {"#3 60", 50, true},
      {"#3 60", 49, false},    {">#1 #2", 5, false},    {">#1 #2", 100, true},
      {"#1*2 20", 10, true},   {"#1*2 20", 9, false},   {"0 #2/4", 25, true},
      {"0 #2/4", 26, false},   {"#1+1 9", 6, true},     {"#1+1 9", 5, false},
      {"0 #2-1", 99, true},    {"0 #2-1", 100, false},  {"-5 5", -5, true},
      {"-5 5", -6, false},     {"", 12345, true},
  };
  for (const RangeCase& c : cases)
    EXPECT_EQ(inRange(c.check, c.value, form), c.inside) << '"' << c.check << "\" with " << c.value;
}

TEST(Form, LoadAddsTheOriginAndBuildsTemplates) {
  Form form = loadForm({{2, 3, 5, 10.1f, "0 100", 0}, {1, 1, 6, 0, "1)OK  2)ﾓﾄﾞﾙ", 1}}, 4, 15);
  EXPECT_EQ(form.field(1).YKO, 6);
  EXPECT_EQ(form.field(1).CAM, 18);
  EXPECT_EQ(form.field(1).W0L, "###.#");
  EXPECT_EQ(form.field(1).I1C, "0 100");
  EXPECT_EQ(form.field(2).W0L, "1)OK  2)ﾓﾄﾞﾙ");
  EXPECT_EQ(form.field(2).I1C, "");
  EXPECT_EQ(form.field(2).skip, 1);
}

TEST(Form, DrawShowsValuesThroughTemplatesAndChoices) {
  Harness h("");
  Form form = sampleForm();
  drawForm(h.screen, form);
  EXPECT_EQ(h.textAt(0, 0, 3), "  5");
  EXPECT_EQ(h.textAt(9, 0, 3), "100");
  EXPECT_EQ(h.textAt(0, 2, 8), "cd      ");   // the chosen choice over the width of all
}

TEST(Form, DownSkipsFieldsOnTheSameRow) {
  Harness h("{Down}{Esc}");
  Form form = sampleForm();
  FormResult r = editForm(h.screen, form, 1);
  EXPECT_EQ(r.field, 3);
  EXPECT_EQ(r.FDP, 27);
}

TEST(Form, EnterMovesToTheNextFieldAndUpBack) {
  Harness h("{Enter}{Enter}{Up}{Esc}");
  Form form = sampleForm();
  FormResult r = editForm(h.screen, form, 1);
  EXPECT_EQ(r.field, 2);
}

TEST(Form, EscLeavesTheStoredValue) {
  Harness h("7{Esc}");
  Form form = sampleForm();
  editForm(h.screen, form, 1);
  EXPECT_EQ(form.field(1).ZM, "5");
  EXPECT_EQ(h.textAt(0, 0, 3), "  5");
}

TEST(Form, FunctionKeyStoresAndEnds) {
  Harness h("7{F2}");
  Form form = sampleForm();
  FormResult r = editForm(h.screen, form, 1);
  EXPECT_EQ(form.field(1).ZM, "7");
  EXPECT_EQ(r.FDP, 0);
  EXPECT_EQ(r.fnKey, 2);
  EXPECT_EQ(r.field, 1);
}

TEST(Form, OutOfRangeBeepsAndEditsAgain) {
  Harness h("300{Enter}299{Enter}{Esc}");
  Form form = sampleForm();
  FormResult r = editForm(h.screen, form, 2);
  EXPECT_EQ(h.screen.beepCount(), 1);
  EXPECT_EQ(form.field(2).ZM, "299");
  EXPECT_EQ(r.field, 3);
}

TEST(Form, SkippedFieldsArePassedInTheDirectionOfTheMove) {
  Form form = loadForm({{1, 1, 3, 10, "", 0}, {2, 1, 3, 10, "", 1}, {3, 1, 3, 10, "", 0}}, 1, 1);
  Harness down("{Enter}{Esc}");
  EXPECT_EQ(editForm(down.screen, form, 1).field, 3);
  Harness up("{Up}{Esc}");
  EXPECT_EQ(editForm(up.screen, form, 3).field, 1);
}

TEST(Form, MovingPastTheEndsLeavesTheForm) {
  Form form = sampleForm();
  Harness up("{Up}");
  FormResult r = editForm(up.screen, form, 1);
  EXPECT_EQ(r.field, 0);
  EXPECT_EQ(r.FDP, 30);
  Harness down("{Enter}");
  EXPECT_EQ(editForm(down.screen, form, 4).field, 5);
}

}  // namespace
}  // namespace vorn
