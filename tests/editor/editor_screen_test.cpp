// The editor screen driven by key scripts on the headless screen: keys typed,
// cells and the buffer read back.
#include "editor/editor_screen.h"

#include <gtest/gtest.h>

#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/paths.h"
#include "runtime/text.h"
#include "shell/geometry.h"
#include "shell/session.h"

namespace vorn {
namespace {

struct EditorHarness {
  explicit EditorHarness(std::string_view script, std::vector<std::string> lines = {})
      : backend(HeadlessBackend::fromScript(script)),
        screen(backend, clock),
        paths(DeviceConfig{}),
        channels(paths),
        session(screen, channels, paths) {
    backend.maximize();
    screen.syncSize();
    updateRows(session.geometry, backend.clientHeight());
    buffer.assign(std::move(lines));
    state.reset();
  }
  // Runs the editor until Esc or until the script is used up.
  void run() {
    EditorScreen editor(session, buffer, state, actions);
    try {
      editor.run();
    } catch (const InputExhausted&) {
    }
  }
  std::string textAt(int col, int row, int width) const { return midByWidth(screen.rowText(row), col, width); }
  std::string rowOf(int row) const { return textAt(0, row, 40); }
  int CMMF() const { return int(session.geometry.CMMF); }

  VirtualClock clock;
  HeadlessBackend backend;
  Screen screen;
  PathMap paths;
  ChannelTable channels;
  Session session;
  ProgramBuffer buffer;
  EditorState state;
  EditorActions actions;
};

std::vector<std::string> numbered(int count) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) lines.push_back("L" + std::to_string(i));
  return lines;
}

std::string joined(const ProgramBuffer& b) {
  std::string s;
  for (int n = 1; n <= b.lineCount(); ++n) s += std::string(b.line(n)) + "|";
  return s;
}

TEST(EditorScreen, LayoutRowsCountAndFunctionKeys) {
  EditorHarness h("", {"G01 X10", "(漢字)"});
  h.run();
  EXPECT_EQ(h.rowOf(1).substr(0, 13), "    1 G01 X10");
  EXPECT_EQ(h.textAt(0, 2, 12), "    2 (漢字)");
  EXPECT_EQ(h.textAt(0, 3, 6), "    3 ") << "rows beyond the program are numbered too";
  EXPECT_EQ(h.textAt(0, h.CMMF() + 1, 8), "(     2)");
  const int keys = h.CMMF() + 2;
  EXPECT_EQ(h.textAt(0, keys, 2), "f1");
  EXPECT_EQ(h.textAt(2, keys, 5), "↑   ");
  EXPECT_EQ(h.textAt(34, keys, 5), "複写 ");
  EXPECT_EQ(h.textAt(58, keys, 5), "Noﾘｽﾄ");
  EXPECT_EQ(h.textAt(88, keys, 7), "12貼付 ");
  EXPECT_EQ(h.screen.cell(2, keys).fg, 13);
  EXPECT_EQ(h.screen.cell(0, 1).fg, 5);
  EXPECT_EQ(h.screen.cell(6, 1).fg, 6) << "the open field is shown in colour 6";
  EXPECT_EQ(h.screen.cell(5, 1).bg, 4) << "overwrite-mode marker";
}

TEST(EditorScreen, ArrowLeavesTheLineEnterStoresIt) {
  EditorHarness down("G01X10{Down}{Esc}", {"OLD", "NEXT"});
  down.run();
  EXPECT_EQ(joined(down.buffer), "OLD|NEXT|");

  EditorHarness enter("{Code:11}G01X10{Enter}{Esc}", {"OLD", "NEXT"});
  enter.run();
  EXPECT_EQ(joined(enter.buffer), "G01 X10|NEXT|");
  EXPECT_EQ(enter.state.FILE, 2);
}

TEST(EditorScreen, EnterRulesCommentsEmptyFieldAndAppend) {
  EditorHarness h("{Code:11}(G01X1){Enter}{Code:11}{Enter}{Code:11}x10..5{Enter}{Code:11}G0X1{Enter}{Esc}",
                  {"L1", "L2", "L3"});
  h.run();
  // The comment is kept as typed; the emptied L2 is deleted; L3 becomes X10.5; then a line is appended.
  EXPECT_EQ(joined(h.buffer), "(G01X1)|X10.5|G0 X1|");

  EditorHarness blanks("{Right}{Right}{Enter}{Esc}", {"(A  B)"});
  blanks.run();
  EXPECT_EQ(joined(blanks.buffer), "(A  B)|") << "a comment keeps its blanks";
}

TEST(EditorScreen, PatternLineTypedWithEnterIsNormalised) {
  EditorHarness h("{Code:11}(!x0y0r10..5{Enter}{Esc}", {"OLD"});
  h.run();
  EXPECT_EQ(joined(h.buffer), "(!X0 Y0 R10.5|");
}

// The prompts of search and range delete sit on the field's row; the typing
// mode marker stays in column 5, so each prompt's "[" stays in view.
TEST(EditorScreen, SearchAndDeletePromptsKeepTheirText) {
  EditorHarness typing("{F4}X", {"G0", "X1"});
  typing.run();
  EXPECT_EQ(typing.textAt(6, 1, 15), " 検索[X       ]");
  EXPECT_EQ(typing.screen.cell(11, 1).fg, 5);
  EXPECT_EQ(typing.screen.cell(12, 1).fg, 6) << "the search field";
  EXPECT_EQ(typing.screen.cell(5, 1).bg, 4) << "overwrite-mode marker";

  EditorHarness none("{F4}QQ{Enter}{Code:18}", {"G0", "X1"});
  none.run();
  EXPECT_EQ(none.textAt(6, 1, 15), " 検索[QQ    ﾅｼ]");
  EXPECT_EQ(none.screen.cell(5, 1).bg, 1) << "insert-mode marker";

  EditorHarness del("{Down}{F6}1", {"G0", "X1", "Y2"});
  del.run();
  EXPECT_EQ(del.textAt(12, 2, 27), " 削除範囲(    2)～[1    ]  ");
  EXPECT_EQ(del.screen.cell(30, 2).fg, 6);
  EXPECT_EQ(del.screen.cell(31, 2).ch, U'1') << "the field starts at column 32 counted from 1";

  EditorHarness esc("{F4}X{Esc}{Esc}", {"G0", "X1"});
  esc.run();
  EXPECT_EQ(esc.state.FILE, 1);
  EXPECT_EQ(esc.buffer.lineCount(), 2);
}

TEST(EditorScreen, MarkRangeShowsItsTemplateOnTheCountRow) {
  EditorHarness h("{Down}{Down}{F5}", numbered(5));
  h.run();
  EXPECT_EQ(h.textAt(0, h.CMMF() + 1, 20), "複写範囲    3～    0");
  EXPECT_EQ(h.screen.cell(0, h.CMMF() + 1).fg, 5);
}

TEST(EditorScreen, SemicolonsSplitIntoFollowingLines) {
  EditorHarness h("{Down}{Down}{Down}{Down}{Code:11}A;B;C{Enter}{Esc}", numbered(8));
  h.run();
  EXPECT_EQ(joined(h.buffer), "L1|L2|L3|L4|A|B|C|L6|L7|L8|");
  EXPECT_EQ(h.state.FILE, 8) << "the cursor ends on the former line 6";
}

TEST(EditorScreen, CopyRangeAndPasteTwice) {
  EditorHarness h("{F5}{PgUp}{F5}{Esc}", numbered(30));
  h.state.FILE = 20;
  h.run();
  EXPECT_EQ(h.state.ST, 1);

  EditorHarness c("{F5}" "{Up}{Up}{Up}{Up}{Up}{Up}{Up}{Up}{Up}{Up}{F5}" "{Down}{Down}{Down}{Down}{Down}{F5}"
                  "{Up}{Up}{Up}{Up}{Up}{Up}{Up}{Up}{Up}{Up}{Up}{Up}{F12}{F12}{Esc}",
                  numbered(30));
  c.state.FILE = 20;
  c.run();
  EXPECT_EQ(c.state.TL, "L10;L11;L12;L13;L14;L15;");
  EXPECT_EQ(c.buffer.lineCount(), 42);
  EXPECT_EQ(c.buffer.line(3), "L10");
  EXPECT_EQ(c.buffer.line(9), "L10");
  EXPECT_EQ(c.buffer.line(15), "L3");
  EXPECT_EQ(c.textAt(0, c.CMMF() + 1, 5), "( 42)") << "the count printed on leaving";
  EXPECT_EQ(c.textAt(0, c.CMMF(), 6), "      ") << "the text area is cleared on leaving";
  EXPECT_EQ(c.textAt(0, c.CMMF() + 2, 2), "  ") << "the editor's key line goes with it";
}

// After Enter the row shows the line as stored, however long normalisation
// made it; a line cut to 70 cells beeps and says so.
TEST(EditorScreen, StoredLinesAreReprintedWholeAndCutLinesSaySo) {
  auto words = [](int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += "XYZ"[i % 3] + std::string("1.");
    return s;
  };
  struct Case {
    int words;          // "X1." words typed (3 characters each)
    size_t stored;      // cells stored after normalisation
    bool cut;
  } cases[] = {{14, 55, false}, {16, 63, false}, {17, 67, false}, {18, 70, true}};
  for (const Case& c : cases) {
    EditorHarness h("{Code:11}" + words(c.words) + "{Enter}", {"L1", "L2"});
    h.run();
    const std::string stored(h.buffer.line(1));
    EXPECT_EQ(stored.size(), c.stored) << c.words;
    EXPECT_EQ(h.textAt(6, 1, 74), stored + std::string(74 - stored.size(), ' ')) << c.words << " words";
    EXPECT_EQ(h.backend.beepCount() > 0, c.cut) << c.words << " words";
    EXPECT_EQ(h.textAt(9, h.CMMF() + 1, 30).find("70桁") != std::string::npos, c.cut) << c.words << " words";
  }
}

TEST(EditorScreen, RangeDeleteClampsToTheLastLine) {
  EditorHarness h("{F6}9999{Enter}{Esc}", numbered(100));
  h.state.FILE = 5;
  h.run();
  EXPECT_EQ(joined(h.buffer), "L1|L2|L3|L4|");

  EditorHarness refuse("{F6}3{Enter}{Esc}", numbered(10));
  refuse.state.FILE = 5;
  refuse.run();
  EXPECT_EQ(refuse.buffer.lineCount(), 10);
  EXPECT_GE(refuse.screen.beepCount(), 1);
}

TEST(EditorScreen, SearchSkipsANonLeadingOAndSaysNothingFound) {
  EditorHarness h("{F4}O10{Enter}{Esc}", {"G0", "G01 X1 (O10)", "O10", "M99"});
  h.run();
  EXPECT_EQ(h.state.FILE, 3);
  EXPECT_EQ(h.state.I, 1);

  EditorHarness none("{F4}ZZ{Enter}", {"G0", "X1"});
  none.run();
  EXPECT_NE(none.rowOf(1).find("ﾅｼ"), std::string::npos);
  EXPECT_EQ(none.state.FILE, 1);
  EXPECT_EQ(none.state.searchText, "ZZ");
}

TEST(EditorScreen, ListWindowJumpsToTheChosenOLine) {
  std::vector<std::string> lines = numbered(60);
  lines[39] = "O20";
  lines[40] = "(SUB)";
  lines[4] = "O10";
  EditorHarness h("{F8}{ListSelect:1}{Esc}", lines);
  h.run();
  ASSERT_EQ(h.screen.listEntries().size(), 2u);
  EXPECT_EQ(h.screen.listEntries()[1].substr(0, 14), "    20 (SUB) ;");
  EXPECT_EQ(h.state.FILE, 40);
  EXPECT_EQ(h.state.M, 40) << "the chosen line is on the first text row";
  EXPECT_EQ(h.rowOf(1).substr(0, 9), "   40 O20");
}

TEST(EditorScreen, WindowEventsWhileTheFieldIsOpen) {
  std::vector<std::string> lines = numbered(60);
  lines[39] = "O20";
  // A list choice made without F8 (the list is still up from an earlier F8).
  EditorHarness pick("{F8}{Esc}{Down}{ListSelect:0}", lines);
  pick.run();
  EXPECT_EQ(pick.state.FILE, 40);
  EXPECT_EQ(pick.state.M, 40);
  EXPECT_EQ(pick.rowOf(1).substr(0, 9), "   40 O20");
  EXPECT_FALSE(pick.backend.listVisible()) << "the list window is hidden after the choice";
  EXPECT_EQ(joined(pick.buffer).substr(0, 6), "L1|L2|") << "nothing stored";

  // A smaller window: CMMF follows the rows but never below 19; line M becomes current.
  EditorHarness resize("{Resize:800,400}", numbered(100));
  resize.state.FILE = 4;
  resize.run();
  EXPECT_EQ(resize.CMMF(), 19);
  EXPECT_EQ(resize.state.FILE, 1);
  EXPECT_EQ(resize.textAt(0, 20, 8), "(   100)");
  EXPECT_EQ(resize.textAt(0, 21, 2), "f1");
}

TEST(EditorScreen, PatternLineExpandsIntoBlocks) {
  EditorHarness h("{Code:11}(!X0Y0R10I90K0{F7}{Esc}", {"(!", "OLD"});
  h.session.settings.V2 = 3;
  h.run();
  EXPECT_EQ(joined(h.buffer), "(!|X10. Y0|X0 Y10.|X-10. Y0|X0 Y-10.|X10. Y0|");

  EditorHarness noPattern("{F7}{Esc}", {"G0 X1"});
  noPattern.run();
  EXPECT_EQ(noPattern.screen.beepCount(), 1);
  EXPECT_EQ(noPattern.buffer.lineCount(), 1);
}

// The learner's edition: no calculator (F7) and no hiding of the list (F11);
// its own key label line and four-digit range templates.
TEST(EditorScreen, LearnersEditionIgnoresF7AndF11) {
  EditorHarness h("{Code:11}(!X0Y0R10I90K0{F7}{F11}", {"(!", "OLD"});
  h.session.edition = learnerEdition();
  h.session.settings.V2 = 3;
  h.screen.listShow();
  h.run();
  EXPECT_EQ(joined(h.buffer), "(!|OLD|");
  EXPECT_EQ(h.screen.beepCount(), 0);
  EXPECT_TRUE(h.backend.listVisible());
  const int keyRow = h.CMMF() + 2;
  EXPECT_EQ(h.textAt(2, keyRow, 5), "↑　 ");
  EXPECT_EQ(h.textAt(50, keyRow, 5), "     ") << "no label over F7";
  EXPECT_EQ(h.textAt(58, keyRow, 5), "Noﾘｽﾄ");

  EditorHarness full("{F11}", {"G0 X1"});
  full.screen.listShow();
  full.run();
  EXPECT_FALSE(full.backend.listVisible()) << "VORN-T's F11 hides the list";
}

TEST(EditorScreen, LearnersDeleteRangeTemplateHasFourDigits) {
  EditorHarness h("{F6}", {"G0 X1", "G0 X2"});
  h.session.edition = learnerEdition();
  h.run();
  bool found = false;
  for (int row = 0; row < 40; ++row) found = found || h.screen.rowText(row).find(" 削除範囲(   1)～[    ]  ") != std::string::npos;
  EXPECT_TRUE(found);
}

TEST(EditorScreen, ClickMovesTheCursorAndFunctionKeyRowActs) {
  EditorHarness h("{Click:8,2}{Esc}", {"AAA", "BBBB"});
  h.run();
  EXPECT_EQ(h.state.FILE, 2);
  EXPECT_EQ(h.state.I, 3);

  EditorHarness esc("{Click:100,39}", {"A"});
  ASSERT_EQ(esc.CMMF(), 37);
  esc.run();  // column 100 on the function-key row is Esc: the editor leaves
  EXPECT_EQ(esc.textAt(0, 1, 6), "      ");

  EditorHarness beyond("{Click:110,39}", {"A"});
  beyond.run();  // right of "Esc" the row holds no key: the editor stays
  EXPECT_EQ(beyond.textAt(0, 1, 7), "    1 A");
}

TEST(EditorScreen, FunctionKeyActionsRunAndPagingKeys) {
  EditorHarness h("{F10}{F2}", numbered(100));
  int trajectoryRuns = 0;
  h.actions.trajectory = [&] { ++trajectoryRuns; };
  h.run();
  EXPECT_EQ(trajectoryRuns, 1);
  EXPECT_EQ(h.state.M, h.CMMF());
  EXPECT_EQ(h.rowOf(1).substr(0, 6), formatTemplate("##### ", {double(h.CMMF())}));
}

}  // namespace
}  // namespace vorn
