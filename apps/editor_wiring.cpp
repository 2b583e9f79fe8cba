#include "apps/editor_wiring.h"

#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "runtime/screen.h"

namespace vorn {

void loadProgramWithProgress(Session& session, EditorParts& editor, const std::string& path) {
  Screen& screen = session.screen;
  const int row = screen.cursorRow();
  LoadOptions options;
  options.mapPath = [&](const std::string& p) { return session.paths.resolve(p).string(); };
  options.progress = [&](int lines) {
    screen.locate(0, row);
    // The count in its plain number form: the leading blank keeps the start-up
    // heading, printed from column 7 over this row, clear of the digits.
    screen.print("読込中" + numberText(lines));
  };
  const LoadResult result = loadProgramFile(editor.buffer, path, options);
  editor.wfHeader = result.header;
  editor.notice = loadCutMessage(result);
  if (!editor.notice.empty()) screen.beep();
}

void wireEditor(Session& session, std::map<int, MenuAction>& menu, EditorParts& editor) {
  menu[1] = [&editor](Session& s) {
    EditorScreen screen(s, editor.buffer, editor.state, editor.actions);
    screen.notice = std::move(editor.notice);
    editor.notice.clear();
    screen.run();
  };
  ShellHooks& hooks = session.hooks;
  hooks.loadProgram = [&editor](Session& s, const std::string& path) {
    loadProgramWithProgress(s, editor, path);
  };
  hooks.resetScreens = [&editor](Session& s) {
    editor.state.reset();
    redrawTextArea(s.screen, editor.buffer, editor.state, int(s.geometry.CMMF));
    showNotice(s.screen, editor.notice, int(s.geometry.CMMF));
  };
  hooks.programName = [&editor](const Session&) { return editor.buffer.OSDATE; };
  hooks.programTitle = [&editor](const Session&) { return editor.buffer.H0X; };
  hooks.programLines = [&editor](const Session&) { return editor.buffer.lineCount(); };
}

}  // namespace vorn
