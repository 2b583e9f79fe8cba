#include "output/machining_screen.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "editor/normalize.h"
#include "output/machine_serial.h"
#include "runtime/channels.h"
#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/form.h"
#include "shell/menu.h"
#include "shell/session.h"
#include "editor/program_buffer.h"
#include "editor/editor_state.h"
#include "display/path_drawing.h"
#include "display/view.h"

namespace vorn {

namespace {

constexpr int kMachineOutChannel = 9;
constexpr int kLabelColor = 5;
constexpr int kFieldCol = 12;       // first field column, from 1
constexpr int kTableLeftCells = 34; // the table is drawn right of this column
constexpr int kTableTop = 24;       // pixels
constexpr int kEchoFirstRow = 21;   // from 1: the command echo scrolls from here down
constexpr int kEchoColor = 7;

std::string shown(float v, const char* pattern) { return formatTemplate(pattern, {double(v)}); }

}  // namespace

float machineTableScale(float RX, float RY) {
  const float scale = std::min(RX / 350, RY / 270);
  return std::floor(scale * 100 + 0.9f) / 100;
}

namespace {

// Where the table lies on the graphics layer: table millimetres to pixels.
struct TableMap {
  float k = 0;       // mm per pixel
  float left = 0;    // pixel x of table X 0
  float bottom = 0;  // pixel y of table Y 0
  float x(float mm) const { return left + mm / k; }
  float y(float mm) const { return bottom - mm / k; }
};

TableMap tableMap(const MachineType& type) {
  TableMap map;
  map.k = machineTableScale(type.RX, type.RY);
  map.left = float(kTableLeftCells * kCellWidth);
  map.bottom = float(kTableTop) + (map.k > 0 ? type.RY / map.k : 0);
  return map;
}

// Draws the moves the machine is sent on the table drawing: pen-up moves in
// the rapid colour, cuts and arcs in the trajectory's colours, holes as
// circles of the tool's size.
class TableDrawing : public MachineTrace {
 public:
  TableDrawing(Painter& g, const TableMap& map, int rapidColor) : g_(g), map_(map), rapid_(rapidColor) {}

  void moveTo(float x, float y, MachineStroke stroke) override {
    const std::array<float, 2> to{map_.x(x), map_.y(y)};
    const int color = stroke == MachineStroke::Rapid ? rapid_
                      : stroke == MachineStroke::Arc ? pathcolor::Arc
                                                     : pathcolor::Feed;
    // Colour 0 would erase the table under the move: such moves are not drawn.
    if (at_ && color != 0) g_.line((*at_)[0], (*at_)[1], to[0], to[1], color);
    at_ = to;
  }

  void hole(float x, float y, float r) override {
    g_.circle(map_.x(x), map_.y(y), std::max(r / map_.k, 1.0f), pathcolor::ToolMark);
  }

 private:
  Painter& g_;
  TableMap map_;
  int rapid_;
  std::optional<std::array<float, 2>> at_;  // pixels; none before the first move
};

class MachiningScreen {
 public:
  explicit MachiningScreen(MachiningContext& c) : c_(c), screen_(c.session.screen) {}
  void run();

 private:
  void drawTable();
  void drawLabels();
  bool askFirstVisit();
  bool askNumber(int row, int col, int width, float type, const char* pattern, float& value,
                 const std::function<bool(float)>& accept);
  void showExtent();
  void openEchoWindow();
  void echo(std::string_view text);
  void machine(int pacing);
  void moveToOrigin();
  PlotSink& openMachine(std::optional<ChannelSink>& channel, std::optional<MachineSerialSink>& serial);
  void closeMachine(std::optional<ChannelSink>& channel);

  MachiningContext& c_;
  Screen& screen_;
  MachineFile file_;
  MachineType type_;
  int echoRow_ = 0;  // from 0: where the next echoed command goes
};

void MachiningScreen::drawTable() {
  Painter& g = screen_.gfx();
  g.resetViewport();
  g.resetWindow();
  const TableMap map = tableMap(type_);
  const float k = map.k;
  if (!(k > 0)) return;
  const float top = float(kTableTop), bottom = map.bottom;
  auto px = [&](float x) { return map.x(x); };
  auto py = [&](float y) { return map.y(y); };
  for (int x = 0; float(x) <= type_.RX; x += 10)
    g.line(px(float(x)), top, px(float(x)), bottom, x % 50 == 0 ? 1 : 9);
  for (int y = 0; float(y) <= type_.RY; y += 10)
    g.line(map.left, py(float(y)), px(type_.RX), py(float(y)), y % 50 == 0 ? 1 : 9);
  // The work at its scaled position, the start cross and, mirrored, the circle.
  const MachiningConditions& m = c_.conditions;
  const float s = m.ZD3 > 0 ? m.ZD3 : 1;
  const auto& w = c_.trajectory.workSize;
  const auto corner = workReferenceCorner(c_.trajectory.basePoint, w[0], w[1]);
  const float wx = m.ZDT + corner[0] * s, wy = m.ZDTY + corner[1] * s;
  g.box(px(wx - w[0] * s), py(wy + w[1] * s), px(wx), py(wy), 7);
  const float cross = 3 * k;
  g.line(px(m.ZDT - cross), py(m.ZDTY), px(m.ZDT + cross), py(m.ZDTY), 14);
  g.line(px(m.ZDT), py(m.ZDTY - cross), px(m.ZDT), py(m.ZDTY + cross), 14);
  // Radius 2 x scale mm, in pixels of k mm.
  if (m.Z22 == 2) g.circle(px(m.ZDT + w[0] * s), py(m.ZDTY), 2 * k / k, 14);
}

void MachiningScreen::drawLabels() {
  const auto& w = c_.trajectory.workSize;
  printAtPosition(screen_, 1, 2, "ﾜｰｸ寸法 (x" + formatTemplate("### y### z### )", {double(w[0]), double(w[1]), double(w[2])}),
          kLabelColor);
  printAtPosition(screen_, 1, 4, "位置調整 X", kLabelColor);
  printAtPosition(screen_, 20, 4, "Y", kLabelColor);
  printAtPosition(screen_, 1, 5, "加工倍率XY", kLabelColor);
  printAtPosition(screen_, 20, 5, "Z", kLabelColor);
  printAtPosition(screen_, 1, 6, "回転数(K)", kLabelColor);
  printAtPosition(screen_, 1, 7, "切り込み", kLabelColor);
  printAtPosition(screen_, 1, 8, "切削速度", kLabelColor);
  printAtPosition(screen_, 1, 9, "Ｘ反転", kLabelColor);
  printAtPosition(screen_, 1, 10, "深さ加減", kLabelColor);
  const int method = std::clamp(file_.settings.AWY, 1, 3);
  printAtPosition(screen_, 1, 12, std::string(1, "PPSS"[method]) + numberText(float(type_.ZN)) + " " + type_.CAM, 7);
  const MachiningConditions& m = c_.conditions;
  printAtPosition(screen_, kFieldCol, 4, shown(m.ZDT, "###.##"), 7);
  printAtPosition(screen_, 22, 4, shown(m.ZDTY, "###.##"), 7);
  printAtPosition(screen_, kFieldCol, 5, shown(m.ZD3, "##.####"), 7);
  printAtPosition(screen_, 22, 5, shown(m.IDMXU, "#.###"), 7);
}

bool MachiningScreen::askNumber(int row, int col, int width, float type, const char* pattern, float& value,
                                const std::function<bool(float)>& accept) {
  for (;;) {
    FieldCall call;
    call.Y = row;
    call.F1 = col;
    call.ZP = width;
    call.ZDN = type;
    call.W0L = pattern;
    call.text = numberTextTrim(value);
    const FieldResult r = fieldInput(screen_, call);
    if (r.FDP == ending::Esc) return false;
    if (r.FDP != ending::Enter) continue;
    if (!accept(r.value)) {
      screen_.beep();
      continue;
    }
    value = r.value;
    printAtPosition(screen_, col, row, shown(value, pattern), 7);
    drawTable();
    return true;
  }
}

const std::vector<FieldDef>& conditionFields() {
  static const std::vector<FieldDef> fields = {
      {0, 0, 2, 10, "1 90", 0},            // spindle speed (K)
      {1, 0, 5, 10.2f, "", 0},             // depth of cut
      {2, 0, 3, 10, "", 0},                // cutting speed (0: the program's feed)
      {3, 0, 2, 0, "ﾅｼｱﾘ", 0},             // X mirror
      {4, 0, 6, 12.2f, "", 0},             // depth adjust
  };
  return fields;
}

bool MachiningScreen::askFirstVisit() {
  MachiningConditions& m = c_.conditions;
  if (!askNumber(4, kFieldCol, 6, 10.2f, "###.##", m.ZDT, [&](float v) { return v >= 0 && v <= type_.RX; }))
    return false;
  if (!askNumber(4, 22, 6, 10.2f, "###.##", m.ZDTY, [&](float v) { return v >= 0 && v <= type_.RY; }))
    return false;
  if (!askNumber(5, kFieldCol, 7, 10.4f, "##.####", m.ZD3, [](float v) { return v > 0 && v <= 20; }))
    return false;
  if (!askNumber(5, 22, 5, 10.3f, "#.###", m.IDMXU, [](float v) { return v >= 0; })) return false;
  Form form = loadForm(conditionFields(), 6, kFieldCol);
  form.field(1).ZM = numberTextTrim(m.PAP);
  form.field(2).ZM = numberTextTrim(m.E0);
  form.field(3).ZM = numberTextTrim(m.WN);
  form.field(4).ZM = numberTextTrim(float(m.Z22));
  form.field(5).ZM = numberTextTrim(m.PFZ);
  drawForm(screen_, form);
  const FormResult r = editForm(screen_, form, 1);
  if (r.FDP == ending::Esc) return false;
  auto value = [&](int n) { return float(numberValue(form.field(n).ZM)); };
  m.PAP = std::clamp(value(1), 1.0f, 90.0f);
  m.E0 = value(2);
  m.WN = std::max(0.0f, value(3));
  m.Z22 = value(4) == 2 ? 2 : 1;
  m.PFZ = std::trunc(value(5) * 100) / 100;
  drawTable();
  return true;
}

void MachiningScreen::showExtent() {
  const MachiningConditions& m = c_.conditions;
  const auto& w = c_.trajectory.workSize;
  printAtPosition(screen_, 1, 14,
          formatTemplate("X###.## Y###.## Z###.##",
                         {double(w[0] * m.ZD3), double(w[1] * m.ZD3), double(w[2] * m.IDMXU)}),
          7);
}

// The commands scroll in a text window below the table and the run's status rows.
void MachiningScreen::openEchoWindow() {
  const int belowTable = int(tableMap(type_).bottom) / kCellHeight + 1;
  const int first = std::max(kEchoFirstRow - 1, belowTable);
  screen_.setTextWindow(first, screen_.rows() - first);
  screen_.color(kEchoColor);
  screen_.clearText();
  echoRow_ = screen_.cursorRow();
}

void MachiningScreen::echo(std::string_view text) {
  screen_.color(kEchoColor);
  screen_.locate(0, echoRow_);
  screen_.printLine(cutToWidth(text, screen_.cols() - 1));
  echoRow_ = screen_.cursorRow();
}

PlotSink& MachiningScreen::openMachine(std::optional<ChannelSink>& channel,
                                       std::optional<MachineSerialSink>& serial) {
  Session& s = c_.session;
  const int method = file_.settings.AWY;
  const int port = s.environment.RCALC.size() > 1 ? s.environment.RCALC[1] - '0' : 2;
  const std::string device = machineDeviceString(method, port, file_.settings.condition);
  s.guarded([&] {
    s.channels.close(kMachineOutChannel);
    if (method != 1) s.channels.setPortSpeed(port, std::atoi(machineSpeedText(method).c_str()));
    s.channels.openDevice(kMachineOutChannel, device);
  });
  if (method == 1) return channel.emplace(s.channels, kMachineOutChannel);
  return serial.emplace(s.channels.serialPort(kMachineOutChannel), [this] {
    screen_.clock().sleep(0.01);
    return screen_.inkey() != "\x1b";
  });
}

void MachiningScreen::closeMachine(std::optional<ChannelSink>& channel) {
  Session& s = c_.session;
  s.guarded([&] {
    if (channel) channel->flush();
    s.channels.close(kMachineOutChannel);
  });
}

void MachiningScreen::machine(int pacing) {
  Session& s = c_.session;
  if (!c_.buffer.indexValid()) c_.buffer.rebuildIndex();
  screen_.clearAll();
  drawTable();
  std::optional<ChannelSink> channel;
  std::optional<MachineSerialSink> serial;
  PlotSink& sink = openMachine(channel, serial);
  MachineOptions options = file_.settings.options();
  const auto& w = c_.trajectory.workSize;
  MachineOutput output(sink, type_, options, c_.conditions, {w[0], c_.trajectory.basePoint});
  openEchoWindow();
  if (s.shell.ZG != 0) output.setEcho([this](std::string_view text) { echo(text); });
  const TableMap map = tableMap(type_);
  TableDrawing drawing(screen_.gfx(), map, int(s.environment.CR) & 15);
  if (map.k > 0) output.setTrace(&drawing);
  RunSettings settings = runSettings(c_.trajectory, s.environment);
  bool stepping = pacing != 50;
  long blocks = 0;
  const MachineOutcome outcome = machineProgram(
      c_.buffer, c_.codes, settings, output,
      [&s](const std::string& name) { return readIncludedFile(s, name); },
      normalizeIncludedLine,
      [&](const Move& m) {
        ++blocks;
        // Padded so that a shorter block leaves nothing of a longer one.
        printAtPosition(screen_, 1, 16,
                padToWidth(formatTemplate("##### ", {double(m.line)}) + std::string(m.text), kTableLeftCells - 2), 7);
        if (serial && serial->stopped()) return false;
        std::string k = screen_.inkey();
        if (k == " ") stepping = false;
        if (k == "0") stepping = true;
        if (k == "\x1b") return false;
        if (stepping) {
          printAtPosition(screen_, 1, 17, "ｽﾃｯﾌﾟ[0,ESC]", 14);
          screen_.present();
          k = screen_.waitKey();
          printAtPosition(screen_, 1, 17, "            ", 7);
          if (k == "\x1b") return false;
          if (k == " ") stepping = false;
        }
        return true;
      });
  closeMachine(channel);
  screen_.resetTextWindow();
  if (!outcome.run.I1M.empty()) {
    printAtPosition(screen_, 1, 18, outcome.run.I1M, 14);
    screen_.beep();
  }
  printAtPosition(screen_, 1, 19, "MAX:Y=" + numberText(outcome.MDM), 7);
  c_.editor.FILE = std::max(1, outcome.run.FILE);
}

void MachiningScreen::moveToOrigin() {
  std::optional<ChannelSink> channel;
  std::optional<MachineSerialSink> serial;
  PlotSink& sink = openMachine(channel, serial);
  const auto& w = c_.trajectory.workSize;
  MachineOutput output(sink, type_, file_.settings.options(), c_.conditions, {w[0], c_.trajectory.basePoint});
  openEchoWindow();
  if (c_.session.shell.ZG != 0) output.setEcho([this](std::string_view text) { echo(text); });
  output.moveToOrigin();
  closeMachine(channel);
  screen_.resetTextWindow();
}

void MachiningScreen::run() {
  Session& s = c_.session;
  if (c_.buffer.lineCount() < 2) {
    screen_.beep();
    return;
  }
  s.guarded([&] { file_ = readMachineFile(s.channels); });
  if (!file_.selected()) {
    screen_.beep();
    return;
  }
  type_ = *file_.selected();
  c_.conditions.fillDefaults();
  screen_.resetTextWindow();
  screen_.clearAll();
  drawTable();
  drawLabels();
  if (c_.conditions.ZD3 == 0 && !askFirstVisit()) return;
  for (;;) {
    drawLabels();
    showExtent();
    FieldCall menu;
    menu.Y = 15;
    menu.F1 = 1;
    menu.ZP = 7;
    menu.ZDN = 0;
    menu.W0L = "1)開始 2)ｽﾃｯﾌﾟ3)移動0";
    menu.text = "2";
    const FieldResult r = fieldInput(screen_, menu);
    if (r.FDP == ending::Esc) break;
    if (r.FDP != ending::Enter) continue;
    const int chosen = int(numberValue(menu.text));
    if (chosen == 1) machine(50);
    if (chosen == 2) machine(999);
    if (chosen == 3) moveToOrigin();
  }
  screen_.clearAll();
  // The editor's view as on leaving the plot screen: the current line on top.
  c_.editor.M = std::max(1, c_.editor.FILE);
  c_.editor.LC = 0;
}

}  // namespace

void machiningScreen(MachiningContext& context) {
  MachiningScreen screen(context);
  screen.run();
}

// --- the machine settings screen

namespace {

constexpr int kSetRow = 5, kSetCol = 13, kSetWidth = 33, kSetInner = 10;

const std::vector<FieldDef>& settingsFields() {
  static const std::vector<FieldDef> fields = {
      {1, 12, 4, 10.2f, ".01 .5", 0},              // arc resolution
      {2, 12, 4, 10.1f, "", 0},                    // Z limit
      {3, 12, 3, 0, "1D 2D 3D ", 0},               // CAM mode
      {4, 12, 1, 10, "0 9", 0},                    // pen number
      {5, 11, 6, 0, "ﾊﾟﾗﾚﾙ S4800 S9600 ", 0},        // communication method
      {6, 11, 6, 0, "1)8N1 2)7E2 ", 0},            // communication condition
  };
  return fields;
}

void settingsToForm(const MachineSettings& m, Form& form) {
  form.field(1).ZM = numberTextTrim(m.FIXT);
  form.field(2).ZM = numberTextTrim(m.E);
  form.field(3).ZM = numberTextTrim(float(m.ZC));
  form.field(4).ZM = numberTextTrim(float(m.IDXA));
  form.field(5).ZM = numberTextTrim(float(m.AWY));
  form.field(6).ZM = numberTextTrim(float(m.condition));
}

void formToSettings(const Form& form, MachineSettings& m) {
  auto value = [&](int n) { return float(numberValue(form.field(n).ZM)); };
  if (value(1) >= 0.01f && value(1) <= 0.5f) m.FIXT = value(1);
  m.E = value(2);
  m.ZC = std::clamp(int(value(3)), 1, 3);
  m.IDXA = std::clamp(int(value(4)), 0, 9);
  m.AWY = std::clamp(int(value(5)), 1, 3);
  m.condition = value(6) == 2 ? 2 : 1;
}

void showType(Screen& screen, const MachineFile& file) {
  const MachineType* t = file.selected();
  std::string line = "機種  ";
  if (t) {
    line += padToWidth(t->CAM, 9) + formatTemplate("#### ", {double(t->ZN)}) +
            formatTemplate("###x###", {double(t->RX), double(t->RY)});
  }
  printAtPosition(screen, kSetCol + 2, kSetRow + 8, padToWidth(line, kSetWidth - 4), 7);
}

}  // namespace

void machineSettingsScreen(Session& s) {
  Screen& screen = s.screen;
  MachineFile file;
  s.guarded([&] { file = readMachineFile(s.channels); });
  Form form = loadForm(settingsFields(), kSetRow, kSetCol);
  settingsToForm(file.settings, form);
  framedBox(screen, kSetRow, kSetCol, kSetWidth, kSetInner);
  constexpr const char* kLabels[] = {"円分解能", "Ｚ軸制限", "CAMﾓｰﾄﾞ", "ペン番号", "通信方法", "通信条件"};
  int row = kSetRow + 1;
  for (const char* label : kLabels) printAtPosition(screen, kSetCol + 2, row++, label, kLabelColor);
  drawForm(screen, form);
  showType(screen, file);
  for (;;) {
    FieldCall menu;
    menu.Y = kSetRow + kSetInner;
    menu.F1 = kSetCol + 2;
    menu.ZP = 7;
    menu.ZDN = 0;
    menu.W0L = "1)条件 2)機種 3)保存 ";
    menu.text = "1";
    const FieldResult r = fieldInput(screen, menu);
    if (r.FDP == ending::Esc) break;
    if (r.FDP != ending::Enter) continue;
    const int chosen = int(numberValue(menu.text));
    if (chosen == 1) {
      editForm(screen, form, 1);
      formToSettings(form, file.settings);
    } else if (chosen == 2 && !file.types.empty()) {
      std::vector<MenuEntry> entries;
      for (size_t i = 0; i < file.types.size(); ++i)
        entries.push_back({" " + padToWidth(file.types[i].CAM, 9), std::to_string(i + 2)});
      MenuLayout layout;
      layout.Y = kSetRow + 1;
      layout.F1 = kSetCol + kSetWidth + 2;
      layout.rowsPerColumn = int(entries.size());
      layout.preselect = std::clamp(file.settings.V2I - 1, 1, int(entries.size()));
      const MenuResult picked = verticalMenu(screen, entries, layout);
      eraseBox(screen, kSetRow, kSetCol + kSetWidth + 1, 12, int(entries.size()) + 1);
      if (picked.FDP == ending::Enter) file.settings.V2I = std::atoi(picked.code.c_str());
      showType(screen, file);
    } else if (chosen == 3) {
      formToSettings(form, file.settings);
      s.guarded([&] { writeMachineSettings(s.channels, file); });
      break;
    }
  }
  eraseBox(screen, kSetRow, kSetCol, kSetWidth, kSetInner);
}

}  // namespace vorn
