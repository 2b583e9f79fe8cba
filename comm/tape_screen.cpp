#include "comm/tape_screen.h"

#include "comm/line.h"
#include "comm/program_lines.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/form.h"
#include "shell/menu.h"

namespace vorn {

namespace {

// The communication screen's frame, so the transfer view's rows fit.
constexpr int kFrameRow = CommFrame::row;
constexpr int kFrameCol = CommFrame::col;
constexpr int kCol = CommFrame::textCol;
constexpr int kFeedRow = kFrameRow + 1;
constexpr int kEobRow = kFrameRow + 2;
constexpr int kPortRow = kFrameRow + 3;
constexpr int kMenuRow = kFrameRow + 5;
constexpr int kPromptRow = CommFrame::promptRow;
constexpr int kStatusRow = CommFrame::statusRow;
constexpr int kCountRow = CommFrame::countRow;
constexpr int kFeedCol = kCol + 8;  // after "ﾌｨｰﾄﾞ数 "
constexpr int kEobCol = kCol + 6;   // after "区切  "
constexpr int kLabelColor = 5;
constexpr int kHighlight = 14;

void drawValues(Screen& screen, const TapeState& state, int endOfBlock, char port) {
  printAtPosition(screen, kCol, kFeedRow, "ﾌｨｰﾄﾞ数", kLabelColor);
  printAtPosition(screen, kFeedCol, kFeedRow, formatTemplate("###", {double(state.feed)}));
  printAtPosition(screen, kCol, kEobRow, "区切  ", kLabelColor);
  printAtPosition(screen, kEobCol, kEobRow, padToWidth(tapeEndOfBlockLabel(endOfBlock), 18));
  printAtPosition(screen, kCol, kPortRow, "ﾎﾟｰﾄNo ", kLabelColor);
  printAtPosition(screen, kCol + 7, kPortRow, std::string(1, port));
}

void drawFrame(Screen& screen, const TapeState& state, int endOfBlock, char port) {
  framedBox(screen, kFrameRow, kFrameCol, CommFrame::width, CommFrame::inner);
  printAtPosition(screen, kFrameCol + 2, kFrameRow, "紙ﾃｰﾌﾟ", kLabelColor);
  drawValues(screen, state, endOfBlock, port);
}

// "2)条件": the feed count (three digits) and the end of block. A field left
// with Enter keeps what was typed; Esc drops the field being edited.
void editConditions(Screen& screen, TapeState& state, int& endOfBlock) {
  Form form = loadForm({{0, 0, 3, 10, "0 999", 0}, {1, 0, 6, 0, "1)LF  2)CR  3)CRLF", 0}}, kFeedRow, kFeedCol);
  form.field(2).CAM = kEobCol;
  form.field(1).ZM = numberTextTrim(float(state.feed));
  form.field(2).ZM = std::to_string(tapeChoiceOfEndOfBlock(endOfBlock));
  editForm(screen, form, 1);
  state.feed = int(numberValue(form.field(1).ZM));
  endOfBlock = endOfBlockOfTapeChoice(int(numberValue(form.field(2).ZM)));
}

// The menu "1)出力 2)条件 3)ﾖﾐｺﾐ ": 1 to 3, or 0 for Esc.
int askAction(Screen& screen) {
  for (;;) {
    FieldCall call{kMenuRow, kCol, 7, 0, "1)出力 2)条件 3)ﾖﾐｺﾐ ", "1"};
    const FieldResult r = choiceField(screen, call);
    if (r.FDP == ending::Esc) return 0;
    if (r.FDP == ending::Enter) return int(numberValue(call.text));
    screen.beep();
  }
}

// A punch (true) or a tape read (false) on the variant's line.
void runTape(Session& s, ProgramBuffer& buffer, const TapeState& state, int endOfBlock, const CommVariant& variant,
             bool punch) {
  Screen& screen = s.screen;
  // No NC is awaited here, so Esc has nothing to cancel: F9 stops.
  printAtPosition(screen, kCol, kPromptRow, std::string(22, ' ') + "[F9]:中止");
  printAtPosition(screen, kCol, kStatusRow, std::string(34, ' '));
  printAtPosition(screen, kCol, kCountRow, std::string(34, ' '));
  CommView view(screen, variant, kCol, kPromptRow, kStatusRow, kCountRow);
  ProtocolOptions options = variant.options;
  options.eob = endOfBlockText(endOfBlock);
  buffer.invalidateIndex();
  s.guarded([&] { variant.openLine(s); });
  // The punch and the reader keep real time, also on a headless screen.
  RealClock lineClock;
  Transfer engine(s.channels.serialPort(variant.channel), lineClock, options, view);
  BufferReceiver sink(buffer, false);
  if (punch) {
    BufferSource source(buffer);
    engine.punch(source, state.feed);
  } else {
    engine.readTape(sink);
  }
  s.channels.close(variant.channel);
  if (engine.bufferFull) {
    printAtPosition(screen, kCol, kPromptRow, padToWidth("ﾒﾓﾘ満杯: " + std::to_string(sink.received()) + "行 受信", 32),
            kHighlight);
    screen.beep();
  } else if (!engine.lineFault.empty()) {
    printAtPosition(screen, kCol, kPromptRow, padToWidth("回線ｴﾗｰ", 32), kHighlight);
    screen.beep();
  } else {
    printAtPosition(screen, kCol, kPromptRow, std::string(32, ' '));
  }
  screen.color(7);
  screen.present(true);
}

}  // namespace

std::string tapeEndOfBlockLabel(int endOfBlock) {
  static const std::string table = "LCRLFC+L";
  if (endOfBlock < 1 || endOfBlock > 3) endOfBlock = 2;  // sent as LF
  return table.substr(size_t(2 * endOfBlock - 1), 2);
}

int tapeChoiceOfEndOfBlock(int endOfBlock) {
  switch (endOfBlock) {
    case 1: return 2;  // CR
    case 3: return 3;  // CR LF
    default: return 1; // LF
  }
}

int endOfBlockOfTapeChoice(int choice) {
  switch (choice) {
    case 2: return 1;  // CR
    case 3: return 3;  // CR LF
    default: return 2; // LF
  }
}

void paperTapeScreen(Session& s, ProgramBuffer& buffer, TapeState& state, int& endOfBlock, char port,
                     const CommVariant& variant) {
  Screen& screen = s.screen;
  screen.resetTextWindow();
  screen.color(7, 0);
  drawFrame(screen, state, endOfBlock, port);
  for (;;) {
    const int action = askAction(screen);
    if (action == 0) break;
    if (action == 2) {
      editConditions(screen, state, endOfBlock);
    } else {
      runTape(s, buffer, state, endOfBlock, variant, action == 1);
    }
    drawValues(screen, state, endOfBlock, port);
  }
  eraseBox(screen, kFrameRow, kFrameCol, CommFrame::width, kCountRow - kFrameRow);
}

}  // namespace vorn
