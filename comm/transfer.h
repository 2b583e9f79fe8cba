#pragma once
// The tape-style send and receive protocol over a serial port: DC1 starts
// and resumes, DC3 pauses, "%" marks a program's start and end, NULs form the
// leader. Screen-free: a TransferObserver shows the status and reports the
// user's stop keys; time comes from a Clock, so tests run on a virtual one.
#include <cstddef>
#include <ctime>
#include <string>

#include "runtime/clock.h"
#include "runtime/serial.h"
#include "shell/settings.h"

namespace vorn {

// The engine's view of a line: bytes waiting, read, write, output queue, close.
using Port = SerialPort;

namespace ctl {
inline constexpr char NUL = 0;
inline constexpr char STX = 2;
inline constexpr char DC1 = 17;
inline constexpr char DC2 = 18;
inline constexpr char DC3 = 19;
inline constexpr char DC4 = 20;
}  // namespace ctl

// The transfer modes of the communication menu.
enum class TransferMode {
  Tape = 1,     // "1.送信PC>>": STX, then send on the NC's DC1
  Replace = 2,  // "2.ﾒﾓﾘ-受信": DC1, receive replacing the program
  Append = 3,   // "3.連結受信": DC1, receive after the program and one empty line
  Dnc = 4,      // "4.送信>DNC": DC1, send on DC1 without the "(" lines
  Now = 5,      // "  送信>>G ": send at once
};
inline bool isReceive(TransferMode m) { return m == TransferMode::Replace || m == TransferMode::Append; }

// Results V2W.
namespace result {
inline constexpr int Normal = 0;
inline constexpr int PeerStopped = 2;  // an unexpected byte from the NC, or the line failed
inline constexpr int F9 = 3;
inline constexpr int Cancelled = 5;    // Esc, or the confirmation refused
}  // namespace result

// Status indexes H0L into the word table.
namespace linestatus {
inline constexpr int Waiting = 0;
inline constexpr int Sending = 1;
inline constexpr int Receiving = 2;
inline constexpr int Storing = 3;
inline constexpr int Stopped = 4;
inline constexpr int Error = 5;
inline constexpr int End = 6;
}  // namespace linestatus
// The three-cell status word of an index ("待 ", "送 ", …, "ｴﾗｰ", "end").
std::string statusWord(int H0L);

// What differs between the main program's copy of the protocol and the module's.
struct ProtocolOptions {
  std::string eob = "\r\n";      // end-of-block text V0R
  double charDelayMs = 0;        // wait after every character sent, milliseconds
  bool closingPercent = false;   // end a complete send with "%" and the end of block
  int errorStatus = linestatus::Error;  // status of an unexpected byte (the module shows "止")
  bool errorShowsCode = true;    // the unexpected byte's code follows the status word
  size_t pauseAbove = 1100;      // receive: DC3 when more bytes than this wait
  size_t resumeBelow = 90;       // receive: DC1 again when fewer wait
  int endPolls = 200;            // receive: quiet polls after the end before giving up the line
  bool skipToPercent = false;    // receive after STX or from a reader: drop everything up to the first "%" (the module)
  bool stopAtEnd = false;        // receive: DC3 after the end, so the NC or the tape reader stops (the module)
  bool showFinish = true;        // report the finishing time ("終了")
  size_t maxQueued = 4;          // bytes the driver may hold unsent (with the one being written), so a DC3 acts at once
  double pollSeconds = 0.001;    // one look at an idle line
  double endPauseSeconds = 1.0;  // pause after a send or a receive
  bool pauseAfterSend = true;    // a send ends with that pause too (the module's ends at once)
};

// The screen's or the command line's side of a transfer. Every member has a
// do-nothing default.
class TransferObserver {
 public:
  virtual ~TransferObserver() = default;
  // Asked at every check: result::F9 or result::Cancelled stops the transfer, 0 goes on.
  virtual int poll() { return 0; }
  virtual void status(int /*H0L*/, int /*errorCode, -1 for none*/) {}
  // Send: the line being sent and the elapsed minutes; receive: lines stored (minutes -1).
  virtual void progress(int /*lines*/, int /*minutes*/) {}
  virtual void started(std::time_t) {}       // the send began ("開始")
  virtual void finished(std::time_t) {}      // the send ended ("終了")
  virtual void waitingForNc(bool /*shown*/) {}  // the "ＮＣ操作" prompt on or off
  virtual void emptyProgram() {}             // a send with no lines (beep)
};

// Lines to send, in order (UTF-8). Returns false after the last one.
class LineSource {
 public:
  virtual ~LineSource() = default;
  virtual bool next(std::string& line) = 0;
  virtual bool empty() = 0;  // no line at all
};

// Where received lines go (UTF-8, not yet normalised).
class LineSink {
 public:
  virtual ~LineSink() = default;
  // Stores the next line; false when there is no room (nothing stored).
  virtual bool store(std::string line) = 0;
  // The reception is over (also after an abort): settle what was stored.
  virtual void finish() {}
  virtual int stored() const = 0;  // lines stored so far (the counter shown)
};

class Transfer {
 public:
  Transfer(Port& port, Clock& clock, ProtocolOptions options, TransferObserver& observer)
      : port_(port), clock_(clock), opt_(std::move(options)), obs_(observer) {}

  // A whole transfer after the line is open: the start code, the wait for the
  // NC, then the send or the receive, and the drain. Line failures end it with
  // result PeerStopped and the runtime error's code (lineFault tells what).
  // The caller closes the line (a DNC send may keep it open when V2W is 0).
  int run(TransferMode mode, LineSource* source, LineSink* sink);

  // The send alone (mode Now sends at once; Dnc leaves out "(" lines).
  void sendProgram(LineSource& source, bool dnc);
  // Paper tape punch: DC2 (punch on), a pause of `startPause` seconds for the
  // punch to come up, `feed` NULs of leader, the program as sendProgram
  // sends it, the same feed of trailer, then DC4 (punch off), which also
  // follows a stopped punch so the punch never runs on.
  void punchTape(LineSource& source, int feed, double startPause = 3.0);
  // The punch and the tape reader as whole transfers on an open line, with
  // line failures and the closing status handled as run() does. The reader is
  // started with DC1 and read as a replacing receive.
  int punch(LineSource& source, int feed, double startPause = 3.0);
  int readTape(LineSink& sink);
  // The receive alone, after the NC's start code (STX or "%").
  void receiveProgram(char start, LineSink& sink);

  int V2W = result::Normal;  // result: 0 running or normal, 2 NC stopped it, 3 F9, 5 cancelled
  int PPF = -1;              // code of the last byte received from the NC, -1 none
  int H0L = linestatus::Waiting;  // status index last shown
  int errorCode = -1;        // the unexpected byte's code (or the line error's), -1 none
  bool bufferFull = false;   // receive: the sink refused a line; the NC was paused with DC3
  std::string lineFault;     // what failed on the line, "" when nothing did
  TransmissionRecord record;  // the log line of the last send
  int linesSent = 0;         // lines handled by the last send

 private:
  int waitForNc();
  // Runs body; a line failure ends it with its code (received lines settled
  // in sink when given); then the final status and the drain.
  template <class Body>
  int conclude(Body body, LineSink* sink);
  void readControl();
  void sendByte(char c);
  void sendLine(const std::string& cp932, bool comment, bool dnc);
  bool waitForData();
  void drain();
  std::string skipLeader();
  void endReceive(bool ncPaused, LineSink& sink);
  void show(int H0L, int code = -1);
  bool check();  // polls the observer; false once the result is set
  void idle();
  int readByte();

  bool paused_ = false;  // send: the NC's DC3 holds the send
  size_t queuedBound_ = 0;  // send: at least the bytes in the driver's output queue
  Port& port_;
  Clock& clock_;
  ProtocolOptions opt_;
  TransferObserver& obs_;
};

}  // namespace vorn
