// The plotter screen inside the whole program: menu entry "6 プロッタ", the
// sample program plotted to the parallel plotter (the file lpt3.txt of a
// fresh machine), and back at the main menu.
#include "apps/plot_wiring.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "harness.h"
#include "runtime/text.h"
#include "tests/output/plot_harness.h"

namespace vorn {
namespace {

TEST(PlotWiring, TheSampleProgramIsPlottedToAFileFromThePlotterScreen) {
  // "6": the plotter screen; Esc: from the paper field to the menu; "1": start;
  // "0" is read by the run; Esc and "3" leave the screen.
  ProgramRun run("6{Enter}{Esc}1{Enter}0{Esc}3{Enter}");
  run.prepare = [](App& app) {
    app.session.environment.Y8 = 2;
    app.display.settings.workSize = {100, 80, 20};
    app.display.settings.centre = {50, 40, 0};
  };
  App& app = run.start(dataDirectory() / "samples" / "sample.nc");
  std::ifstream in(run.dir / "lpt3.txt", std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string hpgl = fromCp932(bytes.str());
  EXPECT_TRUE(hpgl.starts_with("IN;IP0,0,400,400;SI.2,.28;SC-88,-78,-56,-46;VS 99;SP 8;")) << hpgl;
  EXPECT_NE(hpgl.find("ER-100 80;"), std::string::npos) << hpgl;
  EXPECT_NE(hpgl.find("AA"), std::string::npos) << hpgl;
  EXPECT_NE(hpgl.find("LB" + app.editor.buffer.OSDATE + " "), std::string::npos) << hpgl;
  EXPECT_TRUE(hpgl.ends_with("PR8000,21000;SP0;IN;")) << hpgl;
  EXPECT_EQ(app.plot.settings.YYB, 1);
  if (test::haveHp2xx()) {
    const test::Rendered r = test::renderHpgl(bytes.str());
    EXPECT_EQ(r.ignored(), 0) << r.log;
    EXPECT_EQ(r.unexpected(), 0) << r.log;
    EXPECT_GT(r.picture.inkCount(), 0) << r.log;
  }
  EXPECT_EQ(run.backend.beepCount(), 0);
  // Back at the menu over the editor's text, which shows the last plotted line.
  EXPECT_NE(run.row(7).find("6 プロッタ"), std::string::npos) << run.row(7);
  EXPECT_EQ(app.editor.buffer.line(app.editor.state.FILE), "M30");
  EXPECT_NE(run.lineRow(app.editor.state.FILE).find("M30"), std::string::npos);
}

TEST(PlotWiring, MenuEntryZeroMachinesTheSampleProgramAndKeepsItsConditions) {
  // "0": the machining screen; position 10, 20, XY scale 0.5, the rest kept;
  // "3": to the origin; Esc: back to the menu, which keeps the entry
  // highlighted; Enter: the screen again, the conditions not asked again; "1":
  // start (the run reads no further keys).
  ProgramRun run("0{Enter}10{Enter}20{Enter}.5{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}3{Enter}{Esc}"
                 "{Enter}1{Enter}");
  std::ifstream shipped(dataDirectory() / "NCMM", std::ios::binary);
  std::stringstream ncmm;
  ncmm << shipped.rdbuf();
  std::string parallel = ncmm.str();
  parallel[0] = '1';   // the parallel line: "LPT3:", lpt3.txt on a fresh machine
  run.write("NCMM", parallel);
  App& app = run.start(dataDirectory() / "samples" / "sample.nc");
  std::ifstream in(run.dir / "lpt3.txt", std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string commands = bytes.str();
  EXPECT_TRUE(commands.starts_with("^DF;^IP0,0,10,10\r\n^SC-10,-9.9,-20,-19.9\r\n")) << commands;
  EXPECT_NE(commands.find("^PD"), std::string::npos) << commands;
  EXPECT_TRUE(commands.ends_with("^IN\r\n")) << commands;
  EXPECT_FLOAT_EQ(app.plot.machining.ZD3, 0.5f);
  EXPECT_EQ(app.session.shell.menuPosition, 10);
  bool maxShown = false;
  for (int r = 0; r < app.screen.rows(); ++r) maxShown |= run.row(r).starts_with("MAX:Y=");
  EXPECT_TRUE(maxShown);
  EXPECT_EQ(run.backend.beepCount(), 0);
}

}  // namespace
}  // namespace vorn
