// Machine output over a serial line against a simulated machine on a
// pseudo-terminal: the device-control sequences first, DC3 holds the output
// until DC1, anything else stops it.
#include "output/machine_serial.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "interp/code_table.h"
#include "interp/text_program.h"
#include "output/machine_output.h"
#include "tests/comm/nc_peer.h"

namespace vorn {
namespace {

MachineType type2() {
  MachineType t;
  t.ZN = 2;
  t.RX = 200;
  t.RY = 150;
  t.F6DZ = -30;
  t.ZC = 40;
  t.ERDE = 10;
  return t;
}

// Machines a short program to the peer; `peer` behaves as the machine.
// `first` is what the machine sends once the line is open, before any command.
void machineTo(test::NcPeer& peer, const std::string& first,
               const std::function<void(MachineSerialSink&)>& check) {
  auto port = openSerialPort(peer.slavePath, LineSettings{});
  peer.write(first);
  for (int i = 0; i < 500 && port->bytesWaiting() < first.size(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  int idles = 0;
  MachineSerialSink sink(*port, [&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return ++idles < 2500;  // gives up after about 5 s
  });
  MachineOptions options;
  options.serial = true;
  MachiningConditions cond;
  cond.ZD3 = 1;
  MachineOutput output(sink, type2(), options, cond, MachineWork{});
  TextProgram program({"G01 X10. Y5. F100", "Z-1.", "X20.", "M30"});
  RunSettings settings;
  settings.IDMX = 1;
  machineProgram(program, standardCodeTable(), settings, output, {}, {},
                 [&](const Move&) { return !sink.stopped(); });
  check(sink);
  peer.join();  // the line stays open until the machine has read everything
  port->close();
}

TEST(MachineSerial, Dc3HoldsTheOutputUntilDc1AndTheSequencesComeFirst) {
  test::NcPeer peer;
  std::string got;
  std::atomic<bool> heldQuiet{false};
  peer.start([&](test::NcPeer& p) {
    test::NcPeer::pause(0.2);
    const std::string early = p.readWaiting();
    heldQuiet = early.empty();
    got = early;
    p.write(std::string(1, 0x11));
    for (int b; (b = p.readByte(2)) >= 0;) {
      got += char(b);
      if (got.ends_with("IN;")) break;
    }
  });
  machineTo(peer, std::string(1, 0x13), [](MachineSerialSink& s) { EXPECT_FALSE(s.stopped()) << s.stopCode(); });
  peer.join();
  EXPECT_TRUE(heldQuiet) << got.size();
  EXPECT_TRUE(got.starts_with("\x1b.M0;0;13;0;0:\x1b.I150;0;17:\x1b.N;19:\x1b.@;0:DF;IP0,0,10,10;")) << got;
  EXPECT_TRUE(got.ends_with("!MC0;IN;")) << got;
  EXPECT_NE(got.find("PD 20, 5;"), std::string::npos) << got;
}

TEST(MachineSerial, AnUnexpectedByteStopsTheOutput) {
  test::NcPeer peer;
  std::string got;
  peer.start([&](test::NcPeer& p) {
    test::NcPeer::pause(0.3);
    got = p.readWaiting();
  });
  machineTo(peer, "X", [](MachineSerialSink& s) {
    EXPECT_TRUE(s.stopped());
    EXPECT_EQ(s.stopCode(), 'X');
  });
  peer.join();
  EXPECT_EQ(got, "");  // stopped before the first command
}

}  // namespace
}  // namespace vorn
