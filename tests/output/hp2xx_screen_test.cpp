// hp2xx's picture of a plot against the screen's drawing of the same run:
// at the same millimetres per pixel, the ink of one lies on the ink of the
// other (cells of 4 x 4 pixels, one cell of slack for pens and rounding).
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "display/canvas.h"
#include "display/path_drawing.h"
#include "interp/runner.h"
#include "runtime/text.h"
#include "tests/output/plot_harness.h"

namespace vorn {
namespace {

using Cells = std::set<std::pair<int, int>>;
constexpr int kCell = 4;

// The inked cells, counted from the ink's own lower-left corner.
template <class InkAt>
Cells inkCells(int width, int height, InkAt ink) {
  int minX = width, maxY = -1;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (ink(x, y)) minX = std::min(minX, x), maxY = std::max(maxY, y);
  Cells cells;
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x)
      if (ink(x, y)) cells.insert({(x - minX) / kCell, (maxY - y) / kCell});
  return cells;
}

// Share of a's cells with a cell of b at most one cell away.
double covered(const Cells& a, const Cells& b) {
  if (a.empty()) return 0;
  long hits = 0;
  for (auto [x, y] : a) {
    bool near = false;
    for (int dx = -1; dx <= 1 && !near; ++dx)
      for (int dy = -1; dy <= 1 && !near; ++dy) near = b.count({x + dx, y + dy}) != 0;
    hits += near;
  }
  return double(hits) / double(a.size());
}

TEST(Hp2xxAgainstTheScreen, ThePlotDrawsTheScreensStrokes) {
  if (!test::haveHp2xx()) GTEST_SKIP() << "hp2xx is not installed (scripts/setup.sh installs it)";
  const std::vector<std::string> program = {
      "G90 G00 X10. Y10.", "G01 X70. F100", "G03 X90. Y30. R20.", "G01 Y50.", "G02 X70. Y30. I-20.",
      "G01 X10. Y50.",     "Y10.",          "G00 Z5.",           "T3",       "G81 X30. Y30. Z-5. R2.",
      "X50.",              "G80",           "M30"};
  PlotJob job = test::smallJob();
  job.centre = {50, 30, 0};
  job.settings.PAS = 0;  // rapids left out on both
  job.settings.X4 = 2;   // dashed outline
  const test::Plotted plotted = test::plotLines(program, job);
  ASSERT_EQ(plotted.outcome.run.ZVZ, RunState::Ended);
  // The path alone: the label is not on the screen.
  const std::string path = plotted.hpgl.substr(0, plotted.hpgl.find(";IN;")) + ";";
  const test::Rendered r = test::renderHpgl(path);
  ASSERT_GT(r.picture.inkCount(), 0) << r.log;
  const Cells plot = inkCells(r.picture.width, r.picture.height,
                              [&](int x, int y) { return r.picture.at(x, y); });

  // The screen at 2 pixels per mm, as hp2xx draws at 51 dpi and scale 1.
  RecordingCanvas canvas(640, 400);
  DrawingSetup setup;
  setup.scale = 2;
  setup.centre = job.centre;
  setup.workSize = job.workSize;
  setup.ZU = 2;
  PathDrawing drawing(canvas, setup);
  TextProgram text(program);
  RunSettings settings;
  settings.IDMX = 1;
  for (int t = 1; t <= 8; ++t) settings.toolRadius[size_t(t)] = float(t);
  Runner runner(text, standardCodeTable(), settings);
  drawing.start({0, 0, 0});
  while (runner.step())
    if (runner.move().draws) drawing.drawBlock(runner.move());
  const Framebuffer& fb = canvas.framebuffer();
  const Cells screen = inkCells(fb.width, fb.height, [&](int x, int y) { return fb.at(x, y) != 0; });

  EXPECT_GT(covered(plot, screen), 0.95);
  EXPECT_GT(covered(screen, plot), 0.95);
  // Same extent: the work outline frames both.
  EXPECT_NEAR(double(plot.rbegin()->first), double(screen.rbegin()->first), 2);
}

}  // namespace
}  // namespace vorn
