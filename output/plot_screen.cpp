#include "output/plot_screen.h"

#include <algorithm>

#include "editor/editor_screen.h"
#include "editor/editor_state.h"
#include "editor/normalize.h"
#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/keys.h"
#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/form.h"
#include "shell/menu.h"
#include "shell/session.h"

namespace vorn {

namespace {

constexpr int kPlotChannel = 9;
constexpr int kFrameRow = 4;          // frame's top row, from 1
constexpr int kFrameCol = 1;
constexpr int kFrameWidth = 38;
constexpr int kFrameInner = 11;       // 13 rows with the border
constexpr int kLabelCol = 3;
constexpr int kLetterRow = kFrameRow + kFrameInner + 2;  // plotter letter line, below the frame
constexpr int kMenuRow = kLetterRow + 1;
constexpr int kMenuCol = 3;
constexpr int kMessageRow = kMenuRow + 1;
constexpr int kLabelColor = 5;
constexpr int kTextColor = 7;
constexpr int kErrorColor = 6;
constexpr int kTextWindowRows = 6;
constexpr double kPollSeconds = 0.005;
constexpr long kPollBlocks = 256;

// Preview pane: 320 x 200 pixels, right edge at pixel column 635, showing
// 420 x 262.5 mm of paper (an A3 sheet fits).
constexpr int kPreviewWidth = 320, kPreviewHeight = 200, kPreviewRight = 635;
constexpr float kPreviewPaperWidth = 420;

// Field types of the form engine.
constexpr float kChoice = 0;
constexpr float kInteger = 10;
constexpr float kTwoDecimals = 10.2f;

std::string text(float v) { return numberTextTrim(v); }

const std::vector<FieldDef>& lowerBlockFields() {
  static const std::vector<FieldDef> fields = {
      {5, 13, 1, kInteger, "", 0},       // G0 dash length
      {6, 13, 1, kInteger, "0 2", 0},    // work outline
      {7, 13, 3, kChoice, "有 無 ", 0},  // name label
      {8, 12, 2, kInteger, "1 99", 0},   // pen speed
      {9, 13, 1, kInteger, "", 0},       // pen
  };
  return fields;
}

}  // namespace

PlotJob plotJob(const PlotSettings& settings, const TrajectorySettings& trajectory,
                const Environment& env) {
  PlotJob job;
  job.settings = settings;
  job.H0V = trajectory.H0V;
  job.angle = trajectory.angle;
  job.centre = trajectory.centre;
  job.workSize = trajectory.workSize;
  job.basePoint = trajectory.basePoint;
  job.ZC1 = env.ZC1;
  return job;
}

// --- the run

namespace {

// Every write to the plotter runs under the recovery screen, so a printer
// off line can be retried in place.
class GuardedSink : public PlotSink {
 public:
  GuardedSink(Session& session, PlotSink& inner) : session_(session), inner_(inner) {}
  void send(std::string_view text) override {
    session_.guarded([&] { inner_.send(text); });
  }

 private:
  Session& session_;
  PlotSink& inner_;
};

class PlotRun {
 public:
  explicit PlotRun(PlotContext& c)
      : c_(c), screen_(c.session.screen), canvas_(screen_.gfx(), runViewport(screen_)),
        drawing_(canvas_, screenSetup(c)) {}

  RunReport run();

 private:
  static DrawingSetup screenSetup(const PlotContext& c) {
    DrawingSetup d = drawingSetup(c.trajectory, c.session.environment);
    d.zRatio = c.settings.F6P3 > 0 ? c.settings.F6P3 : 1;
    return d;
  }
  bool afterBlock(const Move& m);
  bool handleKey(const std::string& k);  // false: stop the run
  void openPlotter();

  PlotContext& c_;
  Screen& screen_;
  PainterCanvas canvas_;
  PathDrawing drawing_;
  bool showLines_ = true;
  double lastPoll_ = -1;
  long sincePoll_ = 0;
};

void PlotRun::openPlotter() {
  Session& session = c_.session;
  const std::string device = session.environment.plotterDevice();
  session.guarded([&] {
    session.channels.close(kPlotChannel);
    if (device.starts_with("C")) {
      if (auto port = PathMap::serialPortNumber(device)) session.channels.setPortSpeed(*port, 9600);
    }
    session.channels.openDevice(kPlotChannel, device);
  });
}

RunReport PlotRun::run() {
  Session& session = c_.session;
  screen_.resetTextWindow();
  screen_.clearAll();
  screen_.setTextWindow(std::max(2, screen_.rows() - kTextWindowRows - 2), kTextWindowRows);
  screen_.color(int(session.environment.NNT) & 7);
  screen_.clearText();
  if (!c_.buffer.indexValid()) c_.buffer.rebuildIndex();

  openPlotter();
  ChannelSink channel(session.channels, kPlotChannel);
  GuardedSink sink(session, channel);
  HpglWriter out(sink);
  const PlotJob job = plotJob(c_.settings, c_.trajectory, session.environment);
  RunSettings settings = runSettings(c_.trajectory, session.environment, session.edition);
  const PlotLabel label{c_.buffer.H0X, c_.buffer.OSDATE, c_.YGW, session.shell.PCUSE};
  drawing_.start(settings.start);

  const PlotOutcome outcome = plotProgram(
      c_.buffer, c_.codes, settings, job, label, out,
      [&session](const std::string& name) { return readIncludedFile(session, name); },
      normalizeIncludedLine,
      [this](const Move& m) { return afterBlock(m); });
  session.guarded([&] {
    channel.flush();
    session.channels.close(kPlotChannel);
  });

  RunReport report;
  report.FILE = outcome.run.FILE;
  report.I1M = outcome.run.I1M.empty() ? outcome.run.fileError : outcome.run.I1M;
  report.totals = reportLine(outcome.run.totals);
  switch (outcome.run.ZVZ) {
    case RunState::Stopped: report.ZVZ = runstate::Escaped; break;
    case RunState::Ended: report.ZVZ = runstate::Ended; break;
    default: report.ZVZ = runstate::Error; break;
  }
  screen_.resetTextWindow();
  return report;
}

bool PlotRun::afterBlock(const Move& m) {
  if (showLines_) {
    screen_.color(int(c_.session.environment.NNT) & 7);
    screen_.printLine(formatTemplate("##### ", {double(m.line)}) + std::string(m.text));
  }
  if (m.I1M.empty() && m.draws) drawing_.drawBlock(m);
  // Keys and frames every 5 ms, or every 256 blocks where time stands still
  // (a headless run on a virtual clock).
  const double now = screen_.clock().seconds();
  if (lastPoll_ >= 0 && now - lastPoll_ < kPollSeconds && ++sincePoll_ < kPollBlocks) return true;
  lastPoll_ = now;
  sincePoll_ = 0;
  screen_.present();
  const std::string k = screen_.inkey();
  return k.empty() || handleKey(k);
}

bool PlotRun::handleKey(const std::string& k) {
  if (k == " ") {
    printAtPosition(screen_, 1, 1, "止", kErrorColor);
    screen_.present(true);
    screen_.waitKey();
    printAtPosition(screen_, 1, 1, "  ", 0);
  } else if (k == std::string(1, key::Esc)) {
    return false;
  } else if (k == "0") {
    showLines_ = false;
  } else if (k == "+") {
    showLines_ = !showLines_;
    if (!showLines_) screen_.clearText();
  } else if (k == "/") {
    canvas_.clear();
  } else if (k == "?") {
    hardCopyToFile(c_.session);
  }
  return true;
}

}  // namespace

RunReport runPlot(PlotContext& context) {
  PlotRun run(context);
  return run.run();
}

// --- the settings screen

namespace {

class PlotScreen {
 public:
  explicit PlotScreen(PlotContext& c) : c_(c), screen_(c.session.screen), s_(c.settings) {}
  void run();

 private:
  enum Step { Paper = 1, Plane, Scale, ZRatio, Lower, PenLine, Menu, Leave };

  void draw();
  void drawValues();
  void drawPenLine();
  void preview();
  Step paper();
  Step plane();
  Step number(float& value, int col, Step up, Step next, bool upOnLeft);
  Step lower(int fromField);
  Step menu();
  void leave();

  PlotContext& c_;
  Screen& screen_;
  PlotSettings& s_;
  Form form_;
  int lastLine_ = 0;          // the last plotted line, 0 before a run
  std::string message_;       // error text of the last run
};

void PlotScreen::draw() {
  screen_.resetTextWindow();
  screen_.color(kTextColor, 0);
  screen_.clearAll();
  framedBox(screen_, kFrameRow, kFrameCol, kFrameWidth, kFrameInner);
  const char* labels[] = {"用紙",
                          "作図平面",
                          "作図倍率         Z ﾋ",
                          "",
                          "G0線部分     mm",
                          "ﾜｰｸ線種     (0:四隅 1:点 2:破)",
                          "名称記入",
                          "作図速度     cm",
                          "ﾍﾟﾝ No      (0=ﾂｰﾙ)"};
  for (int i = 0; i < 9; ++i) printAtPosition(screen_, kLabelCol, kFrameRow + 1 + i, labels[i], kLabelColor);
  printAtPosition(screen_, kLabelCol, kLetterRow, plotterLetter(c_.session.environment) + " ﾌﾟﾛｯﾀ", kLabelColor);
  form_ = loadForm(lowerBlockFields(), kFrameRow, 0);
  drawValues();
  drawPenLine();
  preview();
  if (!message_.empty()) {
    printAtPosition(screen_, kLabelCol, kMessageRow, message_, kErrorColor);
    screen_.beep();
    message_.clear();
  }
}

void PlotScreen::drawValues() {
  const int row = kFrameRow;
  printAtPosition(screen_, 12, row + 1, s_.S2 == 2 ? "2)A3 " : "1)A4 ", kTextColor);
  const std::string planes = "1)XY 2)XZ 3)ZY 4)3D 5ﾚｲｽﾞ";
  const int plane = std::clamp(c_.trajectory.H0V, 1, 5);
  printAtPosition(screen_, 12, row + 2, midByWidth(planes, (plane - 1) * 5, 5), kTextColor);
  printAtPosition(screen_, 12, row + 3, formatTemplate("##.##", {double(s_.YYB)}), kTextColor);
  printAtPosition(screen_, 23, row + 3, formatTemplate("##.##", {double(s_.F6P3)}), kTextColor);
  form_.field(1).ZM = text(s_.PAS);
  form_.field(2).ZM = text(s_.X4);
  form_.field(3).ZM = text(s_.WR);
  form_.field(4).ZM = text(s_.V1);
  form_.field(5).ZM = text(s_.X7);
  drawForm(screen_, form_);
}

void PlotScreen::drawPenLine() {
  // On the frame's bottom edge, over what the last pen text left there.
  const std::string pen = s_.X7 == 0 ? "ﾍﾟﾝ(8)" : "PEN" + numberText(s_.X7);
  printAtPosition(screen_, kLabelCol, kFrameRow + kFrameInner + 1, pen + std::string(size_t(8 - textWidth(pen)), '-'),
          kLabelColor);
}

// The paper's drawable area as a box round the drawing centre and the work
// outline, at the plot scale and Z ratio, in a pane right of the frame.
void PlotScreen::preview() {
  Painter& gfx = screen_.gfx();
  const Framebuffer& fb = screen_.framebuffer();
  const int x2 = std::min(kPreviewRight, fb.width - 1);
  const int x1 = x2 - kPreviewWidth + 1;
  const int y1 = std::max(0, (fb.height - kPreviewHeight) / 2);
  const PixelRect pane{x1, y1, x2, y1 + kPreviewHeight - 1};
  gfx.resetViewport();
  gfx.resetWindow();
  gfx.fillBox(float(pane.x1), float(pane.y1), float(pane.x2), float(pane.y2), 0);

  PainterCanvas canvas(gfx, pane);
  DrawingSetup setup = drawingSetup(c_.trajectory, c_.session.environment);
  setup.zRatio = s_.F6P3;
  // 640 / scale mm of work across the pane is kPreviewPaperWidth mm of paper.
  setup.scale = 640 * s_.YYB / kPreviewPaperWidth;
  PathDrawing drawing(canvas, setup);
  drawing.start({0, 0, 0});
  const PaperArea paper = paperArea(s_.S2);
  const DrawPoint c = drawing.view().project(setup.centre[0], setup.centre[1], setup.centre[2]);
  const float hx = paper.RX / 2 / s_.YYB;
  const float hy = paper.RY / 2 / s_.YYB / drawing.view().verticalFactor(s_.F6P3);
  canvas.line(c.ZBB - hx, c.ZMX - hy, c.ZBB + hx, c.ZMX - hy, kTextColor);
  canvas.line(c.ZBB + hx, c.ZMX - hy, c.ZBB + hx, c.ZMX + hy, kTextColor);
  canvas.line(c.ZBB + hx, c.ZMX + hy, c.ZBB - hx, c.ZMX + hy, kTextColor);
  canvas.line(c.ZBB - hx, c.ZMX + hy, c.ZBB - hx, c.ZMX - hy, kTextColor);
  gfx.resetViewport();
  gfx.resetWindow();
}

PlotScreen::Step PlotScreen::paper() {
  FieldCall call;
  call.Y = kFrameRow + 1;
  call.F1 = 12;
  call.ZP = 5;
  call.ZDN = kChoice;
  call.W0L = "1)A4 2)A3 ";
  call.text = text(s_.S2);
  const FieldResult r = fieldInput(screen_, call);
  if (r.FDP == ending::Esc) return Menu;
  const float chosen = float(numberValue(call.text));
  if (chosen == 1 || chosen == 2) s_.S2 = chosen;
  preview();
  return Plane;
}

PlotScreen::Step PlotScreen::plane() {
  FieldCall call;
  call.Y = kFrameRow + 2;
  call.F1 = 12;
  call.ZP = 5;
  call.ZDN = kChoice;
  call.W0L = "1)XY 2)XZ 3)ZY 4)3D 5ﾚｲｽﾞ";
  call.text = text(float(c_.trajectory.H0V));
  const FieldResult r = fieldInput(screen_, call);
  if (r.FDP == ending::Esc) return Menu;
  const int chosen = int(numberValue(call.text));
  if (chosen >= 1 && chosen <= 5 && chosen != c_.trajectory.H0V) {
    c_.trajectory.H0V = chosen;
    preview();
  }
  return r.FDP == ending::Up ? Paper : Scale;
}

// The scale and the Z ratio: "##.##", 0 refused with a beep.
PlotScreen::Step PlotScreen::number(float& value, int col, Step up, Step next, bool upOnLeft) {
  for (;;) {
    FieldCall call;
    call.Y = kFrameRow + 3;
    call.F1 = col;
    call.ZP = 5;
    call.ZDN = kTwoDecimals;
    call.W0L = "##.##";
    call.text = text(value);
    const FieldResult r = fieldInput(screen_, call);
    if (r.FDP == ending::Esc) return Menu;
    const float typed = float(numberValue(call.text));
    if (!(typed > 0)) {
      screen_.beep();
      continue;
    }
    value = typed;
    printAtPosition(screen_, col, kFrameRow + 3, formatTemplate("##.##", {double(value)}), kTextColor);
    preview();
    return (r.FDP == ending::Up || (upOnLeft && r.FDP == ending::Left)) ? up : next;
  }
}

PlotScreen::Step PlotScreen::lower(int fromField) {
  const FormResult r = editForm(screen_, form_, fromField);
  s_.PAS = float(numberValue(form_.field(1).ZM));
  s_.X4 = float(numberValue(form_.field(2).ZM));
  const float label = float(numberValue(form_.field(3).ZM));
  s_.WR = label == 2 ? 2 : 1;
  s_.V1 = std::clamp(float(numberValue(form_.field(4).ZM)), 1.0f, 99.0f);
  s_.X7 = float(numberValue(form_.field(5).ZM));
  if (r.FDP != ending::Esc && r.field < 1) return Scale;
  return PenLine;
}

PlotScreen::Step PlotScreen::menu() {
  for (;;) {
    FieldCall call;
    call.Y = kMenuRow;
    call.F1 = kMenuCol;
    call.ZP = 7;
    call.ZDN = kChoice;
    call.W0L = "1)開始 2)条件 3)ﾓﾄﾞﾙ ";
    call.text = "2";
    const FieldResult r = fieldInput(screen_, call);
    const int chosen = int(numberValue(call.text));
    if (r.FDP == ending::Esc || (r.FDP == ending::Enter && chosen == 3)) return Leave;
    if (r.FDP == ending::Left || r.FDP == ending::Right) {
      screen_.beep();
    } else if (r.FDP == ending::Up) {
      return lower(form_.count()) == Scale ? Scale : PenLine;
    } else if (r.FDP == ending::Down) {
      return Paper;
    } else if (r.FDP == ending::Enter && chosen == 1) {
      const RunReport report = runPlot(c_);
      lastLine_ = report.FILE;
      message_ = report.I1M;
      draw();
      return Paper;
    } else if (r.FDP == ending::Enter) {
      return Paper;
    }
  }
}

// Back to the menu with the editor showing the last plotted line near its bottom.
void PlotScreen::leave() {
  screen_.resetTextWindow();
  screen_.color(kTextColor, 0);
  screen_.clearAll();
  EditorState& e = c_.editor;
  const int CMMF = std::max(1, int(c_.session.geometry.CMMF));
  if (lastLine_ > 0) {
    e.M = std::max(1, lastLine_ - CMMF + 2);
    e.FILE = std::max(1, lastLine_);
    e.LC = e.FILE - e.M;
    e.I = 1;
  }
  redrawTextArea(screen_, c_.buffer, e, CMMF);
}

void PlotScreen::run() {
  s_.fillFirstVisitDefaults();
  if (c_.trajectory.zRatio > 0) s_.F6P3 = c_.trajectory.zRatio;  // one Z ratio for both screens
  draw();
  Step step = Paper;
  while (step != Leave) {
    switch (step) {
      case Paper: step = paper(); break;
      case Plane: step = plane(); break;
      case Scale: step = number(s_.YYB, 12, Plane, ZRatio, false); break;
      case ZRatio:
        step = number(s_.F6P3, 23, Scale, Lower, true);
        c_.trajectory.zRatio = s_.F6P3;
        break;
      case Lower: step = lower(1); break;
      case PenLine:
        drawPenLine();
        screen_.flushKeys();
        step = Menu;
        break;
      case Menu: step = menu(); break;
      case Leave: break;
    }
  }
  leave();
}

}  // namespace

void plotScreen(PlotContext& context) {
  PlotScreen screen(context);
  screen.run();
}

}  // namespace vorn
