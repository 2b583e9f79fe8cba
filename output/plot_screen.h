#pragma once
// The plotter screen: the plot settings in a frame with a preview of the
// paper and the work, the "1)開始 2)条件 3)ﾓﾄﾞﾙ " menu, and the plot run
// that writes HP-GL to the plotter device while the screen draws the same
// path and shows the current line.
#include <string>

#include "display/trajectory_screen.h"
#include "output/hpgl_plot.h"
#include "output/plot_settings.h"

namespace vorn {

// What the screen works on; apps/ fills it in.
struct PlotContext {
  Session& session;
  ProgramBuffer& buffer;
  EditorState& editor;
  TrajectorySettings& trajectory;  // plane, rotation, centre, work, tools and unit (shared)
  PlotSettings& settings;
  const CodeTable& codes;
  float YGW = 0;                   // program mark written in the label (when above 9)
};

// The job of a plot from its settings, the trajectory settings and the environment.
PlotJob plotJob(const PlotSettings& settings, const TrajectorySettings& trajectory,
                const Environment& env);

// Runs the plot on the plotter device (channel 9): the screen is cleared, the
// path drawn on it and the current line shown; Space pauses, Esc stops, "+"
// and "0" switch the line display, "/" clears the drawing, "?" saves a hard
// copy. FILE of the report is the last line read.
RunReport runPlot(PlotContext& context);

// The plotter screen, entered from the main menu; returns with the editor's
// view set to the last plotted line.
void plotScreen(PlotContext& context);

}  // namespace vorn
