#include "apps/plot_wiring.h"

namespace vorn {

void wirePlotter(Session&, std::map<int, MenuAction>& menu, EditorParts& editor,
                 DisplayParts& display, PlotParts& plot) {
  menu[kPlotMenuCode] = [&editor, &display, &plot](Session& s) {
    const CodeTable codes = workingCodeTable(s);
    PlotContext context{s, editor.buffer, editor.state, display.settings, plot.settings, codes, editor.buffer.YGW};
    plotScreen(context);
  };
  menu[kMachiningMenuCode] = [&editor, &display, &plot](Session& s) {
    const CodeTable codes = workingCodeTable(s);
    MachiningContext context{s, editor.buffer, editor.state, display.settings, codes, plot.machining};
    machiningScreen(context);
    redrawTextArea(s.screen, editor.buffer, editor.state, int(s.geometry.CMMF));
  };
}

}  // namespace vorn
