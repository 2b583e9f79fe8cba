#include "editor/load.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "editor/program_buffer.h"
#include "runtime/error.h"

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

  loadProgramBytes(b, "bad.txt", bytes);
  EXPECT_EQ(b.line(2).size(), 5000u) << "other files keep long lines whole";
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

}  // namespace
}  // namespace vorn
