#pragma once
// The program buffer and the editor as the application holds them, and their
// wiring into the shell: menu code 1, loading the command-line program at
// start, the start-up reset and the name, title and line count the shell shows.
#include <map>
#include <optional>
#include <string>

#include "editor/editor_screen.h"
#include "editor/editor_state.h"
#include "editor/load.h"
#include "editor/program_buffer.h"
#include "shell/shell.h"

namespace vorn {

struct EditorParts {
  ProgramBuffer buffer;               // the program being worked on (the edition's capacity)
  EditorState state;                  // current line, first shown line, ranges, search text
  EditorActions actions;              // F9 and F10, filled in by the store and trajectory wiring
  std::optional<WfHeader> wfHeader;   // mark and trajectory settings of the last ".wf" loaded
  std::string notice;                 // a load problem shown once under the text area

  explicit EditorParts(int capacity = kVorntProgramCapacity) : buffer(capacity) {}
};

// Loads a program file as start-up and the external-file screen do: progress
// "読込中" and the count on the current row; a cut file leaves a notice.
// Raises RuntimeError when the file cannot be read (the buffer stays as it was).
void loadProgramWithProgress(Session& session, EditorParts& editor, const std::string& path);

// Menu code 1 and the shell's start-up hooks for the program and the editor.
void wireEditor(Session& session, std::map<int, MenuAction>& menu, EditorParts& editor);

}  // namespace vorn
