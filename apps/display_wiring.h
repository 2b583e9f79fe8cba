#pragma once
// The trajectory screen as the application holds it: its settings (kept in
// memory between runs) and the editor's F10 action that opens it.
#include "apps/editor_wiring.h"
#include "display/trajectory_screen.h"

namespace vorn {

struct DisplayParts {
  TrajectorySettings settings;  // the trajectory form's values, kept between runs
  RunReport lastReport;         // the report of the last run, for the editor's status row
};

// The code table of the working directory's "NCG", or the standard one when
// it is missing or unreadable.
CodeTable workingCodeTable(Session& session);

// Fills the editor's F10 action: the trajectory screen on the editor's buffer.
void wireTrajectory(Session& session, EditorParts& editor, DisplayParts& display);

}  // namespace vorn
