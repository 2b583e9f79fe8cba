// The module's NC communication and paper tape: its protocol variant on a
// fake line, and its screens against a simulated NC, punch and reader on a
// pseudo-terminal.
#include "manage/module_comm.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <filesystem>

#include "comm/line.h"
#include "comm/program_lines.h"
#include "manage/module.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/session.h"
#include "store/work_files.h"
#include "tests/comm/nc_peer.h"
#include "tests/comm/streaming_port.h"
#include "rig.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;
using test::NcPeer;
using test::StreamingPort;

const std::vector<std::string> kProgram = {"O1234", "N10 G00 X0 Y0", "N20 G01 X10. Y2. F100", "", "M30"};

// The program as the module's send puts it on the line with CR LF: leader
// NUL, "%", the blocks without blanks (a blank keeps each block's count odd),
// the closing "%" it always sends, NUL.
std::string wireForm(const std::vector<std::string>& lines) {
  std::string out = "\0%\r\n"s;
  for (std::string l : lines) {
    std::erase(l, ' ');
    out += l + (l.size() % 2 == 0 ? " " : "") + "\r\n";
  }
  return out + "%\r\n\0"s;
}

// --- the protocol variant on a fake line

struct Shown : TransferObserver {
  int poll() override { return stopAfterPolls >= 0 && ++polls > stopAfterPolls ? result::F9 : 0; }
  void status(int H0L, int code) override { words.push_back(statusWord(H0L) + (code >= 0 ? std::to_string(code) : "")); }
  std::vector<std::string> words;
  int polls = 0;
  int stopAfterPolls = -1;
};

struct FakeRig {
  FakeRig() {
    env.endOfBlock = 3;
    options = moduleCommVariant(env).options;
    options.endPauseSeconds = 0;
  }
  Transfer transfer() { return Transfer(port, clock, options, shown); }
  Environment env;
  ProtocolOptions options;
  FakeSerialPort port;
  VirtualClock clock{0};
  Shown shown;
};

TEST(ModuleProtocol, SendAlwaysClosesWithPercent) {
  FakeRig rig;
  ProgramBuffer b(10);
  b.assign(kProgram);
  BufferSource source(b);
  EXPECT_EQ(rig.transfer().run(TransferMode::Now, &source, nullptr), result::Normal);
  EXPECT_EQ(rig.port.sent, wireForm(kProgram));
}

TEST(ModuleProtocol, AnUnexpectedByteShowsStopWithoutItsCode) {
  FakeRig rig;
  rig.port.incoming = "?";
  ProgramBuffer b(10);
  b.assign(kProgram);
  BufferSource source(b);
  Transfer t = rig.transfer();
  EXPECT_EQ(t.run(TransferMode::Now, &source, nullptr), result::PeerStopped);
  EXPECT_EQ(t.errorCode, '?');
  EXPECT_EQ(rig.shown.words.back(), "止 ");
  EXPECT_EQ(std::count(rig.shown.words.begin(), rig.shown.words.end(), "ｴﾗｰ"), 0);
  EXPECT_EQ(rig.port.sent.find("%\r\n\0"s, 1), std::string::npos);  // no closing "%"
}

// The NC's answer to the receive's DC1, and what the module keeps of it.
struct ReceiveCase {
  std::string nc;                     // bytes after the module's DC1
  std::string sent;                   // everything the module wrote
  std::vector<std::string> program;   // the buffer afterwards
};

TEST(ModuleProtocol, ReceiveSkipsToTheProgramStartAndStopsTheNcAfter) {
  const ReceiveCase cases[] = {
      // Started with "%": the program follows at once and is kept whole.
      {"\0\0%\r\n:12\r\nN10G01X5\r\n%"s, "\x11\x13", {"O12", "N10 G01 X5"}},
      // Started with STX: DC1 again, then everything up to the first "%" is dropped.
      {"\x02" "ABC\r\nDEF\r\n%\r\nG00X0\r\n%", "\x11\x11\x13", {"G00 X0"}},
  };
  for (const ReceiveCase& c : cases) {
    FakeRig rig;
    rig.port.onWrite = [&c](FakeSerialPort& p) {
      if (p.sent == "\x11") p.incoming = c.nc;
    };
    ProgramBuffer b(100);
    b.assign({"OLD1", "OLD2", "OLD3"});
    BufferReceiver sink(b, false);
    EXPECT_EQ(rig.transfer().run(TransferMode::Replace, nullptr, &sink), result::Normal);
    EXPECT_EQ(rig.port.sent, c.sent);
    ASSERT_EQ(b.lineCount(), int(c.program.size()));
    for (size_t i = 0; i < c.program.size(); ++i) EXPECT_EQ(b.line(int(i) + 1), c.program[i]);
  }
}

TEST(ModuleProtocol, ReceivePausesAbove1090WaitingBytes) {
  struct Case {
    size_t waiting;    // bytes waiting after the first batch
    std::string sent;  // DC1 start, [DC3 pause, DC1 resume], DC3 at the end
  };
  for (const Case& c : {Case{1091, "\x11\x13\x11\x13"}, Case{1090, "\x11\x13"}}) {
    Environment env;
    ProtocolOptions options = moduleCommVariant(env).options;
    options.endPauseSeconds = 0;
    StreamingPort port;
    std::string burst;
    while (burst.size() + 7 <= c.waiting) burst += "G01X1.\n";
    burst += std::string(c.waiting - burst.size(), ' ');
    port.chunks = {"1\n", burst, "%"};
    port.onWrite = [](FakeSerialPort& p) {
      if (p.sent == "\x11") p.incoming = "%\nX";
    };
    VirtualClock clock;
    Shown shown;
    ProgramBuffer b(1000);
    BufferReceiver sink(b, false);
    Transfer t(port, clock, options, shown);
    EXPECT_EQ(t.run(TransferMode::Replace, nullptr, &sink), result::Normal);
    EXPECT_EQ(port.sent, c.sent) << c.waiting;
    EXPECT_EQ(b.lineCount(), 1 + int(c.waiting / 7)) << c.waiting;
  }
}

TEST(ModuleProtocol, TapeReaderIsStartedOnceAndStoppedAtTheEnd) {
  FakeRig rig;
  rig.port.onWrite = [](FakeSerialPort& p) {
    if (p.sent == "\x11") p.incoming = "\0\0\0\0%\r\n:7\r\nG01X1.Y2.\r\n%\0\0"s;
  };
  ProgramBuffer b(100);
  b.assign({"A", "B", "C", "D"});
  BufferReceiver sink(b, false);
  EXPECT_EQ(rig.transfer().readTape(sink), result::Normal);
  EXPECT_EQ(rig.port.sent, "\x11\x13");
  EXPECT_EQ(b.lineCount(), 2);
  EXPECT_EQ(b.line(1), "O7");
  EXPECT_EQ(b.line(2), "G01 X1. Y2.");
}

TEST(ModuleProtocol, F9DuringThePunchStartStillSwitchesThePunchOff) {
  FakeRig rig;
  rig.shown.stopAfterPolls = 3;
  ProgramBuffer b(10);
  b.assign(kProgram);
  BufferSource source(b);
  Transfer t = rig.transfer();
  EXPECT_EQ(t.punch(source, 100), result::F9);
  EXPECT_EQ(rig.port.sent, "\x12\x14");
  EXPECT_LT(rig.clock.seconds(), 1.0);
  EXPECT_EQ(rig.shown.words.back(), "止 ");
}

TEST(PaperTape, EndOfBlockLabelsAndChoices) {
  struct Case {
    int setting;
    const char* label;
    int choice;  // in "1)LF  2)CR  3)CRLF"
  };
  for (const Case& c : {Case{1, "CR", 2}, Case{2, "LF", 1}, Case{3, "C+", 3}, Case{0, "LF", 1}}) {
    EXPECT_EQ(tapeEndOfBlockLabel(c.setting), c.label) << c.setting;
    EXPECT_EQ(tapeChoiceOfEndOfBlock(c.setting), c.choice) << c.setting;
    // A choice gives the setting whose end of block the line sends.
    EXPECT_EQ(endOfBlockText(endOfBlockOfTapeChoice(c.choice)), endOfBlockText(c.setting)) << c.setting;
  }
}

// --- the screens against a pseudo-terminal

// The module's rig with COM1 on the line to the NC.
struct ScreenRig : testing::ModuleRig {
  ScreenRig(std::string_view script, const std::string& line) : ModuleRig(script, line) {
    // NOTE: a pseudo-terminal keeps 8 data bits without parity whatever is
    // asked, and refuses 7E2 on a reopened line: the tests use the ASCII code.
    module.environment.PAX = 2;
  }
  std::vector<std::string> program() const {
    std::vector<std::string> lines;
    for (int n = 1; n <= module.buffer.lineCount(); ++n) lines.emplace_back(module.buffer.line(n));
    return lines;
  }
};

// The line speed the program set on the pseudo-terminal.
speed_t lineSpeed(const NcPeer& p) {
  termios t{};
  tcgetattr(p.slaveFd, &t);
  return cfgetospeed(&t);
}

// Reads a send up to its closing NUL.
std::string readSend(NcPeer& p) {
  std::string got;
  for (int c; !test::isSendEnd(got) && (c = p.readByte(20)) >= 0;) got.push_back(char(c));
  return got;
}

TEST(ModuleCommScreen, SendsAt4800AndReceivesTheProgramBack) {
  NcPeer nc;
  std::string got;
  speed_t speed = 0;
  nc.start([&](NcPeer& p) {
    if (!p.waitFor(ctl::STX, 20)) return;
    speed = lineSpeed(p);
    p.write("\x11");
    got = readSend(p);
    if (!p.waitFor(ctl::DC1, 20)) return;
    p.write(got);
  });
  // The first mode is the default: send; then "ﾒﾓﾘ-受信" (the screen is left after it).
  ScreenRig rig("{Enter}2{Enter}", nc.slavePath);
  rig.module.environment.lineSpeed = 1;  // 1200 in the settings: the module still uses 4800
  rig.module.buffer.assign(kProgram);
  moduleCommScreen(rig.session, rig.module);
  nc.join();
  EXPECT_EQ(speed, B4800);
  EXPECT_TRUE(got == wireForm(kProgram)) << got.size();
  EXPECT_EQ(rig.program(), kProgram);
  EXPECT_EQ(rig.module.comm.comm.lastMode, 2);
  EXPECT_FALSE(rig.channels.isOpen(kModuleNcChannel));
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
  EXPECT_FALSE(fs::exists(rig.dir / "vorntlog.txt"));  // the module logs no send
}

TEST(ModuleCommScreen, TheSendsCounterHasNoMinutesAndNoFinishingTime) {
  NcPeer nc;
  nc.start([&](NcPeer& p) {
    if (!p.waitFor(ctl::STX, 20)) return;
    p.write("\x11");
    readSend(p);
  });
  ScreenRig rig("{Enter}", nc.slavePath);  // the script ends at the menu after the send
  rig.module.buffer.assign(kProgram);
  EXPECT_THROW(moduleCommScreen(rig.session, rig.module), InputExhausted);
  nc.join();
  const std::string counterRow = rig.screen.rowText(14);
  EXPECT_EQ(midByWidth(counterRow, 22, 14), "   5" + std::string(10, ' ')) << counterRow;
  EXPECT_EQ(midByWidth(counterRow, 36, 5), "開始 ") << counterRow;
  EXPECT_FALSE(rig.shows("終了"));
}

TEST(ModuleCommScreen, EscWhileWaitingThenAppendAfterOneEmptyLine) {
  NcPeer nc;
  std::string fromModule;
  nc.start([&](NcPeer& p) {
    for (int c; (c = p.readByte(20)) >= 0;) {
      fromModule += char(c);
      if (c == ctl::DC1) break;
    }
    p.write("\0\0%\r\nG00X5\r\n%"s);
  });
  // "送信PC>>" waits for an NC that does not answer: Esc cancels; then
  // "連結受信" receives, and the screen is left after it.
  ScreenRig rig("1{Enter}{Esc}3{Enter}", nc.slavePath);
  rig.module.buffer.assign({"O1", "M30"});
  moduleCommScreen(rig.session, rig.module);
  nc.join();
  EXPECT_EQ(fromModule, "\x02\x11");  // the cancelled send sent nothing after its STX
  EXPECT_EQ(rig.program(), (std::vector<std::string>{"O1", "M30", "", "G00 X5"}));
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(ModuleCommScreen, SendingAnEmptyProgramBeepsAndLeaves) {
  for (const char* script : {"1{Enter}", "4{Enter}"}) {
    ScreenRig rig(script, "/dev/vornt-no-such-port");
    moduleCommScreen(rig.session, rig.module);
    EXPECT_EQ(rig.screen.beepCount(), 1) << script;
    EXPECT_FALSE(rig.channels.isOpen(kModuleNcChannel));
  }
}

// Reads a punched tape up to DC4.
std::string readPunch(NcPeer& p) {
  std::string got;
  for (int c = p.readByte(20); c >= 0; c = p.readByte(20)) {
    got += char(c);
    if (c == ctl::DC4) break;
  }
  return got;
}

TEST(PaperTapeScreen, ConditionsThenPunch) {
  NcPeer nc;
  std::string got;
  nc.start([&](NcPeer& p) { got = readPunch(p); });
  // "2)条件": feed 5, "2)CR"; then "1)出力"; the script ends at the menu.
  ScreenRig rig("2{Enter}5{Enter}2{Enter}1{Enter}", nc.slavePath);
  rig.module.buffer.assign({"O12", "G01 X1."});
  EXPECT_THROW(modulePaperTapeScreen(rig.session, rig.module), InputExhausted);
  nc.join();
  const std::string feed(5, '\0');
  EXPECT_TRUE(got == "\x12"s + feed + "\0%\r"s + "O12\r" + "G01X1. \r" + "%\r" + "\0"s + feed + "\x14") << got.size();
  EXPECT_EQ(rig.module.comm.tape.feed, 5);
  EXPECT_EQ(rig.module.environment.endOfBlock, 1);  // CR
  for (const char* text : {"紙ﾃｰﾌﾟ", "ﾌｨｰﾄﾞ数   5", "区切  CR ", "ﾎﾟｰﾄNo 1", "1)出力", "end"}) {
    EXPECT_TRUE(rig.shows(text)) << text << "\n" << rig.screen.dumpText();
  }
  EXPECT_FALSE(rig.channels.isOpen(kModuleNcChannel));
}

TEST(PaperTapeScreen, ReaderStartedWithDc1ReplacesTheProgram) {
  NcPeer nc;
  std::string fromModule;
  nc.start([&](NcPeer& p) {
    if (!p.waitFor(ctl::DC1, 20)) return;
    fromModule += char(ctl::DC1);
    p.write(std::string(30, '\0') + "%\n:34\nN1G00X0\n%" + std::string(30, '\0'));
    for (int c; (c = p.readByte(5)) >= 0;) {
      fromModule += char(c);
      if (c == ctl::DC3) break;
    }
  });
  ScreenRig rig("3{Enter}{Esc}", nc.slavePath);
  rig.module.buffer.assign({"A", "B", "C"});
  modulePaperTapeScreen(rig.session, rig.module);
  nc.join();
  EXPECT_EQ(fromModule, "\x11\x13");  // reader on once; stopped after the tape's end
  EXPECT_EQ(rig.program(), (std::vector<std::string>{"O34", "N1 G00 X0"}));
  EXPECT_FALSE(rig.channels.isOpen(kModuleNcChannel));
}

// Entries 6 and 9 of the module's menu: receive a program, punch it.
TEST(ModuleMenu, ReceiveThenPunchTheProgram) {
  NcPeer nc;
  std::string punched;
  nc.start([&](NcPeer& p) {
    if (!p.waitFor(ctl::DC1, 20)) return;
    p.write("%\nO5\nG00X1\n%");
    if (!p.waitFor(ctl::DC3, 20)) return;
    punched = readPunch(p);
  });
  ScreenRig rig("6{Enter}2{Enter}9{Enter}1{Enter}{Esc}8{Enter}{Enter}", nc.slavePath);
  Environment env;
  env.PAX = 2;
  writeEnvironmentFile(rig.channels, env, "12-08-2026");
  EXPECT_EQ(runModule(rig.session, moduleScreens()), ModuleExit::Main);
  nc.join();
  const std::string feed(100, '\0');
  EXPECT_TRUE(punched == "\x12"s + feed + "\0%\r\nO5 \r\nG00X1\r\n%\r\n\0"s + feed + "\x14") << punched.size();
  EXPECT_TRUE(rig.shows("(ﾃﾞｰﾀ 消える)"));  // the received program was in the module's buffer
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

}  // namespace
}  // namespace vorn
