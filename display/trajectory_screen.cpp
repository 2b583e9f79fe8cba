#include "display/trajectory_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "editor/editor_state.h"
#include "editor/normalize.h"
#include "editor/program_buffer.h"
#include "editor/program_stream.h"
#include "interp/text_program.h"
#include "runtime/error.h"
#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/form.h"
#include "shell/session.h"

namespace vorn {

namespace {

constexpr int kFormOriginRow = 1;      // field rows count from here (screen rows from 1)
constexpr int kTitleRow = 16;          // "描画" and the menu, from 1
constexpr int kMenuCol = 8;
constexpr int kTextWindowRows = 6;
constexpr int kLabelColor = 5;
constexpr int kErrorColor = 6;
constexpr int kCopyNameCol = 14;  // row 0: clear of "止" and "（?:図印刷）"
constexpr int kPaceMarkColor = 7;
// One round of the pacing loop. A block waits (delay count - display speed)
// rounds, so the default speed 50 waits 75 ms per block and "8" 6.35 s.
constexpr double kPaceRoundSeconds = 0.001;
// At full speed keys and frames are looked at this often.
constexpr double kPollSeconds = 0.005;
constexpr long kPollBlocks = 256;
constexpr long kClockEveryBlocks = 4;  // blocks between clock reads at full speed
constexpr int kAnimationSteps = 10;  // positions of the tool mark along one block ("2)動画")

void printAt(Screen& screen, int col, int row, std::string_view text, int color) {
  screen.locate(col, row);
  screen.color(color);
  screen.print(text);
}

int textWindowTop(const Screen& screen) { return std::max(2, screen.rows() - kTextWindowRows - 2); }

}  // namespace

// Opened under the recovery screen, then read as a stream while the run
// goes: a file of any size costs neither memory nor a wait at its start.
IncludedFile readIncludedFile(Session& session, const std::string& name) {
  return session.guarded([&] { return streamIncludedFile(session.paths.resolve(name).string(), name); });
}

// The screen's hard copy as a PNG named by the time, in the working
// directory. The name is shown on row 0 (after the copy, so it is not in the
// picture) and returned for the report.
std::string hardCopyToFile(Session& session) {
  char name[64];
  const std::time_t t = session.screen.clock().wallTime();
  std::strftime(name, sizeof name, "copy%Y%m%d%H%M%S.png", std::localtime(&t));
  session.guarded([&] { session.screen.hardCopy(session.paths.resolveForWriting(name).string()); });
  printAt(session.screen, kCopyNameCol, 0, std::string("ｺﾋﾟｰ ") + name, kErrorColor);
  return name;
}

DrawingSetup drawingSetup(const TrajectorySettings& s, const Environment& env) {
  DrawingSetup d;
  d.H0V = s.H0V;
  d.angle = s.angle;
  d.zRatio = s.zRatio > 0 ? s.zRatio : 1;
  d.scale = s.scale > 0 ? s.scale : 2;
  d.centre = s.centre;
  d.workSize = s.workSize;
  d.basePoint = s.basePoint;
  d.ZU = s.ZU;
  d.ZC1 = env.ZC1;
  d.CR = int(env.CR) & 15;
  d.Y6 = int(env.Y6) & 15;
  return d;
}

RunSettings runSettings(const TrajectorySettings& s, const Environment& env, const Edition& edition) {
  RunSettings r;
  r.IDMX = s.unitDivisor();
  r.H0V = s.H0V;
  r.scale = s.scale > 0 ? s.scale : 2;
  r.start = {env.G, env.CD, env.ZZS};
  for (int i = 0; i < 8; ++i) r.toolRadius[size_t(i + 1)] = s.toolRadius[size_t(i)];
  r.skipMode = s.skipMode;
  r.nestedCalls = edition.nestedCalls;
  r.callDepthMessage = edition.callDepthMessage;
  return r;
}

std::string coordinateLine(const Move& m, int view) {
  const bool withZ = view >= view::XY && view <= view::ZY;
  std::string out = formatTemplate("    ####.###", {double(m.to[0])});
  out += formatTemplate(" ####.###", {double(m.to[1])});
  if (withZ) out += formatTemplate(" ####.###", {double(m.to[2])});
  out += " (";
  for (int i = 0; i < (withZ ? 3 : 2); ++i) {
    const float d = m.delta[size_t(i)];
    out += d == 0 ? formatTemplate("     #    ", {0.0}) : formatTemplate(" #####.###", {double(d)});
  }
  if (m.ZSC != 0) out += formatTemplate(" #####.###", {double(m.ZSC)});
  return out;
}

PixelRect runViewport(Screen& screen) {
  const int top = kCellHeight;  // row 0 keeps the pause and hard-copy messages
  const int bottom = textWindowTop(screen) * kCellHeight;
  return drawingViewport(0, top, screen.framebuffer().width, std::max(1, bottom - top));
}

// --- the run

namespace {

// The run loop of one trajectory run: the runner reads the blocks, this
// draws them, lists them, paces them and answers the keys.
class TrajectoryRun {
 public:
  explicit TrajectoryRun(TrajectoryContext& c)
      : c_(c),
        screen_(c.session.screen),
        env_(c.session.environment),
        canvas_(screen_.gfx(), runViewport(screen_)),
        drawing_(canvas_, drawingSetup(c.settings, env_)),
        textDisplay_(c.settings.textDisplay == 1),
        coordinates_(c.settings.coordinateDisplay == 2),
        delayCount_(env_.GL1 * 2.5f),
        animate_(c.session.edition.learner && c.settings.animation == 2) {}

  RunReport run();

 private:
  void showBlock(const Move& m);
  void pace();
  void paceHeadless();
  void handleKey(const std::string& k);
  void paceMark(double seconds) { paceMarkAt(drawing_.currentPoint(), seconds); }
  void paceMarkAt(DrawPoint at, double seconds);
  void animate(DrawPoint from, DrawPoint to);
  bool timeToPoll(bool pacing);
  void followResize();

  TrajectoryContext& c_;
  Screen& screen_;
  const Environment& env_;
  PainterCanvas canvas_;
  PathDrawing drawing_;
  Runner* runner_ = nullptr;
  bool textDisplay_;       // block text listed in the text window
  bool coordinates_;       // coordinates listed after each block
  float delayCount_;       // pacing rounds per block, from the display speed
  bool animate_;           // "2)動画": the tool mark travels along each drawn block
  std::string copyFile_;   // the last hard copy written during the run
  double lastPoll_ = -1;
  long sincePoll_ = 0;
  int laidOutWidth_ = 0;   // framebuffer size the text window was laid out for
  int laidOutHeight_ = 0;
};

RunReport TrajectoryRun::run() {
  Session& session = c_.session;
  screen_.resetTextWindow();
  screen_.clearAll();
  screen_.setTextWindow(textWindowTop(screen_), kTextWindowRows);
  screen_.color(int(env_.NNT) & 7);
  screen_.clearText();
  laidOutWidth_ = screen_.framebuffer().width;
  laidOutHeight_ = screen_.framebuffer().height;
  if (!c_.buffer.indexValid()) c_.buffer.rebuildIndex();

  const RunSettings settings = runSettings(c_.settings, env_, c_.session.edition);
  Runner runner(
      c_.buffer, c_.codes, settings,
      [&session](const std::string& name) { return readIncludedFile(session, name); },
      normalizeIncludedLine);
  runner_ = &runner;
  const InterpState& state = runner.interpreter().state();
  drawing_.start({state.ZVY, state.WT, state.UW});

  while (runner.step()) {
    followResize();
    const Move& m = runner.move();
    showBlock(m);
    if (!m.I1M.empty()) continue;  // the runner ends the run after this block
    const DrawPoint from = drawing_.currentPoint();
    if (m.draws) drawing_.drawBlock(m);
    if (m.draws && animate_) animate(from, drawing_.currentPoint());
    pace();
  }
  runner_ = nullptr;

  const RunResult& result = runner.result();
  RunReport report;
  report.FILE = result.FILE;
  report.I1M = result.I1M.empty() ? result.fileError : result.I1M;
  report.totals = reportLine(result.totals);
  report.copyFile = copyFile_;
  switch (result.ZVZ) {
    case RunState::Stopped: report.ZVZ = runstate::Escaped; break;
    case RunState::Ended: report.ZVZ = runstate::Ended; break;
    default: report.ZVZ = runstate::Error; break;
  }
  return report;  // the report is printed next and shown with it: no frame here
}

void TrajectoryRun::showBlock(const Move& m) {
  if (textDisplay_) {
    screen_.color(int(env_.NNT) & 7);
    screen_.printLine(formatTemplate("##### ", {double(m.line)}) + std::string(m.text));
  }
  // Listed before the error check: a faulty block shows where it left the tool.
  if (coordinates_) screen_.printLine(coordinateLine(m, c_.settings.H0V));
}

bool TrajectoryRun::timeToPoll(bool pacing) {
  ++sincePoll_;
  // At full speed the clock is read every few blocks only: a block takes
  // microseconds, and reading the clock costs about as much as a short one.
  const bool due = pacing || sincePoll_ >= kPollBlocks || lastPoll_ < 0;
  if (!due && sincePoll_ % kClockEveryBlocks != 0) return false;
  const double now = screen_.clock().seconds();
  if (due || now - lastPoll_ >= kPollSeconds) {
    sincePoll_ = 0;
    lastPoll_ = now;
    return true;
  }
  return false;
}

void TrajectoryRun::pace() {
  const bool pacing = delayCount_ > env_.GL1;
  if (pacing && screen_.backend().headless()) return paceHeadless();
  if (!timeToPoll(pacing)) return;
  std::string k = screen_.inkey();
  if (k.empty() && pacing) {
    paceMark(double(delayCount_ - env_.GL1) * kPaceRoundSeconds);
    k = screen_.inkey();
  }
  if (!k.empty()) handleKey(k);
}

// Headless, the wait passes on the virtual clock and nobody sees a frame. An
// empty key poll would present one (the virtual clock makes every wait
// outlast a frame period), so a key is read only when one ended the wait
// early: a paced run then costs about what a full-speed run does.
void TrajectoryRun::paceHeadless() {
  timeToPoll(true);  // a paced block counts as a look at the keys
  const double seconds = double(delayCount_ - env_.GL1) * kPaceRoundSeconds;
  const double end = screen_.clock().seconds() + seconds;
  paceMark(seconds);
  if (screen_.clock().seconds() >= end) return;
  // A key is queued: waitKey takes it without pumping the script further.
  handleKey(screen_.waitKey());
}

// The pace mark: a small circle at the current point while the block waits.
// The pixels under it are put back afterwards, so the path stays intact.
// The animation: the tool mark moves from the block's start to its end in
// kAnimationSteps steps, each waiting as many rounds as the display speed
// (the default 50: half a second a block). A key or full speed ("0") ends it.
void TrajectoryRun::animate(DrawPoint from, DrawPoint to) {
  for (int step = 1; step <= kAnimationSteps && delayCount_ > 0; ++step) {
    const float t = float(step) / kAnimationSteps;
    const double seconds = double(env_.GL1) * kPaceRoundSeconds;
    const double end = screen_.clock().seconds() + seconds;
    paceMarkAt({from.ZBB + (to.ZBB - from.ZBB) * t, from.ZMX + (to.ZMX - from.ZMX) * t}, seconds);
    if (screen_.clock().seconds() < end) return;  // a key ended the wait: pace() answers it
  }
}

void TrajectoryRun::paceMarkAt(DrawPoint at, double seconds) {
  Framebuffer& fb = screen_.framebuffer();
  const float radius = 2 / drawingSetup(c_.settings, env_).scale;
  const PixelPoint centre = screen_.gfx().toPixel(at.ZBB, at.ZMX);
  const int reach = int(std::ceil(2 * pixelScale(canvas_.viewport()))) + 2;
  const int x1 = std::max(0, centre.x - reach), x2 = std::min(fb.width - 1, centre.x + reach);
  const int y1 = std::max(0, centre.y - reach), y2 = std::min(fb.height - 1, centre.y + reach);
  std::vector<uint8_t> saved;
  for (int y = y1; y <= y2; ++y)
    for (int x = x1; x <= x2; ++x) saved.push_back(fb.at(x, y));

  const int pen = canvas_.penWidth();
  canvas_.setPenWidth(1);
  canvas_.circle(at.ZBB, at.ZMX, radius, kPaceMarkColor);
  canvas_.setPenWidth(pen);
  // A headless frame is seen by nobody, and every paced block would otherwise
  // composite a whole screen (the virtual clock makes each wait outlast a
  // frame): the mark comes and goes without one, so a paced headless run
  // costs what a full-speed run does.
  if (!screen_.backend().headless()) screen_.present();
  screen_.delay(seconds, true);

  // The window may have been resized while the mark waited: the framebuffer
  // kept its pixels where they were, but may now be smaller.
  size_t i = 0;
  for (int y = y1; y <= y2; ++y)
    for (int x = x1; x <= x2; ++x, ++i)
      if (fb.contains(x, y)) fb.pixels[size_t(y) * size_t(fb.width) + size_t(x)] = saved[i];
}

// The screen follows a resized window at once (the runtime resizes the grid
// and the framebuffer, keeping what fits, and resets the painter's viewport).
// The drawing keeps its place and scale, the text window is laid out again
// at the bottom, and the resize flag stays set for the editor, which lays
// itself out again when the run returns.
void TrajectoryRun::followResize() {
  const Framebuffer& fb = screen_.framebuffer();
  if (fb.width == laidOutWidth_ && fb.height == laidOutHeight_) return;
  laidOutWidth_ = fb.width;
  laidOutHeight_ = fb.height;
  const PixelRect& area = canvas_.viewport();
  screen_.gfx().setViewport(area.x1, area.y1, area.x2, area.y2);
  screen_.resetTextWindow();
  screen_.color(int(env_.NNT) & 7);
  screen_.clearText();
  screen_.setTextWindow(textWindowTop(screen_), kTextWindowRows);
}

void TrajectoryRun::handleKey(const std::string& k) {
  if (k == " ") {
    printAt(screen_, 0, 0, "止", kErrorColor);
    screen_.present(true);
    screen_.waitKey();
    printAt(screen_, 0, 0, "  ", 0);
  } else if (k == std::string(1, key::Esc)) {
    runner_->stop();
  } else if (k == "0") {
    delayCount_ = 0;
    textDisplay_ = false;
  } else if (k == "+") {
    textDisplay_ = !textDisplay_;
    if (!textDisplay_) screen_.clearText();
  } else if (k.size() == 1 && k[0] >= '1' && k[0] <= '8') {
    delayCount_ = float(1 << (k[0] - '1')) * env_.GL1;
  } else if (k == "/") {
    canvas_.clear();
  } else if (k == "?") {
    copyFile_ = hardCopyToFile(c_.session);
  }
}

void scrollToLine(EditorState& editor, int line, int CMMF) {
  editor.FILE = std::max(1, line);
  if (editor.FILE < editor.M || editor.FILE >= editor.M + CMMF)
    editor.M = std::max(1, editor.FILE - CMMF / 2);
  editor.LC = editor.FILE - editor.M;
  editor.I = 1;
}

}  // namespace

RunReport runTrajectory(TrajectoryContext& c) {
  Screen& screen = c.session.screen;
  TrajectoryRun run(c);
  RunReport report = run.run();

  scrollToLine(c.editor, report.FILE, std::max(1, int(c.session.geometry.CMMF)));
  if (c.settings.skipMode == 4) c.settings.skipMode = 0;
  screen.flushKeys();

  if (!report.I1M.empty()) {
    screen.color(kErrorColor);
    screen.printLine(report.I1M);
  }
  screen.color(int(c.session.environment.NNT) & 7);
  screen.printLine(report.totals);
  if (report.ZVZ == runstate::Ended) {
    printAt(screen, 0, 0, "（?:図印刷）", kErrorColor);
    screen.present(true);
    const std::string k = screen.waitKey();
    if (k == "?") report.copyFile = hardCopyToFile(c.session);
    printAt(screen, 0, 0, std::string(12, ' '), 0);
    if (k != std::string(1, key::Esc)) screen.clearGraphics();
  }
  screen.resetTextWindow();
  screen.color(7, 0);
  return report;
}

// --- the settings screen

namespace {

void drawSettingsScreen(Screen& screen, const Form& form) {
  screen.resetTextWindow();
  screen.color(7, 0);
  screen.clearText();
  const auto& labels = trajectoryFormLabels();
  for (size_t i = 0; i < labels.size(); ++i)
    printAt(screen, 0, kFormOriginRow + int(i), labels[i], kLabelColor);
  printAt(screen, 0, kTitleRow - 1, "描画", kLabelColor);
  drawForm(screen, form);
}

}  // namespace

RunReport trajectoryScreen(TrajectoryContext& c) {
  Screen& screen = c.session.screen;
  TrajectorySettings& settings = c.settings;
  settings.fillFirstUseDefaults();
  const bool learner = c.session.edition.learner;
  Form form = loadForm(learner ? learnerTrajectoryFormFields() : trajectoryFormFields(), kFormOriginRow, 0);
  settingsToForm(settings, form);
  drawSettingsScreen(screen, form);
  if (learner) printAt(screen, 0, kFormOriginRow + 13, "動画表示", kLabelColor);

  int editFrom = (settings.workSize[0] == 0 || settings.workSize[1] == 0) ? 1 : 0;
  for (;;) {
    if (editFrom > 0) {
      const FormResult r = editForm(screen, form, editFrom);
      formToSettings(form, settings);
      editFrom = 0;
      if (r.FDP == ending::FunctionKey && r.fnKey >= 5) return runTrajectory(c);
    }
    FieldCall menu;
    menu.Y = kTitleRow;
    menu.F1 = kMenuCol;
    menu.ZP = 7;
    menu.ZDN = 0;
    menu.W0L = learner ? "1)開始 2)条件 3)戻る " : "1)開始 2)条件 3)ﾓﾄﾞﾙ ";
    menu.text = "1";
    const FieldResult r = fieldInput(screen, menu);
    const int chosen = int(numberValue(menu.text));
    if (r.FDP == ending::Esc || (r.FDP == ending::Enter && chosen == 3)) break;
    if (r.FDP == ending::Left || r.FDP == ending::Right) {
      screen.beep();
    } else if (r.FDP == ending::Up) {
      editFrom = form.count();
    } else if (r.FDP == ending::Down) {
      editFrom = 1;
    } else if (r.FDP == ending::Enter && chosen == 1) {
      return runTrajectory(c);
    } else if (r.FDP == ending::Enter && chosen == 2) {
      editFrom = 19;
    }
  }
  screen.resetTextWindow();
  screen.clearText();
  return {};
}

void showReportInEditor(Screen& screen, int CMMF, const RunReport& report) {
  if (report.ZVZ == runstate::Running) return;
  const int row = CMMF + 1;
  printAt(screen, 10, row, report.totals, 7);
  int col = 12 + textWidth(report.totals);
  if (!report.I1M.empty()) {
    printAt(screen, col, row, report.I1M, kErrorColor);
    col += textWidth(report.I1M) + 2;
    screen.beep();
  }
  if (!report.copyFile.empty()) printAt(screen, col, row, "ｺﾋﾟｰ " + report.copyFile, 7);
  screen.color(7);
}

}  // namespace vorn
