#include "shell/settings.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/channels.h"
#include "runtime/error.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// A fresh folder with a channel table whose relative names land in it.
struct TempDir {
  TempDir() {
    dir = fs::temp_directory_path() / ("vorn_shell_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    DeviceConfig config;
    config.configDir = dir / "config";
    config.workDir = dir;
    paths = std::make_unique<PathMap>(config);
    channels = std::make_unique<ChannelTable>(*paths);
  }
  ~TempDir() {
    channels.reset();
    fs::remove_all(dir);
  }
  void write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
  }
  std::string read(const std::string& name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
  }
  fs::path dir;
  std::unique_ptr<PathMap> paths;
  std::unique_ptr<ChannelTable> channels;
};

TEST(SettingsLines, LinePositionsAndSixCharacters) {
  Settings s;
  applySettingsLines(s, {"x", "y"});
  EXPECT_EQ(s.V2, 0);
  EXPECT_EQ(s.V0F, 0);
  EXPECT_EQ(s.S, 0);

  applySettingsLines(s, {"9", "9", "3", "9", "1", "12345678", "9", "1 log"});
  EXPECT_EQ(s.V2, 3);
  EXPECT_EQ(s.endOfTape, 1);
  EXPECT_EQ(s.charDelay, 123456);   // only six characters count
  EXPECT_EQ(s.V0F, 1);
  EXPECT_EQ(s.S, 0);
}

TEST(SettingsLines, AccessCodeOnAnyLine) {
  const struct {
    const char* line;
    int S;
  } cases[] = {{"5174GT", 1}, {"5174GTxyz", 1}, {"5174GX", 0}, {"5175GT", 0}, {" 5174GT", 0}, {"GT", 0}};
  for (const auto& c : cases) {
    Settings s;
    applySettingsLines(s, {"0", c.line});
    EXPECT_EQ(s.S, c.S) << c.line;
  }
}

TEST(SettingsLines, ShortFileKeepsEarlierValues) {
  Settings s;
  s.charDelay = 7;
  s.V0F = 1;
  applySettingsLines(s, {"0", "0", "2"});
  EXPECT_EQ(s.V2, 2);
  EXPECT_EQ(s.charDelay, 7);
  EXPECT_EQ(s.V0F, 1);
}

TEST(SettingsFile, ReadsCodePage932WithCrLf) {
  TempDir t;
  t.write("vorntc.ini", "\x83\x65\x83\x58\x83\x67\r\n5174GT\r\n4\r\n\r\n1\r\n20 ms\r\n\r\n1\r\n");
  Settings s;
  readSettings(*t.channels, s);
  EXPECT_EQ(s.S, 1);
  EXPECT_EQ(s.V2, 4);
  EXPECT_EQ(s.endOfTape, 1);
  EXPECT_EQ(s.charDelay, 20);
  EXPECT_EQ(s.V0F, 1);
  EXPECT_FALSE(t.channels->isOpen(kShellChannel));
}

TEST(SettingsFile, MissingFileRaisesAndLeavesTheChannelClosed) {
  TempDir t;
  Settings s;
  try {
    readSettings(*t.channels, s);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::NotFound);
  }
  EXPECT_FALSE(t.channels->isOpen(kShellChannel));
}

TEST(SharedFolders, EmptyNamesSkippedAndNamesPadded) {
  SharedFolders f = sharedFoldersFrom({{"ab", "/a"}, {"", "/skipped"}, {"abcd", "/b"}, {"", ""}});
  ASSERT_EQ(f.ZV, 2);
  EXPECT_EQ(f.MXX[0], "ab  ");
  EXPECT_EQ(f.MXX[1], "abcd");
  EXPECT_EQ(f.PU[1], "/b");
}

TEST(SharedFolders, AtMostSixBlanksAreAdded) {
  SharedFolders f = sharedFoldersFrom({{"a", "x"}, {"共用ﾌｫﾙﾀﾞ名前", "y"}});
  EXPECT_EQ(f.MXX[0], "a      ");   // longest is 15 cells; only 6 added
  EXPECT_EQ(f.MXX[1], "共用ﾌｫﾙﾀﾞ名前");
}

TEST(SharedFolders, RecordCountIsCapped) {
  std::vector<FolderRecord> many(kMaxSharedFolders + 10, FolderRecord{"n", "p"});
  EXPECT_EQ(sharedFoldersFrom(many).ZV, kMaxSharedFolders);
}

TEST(SharedFolders, ReadsTheFileDirmarkWrites) {
  TempDir t;
  t.write("UsFolder",
          "\"\x8b\xa4\x97\x70\",\"\\\\server\\share\"\r\n\"\",\"\"\r\n\"work\",\"D:\\nc\"\r\n\"\",\"\"\r\n");
  SharedFolders f;
  readSharedFolders(*t.channels, f);
  ASSERT_EQ(f.ZV, 2);
  EXPECT_EQ(f.MXX[0], "共用");
  EXPECT_EQ(f.PU[0], "\\\\server\\share");
  EXPECT_EQ(f.MXX[1], "work");
  EXPECT_EQ(f.PU[1], "D:\\nc");
}

TEST(SharedFolders, BlankLinesAfterTheLastRecordAreNoError) {
  TempDir t;
  t.write("UsFolder", "\"a\",\"/a\"\r\n\"b\",\"/b\"\r\n\r\n  \r\n");
  SharedFolders f;
  readSharedFolders(*t.channels, f);
  ASSERT_EQ(f.ZV, 2);
  EXPECT_EQ(f.PU[1], "/b");
  EXPECT_FALSE(t.channels->isOpen(kShellChannel));
}

TEST(SpeedFile, WritesOneLine) {
  TempDir t;
  writeSpeedFile(*t.channels, 1234567);
  EXPECT_EQ(t.read("VOT"), " 1234567\r\n");
  EXPECT_GT(measureLoopSpeed(0.002), 1000.0f);
}

TEST(TransmissionLog, AppendsOnlyWhenSwitchedOn) {
  TempDir t;
  TransmissionRecord r{"05-03-2024 10:00:00", "10:05:00", 5, 120, 0, 37};
  Settings s;
  appendTransmissionLog(*t.channels, s, r);
  EXPECT_FALSE(fs::exists(t.dir / "vorntlog.txt"));
  s.V0F = 1;
  appendTransmissionLog(*t.channels, s, r);
  r.V2W = 5;
  appendTransmissionLog(*t.channels, s, r);
  EXPECT_EQ(t.read("vorntlog.txt"),
            "05-03-2024 10:00:00 10:05:00  5  120  0  37\r\n"
            "05-03-2024 10:00:00 10:05:00  5  120  5  37\r\n");
}

}  // namespace
}  // namespace vorn
