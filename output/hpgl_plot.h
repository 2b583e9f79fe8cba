#pragma once
// HP-GL generation of a plot run: plotter initialisation (reset, scaling
// window, speed, pen), the work outline, every block's move as pen moves,
// plotter arcs or chords, hole marks and thread strokes, the label at a
// normal end and the end sequence that every run writes. Screen-free: the
// plot screen and the command line both run it.
#include <array>
#include <functional>
#include <string>
#include <vector>

#include "display/path_drawing.h"
#include "display/view.h"
#include "interp/runner.h"
#include "output/hpgl_writer.h"
#include "output/plot_settings.h"

namespace vorn {

// Everything one plot reads besides the program.
struct PlotJob {
  PlotSettings settings;               // paper, scale, Z ratio, dash, outline, label, speed, pen
  int H0V = view::XY;                  // plot plane: 1 XY, 2 XZ, 3 ZY, 4 3D, 5 lathe
  int angle = 10;                      // 3D rotation angle, whole degrees
  std::array<float, 3> centre{};       // drawing centre X, Y, Z, mm
  std::array<float, 3> workSize{};     // work X, Y, Z, mm
  int basePoint = 1;                   // work base point 1-9
  float ZC1 = 9;                       // circle pitch: chords per half turn scale with it
};

// The two label lines written at a normal end.
struct PlotLabel {
  std::string H0X;     // program title
  std::string OSDATE;  // program name
  float YGW = 0;       // program mark (written when above 9)
  std::string PCUSE;   // today's date stamp
};

class HpglPlot {
 public:
  HpglPlot(HpglWriter& out, const PlotJob& job);

  // Reset, scaling window, pen speed and the first pen.
  void initialise();
  // The work outline in the job's line type, then solid lines again.
  void workOutline();
  // Pen-up move to the run's start point.
  void startAt(const Point3& p);
  // Plots one block that moves (or returns to the reference point), then
  // changes pen when the tool changed and no pen is fixed.
  void block(const Move& m);
  // The two label lines in plotter units below the drawing.
  void label(const PlotLabel& text);
  // Pen clear of the drawing, pen put away, reset.
  void endSequence();

  // Chord angle in whole degrees of a plotter arc of r mm on paper.
  static int chordAngle(float r);

  float SETDW = 8;  // tool number the pen follows
  int PBB = 0;      // pen state: 0 up, 1 down

 private:
  std::string at(const DrawPoint& p) const;
  DrawPoint project(float x, float y, float z) const { return view_.project(x, y, z); }
  void penSelect();
  void penUp(const DrawPoint& p);
  void penDown(const DrawPoint& p);
  void rapid(const DrawPoint& p, const Move& m);
  void rapid(const DrawPoint& p, float dx, float dy);
  void arc(const Move& m);
  void arcOf(const ArcPlan& plan, bool chords);
  void fullCircle(const Move& m);
  void cycle(const Move& m);
  void holeMark(float radius);
  void thread(const Move& m);

  HpglWriter& out_;
  PlotJob job_;
  ViewTransform view_;
  float pen_ = 0;                     // the pen selected last
  float lastTool_ = 0;                // the interpreter's tool after the last block
  std::vector<DrawPoint> chords_;     // reused per arc
};

// What one plot run left.
struct PlotOutcome {
  RunResult run;      // how the interpreter's run ended
  bool labelled = false;  // the label was written (normal end)
};

// Runs the program through the interpreter and writes the whole plot: the
// initialisation, the outline, every block, the label at a normal end and
// the end sequence whatever happened. afterBlock (optional) sees every block
// after it is plotted, errors included; returning false stops the run as Esc
// does. Included files and block normalisation are handed to the runner.
PlotOutcome plotProgram(const ProgramSource& program, const CodeTable& codes,
                        const RunSettings& settings, const PlotJob& job, const PlotLabel& label,
                        HpglWriter& out, IncludeReader includes = {},
                        BlockNormalizer normalize = {},
                        const std::function<bool(const Move&)>& afterBlock = {});

}  // namespace vorn
