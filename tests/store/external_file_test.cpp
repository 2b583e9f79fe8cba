#include "store/external_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "editor/load.h"
#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/error.h"
#include "shell/settings.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

PathMap pathsFor(const fs::path& dir) {
  DeviceConfig config;
  config.workDir = dir;
  config.configDir = dir / "config";
  return PathMap(config);
}

ProgramBuffer programOf(std::vector<std::string> lines) {
  ProgramBuffer b;
  b.assign(std::move(lines));
  return b;
}

TEST(ExportFileName, AddsTheExtensionOnlyToAPlainName) {
  const struct {
    const char* chosen;
    const char* written;
  } cases[] = {
      {"ABC", "ABC.wf"},
      {"ABC.wf", "ABC.wf"},
      {"ABC.WF", "ABC.WF"},
      {"ABC.txt", "ABC.txt"},
      {"ABC.", "ABC."},
      {"/home/u/nc.d/ABC", "/home/u/nc.d/ABC.wf"},   // a dot in a folder name does not count
      {"/home/u/nc.d/ABC.nc", "/home/u/nc.d/ABC.nc"},
      {"C:\\NC.D\\ABC", "C:\\NC.D\\ABC.wf"},
  };
  for (const auto& c : cases) EXPECT_EQ(exportFileName(c.chosen), c.written) << c.chosen;
}

TEST(ExportFileName, InitialNameFilterAndTitle) {
  EXPECT_EQ(saveInitialName("ABC     "), "ABC.wf");
  EXPECT_EQ(saveInitialName(""), ".wf");
  EXPECT_EQ(sharedFolderFilter(".wf"), "(*.wf);(*.nc*,*.dnc);(*.txt);(*.*)");
  EXPECT_EQ(exportTitle(86400 * 365), dateString(86400 * 365) + " " + timeString(86400 * 365));
  EXPECT_TRUE(writesExportHeader("x/ABC.wf"));
  EXPECT_TRUE(writesExportHeader("ABC.WF"));
  EXPECT_FALSE(writesExportHeader("ABC.nc"));
  EXPECT_FALSE(writesExportHeader("ABC.txt"));
}

TEST(WriteExternalFile, WfFileHasTheHeaderByteForByte) {
  TempDir t;
  const PathMap paths = pathsFor(t.dir);
  ChannelTable channels(paths);
  ExportHeader h;
  h.OSDATE = "ABC";
  h.H0X = "12-08-2026 10:05:09";
  h.settings = {100, 80, 30, 7, 10, -20, 0.5f, 2.5f};
  writeExternalFile(channels, (t.dir / "ABC.wf").string(), h, programOf({"O1234", "G00 X10.", "ｶﾅ 日本", ""}));
  EXPECT_EQ(t.read("ABC.wf"),
            "0,\"ABC\"\r\n"
            "12-08-2026 10:05:09\r\n"
            "100,80,30,7,10,-20,.5,2.5\r\n"
            "O1234\r\nG00 X10.\r\n\xb6\xc5 \x93\xfa\x96\x7b\r\n\r\n");
  EXPECT_FALSE(channels.isOpen(kExternalFileChannel));
}

TEST(WriteExternalFile, OtherExtensionsGetTheBareProgram) {
  TempDir t;
  const PathMap paths = pathsFor(t.dir);
  ChannelTable channels(paths);
  ExportHeader h;
  h.OSDATE = "ABC";
  h.H0X = "title";
  for (const char* name : {"ABC.nc", "ABC.txt"}) {
    writeExternalFile(channels, (t.dir / name).string(), h, programOf({"G01 X1.", "M30"}));
    EXPECT_EQ(t.read(name), "G01 X1.\r\nM30\r\n") << name;
  }
}

TEST(WriteExternalFile, WhatIsWrittenReadsBackThroughTheLoad) {
  TempDir t;
  const PathMap paths = pathsFor(t.dir);
  ChannelTable channels(paths);
  ExportHeader h;
  h.OSDATE = "PART";
  h.H0X = "Title with, comma";
  h.settings = {120, 90, 25, 5, 1, 2, 3, 4};
  const std::string path = (t.dir / "PART.wf").string();
  writeExternalFile(channels, path, h, programOf({"G00 X0 Y0", "M30"}));
  ProgramBuffer b;
  b.YGW = 7;
  const LoadResult r = loadProgramFile(b, path);
  ASSERT_TRUE(r.header);
  EXPECT_EQ(b.OSDATE, "PART");
  EXPECT_EQ(b.H0X, "Title with, comma");
  EXPECT_EQ(b.YGW, 0);
  EXPECT_EQ(r.header->settings, (std::vector<float>{120, 90, 25, 5, 1, 2, 3, 4}));
  EXPECT_EQ(b.lineCount(), 2);
  EXPECT_EQ(b.line(1), "G00 X0 Y0");
}

TEST(WriteExternalFile, AFailedWriteLeavesTheOldFileAndAFreeChannel) {
  TempDir t;
  const PathMap paths = pathsFor(t.dir);
  ChannelTable channels(paths);
  std::ofstream(t.dir / "OLD.wf", std::ios::binary) << "old";
  // A folder that does not exist: the write cannot start.
  EXPECT_THROW(writeExternalFile(channels, (t.dir / "none" / "X.wf").string(), {}, programOf({"A"})),
               RuntimeError);
  EXPECT_FALSE(channels.isOpen(kExternalFileChannel));
  // A channel already in use: nothing is written over the old file.
  channels.open(kExternalFileChannel, (t.dir / "other").string(), OpenMode::Output);
  EXPECT_THROW(writeExternalFile(channels, (t.dir / "OLD.wf").string(), {}, programOf({"A"})), RuntimeError);
  EXPECT_EQ(t.read("OLD.wf"), "old");
}

TEST(WriteExternalFile, DiscardedOutputKeepsTheOldFile) {
  TempDir t;
  const PathMap paths = pathsFor(t.dir);
  ChannelTable channels(paths);
  std::ofstream(t.dir / "KEEP", std::ios::binary) << "old";
  channels.open(4, "KEEP", OpenMode::Output);
  channels.printLine(4, "new");
  channels.discard(4);
  EXPECT_FALSE(channels.isOpen(4));
  EXPECT_EQ(t.read("KEEP"), "old");
  size_t files = 0;
  for (const auto& e : fs::directory_iterator(t.dir)) files += e.is_regular_file();
  EXPECT_EQ(files, 1u);   // no temporary file left behind
}

TEST(OverwriteQuestion, AskedOnlyForFilesOfMoreThanOneByte) {
  TempDir t;
  std::ofstream(t.dir / "one", std::ios::binary) << "x";
  std::ofstream(t.dir / "two", std::ios::binary) << "xy";
  EXPECT_FALSE(needsOverwriteQuestion((t.dir / "missing").string()));
  EXPECT_FALSE(needsOverwriteQuestion((t.dir / "one").string()));
  EXPECT_TRUE(needsOverwriteQuestion((t.dir / "two").string()));
}

TEST(SharedFolderMenu, KeptFoldersThenOpenAndSaveOnTheDataDrive) {
  // Three labelled lines and six empty ones.
  std::vector<FolderRecord> records = {{"Lab1", "/srv/a"}, {"", ""}, {"Second", "/srv/b"}, {"", "/srv/x"},
                                       {"保存先", "/srv/c"}};
  records.resize(9);
  const SharedFolders folders = sharedFoldersFrom(records);
  const std::vector<FolderMenuEntry> menu = sharedFolderMenu(folders, "A:");
  ASSERT_EQ(menu.size(), 5u);
  EXPECT_EQ(menu[0].label, "Lab1   /srv/a");
  EXPECT_EQ(menu[1].label, "Second /srv/b");
  EXPECT_EQ(menu[2].label, "保存先 /srv/c");
  EXPECT_EQ(menu[3].label, "開く   A:");
  EXPECT_EQ(menu[4].label, "保存   A:");
  EXPECT_EQ(menu[3].path, "A:");
  const bool saves[] = {false, false, true, false, true};
  for (size_t i = 0; i < menu.size(); ++i) EXPECT_EQ(menu[i].save, saves[i]) << i;
}

TEST(SharedFolderMenu, LongLabelsAreCutAndOnlyNineFoldersShown) {
  std::vector<FolderRecord> records;
  for (int i = 1; i <= 12; ++i) records.push_back({"F" + std::to_string(i), "/a/very/long/path/that/goes/on/" + std::to_string(i)});
  const std::vector<FolderMenuEntry> menu = sharedFolderMenu(sharedFoldersFrom(records), "", 20);
  ASSERT_EQ(menu.size(), 11u);
  EXPECT_EQ(menu[0].label, "F1   /a/very/long/pa");
  EXPECT_EQ(menu[8].path, "/a/very/long/path/that/goes/on/9");
  EXPECT_EQ(menu[9].label, "開く ");
}

}  // namespace
}  // namespace vorn
