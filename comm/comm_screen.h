#pragma once
// The NC communication screen: the transfer modes, the "ＮＣ操作" wait, the
// status word, the line counter and the elapsed minutes, on the engine of
// comm/transfer.h. The main program's screen runs over channel 8; the
// transfer and management module runs the same screen with its own
// `CommVariant` (modes, hint, line, protocol options).
#include <chrono>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "comm/transfer.h"
#include "editor/program_buffer.h"
#include "shell/session.h"

namespace vorn {

inline constexpr int kNcChannel = 8;  // the NC line's channel

// State the screen keeps between visits.
struct CommState {
  int lastMode = 5;  // the menu position chosen last, the menu's default
};

// One entry of the mode menu.
struct CommMode {
  std::string label;          // the menu text, e.g. "1.送信PC>>"
  TransferMode mode;          // what the entry does
  bool needsProgram = false;  // with an empty program it beeps and leaves the screen
};

// What differs between the main program's screen and the module's.
struct CommVariant {
  std::vector<CommMode> modes;
  std::string stopHint = "[F9]:中止";    // printed beside the prompt during a transfer
  std::string sendCounter = "######  ";  // template of the line counter while sending
  bool showMinutes = true;               // the elapsed minutes follow the send's counter
  bool logSends = true;                  // sends are written to the transmission log
  int channel = kNcChannel;              // the line's channel
  std::function<void(Session&)> openLine;  // opens `channel` (raises RuntimeError)
  ProtocolOptions options;               // the engine's settings
};

// Opens the NC line on channel 8 from the environment's derived values
// (closing it first). Raises RuntimeError for a missing or busy port.
void openNcLine(Session& session);

// The engine's settings from the environment and the settings file.
ProtocolOptions protocolOptions(const Session& session);

// The main program's screen: five modes over channel 8, built from the
// session's current settings.
CommVariant mainCommVariant(const Session& session);

// Runs the screen until Esc, or until a receive ends normally.
void commScreen(Session& session, ProgramBuffer& buffer, CommState& state);
void commScreen(Session& session, ProgramBuffer& buffer, CommState& state, const CommVariant& variant);

// The frame the communication and paper-tape screens share, so the transfer
// view's rows fit both. Positions count from 1.
struct CommFrame {
  static constexpr int row = 6;  // top-left corner
  static constexpr int col = 20;
  static constexpr int width = 40;
  static constexpr int inner = 7;                     // rows inside
  static constexpr int textCol = col + 3;             // where menus and texts start
  static constexpr int promptRow = row + 6;           // the "ＮＣ操作" prompt and the stop hint
  static constexpr int statusRow = row + 7;           // "PC & & NC" and the status word
  static constexpr int countRow = row + inner + 2;    // line counter, start and end times
};

// The engine's view of a screen: the status word, the counters, the
// "ＮＣ操作" prompt, and the stop keys (F9 always, Esc while the NC is
// awaited). Positions count from 1.
class CommView final : public TransferObserver {
 public:
  CommView(Screen& screen, const CommVariant& variant, int column, int promptRow, int statusRow, int countRow);

  int poll() override;
  void status(int H0L, int code) override;
  void progress(int lines, int minutes) override;
  void started(std::time_t t) override;
  void finished(std::time_t t) override;
  void waitingForNc(bool shown) override;
  void emptyProgram() override;

  std::string operation;  // "T入力" or "T出力", shown in the prompt

 private:
  Screen& screen_;
  const CommVariant& variant_;
  int column_, promptRow_, statusRow_, countRow_;
  bool waiting_ = false;
  std::chrono::steady_clock::time_point lastProgress_;
};

}  // namespace vorn
