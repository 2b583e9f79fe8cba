#include "comm/transfer.h"

#include <algorithm>
#include <cmath>

#include "runtime/error.h"
#include "runtime/text.h"

namespace vorn {

std::string statusWord(int H0L) {
  static const std::string table = "待 送 受 換 止 ｴﾗｰendﾀｲﾑNG ";
  // Entries are three cells; the full-width ones are one character and a blank.
  return midByWidth(table, 3 * H0L, 3);
}

bool Transfer::check() {
  if (V2W != result::Normal) return false;
  if (const int stop = obs_.poll(); stop != 0) {
    V2W = stop;
    show(linestatus::Stopped);
  }
  return V2W == result::Normal;
}

void Transfer::idle() {
  clock_.sleep(opt_.pollSeconds);
  check();
}

void Transfer::show(int status, int code) {
  H0L = status;
  obs_.status(status, code);
}

int Transfer::readByte() {
  const std::string b = port_.readWaiting(1);
  if (b.empty()) return -1;
  PPF = static_cast<unsigned char>(b[0]);
  return PPF;
}

bool Transfer::waitForData() {
  while (check() && port_.bytesWaiting() == 0) idle();
  return V2W == result::Normal;
}

void Transfer::drain() {
  while (port_.bytesWaiting() > 0) port_.readWaiting(4096);
}

// --- the wait for the NC's start code

int Transfer::waitForNc() {
  int last = -1;
  obs_.waitingForNc(true);
  while (check() && last < 1) {
    while (port_.bytesWaiting() > 0) {
      const int c = readByte();
      if (c > 0) {
        last = c;
        break;
      }
    }
    if (last < 1) idle();
  }
  obs_.waitingForNc(false);
  return V2W == result::Normal ? last : -1;
}

// --- sending

void Transfer::readControl() {
  if (V2W != result::Normal) return;  // a stop keeps the byte that caused it
  int c = readByte();
  for (;;) {
    if (c == ctl::DC1) {
      paused_ = false;
      show(linestatus::Sending);
      return;
    }
    if (c != ctl::DC3) break;
    paused_ = true;
    show(linestatus::Waiting);
    if (!waitForData()) return;
    c = readByte();
  }
  errorCode = c;
  show(opt_.errorStatus, opt_.errorShowsCode ? c : -1);
  V2W = result::PeerStopped;
}

// Waits until the driver holds no more than maxQueued unsent bytes, looking
// for control bytes meanwhile, then sends c and waits the character delay.
// The queue only shrinks by itself, so the last count plus the bytes written
// since is an upper bound: the driver is asked only when that bound is too high.
void Transfer::sendByte(char c) {
  for (;;) {
    if (port_.bytesWaiting() > 0) readControl();
    if (!check()) return;
    if (queuedBound_ < opt_.maxQueued) break;
    queuedBound_ = port_.outputQueued();
    if (queuedBound_ < opt_.maxQueued) break;
    clock_.sleep(opt_.pollSeconds / 4);
  }
  port_.write(std::string_view(&c, 1));
  ++queuedBound_;
  if (opt_.charDelayMs > 0) clock_.sleep(opt_.charDelayMs / 1000.0);
}

void Transfer::sendLine(const std::string& cp932, bool comment, bool dnc) {
  int count = 0;
  if (!(dnc && comment)) {
    for (char c : cp932) {
      if (c == ' ') continue;  // words go out without the blanks between them
      sendByte(c);
      if (V2W != result::Normal) break;
      ++count;
    }
  }
  // The blank keeps the block's character count odd with its end.
  const std::string tail = (count % 2 == 0 ? " " : "") + opt_.eob;
  if (V2W == result::Normal) {
    for (char c : tail) sendByte(c);
  } else if (!paused_) {
    // A stopped block still gets its end; NOTE: not while the NC holds the send with DC3.
    port_.write(tail);
  }
}

void Transfer::punchTape(LineSource& source, int feed, double startPause) {
  V2W = result::Normal;
  sendByte(ctl::DC2);
  // The punch comes up; F9 during the pause still stops it.
  const double until = clock_.seconds() + startPause;
  for (double left; (left = until - clock_.seconds()) > 0 && check();) clock_.sleep(std::min(left, 0.05));
  for (int i = 0; i < feed && V2W == result::Normal; ++i) sendByte(ctl::NUL);
  if (V2W == result::Normal) sendProgram(source, false);
  for (int i = 0; i < feed && V2W == result::Normal; ++i) sendByte(ctl::NUL);
  port_.write(std::string_view(&ctl::DC4, 1));
}

void Transfer::sendProgram(LineSource& source, bool dnc) {
  if (source.empty()) obs_.emptyProgram();
  const std::time_t start = clock_.wallTime();
  record = {};
  record.start = dateString(start) + " " + timeString(start);
  obs_.started(start);
  show(linestatus::Sending);
  for (char c : std::string(1, ctl::NUL) + "%" + opt_.eob) sendByte(c);
  linesSent = 0;
  int minutes = 0;
  std::string line;
  while (V2W == result::Normal && source.next(line)) {
    ++linesSent;
    minutes = int(std::floor((double(clock_.wallTime() - start) + 45) / 60));
    obs_.progress(linesSent, minutes);
    sendLine(toCp932(line), !line.empty() && line.front() == '(', dnc);
  }
  // A stopped send gets no closing "%": the NC must not take a cut program as whole.
  if (V2W == result::Normal) {
    if (opt_.closingPercent) {
      for (char c : "%" + opt_.eob) sendByte(c);
    }
    sendByte(ctl::NUL);
  }
  const std::time_t end = clock_.wallTime();
  if (opt_.showFinish) obs_.finished(end);
  record.end = timeString(end);
  record.minutes = float(minutes);
  record.lines = float(linesSent);
  record.V2W = float(V2W);
  record.PPF = float(PPF);
  if (opt_.pauseAfterSend) clock_.sleep(opt_.endPauseSeconds);
}

// --- receiving

void Transfer::receiveProgram(char start, LineSink& sink) {
  if (start != '%') port_.write(std::string(1, ctl::DC1));
  // After "%" the program has begun: skipping to the next one would lose it.
  if (opt_.skipToPercent && start != '%') {
    for (int c = -1; c != '%' && waitForData();) c = readByte();
  }
  std::string block = skipLeader();  // code page 932 bytes of the block being received
  if (!block.empty()) show(linestatus::Receiving);
  bool paused = false;  // the NC was paused with DC3
  bool ended = V2W != result::Normal;
  while (!ended && waitForData()) {
    const std::string batch = port_.readWaiting(port_.bytesWaiting());
    for (char ch : batch) {
      const unsigned char c = static_cast<unsigned char>(ch == ':' ? 'O' : ch);
      PPF = static_cast<unsigned char>(ch);
      if (c == '%' || V2W != result::Normal) {
        ended = true;
        break;
      }
      if (c > ' ') {
        block.push_back(char(c));  // the whole block is kept, however long
      } else if (c == '\n') {
        if (!sink.store(fromCp932(block))) {
          port_.write(std::string(1, ctl::DC3));
          bufferFull = true;
          V2W = result::PeerStopped;
          show(linestatus::Stopped);
          ended = true;
          break;
        }
        block.clear();
        obs_.progress(sink.stored(), -1);
      }
    }
    if (ended) break;
    const size_t waiting = port_.bytesWaiting();
    if (!paused && waiting > opt_.pauseAbove) {
      port_.write(std::string(1, ctl::DC3));
      paused = true;
      show(linestatus::Waiting);
    } else if (paused && waiting < opt_.resumeBelow) {
      port_.write(std::string(1, ctl::DC1));
      paused = false;
      show(linestatus::Receiving);
    }
  }
  endReceive(paused, sink);
}

// The leader, control codes, "%", block ends and blanks before the first
// block: skipped; returns the first byte of the first block ("" when the line
// went quiet or the transfer ended first).
std::string Transfer::skipLeader() {
  std::string first;
  while (first.empty() && waitForData()) {
    const int c = readByte();
    if (c >= '(') first.push_back(c == ':' ? 'O' : char(c));
  }
  return first;
}

// The end of a receive: lets a paused NC finish (unless there is no room),
// waits for a quiet line and settles the received lines.
void Transfer::endReceive(bool ncPaused, LineSink& sink) {
  if (ncPaused && !bufferFull) port_.write(std::string(1, ctl::DC1));
  drain();
  if (opt_.stopAtEnd) port_.write(std::string(1, ctl::DC3));
  for (int polls = 0; polls < opt_.endPolls; ++polls) {
    clock_.sleep(opt_.pollSeconds);
    if (port_.bytesWaiting() > 0) {
      drain();
      polls = -1;
    }
  }
  show(linestatus::Storing);
  sink.finish();
  clock_.sleep(opt_.endPauseSeconds);
}

// --- the whole transfer

template <class Body>
int Transfer::conclude(Body body, LineSink* sink) {
  try {
    body();
  } catch (const RuntimeError& e) {
    // The line failed (the peer went away, the adapter was pulled): stop with its code.
    lineFault = e.what();
    V2W = result::PeerStopped;
    errorCode = e.code();
    show(linestatus::Error, e.code());
    if (sink) sink->finish();
  }
  if (V2W == result::Normal) {
    show(linestatus::End);
  } else if (H0L != linestatus::Error) {
    show(linestatus::Stopped);
  }
  try {
    drain();
  } catch (const RuntimeError&) {
  }
  return V2W;
}

int Transfer::run(TransferMode mode, LineSource* source, LineSink* sink) {
  return conclude(
      [&] {
        if (mode == TransferMode::Now) {
          sendProgram(*source, false);
          return;
        }
        port_.write(std::string(1, mode == TransferMode::Tape ? ctl::STX : ctl::DC1));
        for (;;) {
          const int c = waitForNc();
          if (c < 1) return;
          if (!isReceive(mode) && c == ctl::DC1) {
            sendProgram(*source, mode == TransferMode::Dnc);
            return;
          }
          if (isReceive(mode) && (c == '%' || c == ctl::STX)) {
            receiveProgram(char(c), *sink);
            return;
          }
        }
      },
      isReceive(mode) ? sink : nullptr);
}

int Transfer::punch(LineSource& source, int feed, double startPause) {
  return conclude([&] { punchTape(source, feed, startPause); }, nullptr);
}

int Transfer::readTape(LineSink& sink) {
  V2W = result::Normal;
  // Not "%": the receive starts the reader with DC1 and skips its leader.
  return conclude([&] { receiveProgram(ctl::STX, sink); }, &sink);
}

}  // namespace vorn
