#include "apps/display_wiring.h"

#include "runtime/paths.h"
#include "shell/shell.h"

namespace vorn {

CodeTable workingCodeTable(Session& session) {
  std::string problem;
  if (auto table = loadCodeTable(session.paths.resolve("NCG").string(), &problem)) return *table;
  return standardCodeTable();
}

void wireTrajectory(Session& session, EditorParts& editor, DisplayParts& display) {
  editor.actions.trajectory = [&session, &editor, &display] {
    const CodeTable codes = workingCodeTable(session);
    TrajectoryContext context{session, editor.buffer, editor.state, display.settings, codes};
    display.lastReport = trajectoryScreen(context);
  };
  // A program read from an exported file brings its trajectory settings.
  ShellHooks& hooks = session.hooks;
  hooks.loadProgram = [load = hooks.loadProgram, &editor, &display](Session& s, const std::string& path) {
    if (load) load(s, path);
    if (editor.wfHeader) applyExportedSettings(editor.wfHeader->settings, display.settings);
  };
  editor.actions.afterTrajectory = [&session, &display] {
    drawHeadingRow(session);  // the run cleared row 0
    showReportInEditor(session.screen, int(session.geometry.CMMF), display.lastReport);
    display.lastReport = {};
  };
}

}  // namespace vorn
