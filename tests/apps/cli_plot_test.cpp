// `vornt-cli plot`: the HP-GL file the options give, the exit status, and
// bad usage, on programs written to a temporary folder.
#include "apps/cli_plot.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/output/plot_harness.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct PlotCli : TempDir {
  int run(std::vector<std::string> args) {
    std::ostringstream o, e;
    const int rc = runPlotCommand(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
  std::string out, err;
};

TEST(CliPlot, OptionsReachThePlot) {
  PlotCli cli;
  const std::string nc = cli.write("p.nc", "%\r\nG01 X10. F100\r\nT12\r\nG00 X0 Z5.\r\nM30\r\n%\r\n");
  const std::string out = (cli.dir / "p.plt").string();
  EXPECT_EQ(cli.run({nc, "-o", out, "--paper", "a3", "--scale", "2", "--dash", "3", "--outline", "2",
                     "--label", "2", "--speed", "20", "--work", "100,60,20", "--centre", "50,30,0",
                     "--unit", "1", "--date", "26.12. 8", "--mark", "12"}),
            0)
      << cli.err;
  EXPECT_EQ(cli.read("p.plt"),
            "IN;IP0,0,400,400;SI.2,.28;SC-50.5,-45.5,-39,-34;VS 20;SP 8;LT 2,35.355;PU 100, 0;"
            "ER-100 60;LT;PU 0, 0;PD 10, 0;SP 4;LT2 42.426;PD 0, 0;LT;IN;SP 4;PU 10040, 400;"
            "PU 10040, 200;LBp 12 26.12. 8\x03PR8000,21000;SP0;IN;");
  if (test::haveHp2xx()) {
    const test::Rendered r = test::renderHpgl(cli.read("p.plt"), 402, 276);
    EXPECT_EQ(r.ignored(), 0) << r.log;
    EXPECT_GT(r.picture.inkCount(), 0) << r.log;
  }
}

TEST(CliPlot, ABlockErrorExitsWithTwoAndTheEndSequenceWritten) {
  PlotCli cli;
  const std::string nc = cli.write("e.nc", "G05 X1.\nG01 X10.\nM30\n");
  EXPECT_EQ(cli.run({nc, "-o", (cli.dir / "e.plt").string()}), 2);
  EXPECT_NE(cli.err.find("line 1"), std::string::npos) << cli.err;
  const std::string hpgl = cli.read("e.plt");
  EXPECT_TRUE(hpgl.starts_with("IN;IP0,0,400,400;SI.2,.28;SC")) << hpgl;
  EXPECT_TRUE(hpgl.ends_with("PR8000,21000;SP0;IN;")) << hpgl;
}

TEST(CliPlot, BadUsageAndUnreadableFilesExitWithOne) {
  PlotCli cli;
  const std::string nc = cli.write("p.nc", "G01 X10.\n");
  const std::string out = (cli.dir / "x.plt").string();
  const std::vector<std::vector<std::string>> bad = {
      {nc},                                         // no -o
      {nc, "-o", out, "--scale", "0"},              // a 0 scale is refused
      {nc, "-o", out, "--scale", "100"},
      {nc, "-o", out, "--zratio", "0"},
      {nc, "-o", out, "--paper", "b5"},
      {nc, "-o", out, "--dash", "1.5"},
      {nc, "-o", out, "--outline", "3"},
      {nc, "-o", out, "--pen", "10"},
      {nc, "-o", out, "--frobnicate", "1"},
      {(cli.dir / "missing.nc").string(), "-o", out},
      {nc, "-o", (cli.dir / "no" / "such" / "folder.plt").string()},
  };
  for (const auto& args : bad) {
    SCOPED_TRACE(args.size() > 3 ? args[3] : args[0]);
    EXPECT_EQ(cli.run(args), 1);
    EXPECT_FALSE(cli.err.empty());
  }
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(cli.run({"--help"}), 0);
  EXPECT_NE(cli.out.find("usage: vornt-cli plot"), std::string::npos);
}

}  // namespace
}  // namespace vorn
