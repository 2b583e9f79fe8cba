#include "apps/cli_comm.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/comm/nc_peer.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

using namespace std::string_literals;
namespace fs = std::filesystem;

const std::string kFile = "%\r\nO1234\r\nN10 G00 X0 Y0\r\nN20 G01 X10. Y2. F100\r\nM30\r\n%\r\n";

TEST(CliSend, StreamsTheFileAsTheScreenSends) {
  TempDir tmp;
  const std::string file = tmp.write("p.nc", kFile);
  test::NcPeer nc;
  std::string got;
  nc.start([&](test::NcPeer& p) {
    if (!p.waitFor(ctl::DC1)) return;  // dnc mode opens with DC1
    p.write("\x11");
    for (int c; !test::isSendEnd(got) && (c = p.readByte(5)) >= 0;) got.push_back(char(c));
  });
  std::ostringstream out, err;
  const int status = runSend({file, "--port", nc.slavePath, "--mode", "dnc", "--code", "ascii", "--eob", "lf",
                              "--closing-percent", "--quiet"},
                             out, err);
  nc.join();
  EXPECT_EQ(status, 0) << err.str();
  EXPECT_EQ(got, "\0%\nO1234\nN10G00X0Y0 \nN20G01X10.Y2.F100\nM30\n%\n\0"s);
}

TEST(CliSendReceive, TheProgressLineCountsTheBytesOnTheLine) {
  TempDir tmp;
  const std::string file = tmp.write("p.nc", kFile);
  test::NcPeer nc;
  std::string got;
  nc.start([&](test::NcPeer& p) {
    if (!p.waitFor(ctl::DC1)) return;
    p.write("\x11");
    for (int c; !test::isSendEnd(got) && (c = p.readByte(5)) >= 0;) got.push_back(char(c));
  });
  std::ostringstream out, err;
  EXPECT_EQ(runSend({file, "--port", nc.slavePath, "--mode", "dnc", "--code", "ascii", "--eob", "lf",
                     "--closing-percent"},
                    out, err),
            0)
      << err.str();
  nc.join();
  ASSERT_EQ(got, "\0%\nO1234\nN10G00X0Y0 \nN20G01X10.Y2.F100\nM30\n%\n\0"s);
  EXPECT_NE(err.str().find(" 47 bytes"), std::string::npos) << err.str();

  const std::string sent = "%\nO1\nG01X5\nM30\n%"s;
  test::NcPeer sender;
  sender.start([&](test::NcPeer& p) {
    if (!p.waitFor(ctl::DC1)) return;
    p.write(sent);
  });
  std::ostringstream out2, err2;
  EXPECT_EQ(runReceive({(tmp.dir / "r.nc").string(), "--port", sender.slavePath, "--code", "ascii"}, out2, err2), 0)
      << err2.str();
  sender.join();
  EXPECT_NE(err2.str().find(" " + std::to_string(sent.size()) + " bytes"), std::string::npos) << err2.str();
}

TEST(CliSend, StoppedByTheNcGivesTwo) {
  TempDir tmp;
  std::string big;
  for (int i = 0; i < 5000; ++i) big += "G01 X" + std::to_string(i) + "\r\n";
  const std::string file = tmp.write("p.nc", big);
  test::NcPeer nc;
  nc.start([](test::NcPeer& p) {
    if (!p.waitFor(ctl::STX)) return;
    p.write("\x11");
    for (int i = 0; i < 50; ++i) p.readByte(5);
    p.write("!");
    while (p.readByte(0.5) >= 0) {
    }
  });
  std::ostringstream out, err;
  const int status = runSend({file, "--port", nc.slavePath, "--code", "ascii"}, out, err);
  nc.join();
  EXPECT_EQ(status, 2);
  EXPECT_NE(err.str().find("code 33"), std::string::npos) << err.str();
}

TEST(CliReceive, WritesCodePage932WithCrLf) {
  TempDir tmp;
  test::NcPeer nc;
  nc.start([](test::NcPeer& p) {
    if (!p.waitFor(ctl::DC1)) return;
    p.write("\0\0%\n:1234\nN10G01X5\r\n(\xBA\xD2\xDD\xC4)\nM30\n%"s);  // the comment in code page 932
  });
  std::ostringstream out, err;
  const std::string outFile = (tmp.dir / "r.nc").string();
  const int status = runReceive({outFile, "--port", nc.slavePath, "--code", "ascii", "--quiet"}, out, err);
  nc.join();
  EXPECT_EQ(status, 0) << err.str();
  EXPECT_EQ(tmp.read("r.nc"), "O1234\r\nN10 G01 X5\r\n(\xBA\xD2\xDD\xC4)\r\nM30\r\n");
}

TEST(CliSendReceive, RoundTripThroughASimulatedNc) {
  TempDir tmp;
  const std::string program = "O1234\r\nN10 G00 X0 Y0\r\n(ABC)\r\n\r\nN20 G01 X10. Y2. F100\r\nM30\r\n";
  const std::string file = tmp.write("p.nc", program);
  test::NcPeer nc;
  nc.start([](test::NcPeer& p) {
    std::string tape;
    if (!p.waitFor(ctl::STX)) return;
    p.write("\x11");
    for (int c; !test::isSendEnd(tape) && (c = p.readByte(5)) >= 0;) tape.push_back(char(c));
    if (!p.waitFor(ctl::DC1)) return;
    p.write(tape + "%");  // the tape played back, closed by "%"
  });
  std::ostringstream out, err;
  EXPECT_EQ(runSend({file, "--port", nc.slavePath, "--code", "ascii", "--quiet"}, out, err), 0) << err.str();
  const std::string back = (tmp.dir / "back.nc").string();
  EXPECT_EQ(runReceive({back, "--port", nc.slavePath, "--code", "ascii", "--quiet"}, out, err), 0) << err.str();
  nc.join();
  EXPECT_EQ(tmp.read("back.nc"), program);
}

TEST(CliCommArgs, UsageErrors) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"send", {"p.nc"}},                                   // no port
      {"send", {"--port", "/dev/x"}},                       // no file
      {"send", {"p.nc", "--port", "/dev/x", "--mode", "x"}},
      {"send", {"p.nc", "--port", "/dev/x", "--speed", "fast"}},
      {"receive", {"o.nc", "--port", "/dev/x", "--code", "ebcdic"}},
      {"print", {"p.nc", "--page-length", "100"}},
      {"print", {"p.nc", "--append"}},
      {"print", {"p.nc", "--speed", "9600"}},              // the listing has no line
      {"receive", {"o.nc", "--port", "/dev/x", "--delay", "5"}},  // a pause is the sender's
  };
  for (const auto& [command, args] : cases) {
    std::ostringstream out, err;
    const int status = command == "send" ? runSend(args, out, err)
                       : command == "receive" ? runReceive(args, out, err)
                                              : runPrint(args, out, err);
    EXPECT_EQ(status, 1) << command << " " << args.back();
  }
}

TEST(CliSend, MissingPortIsOneLineAndStatusOne) {
  TempDir tmp;
  const std::string file = tmp.write("p.nc", kFile);
  std::ostringstream out, err;
  EXPECT_EQ(runSend({file, "--port", "/dev/vornt-no-such-port"}, out, err), 1);
  const std::string e = err.str();
  EXPECT_EQ(std::count(e.begin(), e.end(), '\n'), 1) << e;
}

TEST(CliPrint, ListingToAFile) {
  TempDir tmp;
  const std::string file = tmp.write("p.nc", kFile);
  const std::string listing = (tmp.dir / "out.txt").string();
  std::ostringstream out, err;
  EXPECT_EQ(runPrint({file, "-o", listing, "--page-length", "66", "--quiet"}, out, err), 0) << err.str();
  const std::string text = tmp.read("out.txt");
  EXPECT_NE(text.find("    1  O1234\r\n    2   N10 G00 X0 Y0\r\n    3   N20 G01 X10. Y2. F100\r\n    4        M30\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 66);
}

}  // namespace
}  // namespace vorn
