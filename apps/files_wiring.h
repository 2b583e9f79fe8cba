#pragma once
// The shared-folder screen as the application wires it: menu code 4, reading
// through the editor's load (with the trajectory settings a ".wf" file
// brings) and saving with the trajectory form's settings.
#include <map>

#include "apps/display_wiring.h"
#include "apps/editor_wiring.h"
#include "shell/shell.h"

namespace vorn {

void wireFiles(Session& session, std::map<int, MenuAction>& menu, EditorParts& editor, DisplayParts& display);

}  // namespace vorn
