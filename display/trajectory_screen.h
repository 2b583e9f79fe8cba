#pragma once
// The trajectory screen: the settings form with its "1)開始 2)条件 3)ﾓﾄﾞﾙ "
// menu, and the run that draws the program block by block while the text
// window lists blocks and coordinates, paced by the display speed, until the
// report of rapid distance, cutting distance and cutting time.
#include <functional>
#include <string>
#include <vector>

#include "display/path_drawing.h"
#include "display/trajectory_settings.h"
#include "interp/code_table.h"
#include "interp/runner.h"
#include "shell/edition.h"

namespace vorn {

class ProgramBuffer;
class Screen;
struct EditorState;
struct Environment;
struct Session;

// States of a run as the screen keeps them.
namespace runstate {
inline constexpr float Running = -1;
inline constexpr float Error = 1;
inline constexpr float Escaped = 1.5f;
inline constexpr float Ended = 3;
}  // namespace runstate

// What a finished run leaves for the editor's status row.
struct RunReport {
  float ZVZ = runstate::Running;  // run state: -1 running, 1 error, 1.5 Esc, 3 ended
  int FILE = 1;                   // line where the run stopped
  std::string I1M;                // error text, "" for none
  std::string totals;             // "移動…切削… :##H##M"
  std::string copyFile;           // name of the last hard copy written ("" none)
};

// What the screen works on; apps/ fills it in.
struct TrajectoryContext {
  Session& session;
  ProgramBuffer& buffer;
  EditorState& editor;
  TrajectorySettings& settings;
  const CodeTable& codes;
};

// The drawing set-up of a run from the trajectory and environment settings.
DrawingSetup drawingSetup(const TrajectorySettings& settings, const Environment& env);
// The interpreter's settings of a run.
// The edition gives the depth of nested calls and the message past it.
RunSettings runSettings(const TrajectorySettings& settings, const Environment& env,
                        const Edition& edition = vorntEdition());
// One coordinate-display line of a block (views 1 to 3 show Z as well).
std::string coordinateLine(const Move& m, int view);
// The pixel rectangle the run draws in on this screen: below row 0, above the
// text window, kept at 16:10.
PixelRect runViewport(Screen& screen);

// A file a "(:" line includes: opened under the recovery screen, then read
// as a stream while the run goes.
IncludedFile readIncludedFile(Session& session, const std::string& name);
// The screen's hard copy as a PNG named by the time ("copyYYYYMMDDhhmmss.png")
// in the working directory; its name is shown on row 0 and returned.
std::string hardCopyToFile(Session& session);

// Entered from the editor's trajectory key; returns to the editor with
// FILE at the line where a run stopped. The report is returned for the
// editor's status row (ZVZ stays Running when no run was made).
RunReport trajectoryScreen(TrajectoryContext& context);

// Runs the program once on the screen (the run of the settings screen).
RunReport runTrajectory(TrajectoryContext& context);

// Prints a run's report on the editor's status row (row CMMF + 1 from 0),
// after the editor has redrawn itself: error text in colour 6 with a beep,
// then the name of a hard copy written.
void showReportInEditor(Screen& screen, int CMMF, const RunReport& report);

}  // namespace vorn
