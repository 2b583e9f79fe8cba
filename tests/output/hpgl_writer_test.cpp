#include <gtest/gtest.h>

#include <cmath>

#include "interp/code_table.h"
#include "interp/text_program.h"
#include "output/hpgl_plot.h"
#include "output/hpgl_writer.h"
#include "output/plot_settings.h"
#include "shell/environment.h"

namespace vorn {
namespace {

TEST(HpglNumbers, SingleAndComputedForms) {
  struct Case {
    double value;
    const char* single;
    const char* computed;
  };
  const Case cases[] = {
      {0, " 0", " 0"},
      {10, " 10", " 10"},
      {-100, "-100", "-100"},
      {0.5, " .5", " .5"},
      {-0.25, "-.25", "-.25"},
      {28.284, " 28.284", " 28.284"},
      {12345678, " 12345678", " 12345678"},  // past the single's fixed form: still no exponent
      {1e-8, " .00000001", " 0"},
      {-1e-9, "-.000000001", " 0"},            // rounds to nothing: no "-0"
      {1.0 / 3, " .3333333", " .333333"},
      {-8599.999984, "-8600", "-8599.99998"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    EXPECT_EQ(hpSingle(float(c.value)), c.single);
    EXPECT_EQ(hpComputed(c.value), c.computed);
  }
}

TEST(HpglWriter, CommandsEndWithSemicolonAndLabelsWithEtx) {
  StringSink sink;
  HpglWriter out(sink);
  out.command("PU" + hpSingle(1) + "," + hpSingle(-2));
  out.label("ﾃｽﾄ 1");
  EXPECT_EQ(sink.text(), "PU 1,-2;LBﾃｽﾄ 1\x03");
}

TEST(HpglWriter, ControlCharactersNeverReachTheLabel) {
  // A title holding the end code would end the label and run the rest as commands.
  StringSink sink;
  HpglWriter out(sink);
  out.label(std::string("AB\x03PD0,0;\x1b\r\nC\x7f", 15));
  EXPECT_EQ(sink.text(), "LBABPD0,0;C\x03");
}

TEST(HpglPlot, ChordAngleFollowsThePaperRadius) {
  struct Case {
    float r;
    int angle;
  };
  for (const Case c : {Case{0, 30}, Case{0.1f, 30}, Case{0.22f, 30}, Case{0.3f, 30}, Case{1, 30},
                       Case{5, 17}, Case{20, 8}, Case{100, 3}, Case{999.9f, 1}}) {
    SCOPED_TRACE(c.r);
    EXPECT_EQ(HpglPlot::chordAngle(c.r), c.angle);
  }
}

TEST(PlotSettings, FirstVisitDefaultsOnlyWhileTheScaleIsZero) {
  PlotSettings s;
  s.S2 = 2;
  s.PAS = 5;
  s.fillFirstVisitDefaults();
  EXPECT_EQ(s.toFloats(), (std::array<float, 8>{1, 1, 1, 2, 1, 1, 99, 0}));
  s.YYB = 2.5f;
  s.PAS = 0;
  s.fillFirstVisitDefaults();
  EXPECT_EQ(s.PAS, 0);
  EXPECT_EQ(s.YYB, 2.5f);
}

TEST(PlotSettings, StoredFloatsRoundTripAndBadValuesAreLeftOut) {
  PlotSettings s;
  s.fromFloats({2, 0.5f, 3, 0, 2, 2, 10, 4});
  EXPECT_EQ(s.toFloats(), (std::array<float, 8>{2, 0.5f, 3, 0, 2, 2, 10, 4}));
  PlotSettings t = s;
  t.fromFloats({3, 0, -1, 1.5f, 7, 0, 100, std::nanf("")});
  EXPECT_EQ(t.toFloats(), s.toFloats());
}

TEST(PlotSettings, PaperAndPlotterDevice) {
  EXPECT_EQ(paperArea(1).RX, 276);
  EXPECT_EQ(paperArea(1).RY, 192);
  EXPECT_EQ(paperArea(2).RX, 402);
  EXPECT_EQ(paperArea(2).RY, 276);
  Environment env;
  EXPECT_EQ(env.plotterDevice(), "COM2:(S8N1N8NN?)");
  EXPECT_EQ(plotterLetter(env), "R");
  env.RCALC = "13";
  EXPECT_EQ(env.plotterDevice(), "COM3:(S8N1N8NN?)");
  env.Y8 = 2;
  EXPECT_EQ(env.plotterDevice(), "LPT3:");
  EXPECT_EQ(plotterLetter(env), "P");
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

TEST(PlotProgram, AnExceptionFromTheScreenStillEndsThePlot) {
  TextProgram program({"G01 X10. F100", "X20.", "M30"});
  StringSink sink;
  HpglWriter out(sink);
  PlotJob job;
  job.settings.fillFirstVisitDefaults();
  EXPECT_THROW(plotProgram(program, standardCodeTable(), RunSettings{}, job, {}, out, {}, {},
                           [](const Move&) -> bool { throw std::runtime_error("left for the menu"); }),
               std::runtime_error);
  EXPECT_TRUE(sink.text().ends_with("PR8000,21000;SP0;IN;")) << sink.text();
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

TEST(HpglPlot, AZeroScaleOrZRatioIsTakenAsOne) {
  StringSink sink;
  HpglWriter out(sink);
  PlotJob job;
  job.H0V = view::XZ;
  job.settings.YYB = 0;
  job.settings.F6P3 = 0;
  HpglPlot plot(out, job);
  plot.initialise();
  EXPECT_EQ(sink.text(), "IN;IP0,0,400,400;SI.2,.28;SC-138,-128,-96,-86;VS 99;SP 8;");
}

}  // namespace
}  // namespace vorn
