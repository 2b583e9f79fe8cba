// End-to-end runs of the dirmark program beside vornt: what Dirmark
// registers is what VORN-T's shared-folder screen lists.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "runtime/text.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::string quoted(const std::string& s) {
  std::string q = "'";
  for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string tabs(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "{Tab}";
  return s;
}

// A work folder and a private configuration folder shared by both programs.
struct TwoPrograms {
  TwoPrograms() {
    dir = fs::temp_directory_path() / ("dirmark_e2e_" + std::to_string(::getpid()) + "_" +
                                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "work");
  }
  ~TwoPrograms() { fs::remove_all(dir); }
  // Runs a program from folder `in` with the shared configuration; returns its exit status.
  int run(const std::string& program, const fs::path& in, const std::string& args) {
    const fs::path exe = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "apps" / program;
    const std::string cmd = "cd " + quoted(in.string()) + " && XDG_CONFIG_HOME=" + quoted((dir / "config").string()) +
                            " " + quoted(exe.string()) + " " + args + " >" + quoted((dir / "stderr.txt").string()) +
                            " 2>&1";
    const int rc = std::system(cmd.c_str());
    return WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  // The shared-folder menu's entries as vornt shows them (rows 7 to 17, column 39 on).
  std::vector<std::string> menuEntries() {
    EXPECT_EQ(run("vornt", dir / "work", "--headless --keys '4{Enter}' --dump-text out.txt"), 0);
    std::istringstream rows(readFile(dir / "work" / "out.txt"));
    std::vector<std::string> entries;
    int r = 0;
    for (std::string line; std::getline(rows, line); ++r) {
      if (r < 6 || r > 16) continue;
      const std::string entry = midByWidth(line, 38, 32);
      if (entry.find_first_not_of(' ') != std::string::npos) entries.push_back(entry);
    }
    return entries;
  }
  fs::path dir;
};

TEST(Dirmark, RegistersTheExampleAndVorntListsTwoFolders) {
  TwoPrograms p;
  // vornt remembers its working directory; dirmark, started elsewhere, uses it.
  ASSERT_EQ(p.run("vornt", p.dir / "work", "--headless --keys ''"), 0);
  fs::remove(p.dir / "work" / "UsFolder");   // no shipped table: Dirmark starts empty
  const std::string keys = "Lab1{Tab}/srv/nc/a{Tab}Lab2{Tab}/srv/nc/b" + tabs(25) + "{Enter}";
  ASSERT_EQ(p.run("dirmark", p.dir, "--headless --keys '" + keys + "' --dump-text dm.txt"), 0)
      << readFile(p.dir / "stderr.txt");
  std::string expected = "\"Lab1\",\"/srv/nc/a\"\r\n\"Lab2\",\"/srv/nc/b\"\r\n";
  for (int i = 0; i < 7; ++i) expected += "\"\",\"\"\r\n";
  EXPECT_EQ(readFile(p.dir / "work" / "UsFolder"), expected);
  EXPECT_FALSE(fs::exists(p.dir / "UsFolder"));

  const std::vector<std::string> entries = p.menuEntries();
  ASSERT_EQ(entries.size(), 4u);
  EXPECT_EQ(entries[0].substr(0, 15), "Lab1 /srv/nc/a ");
  EXPECT_EQ(entries[1].substr(0, 15), "Lab2 /srv/nc/b ");
  EXPECT_EQ(entries[2].substr(0, 9), "開く A:");
  EXPECT_EQ(entries[3].substr(0, 9), "保存 A:");
}

TEST(Dirmark, APathWithoutALabelIsWrittenButVorntSkipsIt) {
  TwoPrograms p;
  const std::string keys = "Only{Tab}/srv/one{Tab}{Tab}/srv/unnamed{Shift+Tab}{Shift+Tab}{Shift+Tab}{Shift+Tab}{Enter}";
  ASSERT_EQ(p.run("dirmark", p.dir / "work", "--work-dir . --headless --keys '" + keys + "'"), 0);
  const std::string written = readFile(p.dir / "work" / "UsFolder");
  const std::string head = "\"Only\",\"/srv/one\"\r\n\"\",\"/srv/unnamed\"\r\n\"\",\"\"\r\n";
  EXPECT_EQ(written.substr(0, head.size()), head);
  const std::vector<std::string> entries = p.menuEntries();
  ASSERT_EQ(entries.size(), 3u);
  EXPECT_EQ(entries[0].substr(0, 14), "Only /srv/one ");
}

TEST(Dirmark, EndingWithoutRegisteringLeavesTheFileAsItWas) {
  TwoPrograms p;
  const std::string original = "\"Keep\",\"/k\"\r\n";
  std::ofstream(p.dir / "work" / "UsFolder", std::ios::binary) << original;
  ASSERT_EQ(p.run("dirmark", p.dir, "--work-dir work --headless --keys 'Changed{Esc}'"), 0);
  EXPECT_EQ(readFile(p.dir / "work" / "UsFolder"), original);
  ASSERT_EQ(p.run("dirmark", p.dir, "--work-dir work --headless --keys 'Changed{Close}'"), 0);
  EXPECT_EQ(readFile(p.dir / "work" / "UsFolder"), original);
  EXPECT_EQ(p.run("dirmark", p.dir, "--headless --keys '{Nonsense}'"), 2);
  EXPECT_EQ(p.run("dirmark", p.dir, "--bogus"), 1);
}

}  // namespace
}  // namespace vorn
