#pragma once
// The full-screen editor behind main-menu code 1: numbered rows, the line
// field on the current row, the function-key line, and the commands behind
// the keys (search, ranges, paste, calculator, program-number list). Other
// screens reached from it (store, trajectory) come in as actions from apps/.
#include <functional>
#include <string>
#include <string_view>

#include "editor/editor_state.h"
#include "editor/navigation.h"
#include "runtime/screen.h"

namespace vorn {

class ProgramBuffer;
struct Session;

// Screens the editor opens but does not own; an empty action makes its key do nothing.
struct EditorActions {
  std::function<void()> store;       // F9: the program store screens (as menu code 2)
  std::function<void()> trajectory;  // F10: the trajectory display
  std::function<void()> afterTrajectory;  // after F10's redraw: the run's report on the status row
  std::function<void()> afterStore;       // after F9's redraw: a load that did not fit
};

// How a line input ended.
struct LineInputResult {
  std::string text;        // the field's text, cut to its length
  int FDP = 13;            // ending code: 13, 27, 29, 30, 31, 4, 12, 19, 20, 21; 0 for a function key
  std::string ending;      // the ending key as text; "m" for a click, "j" for a window event handled
  int fnKey = 0;           // 1-12 when a function key ended the field
  int I = 1;               // cursor position when the field ended
  MouseClick click;        // where, when ending is "m"
};

// Prints lines M .. M + CMMF - 1 on rows 1 .. CMMF and the line count below
// them. The store, the trajectory screen and the list use it after changing
// FILE, M or the buffer.
void redrawTextArea(Screen& screen, const ProgramBuffer& buffer, const EditorState& state, int CMMF);
// The key numbers and labels on row CMMF + 2.
void drawFunctionKeyLine(Screen& screen, int CMMF, std::string_view labels);
// A message (a load that did not fit) beside the line count, in colour 6.
void showNotice(Screen& screen, const std::string& notice, int CMMF);
// One text row: the line index through "##### " in colour 5, the text from column 6 in colour 7.
void printProgramRow(Screen& screen, int row, int lineIndex, std::string_view text);

class EditorScreen {
 public:
  EditorScreen(Session& session, ProgramBuffer& buffer, EditorState& state, EditorActions actions);

  // Menu code 1: edits until Esc, then clears the screen and returns.
  void run();
  // The field editor on (row, col) counted from 1; serves the editing loop and the prompts.
  LineInputResult lineInput(std::string_view text, int width, int row, int col, int cursor);

  int CMMF() const;  // last text row, from the shell's geometry
  std::string notice;  // shown beside the line count after the first redraw
  void redraw();     // the text area with this editor's buffer and state

 private:
  Session& session_;
  Screen& screen_;
  ProgramBuffer& buffer_;
  EditorState& s_;
  EditorActions actions_;

  int fieldRow() const { return EditorState::ZW + s_.LC; }  // from 1
  void keepCurrentLineVisible();
  void reprintCurrentLine(int width);
  void apply(Repaint repaint);
  bool dispatch(const LineInputResult& r);   // false: leave the editor
  void functionKey(int n, const LineInputResult& r);
  void storeField(const std::string& text);
  void followInsertedLine();
  void leave();
  bool windowEventEndsField();

  void search();
  void markRange();
  void paste();
  void deleteRange();
  void programList();
  void calculator(const std::string& fieldText);
};

}  // namespace vorn
