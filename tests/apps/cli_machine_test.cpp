// `vornt-cli machine`: the command file the options give, the machine type
// chosen by record or dialect, the exit status and bad usage.
#include "apps/cli_machine.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct MachineCli : TempDir {
  int run(std::vector<std::string> args) {
    std::ostringstream o, e;
    const int rc = runMachineCommand(args, o, e);
    err = e.str();
    return rc;
  }
  std::string err;
};

TEST(CliMachine, OptionsReachTheCommands) {
  MachineCli cli;
  const std::string nc = cli.write("p.nc", "%\r\nG01 X10. Y4. F100\r\nZ-2.\r\nM30\r\n%\r\n");
  const std::string out = (cli.dir / "p.txt").string();
  EXPECT_EQ(cli.run({nc, "-o", out, "--dialect", "4", "--position", "30,20", "--scale", "2,0.5", "--speed",
                     "12", "--depth", "0.25", "--mirror", "--work", "50,40,10", "--base", "3", "--unit", "1"}),
            0)
      << cli.err;
  // Mirror with base point 3: px = 30 - 50 x 2; the span of the shipped dialect-4 type is .1.
  EXPECT_EQ(cli.read("p.txt"),
            "DF;IP10,0,0,10;SC-70.1,-70,-20,-19.9;ZV3;ZP 0,30;PU 0, 0;VS12;ZV12;XS1;PD 20, 8;"
            "ZP-1.25,30;PD;XS0;ZP 0,30;PU 20, 8;XS0;IN;");
  EXPECT_NE(cli.err.find("VK-440 (dialect 4)"), std::string::npos) << cli.err;
}

TEST(CliMachine, TypeByRecordNumberAndExitStatus) {
  MachineCli cli;
  const std::string nc = cli.write("p.nc", "G01 X10. F100\nG05\nX20.\n");
  const std::string out = (cli.dir / "p.txt").string();
  EXPECT_EQ(cli.run({nc, "-o", out, "--type", "3"}), 2) << cli.err;  // record 3: dialect 1
  EXPECT_NE(cli.err.find("line 2"), std::string::npos) << cli.err;
  EXPECT_EQ(cli.read("p.txt").substr(0, 30), "DF;IP0,0,10,10;SC 0, .25, 0, .");
  EXPECT_TRUE(cli.read("p.txt").ends_with("PU 10, 0;SP;"));  // the end sequence after the error
}

// "((" lines go to the machine as they stand, between the moves around them.
// The program is read as a stream, and the runner reads a line ahead while
// the block's text is still in use: each text must still be its own.
TEST(CliMachine, RawLinesGoOutInTheirPlace) {
  MachineCli cli;
  const std::string nc = cli.write("raw.nc",
                                   "G90 G00 X1. Y1.\r\n((RAW ONE\r\nG01 X20. Y5. F100\r\nG01 X30.\r\n"
                                   "((RAW TWO, LONGER THAN ANY LINE BEFORE IT SO THAT ITS STRING GROWS\r\n"
                                   "G00 X0 Y0\r\nM30\r\n");
  const std::string out = (cli.dir / "raw.txt").string();
  ASSERT_EQ(cli.run({nc, "-o", out, "--dialect", "4"}), 0) << cli.err;
  const std::string sent = cli.read("raw.txt");
  size_t at = 0;
  for (const char* piece : {"PU 1, 1;", "RAW ONE", "PD 20, 5;", "PD 30, 5;", "RAW TWO, LONGER", "PU 0, 0;"}) {
    const size_t found = sent.find(piece, at);
    ASSERT_NE(found, std::string::npos) << piece << " after " << at << " in " << sent;
    at = found + 1;
  }
  EXPECT_EQ(sent.find('\0'), std::string::npos) << sent;
}

TEST(CliMachine, ABlankRecordIsNoMachineType) {
  MachineCli cli;
  std::ifstream in(fs::path(VORN_SOURCE_DIR) / "data" / "NCMM", std::ios::binary);
  std::string shipped((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  shipped.insert(70, std::string(70, ' '));  // a blank record after the settings
  const std::string machines = cli.write("machines", shipped);
  const std::string nc = cli.write("p.nc", "G01 X10. F100\n");
  const std::string out = (cli.dir / "p.txt").string();
  EXPECT_EQ(cli.run({nc, "-o", out, "--machine-file", machines, "--dialect", "1"}), 0) << cli.err;
  EXPECT_NE(cli.err.find("VK-PEN1 (dialect 1)"), std::string::npos) << cli.err;
  // Numbered as the settings screen lists them: the blank record takes no number.
  EXPECT_EQ(cli.run({nc, "-o", out, "--machine-file", machines, "--type", "2"}), 0) << cli.err;
  EXPECT_NE(cli.err.find("VK-100 (dialect 0)"), std::string::npos) << cli.err;
}

TEST(CliMachine, BadUsageIsRefused) {
  MachineCli cli;
  const std::string nc = cli.write("p.nc", "G01 X10. F100\n");
  const std::string out = (cli.dir / "p.txt").string();
  struct Case {
    std::vector<std::string> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{nc}, "no output file"},
      {{nc, "-o", out, "--dialect", "6"}, "--dialect takes"},
      {{nc, "-o", out, "--type", "99"}, "no such machine type"},
      {{nc, "-o", out, "--type", "2", "--dialect", "1"}, "exclude each other"},
      {{nc, "-o", out, "--scale", "0,1"}, "--scale takes"},
      {{nc, "-o", out, "--position", "999,0"}, "beyond the machine's travel"},
      {{nc, "-o", out, "--png", "x.png"}, "not an option of vornt-cli machine"},
      {{nc, "-o", out, "--machine-file", (cli.dir / "none").string()}, "cannot read"},
      // A code table named but not there: no run with every G code undefined.
      {{nc, "-o", out, "--codes", (cli.dir / "NCG.missing").string()}, "cannot read"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(cli.run(c.args), 1);
    EXPECT_NE(cli.err.find(c.message), std::string::npos) << cli.err;
  }
  EXPECT_FALSE(fs::exists(cli.dir / "p.txt"));
}

}  // namespace
}  // namespace vorn
