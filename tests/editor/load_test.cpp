#include "editor/load.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "editor/program_buffer.h"
#include "runtime/error.h"
#include "runtime/line_reader.h"

namespace vorn {
namespace {

std::string joined(const ProgramBuffer& b) {
  std::string s;
  for (int n = 1; n <= b.lineCount(); ++n) s += std::string(b.line(n)) + "|";
  return s;
}

TEST(LoadPath, TypeDetectionAndName) {
  struct Case {
    const char* path;
    bool nc;
    bool wf;
    const char* name;
  } cases[] = {
      {"PART.NC", true, false, "PART"},
      {"c:\\work\\part.nc", true, false, "part"},
      {"a.b.dnc", true, false, "a"},
      {"prog.ncd", true, false, "prog"},
      {"x.nc1", false, false, "x"},    // key "NC1" is not in the list
      {"notes.txt", false, false, "notes"},
      {"data.csv", false, false, "data"},
      {"saved.wf", false, true, "saved"},
      {"SAVED.WF", false, true, "SAVED"},
      {"/tmp/dir.x/noext", false, false, "noext"},
      {"nc", false, false, "nc"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(isNcTypePath(c.path), c.nc) << c.path;
    EXPECT_EQ(isWfPath(c.path), c.wf) << c.path;
    EXPECT_EQ(programNameFromPath(c.path), c.name) << c.path;
  }
  EXPECT_EQ(unquotePath("\"my part.nc\""), "my part.nc");
  EXPECT_EQ(unquotePath("plain.nc"), "plain.nc");
}

TEST(LoadBytes, NcTypeLinesAreNormalisedAndPercentDropped) {
  ProgramBuffer b(100);
  const LoadResult r = loadProgramBytes(
      b, "part.nc", "%\r\nO1\r\nG01X10..5\r\n %\r\n(A  B)\r\n(:sub.nc\r\n%\r\n");
  EXPECT_TRUE(r.ncType);
  // ".." stays: loading skips that rule. Comment lines keep their text, so an
  // included file's name is not split at its extension.
  EXPECT_EQ(joined(b), "O1|G01 X10..5|(A  B)|(:sub.nc|");
  EXPECT_EQ(b.OSDATE, "part");
  EXPECT_EQ(r.cutAtLine, 0);
}

TEST(LoadBytes, OtherFilesKeepTheirLinesExactly) {
  ProgramBuffer b(100);
  loadProgramBytes(b, "notes.txt", "%\nG01X10  \nx\n");
  EXPECT_EQ(joined(b), "%|G01X10  |x|");
}

TEST(LoadBytes, LineEndsOfEveryKind) {
  struct Case {
    const char* bytes;
    const char* lines;
  } cases[] = {
      {"A\r\nB\r\n", "A|B|"},
      {"A\nB\n", "A|B|"},
      {"A\rB\r", "A|B|"},
      {"A\r\nB", "A|B|"},       // no final line end
      {"A\n\nB\n", "A||B|"},    // an empty line is a line
      {"", ""},
      {"\r\n", "|"},
      {"A\r\n\x1a", "A|"},      // DOS end-of-file mark
  };
  for (const Case& c : cases) {
    ProgramBuffer b(100);
    loadProgramBytes(b, "f.txt", c.bytes);
    EXPECT_EQ(joined(b), c.lines) << "bytes \"" << c.bytes << "\"";
  }
}

TEST(LoadBytes, ShorterProgramLeavesNoStaleLines) {
  ProgramBuffer b(100);
  loadProgramBytes(b, "long.txt", "1\n2\n3\n4\n5\n");
  loadProgramBytes(b, "short.txt", "a\nb\n");
  EXPECT_EQ(b.lineCount(), 2);
  EXPECT_EQ(b.line(3), "");
  EXPECT_EQ(b.OSDATE, "short");
}

TEST(LoadBytes, WfHeaderSetsNameTitleAndSettings) {
  ProgramBuffer b(100);
  const LoadResult r = loadProgramBytes(
      b, "\"c:\\x\\saved.wf\"",
      "12,\"ABC\"\r\n\x83\x65\x83\x58\x83\x67 TITLE\r\n100,80,20,5,1,2,3,4\r\nO1\r\n%\r\nG01X1\r\n");
  ASSERT_TRUE(r.header.has_value());
  EXPECT_EQ(r.header->YGW, 12.0f);
  EXPECT_EQ(b.OSDATE, "ABC");
  EXPECT_EQ(b.H0X, "テスト TITLE");
  EXPECT_EQ(r.header->settings, (std::vector<float>{100, 80, 20, 5, 1, 2, 3, 4}));
  EXPECT_EQ(joined(b), "O1|%|G01X1|") << "header lines never become program lines";
}

TEST(LoadBytes, ShortWfFileGivesPartialHeaderAndNoLines) {
  ProgramBuffer b(100);
  b.assign({"old"});
  const LoadResult r = loadProgramBytes(b, "a.wf", "0,X\r\n");
  ASSERT_TRUE(r.header.has_value());
  EXPECT_EQ(b.OSDATE, "X");
  EXPECT_EQ(b.lineCount(), 0);
}

TEST(LoadBytes, FileLargerThanTheBufferIsCutAndReported) {
  ProgramBuffer b(3);
  const LoadResult r = loadProgramBytes(b, "big.nc", "%\nA\nB\nC\nD\nE\n");
  EXPECT_EQ(b.lineCount(), 3);
  EXPECT_EQ(joined(b), "A|B|C|");
  EXPECT_EQ(r.cutAtLine, 5) << "file line of D";
  EXPECT_NE(loadCutMessage(r).find("5"), std::string::npos);

  // A trailing "%" that would be dropped anyway is no cut.
  const LoadResult fits = loadProgramBytes(b, "big.nc", "A\nB\nC\n%\n");
  EXPECT_EQ(fits.cutAtLine, 0);
  EXPECT_EQ(loadCutMessage(fits), "");
}

TEST(LoadBytes, BadBytesAndLongLinesNeverBreakTheBuffer) {
  ProgramBuffer b(100);
  std::string bytes = "G01X10\x82\r\n";      // a lead byte without its trail byte
  bytes += std::string(5000, 'Q') + "\n";     // a very long line
  bytes += std::string("\0\x01\xff", 3) + "\n";  // binary bytes
  loadProgramBytes(b, "bad.nc", bytes);
  EXPECT_EQ(b.lineCount(), 3);
  EXPECT_EQ(b.line(2), std::string(70, 'Q')) << "NC-type lines are cut at 70 cells";
  EXPECT_NE(b.line(1).find("\xEF\xBF\xBD"), std::string::npos) << "invalid byte shown as U+FFFD";

  const LoadResult txt = loadProgramBytes(b, "bad.txt", bytes);
  // Other files keep long lines, up to the reader's cap.
  EXPECT_EQ(b.line(2).size(), LineReader::kMaxLineBytes);
  EXPECT_EQ(txt.linesCut, 1);
  EXPECT_EQ(txt.firstCutLine, 2);
}

TEST(LoadFile, ReadsFromDiskAndRaisesOnAMissingFile) {
  const auto dir = std::filesystem::temp_directory_path() / "vorn_editor_load_test";
  std::filesystem::create_directories(dir);
  const auto path = dir / "prog.nc";
  {
    std::ofstream out(path, std::ios::binary);
    out << "O1\r\nG0X1\r\n";
  }
  ProgramBuffer b(100);
  int lastProgress = -1;
  LoadOptions options;
  options.progress = [&](int n) { lastProgress = n; };
  loadProgramFile(b, "\"" + path.string() + "\"", options);
  EXPECT_EQ(joined(b), "O1|G0 X1|");
  EXPECT_EQ(lastProgress, 2);

  b.OSDATE = "KEEP";
  EXPECT_THROW(loadProgramFile(b, (dir / "missing.nc").string()), RuntimeError);
  EXPECT_EQ(joined(b), "O1|G0 X1|") << "a failed load leaves the buffer as it was";
  EXPECT_EQ(b.OSDATE, "KEEP");
  std::filesystem::create_directories(dir / "folder.nc");
  EXPECT_THROW(loadProgramFile(b, (dir / "folder.nc").string()), RuntimeError) << "a folder is no file";
  EXPECT_EQ(joined(b), "O1|G0 X1|");
  std::filesystem::remove_all(dir);
}

// Programs written by other CNC tools: NC-type, their blocks upper-cased
// outside parentheses before normalisation; ".nc" and the rest as before.
TEST(LoadBytes, ForeignNcFilesAreUpperCasedOutsideComments) {
  struct Case {
    const char* path;
    const char* lines;
  } cases[] = {
      {"part.gcode", "G01 X10. F100 (keep case)|(a comment line)|G01 X10. F100|"},
      {"PART.NGC", "G01 X10. F100 (keep case)|(a comment line)|G01 X10. F100|"},
      {"c:\\x\\p.tap", "G01 X10. F100 (keep case)|(a comment line)|G01 X10. F100|"},
      {"p.Cnc", "G01 X10. F100 (keep case)|(a comment line)|G01 X10. F100|"},
      {"part.nc", "g01 x10. f100 (keep case)|(a comment line)|G01 X10. F100|"},
      {"part.txt", "g01 x10. f100 (keep case)|(a comment line)|G01X10.F100|%|"},
  };
  for (const Case& c : cases) {
    ProgramBuffer b(100);
    const LoadResult r =
        loadProgramBytes(b, c.path, "g01 x10. f100 (keep case)\n(a comment line)\nG01X10.F100\n%\n");
    EXPECT_EQ(joined(b), c.lines) << c.path;
    EXPECT_EQ(r.ncType, std::string(c.path) != "part.txt") << c.path;
  }
  struct Type {
    const char* path;
    bool foreign;
  } types[] = {{"a.ngc", true}, {"a.GCODE", true}, {"a.tap", true}, {"a.cnc", true},
               {"a.nc", false},  {"a.gcode.txt", false}, {"dir.tap/file", false}, {"gcode", false}};
  for (const Type& t : types) {
    EXPECT_EQ(isForeignNcPath(t.path), t.foreign) << t.path;
    EXPECT_EQ(lineRuleFor(t.path).upcase, t.foreign) << t.path;
  }
  EXPECT_EQ(programNameFromPath("part.gcode"), "part");
}

// A block that normalisation cuts to 70 cells is counted, so the caller can say so.
TEST(LoadBytes, LinesCutTo70CellsAreReported) {
  ProgramBuffer b(100);
  const std::string longBlock = "G01" + std::string(80, 'X');
  const LoadResult r = loadProgramBytes(b, "p.nc", "G00 X1.\n" + longBlock + "\n" + longBlock + "\n");
  EXPECT_EQ(r.linesCut, 2);
  EXPECT_EQ(r.firstCutLine, 2);
  EXPECT_EQ(b.line(2).size(), 70u);
  EXPECT_NE(loadCutMessage(r).find("2"), std::string::npos);
  const LoadResult whole = loadProgramBytes(b, "p.nc", "G00 X1.\n" + std::string(70, 'X') + "\n");
  EXPECT_EQ(whole.linesCut, 0);
  EXPECT_EQ(loadCutMessage(whole), "");
}

std::filesystem::path scratchDir() {
  const auto dir = std::filesystem::temp_directory_path() / "vorn_editor_load_stream_test";
  std::filesystem::create_directories(dir);
  return dir;
}

// The streamed reader gives what the in-memory split gives, also for line
// ends that fall on the reader's buffer boundary.
TEST(LoadFile, StreamedLinesEqualTheInMemoryRule) {
  const auto path = scratchDir() / "same.txt";
  std::vector<std::string> contents = {"A\r\nB\r\n", "A\rB\r", "A\r\nB", "A\n\nB\n", "", "\r\n",
                                       "A\r\n\x1a", "A\x1a", "\x1a\n"};
  for (size_t at : {size_t(65535), size_t(65536), size_t(65537)}) {
    contents.push_back(std::string(at - 1, 'a') + "\r\nB\n");  // CR LF across the boundary
    contents.push_back(std::string(at, 'a') + "\n\x1a");
  }
  for (const std::string& c : contents) {
    {
      std::ofstream out(path, std::ios::binary);
      out << c;
    }
    ProgramBuffer fromFile(100), fromBytes(100);
    const LoadResult a = loadProgramFile(fromFile, path.string());
    const LoadResult b = loadProgramBytes(fromBytes, path.string(), c);
    EXPECT_EQ(joined(fromFile), joined(fromBytes)) << c.size() << " bytes";
    EXPECT_EQ(a.linesCut, b.linesCut);
  }
  std::filesystem::remove(path);
}

// A pipe that never ends is read only up to the buffer's capacity; a device
// that may never end a line is refused instead of filling the memory.
TEST(LoadFile, EndlessPipeStopsAtCapacityAndDeviceIsRefused) {
  const auto fifo = scratchDir() / "endless.nc";
  std::filesystem::remove(fifo);
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  struct sigaction ignore {}, old {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGPIPE, &ignore, &old);
  std::thread writer([&fifo] {
    const int fd = ::open(fifo.c_str(), O_WRONLY);
    const std::string block = "G01X1.Y2.\n";
    while (fd >= 0 && ::write(fd, block.data(), block.size()) > 0) {
    }
    if (fd >= 0) ::close(fd);
  });
  ProgramBuffer b(500);
  const LoadResult r = loadProgramFile(b, fifo.string());
  writer.join();
  ::sigaction(SIGPIPE, &old, nullptr);
  EXPECT_EQ(b.lineCount(), 500);
  EXPECT_EQ(r.cutAtLine, 501);
  EXPECT_EQ(b.line(500), "G01 X1. Y2.");
  std::filesystem::remove(fifo);

  b.assign({"kept"});
  try {
    loadProgramFile(b, "/dev/zero");
    ADD_FAILURE() << "a device loaded";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::DeviceUnavailable);
  }
  EXPECT_EQ(joined(b), "kept|");
}

}  // namespace
}  // namespace vorn
