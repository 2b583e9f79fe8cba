// The plotter screen on a headless session: the first visit's values, the
// refused scale, the pen and plotter lines, and plots to the parallel
// plotter, which a fresh machine maps to the file lpt3.txt.
#include "output/plot_screen.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "runtime/error.h"
#include "runtime/text.h"
#include "tests/display/harness.h"
#include "tests/output/plot_harness.h"

namespace vorn {
namespace {

struct PlotRig {
  PlotRig(std::string_view script, std::vector<std::string> program)
      : backend(HeadlessBackend::fromScript(script)), rig(backend, std::move(program)) {
    rig.session.environment.Y8 = 2;  // parallel: "LPT3:"
    rig.settings.centre = {50, 30, 0};
  }
  // Runs the screen until the script is used up.
  void run() {
    PlotContext context{rig.session, rig.buffer, rig.editor, rig.settings, plot, codes, 0};
    try {
      plotScreen(context);
    } catch (const InputExhausted&) {
    }
  }
  std::string row(int fromOne) const { return rig.screen.rowText(fromOne - 1); }
  // width cells of a row from a column, both counted from 1.
  std::string cells(int fromOne, int col, int width) const { return midByWidth(row(fromOne), col - 1, width); }
  std::string plotted() const {
    std::ifstream in(rig.dir / "lpt3.txt", std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return fromCp932(bytes.str());
  }

  HeadlessBackend backend;
  TrajectoryRig rig;
  PlotSettings plot;
  CodeTable codes = standardCodeTable();
};

const std::vector<std::string> kProgram = {"O1", "G90 G00 X10. Y10.", "G01 X50. F100", "Y40.",
                                           "G02 X30. Y20. R15.", "G00 Z5.", "M30"};

TEST(PlotScreen, FirstVisitShowsTheDefaults) {
  PlotRig p("", kProgram);
  p.run();
  EXPECT_EQ(p.cells(5, 3, 4), "用紙");
  EXPECT_EQ(p.cells(5, 12, 4), "1)A4") << p.row(5);
  EXPECT_EQ(p.cells(7, 12, 5), " 1.00") << p.row(7);
  EXPECT_EQ(p.cells(7, 23, 5), " 1.00") << p.row(7);
  EXPECT_EQ(p.cells(9, 13, 1), "2") << p.row(9);   // G0 dash
  EXPECT_EQ(p.cells(10, 13, 1), "1") << p.row(10); // dotted outline
  EXPECT_NE(p.row(11).find("有"), std::string::npos) << p.row(11);
  EXPECT_EQ(p.cells(12, 12, 2), "99") << p.row(12);
  EXPECT_NE(p.row(16).find("ﾍﾟﾝ(8)"), std::string::npos) << p.row(16);
  EXPECT_NE(p.row(17).find("P ﾌﾟﾛｯﾀ"), std::string::npos) << p.row(17);
  EXPECT_EQ(p.plot.YYB, 1);
  EXPECT_EQ(p.plot.V1, 99);
}

TEST(PlotScreen, TheEditingOrderLeadsThroughEveryFieldToTheStart) {
  // Paper A3, plane XY, scale 2, Z ratio kept, the five lower fields kept,
  // then "1)開始"; "0" is read by the run.
  PlotRig p("2{Enter}{Enter}2{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}{Enter}1{Enter}0", kProgram);
  p.run();
  EXPECT_EQ(p.plot.S2, 2);
  EXPECT_EQ(p.plot.YYB, 2);
  EXPECT_TRUE(p.plotted().starts_with("IN;IP0,0,400,400;SI.2,.28;SC-50.5,-45.5,-39,-34;VS 99;SP 8;"))
      << p.plotted();
}

TEST(PlotScreen, ThePreviewShowsPaperAndWork) {
  PlotRig p("", kProgram);
  p.run();
  const Framebuffer& fb = p.rig.screen.framebuffer();
  long inPane = 0, outside = 0;
  for (int y = 0; y < fb.height; ++y)
    for (int x = 0; x < fb.width; ++x)
      if (fb.at(x, y) != 0) (x >= 316 && x <= 635 ? inPane : outside)++;
  EXPECT_GT(inPane, 500);
  EXPECT_EQ(outside, 0);
}

TEST(PlotScreen, SerialInterfaceShowsR) {
  PlotRig p("", kProgram);
  p.rig.session.environment.Y8 = 1;
  p.run();
  EXPECT_NE(p.row(17).find("R ﾌﾟﾛｯﾀ"), std::string::npos) << p.row(17);
}

TEST(PlotScreen, AZeroScaleBeepsAndKeepsTheOldScale) {
  PlotRig p("{Enter}{Enter}0{Enter}", kProgram);
  p.plot.fillFirstVisitDefaults();
  p.plot.YYB = 2.5f;
  p.run();
  EXPECT_EQ(p.backend.beepCount(), 1);
  EXPECT_EQ(p.plot.YYB, 2.5f);
}

TEST(PlotScreen, TheZRatioIsSharedWithTheTrajectory) {
  PlotRig p("{Enter}{Enter}{Enter}0{Enter}.5{Enter}", kProgram);
  p.run();
  EXPECT_EQ(p.backend.beepCount(), 1);
  EXPECT_EQ(p.plot.F6P3, 0.5f);
  EXPECT_EQ(p.rig.settings.zRatio, 0.5f);
}

TEST(PlotScreen, APenSettingShowsPenAndItsNumber) {
  PlotRig p("{Enter}{Enter}{Enter}{Enter}0{Enter}2{Enter}{Enter}{Enter}3{Enter}", kProgram);
  p.run();
  EXPECT_NE(p.row(16).find("PEN 3"), std::string::npos) << p.row(16);
  EXPECT_EQ(p.plot.X7, 3);
  EXPECT_EQ(p.plot.PAS, 0);
  EXPECT_EQ(p.plot.X4, 2);
}

TEST(PlotScreen, StartPlotsToTheParallelPlotterAndLeavesAtTheLastLine) {
  PlotRig p("{Esc}1{Enter}0{Esc}3{Enter}", kProgram);
  p.rig.buffer.OSDATE = "O1";
  p.rig.session.shell.PCUSE = "26.12. 8";
  p.run();
  const std::string hpgl = p.plotted();
  EXPECT_TRUE(hpgl.starts_with("IN;IP0,0,400,400;SI.2,.28;SC")) << hpgl;
  EXPECT_NE(hpgl.find("AA"), std::string::npos) << hpgl;
  EXPECT_NE(hpgl.find("LBO1 26.12. 8\x03"), std::string::npos) << hpgl;
  EXPECT_TRUE(hpgl.ends_with("PR8000,21000;SP0;IN;")) << hpgl;
  EXPECT_EQ(p.rig.editor.FILE, 7);
  EXPECT_FALSE(p.rig.channels.isOpen(9));
  if (test::haveHp2xx()) {
    const test::Rendered r = test::renderHpgl(toCp932(hpgl));
    EXPECT_EQ(r.ignored(), 0) << r.log;
    EXPECT_GT(r.picture.inkCount(), 0) << r.log;
  }
}

TEST(PlotScreen, AnErrorInTheFirstBlockStillWritesStartAndEnd) {
  PlotRig p("{Esc}1{Enter}", {"G05 X1.", "G01 X10. F100", "M30"});
  p.run();
  const std::string hpgl = p.plotted();
  EXPECT_TRUE(hpgl.starts_with("IN;IP0,0,400,400;SI.2,.28;SC")) << hpgl;
  EXPECT_NE(hpgl.find("VS 99;SP 8;LT 1,35.355;"), std::string::npos) << hpgl;
  EXPECT_EQ(hpgl.find("LB"), std::string::npos) << hpgl;
  EXPECT_TRUE(hpgl.ends_with("PR8000,21000;SP0;IN;")) << hpgl;
  EXPECT_NE(p.row(19).find("G?"), std::string::npos) << "the error is shown after the run";
  EXPECT_EQ(p.backend.beepCount(), 1);
}

TEST(PlotScreen, EscDuringTheRunStopsItWithoutLabel) {
  std::vector<std::string> longProgram = {"G01 F100"};
  for (int i = 0; i < 2000; ++i) longProgram.push_back(i % 2 ? "X10." : "X0");
  longProgram.push_back("M30");
  // "0" is read at the first block, Esc at the next look at the keys.
  PlotRig p("{Esc}1{Enter}0{Esc}", longProgram);
  p.run();
  const std::string hpgl = p.plotted();
  EXPECT_EQ(hpgl.find("LB"), std::string::npos);
  EXPECT_TRUE(hpgl.ends_with("PR8000,21000;SP0;IN;")) << hpgl.substr(hpgl.size() - 40);
  const auto commands = std::count(hpgl.begin(), hpgl.end(), ';');
  EXPECT_GT(commands, 200);
  EXPECT_LT(commands, 1000);
}

TEST(PlotScreen, AMissingSerialPortIsARuntimeError) {
  PlotRig p("{Esc}1{Enter}", kProgram);
  p.rig.session.environment.Y8 = 1;
  p.rig.session.environment.RCALC = "19";
  if (std::filesystem::exists(p.rig.paths.serialDevice(9))) GTEST_SKIP() << "COM9 exists here";
  PlotContext context{p.rig.session, p.rig.buffer, p.rig.editor, p.rig.settings, p.plot, p.codes, 0};
  EXPECT_THROW(plotScreen(context), RuntimeError);
}

TEST(PlotScreen, ASerialPlotterGetsThePlotAt9600) {
  int master = -1, slave = -1;
  char name[256] = {};
  ASSERT_EQ(openpty(&master, &slave, name, nullptr, nullptr), 0);
  // The channel opens the device by its path. The test keeps its own slave
  // open, so what the plot wrote still waits on the master after the channel
  // closes (a pty whose last slave closes may drop it).
  PlotRig p("{Esc}1{Enter}0", kProgram);
  DeviceConfig config = p.rig.paths.config();
  config.serialPorts[2] = name;
  PathMap paths(config);
  ChannelTable channels(paths);
  Session session(p.rig.screen, channels, paths);
  session.environment.Y8 = 1;
  session.environment.RCALC = "12";
  PlotContext context{session, p.rig.buffer, p.rig.editor, p.rig.settings, p.plot, p.codes, 0};
  try {
    plotScreen(context);
  } catch (const InputExhausted&) {
  }
  std::string got;
  for (;;) {
    pollfd fd{master, POLLIN, 0};
    if (::poll(&fd, 1, 500) <= 0) break;
    char buf[512];
    const ssize_t n = ::read(master, buf, sizeof buf);
    if (n <= 0) break;
    got.append(buf, size_t(n));
  }
  termios t{};
  ASSERT_EQ(tcgetattr(master, &t), 0);
  ::close(slave);
  ::close(master);
  EXPECT_TRUE(got.starts_with("IN;IP0,0,400,400;SI.2,.28;SC")) << got;
  EXPECT_TRUE(got.ends_with("PR8000,21000;SP0;IN;")) << got;
  EXPECT_EQ(cfgetospeed(&t), speed_t(B9600));
}

}  // namespace
}  // namespace vorn
