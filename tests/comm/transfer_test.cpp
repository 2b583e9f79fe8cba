#include "comm/transfer.h"

#include <gtest/gtest.h>

#include "comm/program_lines.h"
#include "runtime/error.h"

#include "tests/comm/streaming_port.h"

namespace vorn {
namespace {

using namespace std::string_literals;

// Records what the engine shows; stops when told to.
struct Recorder : TransferObserver {
  int poll() override { return stopAfterPolls >= 0 && ++polls > stopAfterPolls ? stopWith : 0; }
  void status(int H0L, int code) override { shown.push_back(statusWord(H0L) + (code >= 0 ? std::to_string(code) : "")); }
  void emptyProgram() override { ++beeps; }
  std::vector<std::string> shown;
  int polls = 0;
  int stopAfterPolls = -1;
  int stopWith = result::F9;
  int beeps = 0;
};

ProgramBuffer programOf(std::vector<std::string> lines, int capacity = kVorntProgramCapacity) {
  ProgramBuffer b(capacity);
  b.assign(std::move(lines));
  return b;
}

struct Rig {
  FakeSerialPort port;
  VirtualClock clock{0};
  Recorder observer;
  ProtocolOptions options;
  Rig() { options.endPauseSeconds = 0; }
  Transfer transfer() { return Transfer(port, clock, options, observer); }
};

TEST(Send, BlanksLeftOutAndTheEvenCountRule) {
  Rig rig;
  ProgramBuffer b = programOf({"G01 X10. Y2.", "G00 X0", ""});
  BufferSource src(b);
  Transfer t = rig.transfer();
  EXPECT_EQ(t.run(TransferMode::Now, &src, nullptr), result::Normal);
  EXPECT_EQ(rig.port.sent, "\0%\r\nG01X10.Y2. \r\nG00X0\r\n \r\n\0"s);
  EXPECT_EQ(rig.observer.shown.back(), "end");
}

TEST(Send, ClosingPercentAndEndOfBlock) {
  Rig rig;
  rig.options.closingPercent = true;
  rig.options.eob = "\n";
  ProgramBuffer b = programOf({"M30"});
  BufferSource src(b);
  rig.transfer().run(TransferMode::Now, &src, nullptr);
  EXPECT_EQ(rig.port.sent, "\0%\nM30\n%\n\0"s);
}

TEST(Send, TapeModeWaitsForTheNcsDc1) {
  Rig rig;
  rig.port.onWrite = [](FakeSerialPort& p) {
    if (p.sent == "\x02") p.incoming = "\0\0\x11"s;  // leader NULs, then DC1
  };
  ProgramBuffer b = programOf({"G00 X0"});
  BufferSource src(b);
  EXPECT_EQ(rig.transfer().run(TransferMode::Tape, &src, nullptr), result::Normal);
  EXPECT_EQ(rig.port.sent, "\x02\0%\r\nG00X0\r\n\0"s);
}

TEST(Send, DncModeLeavesOutCommentLines) {
  Rig rig;
  rig.port.incoming = "\x11";
  ProgramBuffer b = programOf({"(TOOL 1)", "G00 X0"});
  BufferSource src(b);
  EXPECT_EQ(rig.transfer().run(TransferMode::Dnc, &src, nullptr), result::Normal);
  EXPECT_EQ(rig.port.sent, "\x11\0%\r\n \r\nG00X0\r\n\0"s);
}

TEST(Send, Dc3PausesAndDc1Resumes) {
  Rig rig;
  rig.port.onWrite = [&](FakeSerialPort& p) {
    if (p.sent == "\0%\r\nG"s) p.incoming = "\x13";  // after "G": pause
  };
  ProgramBuffer b = programOf({"G00 X0"});
  BufferSource src(b);
  // Resume after a while of waiting: the clock moves while the engine waits.
  struct Resume : TransferObserver {
    FakeSerialPort* port;
    int polls = 0;
    int poll() override {
      if (++polls == 50) port->incoming = "\x11";
      return 0;
    }
  } resume;
  resume.port = &rig.port;
  Transfer t2(rig.port, rig.clock, rig.options, resume);
  EXPECT_EQ(t2.run(TransferMode::Now, &src, nullptr), result::Normal);
  EXPECT_EQ(rig.port.sent, "\0%\r\nG00X0\r\n\0"s);
  EXPECT_GT(rig.clock.seconds(), 0.0);  // it really waited
}

TEST(Send, Dc3ThenAnotherByteStopsWithError) {
  Rig rig;
  rig.options.closingPercent = true;
  rig.port.onWrite = [&](FakeSerialPort& p) {
    if (p.sent == "\0%\r\nG"s) p.incoming = "\x13X";  // after "G": pause, then garbage
  };
  ProgramBuffer b = programOf({"G00 X0", "G01 X5"});
  const ProgramBuffer before = b;
  BufferSource src(b);
  Transfer t = rig.transfer();
  EXPECT_EQ(t.run(TransferMode::Now, &src, nullptr), result::PeerStopped);
  EXPECT_EQ(t.errorCode, 'X');
  EXPECT_EQ(rig.observer.shown.back(), "ｴﾗｰ88");
  // Nothing more after the pause: no closing "%", no second line.
  EXPECT_EQ(rig.port.sent, "\0%\r\nG"s);
  EXPECT_EQ(b.lineCount(), 2);
}

TEST(Send, UnexpectedByteEndsTheCurrentBlockAndStops) {
  Rig rig;
  rig.port.onWrite = [&](FakeSerialPort& p) {
    if (p.sent == "\0%\r\nG"s) p.incoming = "?";
  };
  ProgramBuffer b = programOf({"G00 X0", "G01 X5"});
  BufferSource src(b);
  Transfer t = rig.transfer();
  EXPECT_EQ(t.run(TransferMode::Now, &src, nullptr), result::PeerStopped);
  EXPECT_EQ(rig.port.sent, "\0%\r\nG\r\n"s);
  EXPECT_EQ(t.PPF, '?');
}

TEST(Send, F9WhileWaitingForTheNc) {
  Rig rig;
  rig.observer.stopAfterPolls = 10;
  ProgramBuffer b = programOf({"G00 X0"});
  BufferSource src(b);
  Transfer t = rig.transfer();
  EXPECT_EQ(t.run(TransferMode::Tape, &src, nullptr), result::F9);
  EXPECT_EQ(rig.port.sent, "\x02");
  EXPECT_EQ(rig.observer.shown.back(), "止 ");
}

TEST(Send, TheDriversOutputQueueStaysWithinItsBound) {
  // A slow line: one queued byte leaves each time the engine looks at the queue.
  struct SlowLine : FakeSerialPort {
    size_t outputQueued() override {
      const size_t q = queued;
      if (queued > 0) --queued;
      return q;
    }
    void write(std::string_view b) override {
      FakeSerialPort::write(b);
      queued += b.size();
      worst = std::max(worst, queued);
    }
    size_t queued = 0;
    size_t worst = 0;
  } port;
  VirtualClock clock;
  Recorder obs;
  ProgramBuffer b = programOf({"G01 X10. Y2.", "G00 X0", "M30"});
  BufferSource src(b);
  Transfer t(port, clock, {}, obs);
  EXPECT_EQ(t.run(TransferMode::Now, &src, nullptr), result::Normal);
  EXPECT_EQ(port.sent, "\0%\r\nG01X10.Y2. \r\nG00X0\r\nM30\r\n\0"s);
  EXPECT_EQ(port.worst, ProtocolOptions{}.maxQueued);
}

TEST(Send, CharacterDelayInMilliseconds) {
  Rig rig;
  rig.options.charDelayMs = 20;
  ProgramBuffer b = programOf({"G00 X0", "M30"});
  BufferSource src(b);
  rig.transfer().run(TransferMode::Now, &src, nullptr);
  // Every character on the line: leader (4), "G00X0" CR LF (7), "M30" CR LF (5), NUL.
  EXPECT_NEAR(rig.clock.seconds(), 17 * 0.020, 1e-9);
}

TEST(Send, EmptyProgramBeepsAndSendsFrame) {
  Rig rig;
  ProgramBuffer b;
  BufferSource src(b);
  rig.transfer().run(TransferMode::Now, &src, nullptr);
  EXPECT_EQ(rig.observer.beeps, 1);
  EXPECT_EQ(rig.port.sent, "\0%\r\n\0"s);
}

TEST(Send, LogRecord) {
  Rig rig;
  ProgramBuffer b = programOf({"G00 X0", "M30"});
  BufferSource src(b);
  Transfer t = rig.transfer();
  t.run(TransferMode::Now, &src, nullptr);
  EXPECT_EQ(t.record.lines, 2);
  EXPECT_EQ(t.record.V2W, 0);
  EXPECT_EQ(t.record.start, "01-01-1970 00:00:00");
}

// --- receiving

int receive(Rig& rig, ProgramBuffer& b, TransferMode mode, const std::string& nc) {
  rig.port.onWrite = [nc](FakeSerialPort& p) {
    if (p.sent == "\x11") p.incoming = nc;
  };
  BufferReceiver sink(b, mode == TransferMode::Append);
  return rig.transfer().run(mode, nullptr, &sink);
}

TEST(Receive, ColonBecomesOAndBlocksAreNormalised) {
  Rig rig;
  ProgramBuffer b;
  EXPECT_EQ(receive(rig, b, TransferMode::Replace, "\0\0%\r\n:1234\r\nN10G01 X5\r\n%"s), result::Normal);
  ASSERT_EQ(b.lineCount(), 2);
  EXPECT_EQ(b.line(1), "O1234");
  EXPECT_EQ(b.line(2), "N10 G01 X5");
  EXPECT_EQ(rig.port.sent, "\x11");  // started by "%": no second DC1
}

TEST(Receive, StxStartIsAnsweredWithDc1) {
  Rig rig;
  ProgramBuffer b;
  int writes = 0;
  rig.port.onWrite = [&](FakeSerialPort& p) {
    if (++writes == 1) p.incoming = "\x02";
    if (writes == 2) p.incoming = "%\nG00X0\n%";
  };
  BufferReceiver sink(b, false);
  EXPECT_EQ(rig.transfer().run(TransferMode::Replace, nullptr, &sink), result::Normal);
  EXPECT_EQ(rig.port.sent, "\x11\x11");
  EXPECT_EQ(b.line(1), "G00 X0");
}

TEST(Receive, AppendStartsAfterOneEmptyLine) {
  Rig rig;
  std::vector<std::string> old;
  for (int i = 1; i <= 20; ++i) old.push_back("X" + std::to_string(i));
  ProgramBuffer b = programOf(old);
  receive(rig, b, TransferMode::Append, "%\nO1\nM30\n%");
  ASSERT_EQ(b.lineCount(), 23);
  EXPECT_EQ(b.line(20), "X20");
  EXPECT_EQ(b.line(21), "");
  EXPECT_EQ(b.line(22), "O1");
}

TEST(Receive, ReplaceClearsTheOldLinesBehindTheNewEnd) {
  Rig rig;
  ProgramBuffer b = programOf({"A", "B", "C", "D"});
  receive(rig, b, TransferMode::Replace, "%\nO1\n%");
  ASSERT_EQ(b.lineCount(), 1);
  EXPECT_EQ(b.line(1), "O1");
  EXPECT_EQ(b.line(2), "");
}

TEST(Receive, LongBlocksKeepTheirTail) {
  Rig rig;
  ProgramBuffer b;
  std::string block = "G01";
  for (int i = 0; i < 20; ++i) block += "X" + std::to_string(1000 + i);
  receive(rig, b, TransferMode::Replace, "%\n" + block + "\n%");
  EXPECT_EQ(b.line(1).substr(b.line(1).size() - 5), "X1019");
}

TEST(Receive, AFullBufferPausesTheNcAndKeepsWhatFits) {
  Rig rig;
  ProgramBuffer b(5);
  std::string nc = "%\n";
  for (int i = 1; i <= 10; ++i) nc += "X" + std::to_string(i) + "\n";
  Transfer t = rig.transfer();
  rig.port.onWrite = [nc](FakeSerialPort& p) {
    if (p.sent == "\x11") p.incoming = nc + "%";
  };
  BufferReceiver sink(b, false);
  EXPECT_EQ(t.run(TransferMode::Replace, nullptr, &sink), result::PeerStopped);
  EXPECT_TRUE(t.bufferFull);
  EXPECT_EQ(b.lineCount(), 5);
  EXPECT_EQ(b.line(5), "X5");
  EXPECT_EQ(rig.port.sent, "\x11\x13");  // paused, and not released
}

TEST(Receive, PausesAboveTheThresholdAndResumes) {
  // The NC's next chunk arrives while the engine handles the previous one.
  test::StreamingPort port;
  port.chunks = {"1\nX2\nX3\nX4\nX5\n", "X6\nX7\nX8\nX9\nY1\n", "%"};
  port.onWrite = [](FakeSerialPort& p) {
    if (p.sent == "\x11") p.incoming = "%\nX";
  };
  ProtocolOptions options;
  options.pauseAbove = 10;
  options.resumeBelow = 3;
  VirtualClock clock;
  Recorder obs;
  ProgramBuffer b;
  BufferReceiver sink(b, false);
  Transfer t(port, clock, options, obs);
  EXPECT_EQ(t.run(TransferMode::Replace, nullptr, &sink), result::Normal);
  EXPECT_EQ(b.lineCount(), 10);
  EXPECT_EQ(b.line(10), "Y1");
  EXPECT_EQ(port.sent, "\x11\x13\x11");
}

TEST(Receive, AbortKeepsCompleteLines) {
  Rig rig;
  ProgramBuffer b;
  rig.observer.stopAfterPolls = 5;
  Transfer t = rig.transfer();
  rig.port.onWrite = [](FakeSerialPort& p) {
    if (p.sent == "\x11") p.incoming = "%\nO1\nG00X";
  };
  BufferReceiver sink(b, false);
  EXPECT_EQ(t.run(TransferMode::Replace, nullptr, &sink), result::F9);
  ASSERT_EQ(b.lineCount(), 1);
  EXPECT_EQ(b.line(1), "O1");
}

TEST(Transfer, LineFaultEndsWithErrorAndItsCode) {
  struct Dead : FakeSerialPort {
    void write(std::string_view) override { throw RuntimeError(err::NcLineFault, "write to /dev/x", "5"); }
  } port;
  VirtualClock clock;
  Recorder obs;
  ProgramBuffer b = programOf({"G00"});
  BufferSource src(b);
  Transfer t(port, clock, {}, obs);
  EXPECT_EQ(t.run(TransferMode::Now, &src, nullptr), result::PeerStopped);
  EXPECT_EQ(t.errorCode, err::NcLineFault);
  EXPECT_EQ(obs.shown.back(), "ｴﾗｰ78");
  EXPECT_FALSE(t.lineFault.empty());
}

TEST(StatusWords, Table) {
  const char* words[] = {"待 ", "送 ", "受 ", "換 ", "止 ", "ｴﾗｰ", "end"};
  for (int i = 0; i < 7; ++i) EXPECT_EQ(statusWord(i), words[i]);
}

}  // namespace
}  // namespace vorn
