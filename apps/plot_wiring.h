#pragma once
// The plotter screen as the application holds it: the plot settings (kept in
// memory between visits) and the main menu's "6 プロッタ" entry.
#include <map>

#include "apps/display_wiring.h"
#include "output/machining_screen.h"
#include "output/plot_screen.h"
#include "shell/shell.h"

namespace vorn {

struct PlotParts {
  PlotSettings settings;  // the plot settings, from the first visit to the end of the program
  MachiningConditions machining;  // the machining conditions, from the first visit to the end of the program
};

// Menu code of the plotter screen.
inline constexpr int kPlotMenuCode = 10;
// Menu code of the machining screen.
inline constexpr int kMachiningMenuCode = 6;

// Enters the plotter screen (and the machining screen) on the editor's buffer and the trajectory settings.
void wirePlotter(Session& session, std::map<int, MenuAction>& menu, EditorParts& editor,
                 DisplayParts& display, PlotParts& plot);

}  // namespace vorn
