#include "apps/learner_wiring.h"

#include <algorithm>
#include <cctype>

#include "apps/app.h"
#include "shell/shell.h"
#include "store/submit_screen.h"

namespace vorn {

bool parseLearnerNumber(const std::string& text, int& number) {
  if (text.empty() || text.size() > 8 || !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); }))
    return false;
  const int n = std::stoi(text);
  if (n < 1 || n > kMaxLearnerNumber) return false;
  number = n;
  return true;
}

void wireLearnerScreens(App& app) {
  Session& session = app.session;
  EditorParts& editor = app.editor;
  wireTrajectory(session, editor, app.display);
  wireStore(session, app.menu, editor, app.display, app.plot, app.store);
  wirePlotter(session, app.menu, editor, app.display, app.plot);
  wireComm(session, app.menu, editor, app.comm);  // printing (3) and the environment (7)
  app.menu.erase(5);                              // no communication
  // Each screen leaves the editor's text area behind the menu as it found it.
  auto redraw = [&editor](Session& s) {
    const int CMMF = int(s.geometry.CMMF);
    redrawTextArea(s.screen, editor.buffer, editor.state, CMMF);
    showNotice(s.screen, editor.notice, CMMF);
  };
  app.menu[learnercode::Trajectory] = [&editor, redraw](Session& s) {
    editor.actions.trajectory();
    redraw(s);
    editor.actions.afterTrajectory();
  };
  app.menu[learnercode::Submit] = [&app, redraw](Session& s) {
    SubmitContext context{s, app.editor.buffer, app.learner.number,
                          [&app] { return exportedSettings(app.display.settings); }};
    submitScreen(context);
    redraw(s);
  };
  app.menu[learnercode::Delete] = [&app, redraw, variant = deleteStorageVariant()](Session& s) {
    storageVisit(s, app.editor, app.display, app.plot, app.store, variant);
    redraw(s);
  };
}

}  // namespace vorn
