// The installation as a user gets it: `cmake --install` into a prefix that is
// then moved, the programs' --help and --version, and the desktop entries.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "apps/app.h"
#include "apps/command_line.h"
#include "tests/test_files.h"

namespace fs = std::filesystem;
using vorn::readFile;
using vorn::TempDir;

namespace {

struct Ran {
  int status = -1;     // the exit status
  std::string output;  // standard output (standard error when asked)
};

Ran run(const std::string& command) {
  Ran r;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buffer{};
  while (size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe)) r.output.append(buffer.data(), n);
  const int status = ::pclose(pipe);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

std::string quoted(const fs::path& p) { return "'" + p.string() + "'"; }

const fs::path kBuild = VORN_BUILD_DIR;
const char* const kPrograms[] = {"vornt", "vorn_s", "dirmark", "vornt-cli"};
const char* const kCommands[] = {"simulate", "plot", "machine", "store", "send", "receive", "print"};

// The option lines of a usage text ("  --unit 1-4   ..." gives "--unit").
std::set<std::string> optionLinesOf(const std::string& help) {
  std::set<std::string> options;
  std::istringstream lines(help);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("  -", 0) == 0) options.insert(line.substr(2, line.find(' ', 2) - 2));
  }
  return options;
}

// Every option a usage text names anywhere ("--unit", "-o").
std::set<std::string> optionsNamedIn(const std::string& help) {
  std::set<std::string> options;
  const std::regex option(R"((?:^|[\s\[|])(--[a-z][a-z-]*|-o)\b)");
  for (std::sregex_iterator it(help.begin(), help.end(), option), end; it != end; ++it) options.insert((*it)[1]);
  return options;
}

// The desktop entries shipped in packaging/.
std::vector<fs::path> desktopEntries() {
  std::vector<fs::path> entries;
  for (const auto& file : fs::directory_iterator(fs::path(VORN_SOURCE_DIR) / "packaging"))
    if (file.path().extension() == ".desktop") entries.push_back(file.path());
  return entries;
}

// The program an entry's Exec line starts (its first word).
std::string execProgramOf(const fs::path& entry) {
  std::istringstream lines(readFile(entry));
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("Exec=", 0) == 0) {
      std::istringstream words(line.substr(5));
      std::string program;
      words >> program;
      return program;
    }
  return "";
}

}  // namespace

TEST(DataDirectory, IsShareVorntBesideTheExecutablesFolder) {
  EXPECT_EQ(vorn::dataDirectoryFor("/opt/x/bin/vornt"), fs::path("/opt/x/share/vornt"));
  EXPECT_EQ(vorn::dataDirectoryFor(kBuild / "apps" / "vornt"), kBuild / "share" / "vornt");
  EXPECT_TRUE(fs::exists(vorn::dataDirectoryFor(kBuild / "apps" / "vornt") / "NCG"));
}

// Installed, then moved elsewhere: vornt still finds its shipped files and a
// fresh working directory opens on the menu, with those files copied in.
TEST(Install, MovedPrefixStartsOnAFreshWorkingDirectory) {
  TempDir tmp;
  const fs::path first = tmp.dir / "first", moved = tmp.dir / "moved";
  Ran install = run(VORN_CMAKE " --install " + quoted(kBuild) + " --prefix " + quoted(first) + " 2>&1");
  ASSERT_EQ(install.status, 0) << install.output;
  fs::rename(first, moved);

  for (const char* program : kPrograms) EXPECT_TRUE(fs::exists(moved / "bin" / program)) << program;
  for (const char* file : {"share/vornt/NCG", "share/vornt/vorntc.ini", "share/vornt/UsFolder",
                           "share/vornt/samples/sample.nc", "share/man/man1/vornt.1", "share/man/man1/vornt-cli.1",
                           "share/man/man1/dirmark.1", "share/man/man1/vorn_s.1",
                           "share/icons/hicolor/scalable/apps/vornt.svg",
                           "share/mime/packages/vornt.xml", "share/doc/vornt/README.md"})
    EXPECT_TRUE(fs::exists(moved / file)) << file;

  // Every desktop entry is installed and starts a program the installation holds.
  int entries = 0;
  for (const fs::path& entry : desktopEntries()) {
    ++entries;
    EXPECT_TRUE(fs::exists(moved / "share" / "applications" / entry.filename())) << entry;
    EXPECT_TRUE(fs::exists(moved / "bin" / execProgramOf(entry))) << entry << " starts \"" << execProgramOf(entry) << '"';
  }
  EXPECT_GE(entries, 3);

  const fs::path work = tmp.dir / "fresh", screen = tmp.dir / "screen.txt";
  const std::string env = "cd " + quoted(tmp.dir) + " && HOME=" + quoted(tmp.dir) +
                          " XDG_CONFIG_HOME=" + quoted(tmp.dir / "config") + " ";
  Ran vornt = run(env + quoted(moved / "bin" / "vornt") + " --headless --keys '' --dump-text " + quoted(screen) +
                  " --work-dir " + quoted(work) + " 2>&1");
  ASSERT_EQ(vornt.status, 0) << vornt.output;
  const std::string text = readFile(screen);
  EXPECT_NE(text.find("作成･編集"), std::string::npos) << text;   // the menu, not the recovery screen
  EXPECT_NE(text.find("終 了"), std::string::npos) << text;
  for (const char* file : {"NCG", "vorntc.ini", "UsFolder", "sample.nc"})
    EXPECT_EQ(readFile(work / file), readFile(moved / "share" / "vornt" / (fs::path(file) == "sample.nc" ? "samples/sample.nc" : file)))
        << file;

  // vornt-cli takes the shipped code table when the folder has none.
  Ran simulate = run("cd " + quoted(tmp.dir) + " && " + quoted(moved / "bin" / "vornt-cli") + " simulate " +
                     quoted(work / "sample.nc") + " 2>&1");
  EXPECT_EQ(simulate.status, 0) << simulate.output;
}

// Every program and every vornt-cli command: --help (exit 0, usage on
// standard output) and --version; a wrong option prints the usage, exit 1.
TEST(CommandLine, HelpVersionAndUsageErrors) {
  struct Case {
    std::string command, name;
  };
  std::vector<Case> cases;
  for (const char* program : kPrograms) cases.push_back({quoted(kBuild / "apps" / program), program});
  for (const char* command : kCommands)
    cases.push_back({quoted(kBuild / "apps" / "vornt-cli") + " " + command, std::string("vornt-cli ") + command});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Ran help = run(c.command + " --help 2>/dev/null");
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.output.rfind("usage: ", 0), 0u) << help.output;
    Ran version = run(c.command + " --version 2>/dev/null");
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output, c.name + " " + std::string(vorn::packageVersion()) + "\n");
    Ran wrong = run(c.command + " --no-such-option 2>&1 >/dev/null </dev/null");
    EXPECT_EQ(wrong.status, 1);
    // The store's usage errors are one line naming the mistake; the others add the usage.
    const bool oneLine = c.name == "vornt-cli store";
    EXPECT_NE(wrong.output.find(oneLine ? "vornt-cli store: " : "usage: "), std::string::npos) << wrong.output;
  }
}

// The man pages are made from --help: each holds its program's usage line.
TEST(CommandLine, ManPagesSayWhatHelpSays) {
  for (const char* program : kPrograms) {
    const std::string page = readFile(kBuild / "packaging" / (std::string(program) + ".1"));
    Ran help = run(quoted(kBuild / "apps" / program) + " --help");
    const std::string firstLine = help.output.substr(0, help.output.find('\n'));
    EXPECT_NE(page.find(firstLine), std::string::npos) << program;
  }
}

// Each command's --help has a line of its own for every option it names, and
// the command's parser knows every option listed there.
TEST(CommandLine, EveryOptionHasAHelpLineAndIsKnown) {
  std::vector<std::string> commands;
  for (const char* program : kPrograms) commands.push_back(quoted(kBuild / "apps" / program));
  for (const char* command : kCommands) commands.push_back(quoted(kBuild / "apps" / "vornt-cli") + " " + command);
  for (const std::string& command : commands) {
    SCOPED_TRACE(command);
    const std::string help = run(command + " --help").output;
    const std::set<std::string> listed = optionLinesOf(help);
    EXPECT_TRUE(listed.count("--help") && listed.count("--version")) << help;
    for (const std::string& named : optionsNamedIn(help)) EXPECT_TRUE(listed.count(named)) << named << " in\n" << help;
    // No file is given, so a known option ends in a usage error about something else.
    if (command.find("vornt-cli' ") == std::string::npos) continue;
    for (const std::string& option : listed) {
      const Ran tried = run(command + " " + option + " x 2>&1 </dev/null");
      EXPECT_EQ(tried.output.find("unknown option"), std::string::npos) << option << ": " << tried.output;
    }
  }
}

// The README's tables say what --help says: every option of the window
// programs has a row, and every vornt-cli command a row with its summary.
TEST(CommandLine, ReadmeSaysWhatHelpSays) {
  const std::string readme = readFile(fs::path(VORN_SOURCE_DIR) / "README.md");
  for (const char* program : {"vornt", "vorn_s"}) {
    for (const std::string& option : optionLinesOf(run(quoted(kBuild / "apps" / program) + " --help").output)) {
      if (option == "--help" || option == "--version") continue;
      EXPECT_NE(readme.find("| `" + option), std::string::npos) << program << " " << option;
    }
  }
  std::istringstream lines(run(quoted(kBuild / "apps" / "vornt-cli") + " --help").output);
  int commands = 0;
  bool inCommands = false;
  for (std::string line; std::getline(lines, line);) {
    if (line == "commands:" || line == "options:") inCommands = line == "commands:";
    if (!inCommands || line.rfind("  ", 0) != 0) continue;
    const std::string name = line.substr(2, line.find(' ', 2) - 2);
    const std::string summary = line.substr(line.find_first_not_of(' ', 2 + name.size()));
    ++commands;
    const size_t row = readme.find("\n| `vornt-cli " + name);
    ASSERT_NE(row, std::string::npos) << name;
    EXPECT_EQ(readme.substr(row + 1, readme.find('\n', row + 1) - row - 1).ends_with("` | " + summary + " |"), true)
        << name << ": " << summary;
  }
  EXPECT_EQ(commands, int(std::size(kCommands)));
}

TEST(DesktopEntries, AreValid) {
  if (run("command -v desktop-file-validate >/dev/null").status != 0)
    GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
  for (const fs::path& entry : desktopEntries()) {
    Ran check = run("desktop-file-validate " + quoted(entry) + " 2>&1");
    EXPECT_EQ(check.status, 0) << entry << ": " << check.output;
    EXPECT_EQ(check.output, "") << entry;
  }
}
