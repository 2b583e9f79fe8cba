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

constexpr int kFrameRow = 6;  // frame top-left, counted from 1
constexpr int kFrameCol = 20;
constexpr int kFrameWidth = 40;
constexpr int kFrameInner = 7;
constexpr int kMenuRow = kFrameRow + 1;
constexpr int kMenuCol = kFrameCol + 3;
constexpr int kPromptRow = kFrameRow + 6;  // the "ＮＣ操作" prompt and "[F9]:中止"
constexpr int kLinkRow = kFrameRow + 7;    // "PC & & NC" and the status word
constexpr int kStatusCol = kMenuCol + 24;
constexpr int kCountRow = kFrameRow + kFrameInner + 2;  // line counter, start and end times
constexpr int kHighlight = 14;

void printAt(Screen& screen, int col, int row, std::string_view text, int fg = 7) {
  screen.color(fg);
  screen.locate(col - 1, row - 1);
  screen.print(text);
}

std::string hhmm(std::time_t t) { return timeString(t).substr(0, 5); }

// The engine's view of the screen: status, counters, the prompt, F9 and Esc.
class ScreenObserver final : public TransferObserver {
 public:
  explicit ScreenObserver(Screen& screen) : screen_(screen) {}

  // F9 anywhere, Esc while the prompt waits for the NC; other keys stay queued.
  // A headless run whose script is used up can press neither: a line that
  // shows no progress for kHeadlessPatience of real time is given up.
  int poll() override {
    if (screen_.trapKey(key::fn(9))) return result::F9;
    if (waiting_ && screen_.trapKey(std::string(1, key::Esc))) return result::Cancelled;
    if (screen_.inputExhausted() && std::chrono::steady_clock::now() - lastProgress_ > kHeadlessPatience)
      return result::Cancelled;
    return 0;
  }
  void status(int H0L, int code) override {
    lastProgress_ = std::chrono::steady_clock::now();
    std::string word = statusWord(H0L) + " ";
    if (code >= 0) word += std::to_string(code);
    printAt(screen_, kStatusCol, kLinkRow, padToWidth(word, 9), H0L >= 4 ? kHighlight : 7);
    screen_.present();
  }
  void progress(int lines, int minutes) override {
    lastProgress_ = std::chrono::steady_clock::now();
    std::string text = formatTemplate("######  ", {double(lines)});
    if (minutes >= 0) text += std::to_string(minutes);
    printAt(screen_, kMenuCol, kCountRow, text);
    screen_.present();
  }
  void started(std::time_t t) override { printAt(screen_, kMenuCol + 14, kCountRow, "開始 " + hhmm(t)); }
  void finished(std::time_t t) override { printAt(screen_, kMenuCol + 26, kCountRow, "終了 " + hhmm(t)); }
  void waitingForNc(bool shown) override {
    waiting_ = shown;
    if (shown) {
      printAt(screen_, kMenuCol, kPromptRow, "ＮＣ操作 (" + operation + ")", kHighlight);
    } else {
      printAt(screen_, kMenuCol, kPromptRow, std::string(22, ' '));
    }
    screen_.present(true);
  }
  void emptyProgram() override { screen_.beep(); }

  std::string operation;  // "T入力" or "T出力"

 private:
  static constexpr std::chrono::seconds kHeadlessPatience{30};
  Screen& screen_;
  bool waiting_ = false;
  std::chrono::steady_clock::time_point lastProgress_ = std::chrono::steady_clock::now();
};

const std::vector<MenuEntry>& modeEntries() {
  static const std::vector<MenuEntry> entries = {
      {"1.送信PC>>", "1"}, {"2.ﾒﾓﾘ-受信", "2"}, {"3.連結受信", "3"}, {"4.送信>DNC", "4"}, {"  送信>>G ", "5"},
  };
  return entries;
}

// Mode 5's confirmation: true to send.
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
    printAt(screen, kMenuCol, kPromptRow, std::string(22, ' '));
    if (r.FDP == ending::Esc || r.FDP == ending::FunctionKey) return false;
    if (r.FDP == ending::Enter) return numberValue(call.text) == 1;
    screen.beep();
  }
}

// One transfer; true when it was a receive that ended normally (the screen is left).
bool transfer(Session& s, ProgramBuffer& buffer, TransferMode mode) {
  Screen& screen = s.screen;
  printAt(screen, kMenuCol, kPromptRow, std::string(22, ' ') + "[F9]:中止");
  printAt(screen, kMenuCol, kLinkRow, std::string(28, ' '));
  ScreenObserver observer(screen);
  const bool receive = isReceive(mode);
  observer.operation = receive ? "T出力" : "T入力";
  printAt(screen, kMenuCol, kLinkRow, formatTemplate("PC & & NC", {receive ? "<<<" : "=＞"}));
  buffer.invalidateIndex();
  s.guarded([&] { openNcLine(s); });
  Port& port = s.channels.serialPort(kNcChannel);
  // The machine at the other end of the line keeps real time, also when the
  // screen runs on a virtual clock (headless): waits on the line are real.
  RealClock lineClock;
  Transfer engine(port, lineClock, protocolOptions(s), observer);
  BufferSource source(buffer);
  BufferReceiver sink(buffer, mode == TransferMode::Append);
  if (mode == TransferMode::Now && !confirmSend(screen)) {
    engine.V2W = result::Cancelled;
    observer.status(linestatus::Stopped, -1);
  } else {
    engine.run(mode, &source, &sink);
  }
  if (!receive && !engine.record.start.empty()) {  // a send that began
    s.guarded([&] { appendTransmissionLog(s.channels, s.settings, engine.record); });
  }
  if (engine.bufferFull) {
    printAt(screen, kMenuCol, kPromptRow, padToWidth("ﾒﾓﾘ満杯: " + std::to_string(sink.received()) + "行 受信", 32),
            kHighlight);
    screen.beep();
  } else if (!engine.lineFault.empty()) {
    printAt(screen, kMenuCol, kPromptRow, padToWidth("回線ｴﾗｰ", 32), kHighlight);
    screen.beep();
  }
  if (mode != TransferMode::Dnc || engine.V2W != result::Normal) s.channels.close(kNcChannel);
  screen.color(7);
  screen.present(true);
  return receive && engine.V2W == result::Normal;
}

}  // namespace

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

void commScreen(Session& s, ProgramBuffer& buffer, CommState& state) {
  Screen& screen = s.screen;
  screen.resetTextWindow();
  screen.color(7, 0);
  for (;;) {
    framedBox(screen, kFrameRow, kFrameCol, kFrameWidth, kFrameInner);
    MenuLayout layout{kMenuRow, kMenuCol, 5, 1, state.lastMode};
    const MenuResult chosen = verticalMenu(screen, modeEntries(), layout);
    if (chosen.FDP != ending::Enter) break;
    state.lastMode = chosen.position;
    const auto mode = TransferMode(std::stoi(chosen.code));
    if ((mode == TransferMode::Tape || mode == TransferMode::Dnc) && buffer.lineCount() == 0) {
      screen.beep();
      break;
    }
    if (transfer(s, buffer, mode)) break;
  }
  eraseBox(screen, kFrameRow, kFrameCol, kFrameWidth, kCountRow - kFrameRow);
}

}  // namespace vorn
