// The streamed program gives the lines, numbers and program look-ups the
// editor's loader gives, in any order of access, and says when a pipe cannot
// make a jump.
#include "editor/program_stream.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "editor/program_buffer.h"
#include "runtime/error.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

fs::path scratch(const std::string& name) {
  const fs::path dir = fs::temp_directory_path() / ("vorn_stream_test_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  return dir / name;
}

std::string write(const std::string& name, const std::string& bytes) {
  const fs::path p = scratch(name);
  std::ofstream(p, std::ios::binary) << bytes;
  return p.string();
}

// A program long enough that its lines span many of the reader's buffers.
std::string bigProgram() {
  std::string text = "%\r\nO1\r\nM98 P2000\r\n";
  for (int i = 0; i < 30000; ++i) text += "G01X" + std::to_string(i % 97) + ".Y1.\r\n";
  text += "M30\r\n%\r\nO 2000\r\ng01 x5.\r\nM99\r\nO1000\r\nM99\r\nO2000\r\n";
  return text;
}

TEST(StreamProgram, LinesAndProgramsEqualTheLoadedBufferInAnyOrder) {
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"big.nc", bigProgram()},
      {"big.gcode", bigProgram()},
      {"big.txt", bigProgram()},
      {"saved.wf", "1,\"P\"\r\nTITLE\r\n1,2,3\r\nO5\r\nG01X1.\r\n%\r\nO6\r\n"},
      {"empty.nc", ""},
  };
  for (const Case& c : cases) {
    const std::string path = write(c.name, c.bytes);
    ProgramBuffer loaded(100000);
    loadProgramFile(loaded, path);
    StreamProgram stream(path);
    const int Z = loaded.lineCount();
    // Backwards, then at random, then forwards: every access reads or seeks.
    for (int n = Z + 1; n >= std::max(0, Z - 1500); --n) {
      ASSERT_EQ(stream.line(n), loaded.line(n)) << c.name << " line " << n;
    }
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
      const int n = int(random() % unsigned(Z + 2));
      ASSERT_EQ(stream.line(n), loaded.line(n)) << c.name << " line " << n;
      ASSERT_EQ(stream.hasLine(n), loaded.hasLine(n)) << c.name << " line " << n;
    }
    for (int number : {1, 1000, 2000, 5, 6, 3}) {
      EXPECT_EQ(stream.findProgram(number), loaded.findProgram(number)) << c.name << " O" << number;
    }
    for (int n = 1; n <= Z; n += 997) ASSERT_EQ(stream.line(n), loaded.line(n)) << c.name << " line " << n;
    EXPECT_FALSE(stream.hasLine(Z + 1)) << c.name;
  }
  fs::remove_all(scratch("").parent_path());
}

TEST(StreamProgram, ProgramLookUpFromAFreshStreamScansAhead) {
  const std::string path = write("ahead.nc", bigProgram());
  StreamProgram fresh(path);
  EXPECT_EQ(fresh.findProgram(1000), 30007);  // found before the run read past line 1
  EXPECT_EQ(fresh.line(30007), "O1000");
  EXPECT_EQ(fresh.line(1), "O1");
  EXPECT_EQ(fresh.findProgram(2000), 30004) << "the first \"O\" line of a number is called";
  EXPECT_EQ(fresh.findProgram(4), 0);
  fs::remove_all(scratch("").parent_path());
}

// The runner keeps a block's text while it looks at the next line, and a
// jump or a call reads on: the text handed out stays until the next line().
TEST(StreamProgram, AHandedOutLineStaysWhileTheProgramReadsOn) {
  const std::string path = write("held.nc", bigProgram());
  StreamProgram program(path);
  const std::string_view call = program.line(2);
  EXPECT_TRUE(program.hasLine(3));
  EXPECT_TRUE(program.hasLine(20000));
  EXPECT_EQ(program.findProgram(1000), 30007);
  EXPECT_EQ(call, "M98 P2000");
  EXPECT_EQ(program.line(2), "M98 P2000");
  const std::string_view later = program.line(20000);
  EXPECT_TRUE(program.hasLine(20001));
  EXPECT_EQ(later, "G01 X" + std::to_string(19997 % 97) + ". Y1.");
  EXPECT_EQ(program.line(3), "G01 X0. Y1.");  // back again: read from the file once more
  fs::remove_all(scratch("").parent_path());
}

TEST(StreamProgram, CallsReadTheFileTheRunStartedWithAfterItsNameIsReplaced) {
  const std::string path = write("saved.nc", bigProgram());
  StreamProgram run(path);
  EXPECT_EQ(run.line(2), "M98 P2000");
  // An editor saves by writing a new file and renaming it over the old name.
  const std::string replacement = write("saved.tmp", "O7\r\nM99\r\n");
  fs::rename(replacement, path);
  EXPECT_EQ(run.findProgram(1000), 30007);
  EXPECT_EQ(run.line(30007), "O1000");
  EXPECT_EQ(run.findProgram(7), 0);
  fs::remove_all(scratch("").parent_path());
}

TEST(StreamProgram, APipeIsReadInOrderAndRefusesJumps) {
  const fs::path fifo = scratch("pipe.nc");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (int pass = 0; pass < 2; ++pass) {
    std::thread writer([&fifo] { std::ofstream(fifo, std::ios::binary) << "O1\nG01X1.\nG01X2.\n"; });
    StreamProgram stream(fifo.string());
    EXPECT_FALSE(stream.seekable());
    EXPECT_EQ(stream.line(1), "O1");
    if (pass == 0) {
      // A call cannot look ahead in a pipe.
      EXPECT_THROW(stream.findProgram(7), RuntimeError);
    } else {
      EXPECT_EQ(stream.line(3), "G01 X2.");
      EXPECT_FALSE(stream.hasLine(4));
      EXPECT_EQ(stream.findProgram(7), 0) << "the whole pipe was read: no such program";
      EXPECT_THROW(stream.line(1), RuntimeError) << "nor can a jump go back";
    }
    while (stream.hasLine(4)) {
    }
    writer.join();
  }
  fs::remove_all(fifo.parent_path());
}

TEST(StreamProgram, CutLinesAreCountedOnce) {
  const std::string longBlock = "G01" + std::string(80, 'X') + "\n";
  const std::string path = write("cut.nc", "G00X1.\n" + longBlock + longBlock);
  StreamProgram stream(path);
  EXPECT_EQ(stream.line(3).size(), 70u);
  stream.line(1);
  stream.line(3);
  EXPECT_EQ(stream.linesCut(), 2);
  EXPECT_EQ(stream.firstCutLine(), 2);
  fs::remove_all(scratch("").parent_path());
}

}  // namespace
}  // namespace vorn
