#include "runtime/channels.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>

#include "runtime/error.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

void spit(const fs::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Runs op and returns the code of the RuntimeError it raises (0 when none).
template <class Op>
int errorCode(Op op) {
  try {
    op();
  } catch (const RuntimeError& e) {
    return e.code();
  }
  return 0;
}

class Channels : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vornt-channels-XXXXXX";
    dir_ = mkdtemp(pattern);
    DeviceConfig config;
    config.workDir = dir_;
    config.configDir = dir_ / "config";
    config.drives[3] = dir_ / "missing-drive";  // D: configured but absent
    paths_ = std::make_unique<PathMap>(config);
    table_ = std::make_unique<ChannelTable>(*paths_);
  }
  void TearDown() override {
    table_.reset();
    fs::remove_all(dir_);
  }
  // Files in the work folder apart from the given one (temporary files show up here).
  int filesBesides(const std::string& name) {
    int n = 0;
    for (const auto& e : fs::directory_iterator(dir_)) n += e.path().filename() != name;
    return n;
  }

  fs::path dir_;
  std::unique_ptr<PathMap> paths_;
  std::unique_ptr<ChannelTable> table_;
};

TEST_F(Channels, SequentialOutputIsCodePage932WithCrLf) {
  table_->open(1, "A:OUT.TXT", OpenMode::Output);
  table_->writeItems(1, {std::string("ｱｲ あ"), 10.5, -0.25, 100.0, std::string("")});
  table_->printLine(1, "G01 X1");
  table_->print(1, "N");
  table_->print(1, "10");
  EXPECT_EQ(table_->size(1), 37);
  table_->close(1);
  EXPECT_EQ(readFile(dir_ / "OUT.TXT"), "\"\xB1\xB2 \x82\xA0\",10.5,-.25,100,\"\"\r\nG01 X1\r\nN10");

  table_->open(2, "OUT.TXT", OpenMode::Append);
  table_->printLine(2, "");
  table_->close(2);
  EXPECT_EQ(readFile(dir_ / "OUT.TXT").substr(34), "N10\r\n");
}

TEST_F(Channels, ReadsLinesWithAnyLineEnd) {
  spit(dir_ / "IN", "one\r\ntwo\nthree\rfour\r\n\r\nlast \x82\xA0\x80");
  table_->open(1, "IN", OpenMode::Input);
  EXPECT_EQ(table_->size(1), 31);
  std::vector<std::string> lines;
  while (!table_->eof(1)) lines.push_back(table_->readLine(1));
  EXPECT_EQ(lines, (std::vector<std::string>{"one", "two", "three", "four", "", "last あ\uFFFD"}));
  EXPECT_EQ(errorCode([&] { table_->readLine(1); }), err::InputPastEnd);

  // An end-of-text mark ends an old file.
  spit(dir_ / "OLD", "A\r\nB\r\n\x1A garbage");
  table_->open(2, "OLD", OpenMode::Input);
  EXPECT_EQ(table_->readLine(2), "A");
  EXPECT_EQ(table_->readLine(2), "B");
  EXPECT_TRUE(table_->eof(2));
}

TEST_F(Channels, ReadsCommaItemsAsInputDoes) {
  spit(dir_ / "LIST", "\"a,b\",  12 ,x y \r\n\"q\"junk,3\n\n  \"\",,\"\xB6\xC5\"\r\n");
  table_->open(1, "LIST", OpenMode::Input);
  std::vector<std::string> items;
  while (!table_->eof(1)) items.push_back(table_->readItem(1));
  EXPECT_EQ(items, (std::vector<std::string>{"a,b", "12", "x y", "q", "3", "", "", "ｶﾅ"}));
  EXPECT_EQ(errorCode([&] { table_->readItem(1); }), err::InputPastEnd);

  // What writeItems writes, readItem reads back.
  table_->open(2, "ROUND", OpenMode::Output);
  table_->writeItems(2, {std::string("使用Ｇｺｰﾄﾞ"), 1.5e-8, 7.0});
  table_->close(2);
  table_->open(3, "ROUND", OpenMode::Input);
  EXPECT_EQ(table_->readItem(3), "使用Ｇｺｰﾄﾞ");
  EXPECT_FLOAT_EQ(static_cast<float>(numberValue(table_->readItem(3))), 1.5e-8f);
  EXPECT_EQ(table_->readItem(3), "7");
  EXPECT_TRUE(table_->eof(3));
}

TEST_F(Channels, OutputReplacesTheFileOnlyOnClose) {
  spit(dir_ / "PROG", "OLD");
  ::chmod((dir_ / "PROG").c_str(), 0640);
  table_->open(1, "PROG", OpenMode::Output);
  table_->print(1, "NEW");
  EXPECT_EQ(readFile(dir_ / "PROG"), "OLD");
  EXPECT_EQ(filesBesides("PROG"), 1);  // the temporary file
  table_->close(1);
  EXPECT_EQ(readFile(dir_ / "PROG"), "NEW");
  EXPECT_EQ(filesBesides("PROG"), 0);
  struct stat st {};
  ::stat((dir_ / "PROG").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the user's permissions survive

  // A table torn down without close (a crash on the way) leaves the old file.
  table_->open(2, "PROG", OpenMode::Output);
  table_->print(2, "HALF");
  table_.reset();
  EXPECT_EQ(readFile(dir_ / "PROG"), "NEW");
  EXPECT_EQ(filesBesides("PROG"), 0);
}

TEST_F(Channels, FailedWriteLeavesTheOldFileIntact) {
  spit(dir_ / "PROG", "OLD");
  // Limit file sizes so that writing fails the way a full disk does.
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);

  table_->open(1, "PROG", OpenMode::Output);
  int code = errorCode([&] {
    for (int i = 0; i < 2000; ++i) table_->printLine(1, "G01 X100.000 Y200.000 Z-5.000 F300");
    table_->close(1);
  });
  int closeCode = errorCode([&] { table_->closeAll(); });

  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(code, err::DiskFull);
  EXPECT_EQ(closeCode, err::DiskFull);
  EXPECT_FALSE(table_->isOpen(1));
  EXPECT_EQ(readFile(dir_ / "PROG"), "OLD");
  EXPECT_EQ(filesBesides("PROG"), 0);
}

TEST_F(Channels, FailuresCarryTheirCodesAndWhere) {
  try {
    table_->open(1, "A:NOFILE", OpenMode::Input);
    FAIL() << "no error";
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::NotFound);
    EXPECT_EQ(e.where(), "open A:NOFILE");
  }
  EXPECT_EQ(errorCode([&] { table_->open(1, "D:M1.D", OpenMode::Output); }), err::NotFound);
  EXPECT_EQ(errorCode([&] { table_->openRandom(1, "D:M1.D", 256); }), err::NotFound);
  EXPECT_EQ(errorCode([&] { table_->readLine(5); }), err::BadFileNumber);
  table_->open(1, "X", OpenMode::Output);
  EXPECT_EQ(errorCode([&] { table_->open(1, "Y", OpenMode::Output); }), err::FileAlreadyOpen);
  EXPECT_EQ(errorCode([&] { table_->readLine(1); }), err::BadFileMode);
  EXPECT_EQ(errorCode([&] { table_->getRecord(1, 1); }), err::BadFileMode);
  EXPECT_EQ(errorCode([&] { table_->deleteFile("NOTHERE"); }), err::NotFound);
  EXPECT_EQ(errorCode([&] { table_->openDevice(2, "PRN:"); }), err::DeviceUnavailable);
  if (::geteuid() != 0) {  // permissions do not stop root
    fs::create_directory(dir_ / "ro");
    ::chmod((dir_ / "ro").c_str(), 0500);
    EXPECT_EQ(errorCode([&] { table_->open(3, "ro\\F", OpenMode::Output); }), err::WriteProtected);
    ::chmod((dir_ / "ro").c_str(), 0700);
  }
  table_->close(1);
  table_->deleteFile("X");
  EXPECT_FALSE(fs::exists(dir_ / "X"));
}

TEST(Packing, SinglesAndInt16AreLittleEndian) {
  struct Single { float v; std::string bytes; };
  const Single singles[] = {
      {1.0f, std::string("\x00\x00\x80\x3F", 4)}, {-2.5f, std::string("\x00\x00\x20\xC0", 4)},
      {0.0f, std::string(4, '\0')},               {1234.5f, std::string("\x00\x50\x9A\x44", 4)},
  };
  for (const Single& s : singles) {
    EXPECT_EQ(packSingle(s.v), s.bytes) << s.v;
    EXPECT_EQ(unpackSingle(s.bytes), s.v) << s.v;
  }
  struct Int { int v; std::string bytes; };
  const Int ints[] = {{1, std::string("\x01\x00", 2)}, {-1, "\xFF\xFF"}, {32767, "\xFF\x7F"},
                      {-32768, std::string("\x00\x80", 2)}, {258, "\x02\x01"}};
  for (const Int& i : ints) {
    EXPECT_EQ(packInt16(i.v), i.bytes) << i.v;
    EXPECT_EQ(unpackInt16(i.bytes), i.v) << i.v;
  }
  EXPECT_EQ(errorCode([] { packInt16(32768); }), err::Overflow);
  EXPECT_EQ(errorCode([] { unpackSingle("abc"); }), err::IoError);
  // Cutting never splits a double-byte character.
  EXPECT_EQ(fitCp932("\x82\xA0\x82\xA2", 3), "\x82\xA0 ");
  EXPECT_EQ(fitCp932("AB", 4), "AB  ");
}

TEST_F(Channels, RandomRecordsByteForByte) {
  table_->openRandom(1, "A:M1.D", 16);
  table_->defineFields(1, {{"status", 1}, {"name", 8}, {"size", 4}, {"count", 2}, {"", 1}});
  table_->assignField(1, "status", " ");
  table_->assignField(1, "name", "PROG1");
  table_->assignFieldBytes(1, "size", packSingle(1234.5f));
  table_->assignFieldBytes(1, 3, packInt16(-2));
  table_->assignField(1, 4, "Z");
  table_->putRecord(1, 2);
  EXPECT_EQ(table_->recordCount(1), 2);
  table_->assignField(1, "name", "ABCDEFGHIJ");  // longer than the field: cut
  table_->putRecord(1, 1);
  table_->close(1);
  EXPECT_EQ(readFile(dir_ / "M1.D"), std::string(" ABCDEFGH\x00\x50\x9A\x44\xFE\xFFZ", 16) +
                                      std::string(" PROG1   \x00\x50\x9A\x44\xFE\xFFZ", 16));

  table_->openRandom(2, "M1.D", 16);
  table_->defineFields(2, {{"status", 1}, {"name", 8}, {"size", 4}, {"count", 2}, {"", 1}});
  table_->getRecord(2, 2);
  EXPECT_FALSE(table_->eof(2));
  EXPECT_EQ(table_->fieldText(2, "name"), "PROG1   ");
  EXPECT_EQ(unpackSingle(table_->fieldBytes(2, "size")), 1234.5f);
  EXPECT_EQ(unpackInt16(table_->fieldBytes(2, "count")), -2);
  table_->assignField(2, "name", "あいう");  // 8 bytes: 4 full-width characters fit exactly
  EXPECT_EQ(table_->fieldBytes(2, 1), "\x82\xA0\x82\xA2\x82\xA4  ");
  table_->getRecord(2, 9);
  EXPECT_TRUE(table_->eof(2));
  EXPECT_EQ(table_->recordBuffer(2), std::string(16, '\0'));
  EXPECT_EQ(errorCode([&] { table_->getRecord(2, 0); }), err::BadRecordLength);
  EXPECT_EQ(errorCode([&] { table_->defineFields(2, {{"a", 10}, {"b", 7}}); }), err::BadRecordLength);
  EXPECT_EQ(errorCode([&] { table_->fieldBytes(2, "nosuch"); }), err::Internal);
  EXPECT_EQ(errorCode([&] { table_->openRandom(3, "Z", 0); }), err::BadRecordLength);
}

TEST_F(Channels, DefaultDrivesAreCreatedOnFirstWrite) {
  table_->openRandom(1, "B:M1.D", 256);
  table_->close(1);
  EXPECT_TRUE(fs::exists(dir_ / "B" / "M1.D"));
  table_->open(2, "c:\\vornt", OpenMode::Output);
  table_->printLine(2, "A:\\M1");
  table_->close(2);
  EXPECT_EQ(readFile(dir_ / "config" / "workdir"), "A:\\M1\r\n");
}

TEST_F(Channels, PrinterFileAndQueue) {
  table_->openDevice(1, "LPT2:");
  table_->printLine(1, "ﾘｽﾄ");
  table_->close(1);
  table_->openDevice(1, "LPT2");
  table_->print(1, "2");
  table_->close(1);
  EXPECT_EQ(readFile(dir_ / "lpt2.txt"), "\xD8\xBD\xC4\r\n2");

  // A queue hands the spooled bytes to the print command.
  fs::path script = dir_ / "fake-lp";
  spit(script, "#!/bin/sh\necho \"$1 $2\" > \"" + (dir_ / "args").string() + "\"\ncat \"$3\" > \"" +
                   (dir_ / "printed").string() + "\"\n[ \"$2\" = office ]\n");
  ::chmod(script.c_str(), 0755);
  DeviceConfig config = paths_->config();
  config.printCommand = script.string();
  config.printers[1] = PrinterTarget{"office", {}};
  config.printers[3] = PrinterTarget{"broken", {}};
  PathMap paths(config);
  ChannelTable table(paths);
  table.openDevice(1, "LPT1:");
  table.printLine(1, "O1234");
  table.close(1);
  EXPECT_EQ(readFile(dir_ / "args"), "-d office\n");
  EXPECT_EQ(readFile(dir_ / "printed"), "O1234\r\n");
  table.openDevice(3, "LPT3:");
  EXPECT_EQ(errorCode([&] { table.close(3); }), err::DeviceUnavailable);
}

TEST_F(Channels, SerialChannelOverAFakePort) {
  auto fake = std::make_unique<FakeSerialPort>();
  FakeSerialPort& port = *fake;
  table_->attachSerial(8, std::move(fake), "COM1:");
  table_->setSpeed(8, 4800);
  EXPECT_EQ(port.speed, 4800);
  EXPECT_TRUE(table_->eof(8));
  port.incoming = "%\r\nO1";
  EXPECT_EQ(table_->size(8), 5);
  EXPECT_EQ(table_->readBytes(8, 3), "%\r\n");
  EXPECT_FALSE(table_->eof(8));
  table_->print(8, "ｱ\x12");
  EXPECT_EQ(port.sent, "\xB1\x12");
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// A close that fails leaves the channel closed, so the recovery screen's
// retry repeats the whole operation once the cause is gone, instead of
// failing on "already open" for ever.
TEST_F(Channels, RetryAfterAFailedCloseRepeatsTheOperation) {
  struct Case {
    const char* what;
    std::function<void()> cause;   // makes the operation fail at its close
    std::function<void()> mend;    // takes the cause away
    std::function<void()> operation;
    const char* file;
    const char* expected;          // the file's bytes after the retry
  };
  const fs::path vot = dir_ / "VOT", log = dir_ / "vorntlog.txt";
  const std::vector<Case> cases = {
      {"a directory named VOT", [&] { fs::create_directory(vot); }, [&] { fs::remove(vot); },
       [&] {
         table_->open(1, "VOT", OpenMode::Output);
         table_->printLine(1, "1234567");
         table_->close(1);
       },
       "VOT", "1234567\r\n"},
      {"a log append on a full disk",
       [&] {
         spit(log, "old\r\n");
         fs::rename(log, dir_ / "log.keep");
         fs::create_symlink("/dev/full", log);
       },
       [&] {
         fs::remove(log);
         fs::rename(dir_ / "log.keep", log);
       },
       [&] {
         table_->open(2, "vorntlog.txt", OpenMode::Append);
         table_->printLine(2, "sent PROG1");
         table_->close(2);
       },
       "vorntlog.txt", "old\r\nsent PROG1\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    c.cause();
    int failures = 0;
    ErrorHandler mendOnce = [&](const RuntimeError& e) {
      EXPECT_NE(e.code(), err::FileAlreadyOpen) << e.what();
      if (++failures > 1) return Recovery::Rethrow;
      c.mend();
      return Recovery::Retry;
    };
    EXPECT_NO_THROW(withRecovery(mendOnce, c.operation));
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(readFile(dir_ / c.file), c.expected);
    EXPECT_FALSE(table_->isOpen(1) || table_->isOpen(2));
  }
  EXPECT_EQ(filesBesides("VOT"), 1);   // the log; no temporary file left behind
}

// An append whose close fails leaves the file as it was before the open.
TEST_F(Channels, FailedAppendIsCutBackToItsSizeAtOpen) {
  spit(dir_ / "LOG", "one\r\n");
  auto previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  table_->open(1, "LOG", OpenMode::Append);
  table_->print(1, std::string(6000, 'x'));
  int code = errorCode([&] { table_->close(1); });
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(code, err::DiskFull);
  EXPECT_FALSE(table_->isOpen(1));
  EXPECT_EQ(readFile(dir_ / "LOG"), "one\r\n");
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

TEST_F(Channels, ReplacingAWholeFileKeepsItsPermissionsAndLinkAndLeavesNoTemporaryFile) {
  const fs::path target = dir_ / "out.txt";
  spit(target, "old");
  ::chmod(target.c_str(), 0640);
  fs::create_symlink(target, dir_ / "link.txt");
  replaceFileBytes((dir_ / "link.txt").string(), "new bytes");
  EXPECT_EQ(readFile(target), "new bytes");
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.txt"));
  EXPECT_EQ(fs::status(target).permissions() & fs::perms::all, fs::perms(0640));
  EXPECT_EQ(filesBesides("out.txt"), 1);  // the link only
}

TEST_F(Channels, AWholeFileWriteThatFailsKeepsTheOldContents) {
  const fs::path target = dir_ / "out.txt";
  spit(target, "old");
  EXPECT_THROW(replaceFileWith(target.string(),
                               [](const std::string& temp) {
                                 spit(temp, "half");
                                 throw RuntimeError(err::IoError, "write");
                               }),
               RuntimeError);
  EXPECT_EQ(readFile(target), "old");
  EXPECT_EQ(filesBesides("out.txt"), 0);
  // A folder that is not there: nothing is created.
  EXPECT_NE(errorCode([&] { replaceFileBytes((dir_ / "no" / "x.txt").string(), "x"); }), 0);
  EXPECT_FALSE(fs::exists(dir_ / "no"));
}

}  // namespace
}  // namespace vorn
