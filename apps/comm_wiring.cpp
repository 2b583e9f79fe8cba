#include "apps/comm_wiring.h"

#include "comm/environment_screen.h"
#include "output/machining_screen.h"

namespace vorn {

void wireComm(Session&, std::map<int, MenuAction>& menu, EditorParts& editor, CommParts& comm) {
  // Each screen leaves the editor's text area behind the menu as it found it,
  // and a receive shows the new program there.
  auto redraw = [&editor](Session& s) {
    redrawTextArea(s.screen, editor.buffer, editor.state, int(s.geometry.CMMF));
  };
  menu[3] = [&editor, &comm, redraw](Session& s) {
    printScreen(s, editor.buffer, comm.print, editor.buffer.YGW);
    redraw(s);
  };
  menu[5] = [&editor, &comm, redraw](Session& s) {
    commScreen(s, editor.buffer, comm.comm);
    redraw(s);
  };
  menu[7] = [redraw](Session& s) {
    // "3)CAMM" leads to the machine settings screen.
    if (environmentScreen(s) == EnvironmentOutcome::Machine) machineSettingsScreen(s);
    redraw(s);
  };
}

}  // namespace vorn
