// `vornt-cli simulate`: options, the printed report and the exit status, on
// programs written to a temporary folder.
#include "apps/cli_simulate.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <sys/stat.h>
#include <unistd.h>

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct Cli {
  Cli() {
    dir = fs::temp_directory_path() / ("vornt_cli_" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  ~Cli() { fs::remove_all(dir); }
  std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return (dir / name).string();
  }
  int run(std::vector<std::string> args) {
    std::ostringstream o, e;
    int rc = runSimulate(args, o, e);
    out = o.str();
    err = e.str();
    return rc;
  }
  fs::path dir;
  std::string out, err;
};

TEST(CliSimulate, ReportsTheTimeExamples) {
  Cli cli;
  struct Case {
    const char* program;
    std::vector<std::string> options;
    const char* report;
  } cases[] = {
      {"G01 X30. Y40. Z-5. F100\r\nM30\r\n", {}, "line 2\n移動 0 切削 55  : 0H 1M\n"},
      {"G02 I10. F200\r\n", {}, "line 1\n移動 0 切削 62  : 0H 0M\n"},
      {"G00 X100. Y50.\r\nG00 X0 Z20.\r\n", {}, "line 2\n移動 231 切削 0  : 0H 0M\n"},
      {"G01 X9000. F100\r\n", {}, "line 1\n移動 0 切削 9000  : 1H30M\n"},
      {"G01 X10 F100\r\n", {"--unit", "1"}, "line 1\n移動 0 切削 10  : 0H 0M\n"},
      {"G01 X10 F100\r\n", {"--unit=3"}, "line 1\n移動 0 切削 0  : 0H 0M\n"},
      {"T2\r\nG41 G01 X10. D2 F100\r\n", {"--tools", "1,2.5"}, "line 2\n移動 0 切削 10  : 0H 0M\n"},
      {"G00 X1.\r\nG28 X0\r\n", {"--start", "5,0,0"}, "line 2\n移動 4 切削 0  : 0H 0M\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {cli.write("p.txt", c.program)};
    args.insert(args.end(), c.options.begin(), c.options.end());
    EXPECT_EQ(cli.run(args), 0) << c.program << cli.err;
    EXPECT_EQ(cli.out, c.report) << c.program;
  }
}

TEST(CliSimulate, BlockErrorPrintsTextAndStopLine) {
  Cli cli;
  std::string p = cli.write("e.txt", "G00 X10.\r\nG02 X40. R5.\r\nG00 X0\r\n");
  EXPECT_EQ(cli.run({p}), 2);
  EXPECT_EQ(cli.out, " R<\nline 2\n移動 10 切削 0  : 0H 0M\n");
  std::string m = cli.write("m.txt", "%\r\n");
  EXPECT_EQ(cli.run({m}), 2);
  EXPECT_EQ(cli.out, "AZ(/\nline 1\n移動 0 切削 0  : 0H 0M\n");
}

TEST(CliSimulate, NcFilesAreNormalisedAndLoseTheirPercentLines) {
  Cli cli;
  // Code page 932 text: a half-width katakana comment.
  std::string p = cli.write("n.nc", "%\r\nG01X10.Y20.F100 (\xB6\xDD)\r\n%\r\n");
  EXPECT_EQ(cli.run({p, "--moves"}), 0) << cli.err;
  EXPECT_EQ(cli.out, "{\"line\":1,\"G\":1,\"oneShot\":1,\"from\":[0,0,0],\"to\":[10,20,0]}\nline 1\n移動 0 切削 22  : 0H 0M\n");
}

TEST(CliSimulate, ExportFilesAndProgramNumbersReadAsTheEditorLoadsThem) {
  Cli cli;
  // The three header lines of an exported program are not blocks.
  std::string wf = cli.write("w.wf", "1,\"PART\"\r\nTITLE\r\n100,80,30,1,0,0,0,2\r\nG01 X10. F100\r\n");
  EXPECT_EQ(cli.run({wf}), 0) << cli.out << cli.err;
  EXPECT_EQ(cli.out, "line 1\n移動 0 切削 10  : 0H 0M\n");
  // The program-number lookup skips blanks after the "O" as the editor's list does.
  std::string call = cli.write("c.txt", "M98 P1000\r\nM30\r\nO 1000\r\nG01 X5. F100\r\nM99\r\n");
  EXPECT_EQ(cli.run({call}), 0) << cli.out;
  EXPECT_EQ(cli.out, "line 2\n移動 0 切削 5  : 0H 0M\n");
  std::string missing = cli.write("n.txt", "G00 X1.\r\nM98 P2000\r\n");
  EXPECT_EQ(cli.run({missing}), 2);
  EXPECT_EQ(cli.out, " Noﾅｲ\nline 2\n移動 1 切削 0  : 0H 0M\n");
}

TEST(CliSimulate, IncludedFilesAndCodeTable) {
  Cli cli;
  std::string inc = cli.write("inc.txt", "G01 X10. F100\r\nM30\r\nG01 X99.\r\n");
  std::string p = cli.write("i.txt", "(:" + inc + "\r\nG01 Y10.\r\n");
  EXPECT_EQ(cli.run({p}), 0) << cli.err;
  EXPECT_EQ(cli.out, "line 2\n移動 0 切削 20  : 0H 0M\n");
  std::string ncg = cli.write("NCG", "\"\"\r\n\"00 01\"\r\n");
  std::string g2 = cli.write("g.txt", "G17\r\n");  // not listed: unsupported
  EXPECT_EQ(cli.run({g2, "--codes", ncg}), 2);
  EXPECT_EQ(cli.out.substr(0, 4), " G?\n");
}

TEST(CliSimulate, BadUsageUnreadableFilesAndLimits) {
  Cli cli;
  std::string p = cli.write("l.txt", "M98 P1 L1E30\r\nM30\r\nO1\r\nM99\r\n");
  EXPECT_EQ(cli.run({p, "--max-blocks", "1000"}), 3);
  EXPECT_NE(cli.err.find("1000 blocks"), std::string::npos);
  EXPECT_EQ(cli.run({}), 1);
  EXPECT_EQ(cli.run({p, "--view", "6"}), 1);
  EXPECT_EQ(cli.run({p, "--unit"}), 1);
  EXPECT_EQ(cli.run({p, "--bogus"}), 1);
  EXPECT_EQ(cli.run({p, "--tools", "1,2,3,4,5,6,7,8,9"}), 1);
  EXPECT_EQ(cli.run({(cli.dir / "missing.nc").string()}), 1);
  EXPECT_EQ(cli.run({cli.dir.string()}), 1);  // a folder is not a program
  std::string folder = cli.write("f.txt", "(:" + cli.dir.string() + "\r\n");
  EXPECT_EQ(cli.run({folder}), 1);
  std::string bad = cli.write("NCGbad", "\"1x\"\r\n");
  EXPECT_EQ(cli.run({p, "--codes", bad}), 1);
  EXPECT_EQ(cli.run({p, "--codes", (cli.dir / "NCGmissing").string()}), 1);
  EXPECT_NE(cli.err.find("NCGmissing"), std::string::npos);
  std::string i = cli.write("i2.txt", "(:" + (cli.dir / "none.txt").string() + "\r\n");
  EXPECT_EQ(cli.run({i}), 1);
  EXPECT_NE(cli.err.find("none.txt"), std::string::npos);
}

TEST(CliSimulate, ReadsLongProgramsBeyondTheBuffer) {
  Cli cli;
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "G91 G01 X1. F1000\r\n";
  std::string p = cli.write("long.txt", text);
  EXPECT_EQ(cli.run({p}), 0);
  EXPECT_EQ(cli.out, "line 200000\n移動 0 切削 200000  : 3H20M\n");
}

// The program is streamed: calls far ahead and behind, repeats, nested calls
// and "%" lines give the report the loaded buffer's run gives.
TEST(CliSimulate, StreamedRunsMakeEveryJumpTheBufferRunMakes) {
  Cli cli;
  std::string pad;
  for (int i = 0; i < 20000; ++i) pad += "G91 G01 X1. F1000\r\n";
  struct Case {
    const char* name;
    std::string program;
    const char* report;
  } cases[] = {
      // Main program first, subprograms after it (calls jump ahead, returns go back).
      {"ahead.nc", "%\r\nM98 P21000\r\nM98 P2000 L3\r\n" + pad + "M30\r\n%\r\nO1000\r\nG91 G01 Y1.\r\nM98 P2000\r\nM99\r\nO2000\r\n" + pad + "M99\r\n",
       "line 20003\n移動 0 切削 120002  : 2H 0M\n"},
      // Subprogram first, called from far behind it.
      {"behind.txt", "M98 P9\r\nM30\r\nO8\r\n" + pad + "M99\r\nO9\r\nM98 P8\r\nM99\r\nM98 P9\r\n",
       "line 2\n移動 0 切削 20000  : 0H20M\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cli.run({cli.write(c.name, c.program)}), 0) << c.name << cli.err;
    EXPECT_EQ(cli.out, c.report) << c.name;
  }
}

// A pipe is read as a stream; a call in it, which needs to read lines again,
// stops with a message instead of a wrong result.
TEST(CliSimulate, PipesRunInOrderAndRefuseCalls) {
  Cli cli;
  const fs::path fifo = cli.dir / "pipe.nc";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& program : {std::string("G01X10.F100\nG01Y10.\n"), std::string("M98 P1\nM30\nO1\nM99\n")}) {
    std::thread writer([&] { std::ofstream(fifo, std::ios::binary) << program; });
    const int rc = cli.run({fifo.string()});
    writer.join();
    if (program.starts_with("G01")) {
      EXPECT_EQ(rc, 0) << cli.err;
      EXPECT_EQ(cli.out, "line 2\n移動 0 切削 20  : 0H 0M\n");
    } else {
      EXPECT_EQ(rc, 1);
      EXPECT_NE(cli.err.find("pipe or device"), std::string::npos) << cli.err;
      EXPECT_NE(cli.err.find("line 1"), std::string::npos) << cli.err;
    }
  }
}

// Programs from other tools: upper-cased by their extension, and words the
// interpreter ignores are counted in one warning line.
TEST(CliSimulate, IgnoredWordsAreReportedOnce) {
  Cli cli;
  const std::string program = "G00 X0\r\ng01 x10. f100\r\nG01X20.F100\r\nG01 Y10. A3. B1\r\n";
  struct Case {
    const char* name;
    const char* report;
    const char* warning;
  } cases[] = {
      {"p.gcode", "line 4\n移動 0 切削 30  : 0H 0M\n", "2 words ignored"},
      {"p.NGC", "line 4\n移動 0 切削 30  : 0H 0M\n", "2 words ignored"},
      {"p.nc", "line 4\n移動 0 切削 30  : 0H 0M\n", "5 words ignored"},
      {"p.txt", "line 4\n移動 0 切削 10  : 0H 0M\n", "5 words ignored"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(cli.run({cli.write(c.name, program)}), 0) << c.name << cli.err;
    EXPECT_EQ(cli.out, c.report) << c.name;
    EXPECT_NE(cli.err.find(c.warning), std::string::npos) << c.name << ": " << cli.err;
    EXPECT_EQ(std::count(cli.err.begin(), cli.err.end(), '\n'), 1) << c.name << ": " << cli.err;
  }
  EXPECT_NE(cli.err.find("first on line 2"), std::string::npos) << cli.err;
  // Drawing a picture runs the same program and warns the same way.
  EXPECT_EQ(cli.run({cli.write("q.txt", program), "--png", (cli.dir / "q.png").string()}), 0) << cli.err;
  EXPECT_NE(cli.err.find("5 words ignored"), std::string::npos) << cli.err;
  EXPECT_EQ(cli.run({cli.write("clean.gcode", "g01 x10. f100 (lower case comment)\r\n")}), 0);
  EXPECT_EQ(cli.err, "") << "nothing ignored, nothing said";
}

}  // namespace
}  // namespace vorn
