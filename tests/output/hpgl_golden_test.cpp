// Small programs through the plot run against the HP-GL text kept beside the
// tests (tests/output/data/<name>.hpgl, exact bytes), and every plot through
// hp2xx: it must parse every command and draw on the paper.
// VORN_UPDATE_GOLDEN=1 rewrites the expected files (review the diff).
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "runtime/text.h"
#include "tests/output/plot_harness.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

struct GoldenCase {
  const char* name;
  std::vector<std::string> program;
  std::function<void(PlotJob&, PlotLabel&)> adjust;
  RunState ends = RunState::Ended;
};

std::vector<GoldenCase> goldenCases() {
  return {
      {"lines_xy",
       {"G90 G00 X10. Y10.", "G01 X50. Y10. F100", "Y40.", "G00 Z5.", "X0 Y0", "M30"},
       [](PlotJob&, PlotLabel&) {}},
      {"dash0_rapids_only",
       {"G00 X10. Y10.", "X50. Z-5.", "X0 Y0 Z0", "M30"},
       [](PlotJob& j, PlotLabel&) { j.settings.PAS = 0; }},
      {"arcs_xy",
       {"G01 X50. Y40. F100", "G02 X30. Y20. R15.", "G03 X40. Y30. I5. J5.", "G02 Z-5.", "G01 X10.",
        "M30"},
       [](PlotJob&, PlotLabel&) {}},
      {"arc_chord_angle_small_scale",  // 0.1 mm on paper: chord angle 30
       {"G01 X20. Y0 F100", "G03 X0 Y0 R10.", "M30"},
       [](PlotJob& j, PlotLabel&) { j.settings.YYB = 0.01f; }},
      {"arc_chord_angle_large_scale",
       {"G01 X20. Y0 F100", "G03 X0 Y0 R10.", "M30"},
       [](PlotJob& j, PlotLabel&) { j.settings.YYB = 99.99f; }},
      {"g18_arc_in_xy",  // seen edge-on: one stroke to the end
       {"G01 X10. F100", "G18 G02 X30. Z-20. R20.", "M30"},
       [](PlotJob&, PlotLabel&) {}},
      {"g18_arc_in_xz",  // the arc's own plane: a plotter arc
       {"G01 X10. F100", "G18 G02 X30. Z-20. R20.", "M30"},
       [](PlotJob& j, PlotLabel&) { j.H0V = view::XZ; }},
      {"g17_arc_in_xz",  // edge-on in the view plane: chords
       {"G01 X10. F100", "G02 X30. Y20. R20.", "M30"},
       [](PlotJob& j, PlotLabel&) { j.H0V = view::XZ; }},
      {"g19_arc_in_zy_zratio",
       {"G01 Y10. F100", "G19 G03 Y30. Z-20. R20.", "M30"},
       [](PlotJob& j, PlotLabel&) {
         j.H0V = view::ZY;
         j.settings.F6P3 = 0.01f;
       }},
      {"g18_arc_in_3d",  // chords in space
       {"G01 X10. F100", "G18 G02 X30. Z-20. R20.", "M30"},
       [](PlotJob& j, PlotLabel&) { j.H0V = view::ThreeD; }},
      {"g17_arc_in_3d",
       {"G01 X50. Y10. F100", "G03 X30. Y30. R20.", "M30"},
       [](PlotJob& j, PlotLabel&) { j.H0V = view::ThreeD; }},
      {"pens_9_to_16",
       {"T9", "G01 X10. F100", "T12", "X20.", "T16", "X30.", "T3", "X40.", "M30"},
       [](PlotJob&, PlotLabel&) {}},
      {"fixed_pen",
       {"T9", "G01 X10. F100", "T12", "X20.", "M30"},
       [](PlotJob& j, PlotLabel&) { j.settings.X7 = 3; }},
      {"name_label_2_mark_12",
       {"G01 X10. F100", "M30"},
       [](PlotJob& j, PlotLabel& l) {
         j.settings.WR = 2;
         l.YGW = 12;
       }},
      {"mark_9_a3",
       {"G01 X10. F100", "M30"},
       [](PlotJob& j, PlotLabel& l) {
         j.settings.S2 = 2;
         l.YGW = 9;
       }},
      {"error_in_first_block", {"G05 X1.", "G01 X10. F100", "M30"}, [](PlotJob&, PlotLabel&) {},
       RunState::Error},
      {"drill_xy",
       {"G00 X10. Y10. Z5.", "T2", "G81 X10. Y20. Z-5. R2. F100", "X20.", "G91 X10. L3", "G80",
        "G90 G28 X0 Y0", "M30"},
       [](PlotJob&, PlotLabel&) {}},
      {"drill_xz_peck",
       {"G00 X10. Y10. Z5.", "T2", "G83 X10. Y20. Z-7. R2. Q3. F100", "G99 G73 X30. Z-4. R1. Q2.",
        "G80", "M30"},
       [](PlotJob& j, PlotLabel&) { j.H0V = view::XZ; }},
      {"thread_lathe",
       {"G00 X10. Z2.", "G32 Z-20. F1.5", "G00 X20.", "M30"},
       [](PlotJob& j, PlotLabel&) { j.H0V = view::Lathe; }},
      {"outline_corners_zy", {"G01 Y10. Z-5. F100", "M30"},
       [](PlotJob& j, PlotLabel&) {
         j.H0V = view::ZY;
         j.settings.X4 = 0;
       }},
      {"outline_dashed_3d_base5", {"G01 X10. F100", "M30"},
       [](PlotJob& j, PlotLabel&) {
         j.H0V = view::ThreeD;
         j.settings.X4 = 2;
         j.basePoint = 5;
       }},
      {"full_circle_and_reference_return",
       {"G00 X30. Y30.", "G12 R10. D0 F100", "G00 G28 X0 Y0", "M30"},
       [](PlotJob&, PlotLabel&) {}},
  };
}

std::string goldenPath(const std::string& name) {
  return std::string(VORN_TEST_DATA) + "/" + name + ".hpgl";
}

PlotJob caseJob(const GoldenCase& c, PlotLabel& label) {
  PlotJob job = test::smallJob();
  job.centre = {50, 30, 0};
  label = test::sampleLabel();
  c.adjust(job, label);
  return job;
}

test::Plotted plotCase(const GoldenCase& c) {
  PlotLabel label;
  const PlotJob job = caseJob(c, label);
  return test::plotLines(c.program, job, label);
}

TEST(HpglGolden, SmallProgramsMatchTheKeptText) {
  const bool update = std::getenv("VORN_UPDATE_GOLDEN") != nullptr;
  for (const GoldenCase& c : goldenCases()) {
    SCOPED_TRACE(c.name);
    const test::Plotted p = plotCase(c);
    EXPECT_EQ(p.outcome.run.ZVZ, c.ends) << p.outcome.run.I1M;
    EXPECT_EQ(p.outcome.labelled, c.ends == RunState::Ended);
    if (update) std::ofstream(goldenPath(c.name), std::ios::binary) << p.hpgl;
    EXPECT_EQ(p.hpgl, readFile(goldenPath(c.name)));
  }
}

TEST(HpglGolden, EveryPlotParsesAndDrawsInHp2xx) {
  if (!test::haveHp2xx()) GTEST_SKIP() << "hp2xx is not installed (scripts/setup.sh installs it)";
  for (const GoldenCase& c : goldenCases()) {
    SCOPED_TRACE(c.name);
    const test::Plotted p = plotCase(c);
    PlotLabel label;
    // The bytes a file or a plotter gets: code page 932.
    const PaperArea paper = paperArea(caseJob(c, label).settings.S2);
    const test::Rendered r = test::renderHpgl(toCp932(p.hpgl), paper.RX, paper.RY);
    EXPECT_EQ(r.status, 0) << r.log;
    EXPECT_EQ(r.ignored(), 0) << r.log;
    EXPECT_EQ(r.unexpected(), 0) << r.log;
    EXPECT_GT(r.picture.inkCount(), 0) << r.log;
  }
}

}  // namespace
}  // namespace vorn
