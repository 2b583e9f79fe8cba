// The engine against a pseudo-terminal peer that behaves like an NC machine.
#include <gtest/gtest.h>

#include <algorithm>

#include "comm/program_lines.h"
#include "comm/transfer.h"
#include "runtime/error.h"
#include "tests/comm/nc_peer.h"

namespace vorn {
namespace {

using test::NcPeer;
using namespace std::string_literals;

LineSettings ptyLine() { return parseDeviceString("COM1:(S8N1N8NN?)"); }

// Stops the transfer after `seconds` of real time (a user's F9 that never comes early).
struct Watchdog : TransferObserver {
  explicit Watchdog(double seconds)
      : until(std::chrono::steady_clock::now() +
              std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(seconds))) {}
  int poll() override { return std::chrono::steady_clock::now() > until ? result::F9 : 0; }
  void status(int H0L, int code) override { last = statusWord(H0L) + (code >= 0 ? std::to_string(code) : ""); }
  std::chrono::steady_clock::time_point until;
  std::string last;
};

// A pseudo-terminal keeps no count of bytes the far side has not read yet (a
// real port's driver does: its output queue). This port counts them from the
// peer's reads, so the engine's bound on the queue is tested as on a real line.
struct QueueCountingPort : Port {
  QueueCountingPort(Port& line, std::atomic<size_t>& consumed) : line(line), consumed(consumed) {}
  void setSpeed(int bps) override { line.setSpeed(bps); }
  std::string readWaiting(size_t n) override { return line.readWaiting(n); }
  size_t bytesWaiting() override { return line.bytesWaiting(); }
  void write(std::string_view b) override {
    line.write(b);
    written += b.size();
  }
  size_t outputQueued() override { return written - consumed.load(); }
  void close() override { line.close(); }
  Port& line;
  std::atomic<size_t>& consumed;
  size_t written = 0;
};

ProgramBuffer bigProgram(int lines) {
  std::vector<std::string> v;
  v.reserve(size_t(lines));
  v.push_back("O1234");
  for (int i = 2; i <= lines; ++i) v.push_back("N" + std::to_string(i) + " G01 X" + std::to_string(i % 977) + ". Y-2.5 F300");
  ProgramBuffer b;
  b.assign(std::move(v));
  return b;
}

// The wire form of a send of b (no closing "%"), as the engine builds it.
std::string wireForm(const ProgramBuffer& b, const std::string& eob) {
  std::string out = "\0%"s + eob;
  for (int n = 1; n <= b.lineCount(); ++n) {
    std::string l(b.line(n));
    l.erase(std::remove(l.begin(), l.end(), ' '), l.end());
    out += l + (l.size() % 2 == 0 ? " " : "") + eob;
  }
  return out + "\0"s;
}

TEST(PtyPeer, SmallBufferWithDc3NeverOverflows) {
  ProgramBuffer b = bigProgram(150);
  NcPeer nc;
  std::string got;
  size_t worstAfterDc3 = 0;
  size_t dc3Sent = 0;
  std::atomic<size_t> consumed{0};
  nc.start([&](NcPeer& p) {
    if (!p.waitFor(ctl::STX)) return;
    consumed = 1;
    p.write("\x11");
    constexpr size_t kBuffer = 256;
    size_t held = 0;  // bytes in the machine's buffer
    bool paused = false;
    size_t sinceDc3 = 0;
    auto last = std::chrono::steady_clock::now();
    const auto deadline = last + std::chrono::seconds(20);
    while (!test::isSendEnd(got) && std::chrono::steady_clock::now() < deadline) {
      // The machine works off its buffer slowly: one byte every 200 microseconds.
      const auto now = std::chrono::steady_clock::now();
      const size_t done = size_t(std::chrono::duration<double>(now - last).count() / 200e-6);
      if (done > 0) {
        held -= std::min(held, done);
        last = now;
      }
      if (paused && held < 64) {
        paused = false;
        p.write("\x11");
      }
      const int c = p.readByte(paused ? 0.001 : 2);
      if (c < 0) {
        if (paused) continue;
        break;
      }
      got.push_back(char(c));
      ++consumed;
      ++held;
      ASSERT_LE(held, kBuffer) << "overflow at byte " << got.size();
      if (paused) worstAfterDc3 = std::max(worstAfterDc3, ++sinceDc3);
      if (!paused && held >= kBuffer - 10) {
        p.write("\x13");
        ++dc3Sent;
        paused = true;
        sinceDc3 = 0;
      }
    }
  });
  auto line = openSerialPort(nc.slavePath, ptyLine());
  QueueCountingPort port(*line, consumed);
  VirtualClock clock;
  Watchdog obs(20);
  ProtocolOptions opt;
  opt.endPauseSeconds = 0;
  Transfer t(port, clock, opt, obs);
  BufferSource src(b);
  EXPECT_EQ(t.run(TransferMode::Tape, &src, nullptr), result::Normal);
  nc.join();
  port.close();
  const std::string expected = wireForm(b, "\r\n");
  EXPECT_EQ(got.size(), expected.size());
  EXPECT_TRUE(got == expected);
  EXPECT_GT(dc3Sent, 0u);
  // The queue bound (4) and the one byte being written when the DC3 arrives,
  // plus the pseudo-terminal's own delivery delay: within the machine's 10.
  EXPECT_LE(worstAfterDc3, 10u);
  RecordProperty("most bytes after DC3", int(worstAfterDc3));
}

TEST(PtyPeer, PaperTapePunchSendsDc2LeaderProgramTrailerDc4) {
  ProgramBuffer b;
  b.assign({"O12", "G01 X1."});
  NcPeer nc;
  std::string got;
  nc.start([&](NcPeer& p) {
    for (int c = p.readByte(5); c >= 0; c = p.readByte(2)) {
      got += char(c);
      if (c == ctl::DC4) return;
    }
  });
  auto port = openSerialPort(nc.slavePath, ptyLine());
  VirtualClock clock;
  Watchdog obs(20);
  ProtocolOptions opt;
  opt.eob = "\r";
  opt.closingPercent = true;  // the module's send ends with "%"
  opt.endPauseSeconds = 0;
  Transfer t(*port, clock, opt, obs);
  BufferSource src(b);
  t.punchTape(src, 5);
  nc.join();
  port->close();
  const std::string feed(5, '\0');
  EXPECT_EQ(got, "\x12"s + feed + "\0%\r"s + "O12\r" + "G01X1. \r" + "%\r" + "\0"s + feed + "\x14");
  EXPECT_EQ(t.V2W, result::Normal);
  EXPECT_GE(clock.seconds(), 3.0);  // the punch had its start pause
}

TEST(PtyPeer, PeerDisappearsMidSend) {
  ProgramBuffer b = bigProgram(3000);
  const ProgramBuffer before = b;
  NcPeer nc;
  nc.start([](NcPeer& p) {
    if (!p.waitFor(ctl::STX)) return;
    p.write("\x11");
    for (int i = 0; i < 500; ++i) p.readByte(1);
    p.hangUp();
  });
  auto port = openSerialPort(nc.slavePath, ptyLine());
  ::close(nc.slaveFd);  // only the engine holds the line now
  nc.slaveFd = -1;
  VirtualClock clock;
  Watchdog obs(20);
  ProtocolOptions opt;
  opt.endPauseSeconds = 0;
  Transfer t(*port, clock, opt, obs);
  BufferSource src(b);
  EXPECT_EQ(t.run(TransferMode::Tape, &src, nullptr), result::PeerStopped);
  nc.join();
  port->close();
  EXPECT_EQ(obs.last, "ｴﾗｰ" + std::to_string(err::NcLineFault));
  EXPECT_EQ(b.lineCount(), before.lineCount());
  EXPECT_EQ(b.line(2), before.line(2));
}

TEST(PtyPeer, GarbageStopsTheSendWithItsCode) {
  ProgramBuffer b = bigProgram(2000);
  NcPeer nc;
  nc.start([](NcPeer& p) {
    if (!p.waitFor(ctl::STX)) return;
    p.write("\x11");
    for (int i = 0; i < 100; ++i) p.readByte(1);
    p.write("\xA5\x01?");
    while (p.readByte(0.5) >= 0) {
    }
  });
  auto port = openSerialPort(nc.slavePath, ptyLine());
  VirtualClock clock;
  Watchdog obs(20);
  Transfer t(*port, clock, ProtocolOptions{}, obs);
  BufferSource src(b);
  EXPECT_EQ(t.run(TransferMode::Tape, &src, nullptr), result::PeerStopped);
  nc.join();
  port->close();
  EXPECT_EQ(obs.last, "ｴﾗｰ165");
}

TEST(PtyPeer, Dc3AndSilenceWaitsUntilStopped) {
  ProgramBuffer b = bigProgram(2000);
  NcPeer nc;
  nc.start([](NcPeer& p) {
    if (!p.waitFor(ctl::STX)) return;
    p.write("\x11");
    for (int i = 0; i < 100; ++i) p.readByte(1);
    p.write("\x13");
    while (p.readByte(1) >= 0) {
    }
  });
  auto port = openSerialPort(nc.slavePath, ptyLine());
  RealClock clock;
  Watchdog obs(0.5);
  ProtocolOptions opt;
  opt.endPauseSeconds = 0;
  Transfer t(*port, clock, opt, obs);
  BufferSource src(b);
  EXPECT_EQ(t.run(TransferMode::Tape, &src, nullptr), result::F9);
  port->close();
  nc.join();
  EXPECT_EQ(obs.last, "止 ");
}

TEST(PtyPeer, ReceivesALargeBurstWithNothingLost) {
  ProgramBuffer source = bigProgram(28912);
  std::string wire = "%\n";
  for (int n = 1; n <= source.lineCount(); ++n) wire += std::string(source.line(n)) + "\r\n";
  wire += "%";
  NcPeer nc;
  nc.start([&](NcPeer& p) {
    if (!p.waitFor(ctl::DC1)) return;
    p.write(wire);  // at full speed, far more than the kernel buffers
  });
  auto port = openSerialPort(nc.slavePath, ptyLine());
  VirtualClock clock;
  Watchdog obs(60);
  ProtocolOptions opt;
  opt.endPauseSeconds = 0;
  opt.endPolls = 20;
  Transfer t(*port, clock, opt, obs);
  ProgramBuffer b;
  BufferReceiver sink(b, false);
  EXPECT_EQ(t.run(TransferMode::Replace, nullptr, &sink), result::Normal);
  nc.join();
  ASSERT_EQ(b.lineCount(), source.lineCount());
  for (int n = 1; n <= b.lineCount(); ++n) ASSERT_EQ(b.line(n), source.line(n)) << "line " << n;
}

TEST(PtyPeer, AbortedReceiveKeepsEveryCompleteLine) {
  NcPeer nc;
  nc.start([](NcPeer& p) {
    if (!p.waitFor(ctl::DC1)) return;
    p.write("%\nO1\nG00X0\nG01X");
    p.pause(1.5);
  });
  auto port = openSerialPort(nc.slavePath, ptyLine());
  RealClock clock;
  Watchdog obs(0.5);
  ProtocolOptions opt;
  opt.endPauseSeconds = 0;
  opt.endPolls = 5;
  Transfer t(*port, clock, opt, obs);
  ProgramBuffer b;
  BufferReceiver sink(b, false);
  EXPECT_EQ(t.run(TransferMode::Replace, nullptr, &sink), result::F9);
  nc.join();
  ASSERT_EQ(b.lineCount(), 2);
  EXPECT_EQ(b.line(2), "G00 X0");
}

TEST(PtyPeer, MissingOrBusyPort) {
  try {
    openSerialPort("/dev/vornt-no-such-port", ptyLine());
    FAIL() << "opened a missing port";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::NotFound);
  }
  NcPeer nc;
  auto first = openSerialPort(nc.slavePath, ptyLine());
  try {
    openSerialPort(nc.slavePath, ptyLine());
    FAIL() << "opened a busy port";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::DeviceUnavailable);
  }
  first->close();
  EXPECT_NO_THROW(openSerialPort(nc.slavePath, ptyLine()));
}

}  // namespace
}  // namespace vorn
