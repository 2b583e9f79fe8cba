#include "shell/field.h"

#include <gtest/gtest.h>

#include "harness.h"

namespace vorn {
namespace {

using test::Harness;

struct FieldCase {
  const char* name;
  int ZP;
  float ZDN;
  const char* W0L;
  const char* initial;
  const char* keys;
  const char* text;   // field text on return
  int FDP;
  int fnKey;
  int beeps;
};

std::ostream& operator<<(std::ostream& os, const FieldCase& c) {
  return os << c.name << " keys=" << c.keys;
}

class FieldCases : public ::testing::TestWithParam<FieldCase> {};

TEST_P(FieldCases, EndsWithTextAndKey) {
  const FieldCase& c = GetParam();
  Harness h(c.keys);
  FieldCall call{5, 10, c.ZP, c.ZDN, c.W0L, c.initial};
  FieldResult r = fieldInput(h.screen, call);
  EXPECT_EQ(call.text, c.text);
  EXPECT_EQ(r.FDP, c.FDP);
  EXPECT_EQ(r.fnKey, c.fnKey);
  EXPECT_EQ(h.screen.beepCount(), c.beeps);
}

INSTANTIATE_TEST_SUITE_P(
    Text, FieldCases,
    ::testing::Values(
        FieldCase{"digits only", 5, 1, "", "", "1a2{Enter}", "12", 13, 0, 1},
        FieldCase{"digits and minus", 5, 2, "", "", "-3x{Enter}", "-3", 13, 0, 1},
        FieldCase{"letters upper-cased", 5, 3, "", "", "ab1{Enter}", "AB", 13, 0, 1},
        FieldCase{"class 4 mix", 8, 4, "", "", "a1.- b{Enter}", "A1.- B", 13, 0, 0},
        FieldCase{"class 5 takes half-width kana, not kanji", 5, 5, "", "", "ｱ日b{Enter}", "ｱb", 13, 0, 1},
        FieldCase{"class 6 takes kanji", 6, 6, "", "", "a日{Enter}", "a日", 13, 0, 0},
        FieldCase{"class 7 double-byte only", 6, 7, "", "", "a日{Enter}", "日", 13, 0, 1},
        FieldCase{"class 8 program names", 7, 8, "", "", "ab-@_1.{Enter}", "AB-@_1", 13, 0, 1},
        FieldCase{"class 8 refuses blank and kana", 7, 8, "", "", "a ｱz{Enter}", "AZ", 13, 0, 2},
        FieldCase{"overwrite by default", 5, 5, "", "ABC", "X{Enter}", "XBC", 13, 0, 0},
        FieldCase{"insert mode", 5, 5, "", "ABC", "{Ins}X{Enter}", "XABC", 13, 0, 0},
        FieldCase{"insert pushes text out at the end", 3, 5, "", "ABC", "{Ins}X{Enter}", "XAB", 13, 0, 0},
        FieldCase{"backspace at first column deletes", 5, 5, "", "ABC", "{BS}{Enter}", "BC", 13, 0, 0},
        FieldCase{"backspace after a character", 5, 5, "", "ABC", "{Right}{BS}{Enter}", "BC", 13, 0, 0},
        FieldCase{"delete under cursor", 5, 5, "", "ABC", "{Right}{Del}{Enter}", "AC", 13, 0, 0},
        FieldCase{"backspace takes a double-byte char whole", 6, 6, "", "日本", "{Right}{BS}{Enter}", "本", 13, 0, 0},
        FieldCase{"right at the text end ends", 5, 5, "", "AB", "{Right}{Right}{Right}", "AB", 28, 0, 0},
        FieldCase{"left at the first column ends", 5, 5, "", "AB", "{Left}", "AB", 29, 0, 0},
        FieldCase{"typing past the width beeps", 3, 5, "", "", "ABCD{Enter}", "ABC", 13, 0, 1},
        FieldCase{"double-byte crossing the end becomes a blank", 2, 6, "", "", "A日{Enter}", "A ", 13, 0, 0},
        FieldCase{"home returns to the first column", 5, 5, "", "ABC", "{Right}{Right}{Home}X{Enter}", "XBC", 13, 0, 0},
        FieldCase{"code 12 clears a field", 5, 5, "", "ABC", "{Code:12}{Enter}", "", 13, 0, 0},
        FieldCase{"code 12 on an empty field restores", 5, 5, "", "ABC", "{Code:12}{Code:12}{Enter}", "ABC", 13, 0, 0},
        FieldCase{"function key", 5, 5, "", "AB", "X{F3}", "XB", 0, 3, 0},
        FieldCase{"escape", 5, 5, "", "AB", "X{Esc}", "XB", 27, 0, 0},
        FieldCase{"up and down end", 5, 5, "", "AB", "{Down}", "AB", 31, 0, 0},
        FieldCase{"tab moves halfway to the text end", 6, 5, "", "ABCD", "{Tab}X{Enter}", "ABXD", 13, 0, 0},
        FieldCase{"right steps over a double-byte char", 6, 6, "", "日本", "{Right}X{Enter}", "日X ", 13, 0, 0},
        FieldCase{"left steps back over a double-byte char", 6, 6, "", "日本", "{Right}{Right}{Left}X{Enter}", "日X ", 13, 0, 0},
        FieldCase{"right inside the last cell ends", 3, 5, "", "ABC", "{Right}{Right}{Right}", "ABC", 28, 0, 0},
        FieldCase{"insert: a double-byte char without room is refused", 3, 6, "", "", "{Ins}AB日{Enter}", "AB", 13, 0, 1},
        FieldCase{"home leaves insert mode", 5, 5, "", "ABC", "{Ins}{Home}X{Enter}", "XBC", 13, 0, 0},
        FieldCase{"stray control codes beep", 5, 5, "", "AB", "{Code:4}{Code:0}{Code:0,99}{Enter}", "AB", 13, 0, 3},
        FieldCase{"code 0 + S arrives as backspace", 5, 5, "", "AB", "{Right}{Code:0,83}{Enter}", "B", 13, 0, 0}));

INSTANTIATE_TEST_SUITE_P(
    Number, FieldCases,
    ::testing::Values(
        FieldCase{"width 5 one decimal takes 12.3", 5, 10.1f, "###.#", "", "12.3{Enter}", "12.3", 13, 0, 0},
        FieldCase{"fourth integer digit refused", 5, 10.1f, "###.#", "", "1234{Enter}", "123", 13, 0, 1},
        FieldCase{"decimals limited", 6, 10.2f, "###.##", "", "1.234{Enter}", "1.23", 13, 0, 1},
        FieldCase{"point refused without decimals", 5, 10, "#####", "", "1.2{Enter}", "12", 13, 0, 1},
        FieldCase{"integer field uses its width", 3, 10, "###", "50", "322{Enter}", "322", 13, 0, 0},
        FieldCase{"signed accepts minus first", 5, 12, "#####", "", "-5{Enter}", "-5", 13, 0, 0},
        FieldCase{"minus only first", 5, 12, "#####", "", "5-{Enter}", "5", 13, 0, 1},
        FieldCase{"unsigned refuses minus", 5, 10, "#####", "", "-5{Enter}", "5", 13, 0, 1},
        FieldCase{"comma appends 000", 6, 10, "######", "5", ",{Enter}", "5000", 13, 0, 0},
        FieldCase{"comma without room beeps", 3, 10, "###", "5", ",{Enter}", "5", 13, 0, 1},
        FieldCase{"lone 0 replaced by a digit", 5, 10.1f, "###.#", "", "05{Enter}", "5", 13, 0, 0},
        FieldCase{"lone 0 kept before a point", 5, 10.1f, "###.#", "", "0.5{Enter}", "0.5", 13, 0, 0},
        FieldCase{"first key replaces the value", 5, 10, "#####", "45", "6{Enter}", "6", 13, 0, 0},
        FieldCase{"insert key appends", 5, 10, "#####", "45", "{Ins}6{Enter}", "456", 13, 0, 0},
        FieldCase{"backspace removes the last", 5, 10, "#####", "45", "{BS}{Enter}", "4", 13, 0, 0},
        FieldCase{"blank restores the initial value", 5, 10, "#####", "7", "12 {Enter}", "7", 13, 0, 0},
        FieldCase{"code 15 clears, then restores", 5, 10, "#####", "7", "{Code:15}{Code:15}{Enter}", "7", 13, 0, 0},
        FieldCase{"arrows end a number", 5, 10, "#####", "7", "{Right}", "7", 28, 0, 0},
        FieldCase{"function key ends a number", 5, 10, "#####", "7", "8{F12}", "8", 0, 12, 0},
        FieldCase{"a second point beeps", 6, 10.2f, "###.##", "", "1.2.{Enter}", "1.2", 13, 0, 1},
        FieldCase{"delete removes the last", 5, 10, "#####", "45", "{Del}{Enter}", "4", 13, 0, 0},
        FieldCase{"backspace on an empty field beeps", 5, 10, "#####", "4", "{BS}{BS}{Enter}", "", 13, 0, 1},
        FieldCase{"home appends without clearing", 5, 10, "#####", "45", "{Home}6{Enter}", "456", 13, 0, 0},
        FieldCase{"comma after a point beeps", 6, 10.1f, "####.#", "1.5", ",{Enter}", "1.5", 13, 0, 1},
        FieldCase{"letters beep", 5, 12, "#####", "", "-a1{Enter}", "-1", 13, 0, 1},
        FieldCase{"up and down end a number", 5, 10, "#####", "7", "3{Up}", "3", 30, 0, 0}));

INSTANTIATE_TEST_SUITE_P(
    Choice, FieldCases,
    ::testing::Values(
        FieldCase{"enter keeps the current", 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "1", "{Enter}", "1", 13, 0, 0},
        FieldCase{"digit selects", 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "1", "2{Enter}", "2", 13, 0, 0},
        FieldCase{"digit beyond the last beeps", 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "1", "5{Enter}", "1", 13, 0, 1},
        FieldCase{"esc restores the entry choice", 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "1", "2{Esc}", "1", 27, 0, 0},
        FieldCase{"down keeps the new choice", 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "1", "2{Down}", "2", 31, 0, 0},
        FieldCase{"right on the last ends and restores", 2, 0, "a b c ", "1", "{Right}{Right}{Right}", "1", 28, 0, 0},
        FieldCase{"left on the first ends", 2, 0, "a b c ", "2", "{Left}{Left}", "2", 29, 0, 0},
        FieldCase{"plus wraps to the first", 2, 0, "a b c ", "3", "+{Enter}", "1", 13, 0, 0},
        FieldCase{"minus wraps to the last", 2, 0, "a b c ", "1", "-{Enter}", "3", 13, 0, 0},
        FieldCase{"home selects the first", 2, 0, "a b c ", "3", "{Home}{Enter}", "1", 13, 0, 0},
        FieldCase{"out of range entry means the first", 2, 0, "a b c ", "9", "{Enter}", "1", 13, 0, 0},
        FieldCase{"function key restores", 2, 0, "a b c ", "1", "3{F1}", "1", 0, 1, 0},
        FieldCase{"left click selects", 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "1", "{Click:16,4}{Enter}", "2", 13, 0, 0},
        FieldCase{"right click is esc", 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "2", "1{RClick:1,1}", "2", 27, 0, 0},
        FieldCase{"blank and 0 select the next, wrapping", 2, 0, "a b c ", "2", " 0{Enter}", "1", 13, 0, 0},
        FieldCase{"up ends and restores", 2, 0, "a b c ", "1", "3{Up}", "1", 30, 0, 0},
        FieldCase{"typed Japanese beeps", 2, 0, "a b c ", "1", "ｱ{Enter}", "1", 13, 0, 1}));

TEST(NumberField, PrintsThroughItsTemplateOnEnd) {
  Harness h("12.3{Enter}");
  FieldCall call{2, 5, 5, 10.1f, "###.#", "0"};
  FieldResult r = fieldInput(h.screen, call);
  EXPECT_FLOAT_EQ(r.value, 12.3f);
  EXPECT_EQ(h.textAt(4, 1, 5), " 12.3");
  EXPECT_EQ(h.screen.cell(4, 1).fg, 7);
}

TEST(TextField, ShowsItsTextAtTheFieldPosition) {
  Harness h("日本{Enter}");
  FieldCall call{3, 11, 6, 6, "", ""};
  textField(h.screen, call);
  EXPECT_EQ(h.textAt(10, 2, 6), "日本  ");
}

TEST(ChoiceField, ReturnsTheChoiceTextAndRepaints) {
  Harness h("2{Enter}");
  FieldCall call{1, 1, 6, 0, "1)OK  2)ﾓﾄﾞﾙ", "1"};
  FieldResult r = choiceField(h.screen, call);
  EXPECT_EQ(r.choice, "2)ﾓﾄﾞﾙ");
  EXPECT_EQ(h.screen.cell(6, 0).fg, 7);   // the chosen one
  EXPECT_EQ(h.screen.cell(0, 0).fg, 1);   // the others
}

TEST(KeyTranslation, ScanCharactersMapByPosition) {
  const char* scans = "GwHKMPRS";
  for (int i = 0; i < 8; ++i) {
    std::string k{'\0', scans[i]};
    EXPECT_EQ(translateKey(k), std::string(1, char(i + 1))) << scans[i];
  }
  EXPECT_EQ(translateKey(std::string{'\0', 'x'}), std::string(1, '\0'));
  EXPECT_EQ(translateKey("a"), "a");
  EXPECT_EQ(translateKey("\x01" "C"), "\x01" "C");
}

TEST(NumberTypes, DecimalsAndTemplates) {
  EXPECT_EQ(numberDecimals(10), 0);
  EXPECT_EQ(numberDecimals(10.1f), 1);
  EXPECT_EQ(numberDecimals(11.2f), 2);
  EXPECT_EQ(numberDecimals(12.3f), 3);
  EXPECT_EQ(numberTemplate(5, 1), "###.#");
  EXPECT_EQ(numberTemplate(4, 0), "####");
  EXPECT_EQ(numberTemplate(6, 2), "###.##");
}

TEST(ClearToEndOfLine, BlanksUpToColumn80) {
  Harness h("");
  h.screen.locate(0, 2);
  h.screen.print(std::string(90, 'x'));
  h.screen.locate(10, 2);
  clearToEndOfLine(h.screen);
  EXPECT_EQ(h.textAt(9, 2, 3), "x  ");
  EXPECT_EQ(h.textAt(79, 2, 2), " x");
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

using test::Harness;

// Japanese input: the input method is on only in fields that take
// double-byte text, its composition shows at the cursor with the candidate
// window placed there, and characters without a code page 932 form beep.
TEST(TextFieldInputMethod, CompositionShowsAtTheCursorWhileComposing) {
  Harness h("AB{Compose:に}{Compose:にほん}");
  FieldCall call{3, 11, 20, 6, "", ""};
  EXPECT_THROW(textField(h.screen, call), InputExhausted);   // still composing when the script ends
  EXPECT_EQ(h.textAt(10, 2, 9), "ABにほん ");
  EXPECT_EQ(h.backend.inputMethodMode(), 1);
  const auto rect = h.backend.textInputRect();
  EXPECT_EQ(rect.x, (10 + 2 + 6) * kCellWidth) << "after the composed text";
  EXPECT_EQ(rect.y, 2 * kCellHeight);
  // A field of single-byte text turns the input method off while it is edited.
  Harness single("ab");
  single.screen.setInputMethodMode(1);
  FieldCall plain{3, 11, 20, 5, "", ""};
  EXPECT_THROW(textField(single.screen, plain), InputExhausted);
  EXPECT_EQ(single.backend.inputMethodMode(), 2);
}

TEST(TextFieldInputMethod, DeliveredTextIsTypedAndTheModeRestored) {
  struct Case {
    const char* name;
    float ZDN;
    const char* keys;
    const char* text;
    int beeps;
  };
  const Case cases[] = {
      {"composed then delivered", 6, "AB{Compose:にほん}{Compose:}{Text:日本}{Enter}", "AB日本", 0},
      {"no code page 932 form", 6, "A€B{Code:128512}{Text:x€}{Enter}", "ABx", 3},
      {"double-byte class", 7, "日{Code:128512}本{Enter}", "日本", 1},
      {"single-byte class keeps it off", 5, "ab{Text:日本}{Enter}", "ab", 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(c.keys);
    h.screen.setInputMethodMode(2);
    FieldCall call{3, 11, 20, c.ZDN, "", ""};
    FieldResult r = textField(h.screen, call);
    const int modeSeen = h.backend.inputMethodMode();
    EXPECT_EQ(r.FDP, 13);
    EXPECT_EQ(call.text, c.text);
    EXPECT_EQ(h.screen.beepCount(), c.beeps);
    EXPECT_EQ(modeSeen, 2) << "restored after the field";
    EXPECT_EQ(h.textAt(10, 2, 20).find("にほん"), std::string::npos) << "no composition left";
  }
}

}  // namespace
}  // namespace vorn
