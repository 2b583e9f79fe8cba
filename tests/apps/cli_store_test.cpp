// `vornt-cli store`: the subcommands in process, and a real kill -9 loop
// against the command while it imports a large program.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "apps/cli_store.h"
#include "runtime/channels.h"
#include "runtime/paths.h"
#include "store/store.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

class CliStore : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vornt-cli-store-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(dir_); }
  int run(std::vector<std::string> args) {
    args.push_back("--work-dir");
    args.push_back(dir_.string());
    out_.str("");
    err_.str("");
    return runStore(args, out_, err_);
  }
  void write(const std::string& name, const std::string& text) {
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  fs::path dir_;
  std::ostringstream out_, err_;
};

TEST_F(CliStore, ImportListExportDelete) {
  write("a.txt", "O1\r\nG01X1.\r\n");
  write("b.txt", "O2\r\n");
  EXPECT_EQ(run({"import", (dir_ / "a.txt").string(), "--name", "prog1", "--title", "ﾃｽﾄ"}), 0) << err_.str();
  EXPECT_EQ(run({"import", (dir_ / "b.txt").string(), "--name", "ABC"}), 0) << err_.str();
  EXPECT_EQ(run({"list"}), 0);
  const std::string listed = out_.str();
  EXPECT_EQ(listed.substr(0, 4), "ABC\t");
  EXPECT_NE(listed.find("\nPROG1\tﾃｽﾄ\t"), std::string::npos) << listed;
  EXPECT_EQ(listed.substr(listed.size() - 2), "2\n");
  EXPECT_EQ(run({"export", "prog1", "-o", (dir_ / "x.txt").string()}), 0) << err_.str();
  EXPECT_EQ(readFile(dir_ / "x.txt"), "O1\r\nG01X1.\r\n");
  // Overwriting keeps the record and the count.
  write("a.txt", "O3\r\n");
  EXPECT_EQ(run({"import", (dir_ / "a.txt").string(), "--name", "PROG1"}), 0);
  EXPECT_EQ(run({"list"}), 0);
  EXPECT_NE(out_.str().find("PROG1\tﾃｽﾄ\t"), std::string::npos);  // the stored title stays
  EXPECT_EQ(out_.str().substr(out_.str().size() - 2), "2\n");
  EXPECT_EQ(run({"delete", "abc"}), 0);
  EXPECT_EQ(run({"list"}), 0);
  EXPECT_EQ(out_.str().substr(out_.str().size() - 2), "1\n");
  EXPECT_EQ(run({"list", "--volume", "M3"}), 0);
  EXPECT_EQ(out_.str(), "0\n");
}

TEST_F(CliStore, UsageAndMissingThingsExitOne) {
  write("a.txt", "O1\r\n");
  const std::string a = (dir_ / "a.txt").string();
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{}, "which store command"},
      {{"frobnicate"}, "unknown store command"},
      {{"import", a}, "--name"},
      {{"import", a, "--name", "AB"}, "at least 3"},
      {{"import", a, "--name", "ABCDEFGH"}, "at most 7"},
      {{"import", a, "--name", "A.B"}, "only A-Z"},
      {{"import", a, "--name", "ABC", "--title", "12345678901234567"}, "16 characters"},
      {{"import", a, "--name", "ABC", "--title", "한"}, "cannot be stored"},
      {{"import", (dir_ / "none").string(), "--name", "ABC"}, "none"},
      {{"export", "NONE", "-o", "x"}, "no program NONE"},
      {{"delete", "NONE"}, "no program NONE"},
      {{"list", "--volume", "M7"}, "M1 to M6"},
      {{"list", "--drive", "Q"}, "A to F"},
      {{"list", "--bogus"}, "unknown option"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(run(c.args), 1) << c.message;
    EXPECT_NE(err_.str().find(c.message), std::string::npos) << err_.str();
    const std::string message = err_.str();
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << message;
  }
  EXPECT_EQ(run({"--help"}), 0);
  EXPECT_NE(out_.str().find("store import FILE"), std::string::npos);
}

TEST_F(CliStore, DriveAndVolumeDefaultToTheEnvironmentRecord) {
  write("a.txt", "O1\r\n");
  std::string record(128, ' ');
  record.replace(90, 8, "A:A:B:M4");
  write("NVOL", record);
  EXPECT_EQ(run({"import", (dir_ / "a.txt").string(), "--name", "ABC"}), 0);
  EXPECT_TRUE(fs::exists(dir_ / "M4" / "ABC"));
  fs::create_directories(dir_ / "B");
  EXPECT_EQ(run({"import", (dir_ / "a.txt").string(), "--name", "ABC", "--drive", "b", "--volume", "M2"}), 0);
  EXPECT_TRUE(fs::exists(dir_ / "B" / "M2" / "ABC"));
}

TEST_F(CliStore, RepairAndCopy) {
  write("a.txt", "O1\r\n");
  for (const char* n : {"AA1", "BB1", "BB2", "CC1"}) {
    EXPECT_EQ(run({"import", (dir_ / "a.txt").string(), "--name", n}), 0) << err_.str();
  }
  const std::string index = readFile(dir_ / "M1.IX");
  fs::remove(dir_ / "M1.IX");
  EXPECT_EQ(run({"repair"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "4\n");
  EXPECT_EQ(readFile(dir_ / "M1.IX"), index);

  EXPECT_EQ(run({"copy", "--from", "A", "--to", "B:", "--first", "bb1", "--last", "BB9"}), 0) << err_.str();
  EXPECT_EQ(out_.str(), "2\n");
  EXPECT_NE(err_.str().find("BB2 added"), std::string::npos) << err_.str();
  EXPECT_EQ(readFile(dir_ / "B" / "M1" / "BB1"), readFile(dir_ / "M1" / "BB1"));
  EXPECT_EQ(run({"copy", "--from", "A", "--to", "B", "--first", "BB1"}), 0);
  EXPECT_NE(err_.str().find("BB1 replaced"), std::string::npos) << err_.str();
  EXPECT_EQ(run({"list", "--drive", "B"}), 0);
  EXPECT_EQ(out_.str().substr(out_.str().size() - 2), "2\n");

  EXPECT_EQ(run({"copy", "--from", "A", "--to", "B", "--first", "ZZ"}), 1);   // nothing in the range
  EXPECT_EQ(run({"copy", "--from", "A", "--to", "A", "--first", "AA1"}), 1);  // same drive
  EXPECT_EQ(run({"copy", "--from", "A", "--to", "B", "--first", "C", "--last", "B"}), 1);
  EXPECT_EQ(run({"copy", "--from", "A", "--to", "B"}), 1);
}

#ifdef VORN_CLI_PATH
// Kills the command at random moments while it imports a large program: the
// store always lists cleanly and holds the old or the new text.
TEST_F(CliStore, KillNineDuringImportNeverBreaksTheStore) {
  auto bigProgram = [](int variant) {
    std::string text;
    for (int i = 0; i < 30000; ++i) text += "N" + std::to_string(i) + "G01X" + std::to_string(i % 97 + variant) + ".\r\n";
    return text;
  };
  write("a.nc", bigProgram(1));
  write("b.nc", bigProgram(2));
  ASSERT_EQ(run({"import", (dir_ / "a.nc").string(), "--name", "BIG"}), 0) << err_.str();
  ASSERT_EQ(run({"export", "BIG", "-o", (dir_ / "ea").string()}), 0);
  ASSERT_EQ(run({"import", (dir_ / "b.nc").string(), "--name", "BIG"}), 0);
  ASSERT_EQ(run({"export", "BIG", "-o", (dir_ / "eb").string()}), 0);
  const std::string versions[] = {readFile(dir_ / "ea"), readFile(dir_ / "eb")};

  // How long one import takes, to spread the kills over it.
  auto start = std::chrono::steady_clock::now();
  ASSERT_EQ(run({"import", (dir_ / "a.nc").string(), "--name", "BIG"}), 0);
  const auto span = std::max<long>(1, std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start).count());

  std::mt19937 random(12345);
  int interrupted = 0;
  for (int round = 0; round < 30; ++round) {
    const std::string source = (dir_ / (round % 2 ? "a.nc" : "b.nc")).string();
    const std::string name = round % 3 == 2 ? "NEW" + std::to_string(round) : "BIG";
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const int devnull = open("/dev/null", O_WRONLY);
      dup2(devnull, 2);  // the command's own report is not wanted here
      execl(VORN_CLI_PATH, VORN_CLI_PATH, "store", "import", source.c_str(), "--name", name.c_str(), "--work-dir",
            dir_.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::microseconds(std::uniform_int_distribution<long>(0, span * 3 / 2)(random)));
    kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    interrupted += WIFSIGNALED(status);

    SCOPED_TRACE("round " + std::to_string(round));
    ASSERT_EQ(run({"list"}), 0) << err_.str();
    EXPECT_EQ(err_.str(), "");  // no rebuild was needed
    for (const std::string& stored : {std::string("BIG"), name}) {
      if (out_.str().find(stored + "\t") == std::string::npos) continue;
      ASSERT_EQ(run({"export", stored, "-o", (dir_ / "now").string()}), 0) << err_.str();
      const std::string now = readFile(dir_ / "now");
      EXPECT_TRUE(now == versions[0] || now == versions[1]) << stored << " holds " << now.size() << " bytes";
      run({"list"});
    }
  }
  EXPECT_GT(interrupted, 5);  // most rounds were really cut short
}
#endif

}  // namespace
}  // namespace vorn
