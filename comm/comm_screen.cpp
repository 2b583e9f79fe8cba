#include "comm/comm_screen.h"

#include <chrono>

#include "comm/line.h"
#include "comm/program_lines.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/menu.h"
#include "shell/settings.h"

namespace vorn {

namespace {

constexpr int kFrameRow = CommFrame::row;
constexpr int kFrameCol = CommFrame::col;
constexpr int kMenuRow = kFrameRow + 1;
constexpr int kMenuCol = CommFrame::textCol;
constexpr int kPromptRow = CommFrame::promptRow;
constexpr int kLinkRow = CommFrame::statusRow;
constexpr int kCountRow = CommFrame::countRow;
constexpr int kHighlight = 14;

// A headless run whose script is used up can press no stop key: a line that
// shows no progress for this long in real time is given up.
constexpr std::chrono::seconds kHeadlessPatience{30};

std::string hhmm(std::time_t t) { return timeString(t).substr(0, 5); }

// The send-at-once confirmation: true to send.
bool confirmSend(Screen& screen) {
  for (;;) {
    FieldCall call;
    call.Y = kPromptRow;
    call.F1 = kMenuCol;
    call.ZP = 7;
    call.ZDN = 0;
    call.W0L = "1)送信 2)ﾓﾄﾞﾙ ";
    call.text = "1";
    const FieldResult r = fieldInput(screen, call);
    printAtPosition(screen, kMenuCol, kPromptRow, std::string(22, ' '));
    if (r.FDP == ending::Esc || r.FDP == ending::FunctionKey) return false;
    if (r.FDP == ending::Enter) return numberValue(call.text) == 1;
    screen.beep();
  }
}

// One transfer; true when it was a receive that ended normally (the screen is left).
bool transfer(Session& s, ProgramBuffer& buffer, TransferMode mode, const CommVariant& variant) {
  Screen& screen = s.screen;
  printAtPosition(screen, kMenuCol, kPromptRow, std::string(22, ' ') + variant.stopHint);
  printAtPosition(screen, kMenuCol, kLinkRow, std::string(28, ' '));
  CommView view(screen, variant, kMenuCol, kPromptRow, kLinkRow, kCountRow);
  const bool receive = isReceive(mode);
  view.operation = receive ? "T出力" : "T入力";
  printAtPosition(screen, kMenuCol, kLinkRow, formatTemplate("PC & & NC", {receive ? "<<<" : "=＞"}));
  buffer.invalidateIndex();
  s.guarded([&] { variant.openLine(s); });
  Port& port = s.channels.serialPort(variant.channel);
  // The machine at the other end of the line keeps real time, also when the
  // screen runs on a virtual clock (headless): waits on the line are real.
  RealClock lineClock;
  Transfer engine(port, lineClock, variant.options, view);
  BufferSource source(buffer);
  BufferReceiver sink(buffer, mode == TransferMode::Append);
  if (mode == TransferMode::Now && !confirmSend(screen)) {
    engine.V2W = result::Cancelled;
    view.status(linestatus::Stopped, -1);
  } else {
    engine.run(mode, &source, &sink);
  }
  if (variant.logSends && !receive && !engine.record.start.empty()) {  // a send that began
    s.guarded([&] { appendTransmissionLog(s.channels, s.settings, engine.record); });
  }
  if (engine.bufferFull) {
    printAtPosition(screen, kMenuCol, kPromptRow, padToWidth("ﾒﾓﾘ満杯: " + std::to_string(sink.received()) + "行 受信", 32),
            kHighlight);
    screen.beep();
  } else if (!engine.lineFault.empty()) {
    printAtPosition(screen, kMenuCol, kPromptRow, padToWidth("回線ｴﾗｰ", 32), kHighlight);
    screen.beep();
  }
  if (mode != TransferMode::Dnc || engine.V2W != result::Normal) s.channels.close(variant.channel);
  screen.color(7);
  screen.present(true);
  return receive && engine.V2W == result::Normal;
}

}  // namespace

CommView::CommView(Screen& screen, const CommVariant& variant, int column, int promptRow, int statusRow, int countRow)
    : screen_(screen),
      variant_(variant),
      column_(column),
      promptRow_(promptRow),
      statusRow_(statusRow),
      countRow_(countRow),
      lastProgress_(std::chrono::steady_clock::now()) {}

// Only the stop keys are taken; other typed-ahead keys stay queued.
int CommView::poll() {
  if (screen_.trapKey(key::fn(9))) return result::F9;
  if (waiting_ && screen_.trapKey(std::string(1, key::Esc))) return result::Cancelled;
  if (screen_.inputExhausted() && std::chrono::steady_clock::now() - lastProgress_ > kHeadlessPatience)
    return result::Cancelled;
  return 0;
}

void CommView::status(int H0L, int code) {
  lastProgress_ = std::chrono::steady_clock::now();
  std::string word = statusWord(H0L) + " ";
  if (code >= 0) word += std::to_string(code);
  printAtPosition(screen_, column_ + 24, statusRow_, padToWidth(word, 9), H0L >= 4 ? kHighlight : 7);
  screen_.present();
}

void CommView::progress(int lines, int minutes) {
  lastProgress_ = std::chrono::steady_clock::now();
  const bool sending = minutes >= 0;
  std::string text = formatTemplate(sending ? variant_.sendCounter : "######  ", {double(lines)});
  if (sending && variant_.showMinutes) text += std::to_string(minutes);
  printAtPosition(screen_, column_, countRow_, text);
  screen_.present();
}

void CommView::started(std::time_t t) { printAtPosition(screen_, column_ + 14, countRow_, "開始 " + hhmm(t)); }

void CommView::finished(std::time_t t) { printAtPosition(screen_, column_ + 26, countRow_, "終了 " + hhmm(t)); }

void CommView::waitingForNc(bool shown) {
  waiting_ = shown;
  if (shown) {
    printAtPosition(screen_, column_, promptRow_, "ＮＣ操作 (" + operation + ")", kHighlight);
  } else {
    printAtPosition(screen_, column_, promptRow_, std::string(22, ' '));
  }
  screen_.present(true);
}

void CommView::emptyProgram() { screen_.beep(); }

ProtocolOptions protocolOptions(const Session& s) {
  ProtocolOptions o;
  o.eob = deriveLineValues(s.environment).V0R;
  o.charDelayMs = s.settings.charDelay;
  o.closingPercent = s.settings.endOfTape == 1;
  return o;
}

void openNcLine(Session& s) {
  const LineValues v = deriveLineValues(s.environment);
  s.channels.close(kNcChannel);
  const int port = v.ncPort - '0';
  if (port >= 1 && port <= 9) s.channels.setPortSpeed(port, v.bitsPerSecond());
  s.channels.openDevice(kNcChannel, v.ncDeviceString());
}

CommVariant mainCommVariant(const Session& s) {
  CommVariant v;
  v.modes = {
      {"1.送信PC>>", TransferMode::Tape, true},    {"2.ﾒﾓﾘ-受信", TransferMode::Replace, false},
      {"3.連結受信", TransferMode::Append, false}, {"4.送信>DNC", TransferMode::Dnc, true},
      {"  送信>>G ", TransferMode::Now, false},
  };
  v.openLine = openNcLine;
  v.options = protocolOptions(s);
  return v;
}

void commScreen(Session& s, ProgramBuffer& buffer, CommState& state) {
  commScreen(s, buffer, state, mainCommVariant(s));
}

void commScreen(Session& s, ProgramBuffer& buffer, CommState& state, const CommVariant& variant) {
  Screen& screen = s.screen;
  screen.resetTextWindow();
  screen.color(7, 0);
  std::vector<MenuEntry> entries;
  for (size_t i = 0; i < variant.modes.size(); ++i) entries.push_back({variant.modes[i].label, std::to_string(i + 1)});
  const int count = int(entries.size());
  for (;;) {
    framedBox(screen, kFrameRow, kFrameCol, CommFrame::width, CommFrame::inner);
    const int preselect = state.lastMode >= 1 && state.lastMode <= count ? state.lastMode : count;
    MenuLayout layout{kMenuRow, kMenuCol, count, 1, preselect};
    const MenuResult chosen = verticalMenu(screen, entries, layout);
    if (chosen.FDP != ending::Enter) break;
    state.lastMode = chosen.position;
    const CommMode& mode = variant.modes[size_t(std::stoi(chosen.code) - 1)];
    if (mode.needsProgram && buffer.lineCount() == 0) {
      screen.beep();
      break;
    }
    if (transfer(s, buffer, mode.mode, variant)) break;
  }
  eraseBox(screen, kFrameRow, kFrameCol, CommFrame::width, kCountRow - kFrameRow);
}

}  // namespace vorn
