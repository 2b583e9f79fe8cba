// Key scripts through the whole program: window events in the middle of a
// script reach each screen in their written place, and a whole script leaves
// the same screen as its items given one by one (each only once the program
// has taken the one before). The random run throws hundreds of scripts with
// resizes, clicks and list choices at the program: no crash, no hang, no
// changed file. VORNT_KEY_SCRIPT_RUNS and VORNT_KEY_SCRIPT_SEED run more.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>

#include "apps/app.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/keyscript.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProgram =
    "O100 (TEST)\r\nG90 G00 X0 Y0\r\nG01 X10. Y10. F100\r\nG02 X20. Y0 R10.\r\nG01 Y-5.\r\nM30\r\n";

// The headless back end, handing out its next item only when the screen has
// nothing waiting unread: the script given one item at a time.
class OneByOne final : public Backend {
 public:
  OneByOne(HeadlessBackend& inner, const Screen*& screen) : inner_(inner), screen_(screen) {}
  bool headless() const override { return true; }
  int clientWidth() const override { return inner_.clientWidth(); }
  int clientHeight() const override { return inner_.clientHeight(); }
  void restore() override { inner_.restore(); }
  void maximize() override { inner_.maximize(); }
  void setTitle(const std::string& t) override { inner_.setTitle(t); }
  void present(const Image& frame) override { inner_.present(frame); }
  std::optional<InputEvent> nextEvent(double timeout) override {
    if (screen_ && screen_->inputWaiting()) return std::nullopt;
    return inner_.nextEvent(timeout);
  }
  bool exhausted() const override { return inner_.exhausted(); }
  void beep() override { inner_.beep(); }
  void showList(const std::vector<std::string>& e, int s) override { inner_.showList(e, s); }
  void hideList() override { inner_.hideList(); }
  void mouse(int& c, int& r, int& b) const override { inner_.mouse(c, r, b); }
  void setInputMethodMode(int mode) override { inner_.setInputMethodMode(mode); }

 private:
  HeadlessBackend& inner_;
  const Screen*& screen_;
};

std::map<std::string, std::string> filesOf(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (!e.is_regular_file()) continue;
    std::ifstream in(e.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[fs::relative(e.path(), dir).string()] = bytes.str();
  }
  return files;
}

// One run of the program in a folder of its own.
struct Outcome {
  std::string screen;                 // the text of the screen at the end
  std::vector<std::string> lines;     // the program buffer
  bool waiting = false;               // ended waiting for input (not by exit)
  std::vector<std::string> changed;   // files that existed before and changed
};

// The exit screen shows the measured loop speed, which differs run to run.
std::string withoutLoopSpeed(std::string text) {
  size_t at = text.find("終 了");
  if (at == std::string::npos) return text;
  size_t end = text.find('\n', at);
  return text.erase(at, end - at);
}

Outcome runProgram(std::string_view script, bool oneByOne, const std::function<void(const fs::path&)>& prepare = {}) {
  static int serial = 0;
  const fs::path dir = fs::temp_directory_path() /
                       ("vorn_key_script_" + std::to_string(::getpid()) + "_" + std::to_string(serial++));
  fs::create_directories(dir / "config");
  std::ofstream(dir / "prog.nc", std::ios::binary) << kProgram;
  installShippedFiles(dataDirectory(), dir);
  if (prepare) prepare(dir);
  const auto before = filesOf(dir);

  HeadlessBackend inner = HeadlessBackend::fromScript(script);
  const Screen* screen = nullptr;
  OneByOne drip(inner, screen);
  VirtualClock clock(1700000000);
  DeviceConfig config;
  config.configDir = dir / "config";
  config.workDir = dir;
  Outcome out;
  {
    App app(oneByOne ? static_cast<Backend&>(drip) : inner, clock, config);
    screen = &app.screen;
    wireScreens(app);
    StartOptions options;
    options.commandFile = (dir / "prog.nc").string();
    try {
      runShell(app.session, options, app.menu);
    } catch (const InputExhausted&) {
      out.waiting = true;
    }
    out.screen = withoutLoopSpeed(app.screen.dumpText());
    for (int i = 1; i <= app.editor.buffer.lineCount(); ++i) out.lines.emplace_back(app.editor.buffer.line(i));
  }
  const auto after = filesOf(dir);
  for (const auto& [name, bytes] : before) {
    if (name == "VOT") continue;   // the loop speed, measured at every start
    auto it = after.find(name);
    if (it == after.end() || it->second != bytes) out.changed.push_back(name);
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return out;
}

// Some line of the buffer starts with text (typing over a line keeps its tail).
bool hasLine(const Outcome& o, std::string_view text) {
  return std::any_of(o.lines.begin(), o.lines.end(), [&](const std::string& l) { return l.rfind(text, 0) == 0; });
}

// Every screen that reads input gets events in the middle of its keys; the
// keys after them still arrive, and whole equals one by one. Each script
// ends by typing "(Z)" over a line in the editor, which shows that the
// keys before reached their screens in order.
TEST(KeyScriptRun, EventsInTheMiddleReachEveryScreenInOrder) {
  struct Case {
    const char* screen;
    std::string script;
    std::string expectedLine;     // a line the buffer must hold at the end
    bool waiting = true;          // the run ends waiting for input
    std::function<void(const fs::path&)> prepare = {};
  };
  const std::string toEditor = "1{Enter}{Code:11}";
  const std::vector<Case> cases = {
      {"editor line field", toEditor + "(ABCDEFGH){Enter}{ListSelect:0}{Code:11}(Z){Enter}", "(ABCDEFGH)"},
      // A resize ends the line field: what follows is typed into the field again.
      {"editor, resize while typing", toEditor + "(AB{Resize:1024,768}CD){Enter}{Click:10,3}{Code:11}(Z){Enter}",
       "CD)"},
      {"menu after the editor", toEditor + "{Down}{Esc}{Resize:900,700}1{Enter}{Code:11}(Z){Enter}", "(Z)"},
      {"menu with a click and a list choice", "{Click:2,2}{ListSelect:1}" + toEditor + "(Z){Enter}", "(Z)"},
      {"program-number list", toEditor + "{F8}{ListSelect:0}{Code:11}(Z){Enter}", "(Z)"},
      {"trajectory form and run",
       toEditor + "{F10}100{Enter}{Resize:1024,768}90{Enter}{Click:5,5}20{Enter}{ListSelect:0}{Esc}{Enter}0x"
                  "{Code:11}(Z){Enter}",
       "(Z)"},
      {"exit question and exit screen", "9{Enter}{Resize:900,700}{Enter}{Click:3,3}{ListSelect:0}r" + toEditor +
                                            "(Z){Enter}",
       "(Z)"},
      {"recovery screen", "{ListSelect:0}2{Resize:900,700}{Click:1,1}{Enter}" + toEditor + "(Z){Enter}", "(Z)", true,
       [](const fs::path& dir) { fs::create_directory(dir / "VOT"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen);
    const Outcome whole = runProgram(c.script, false, c.prepare);
    const Outcome single = runProgram(c.script, true, c.prepare);
    EXPECT_TRUE(hasLine(whole, c.expectedLine)) << whole.screen;
    EXPECT_TRUE(hasLine(whole, "(Z)")) << whole.screen;
    EXPECT_EQ(whole.waiting, c.waiting);
    EXPECT_EQ(whole.screen, single.screen);
    EXPECT_EQ(whole.lines, single.lines);
  }
}

// Random scripts: keys that move through the menu, the editor, its lists and
// the trajectory screen, mixed with window events.
std::string randomScript(std::mt19937& rng) {
  static const std::vector<std::string> keys = {
      "1{Enter}", "{Enter}", "{Enter}", "{Esc}", "{Up}", "{Down}", "{Left}", "{Right}", "{BS}", "{Del}",
      "{Ins}", "{Home}", "{Tab}", "{PgUp}", "{PgDn}", "{Code:11}", "G01 X5.", "(A)", "1", "2", "0", "x", "?",
      "日本", "{F1}", "{F2}", "{F3}", "{F4}", "{F5}", "{F6}", "{F7}", "{F8}", "{F9}", "{F10}", "{F11}", "{F12}",
      "9{Enter}", "r"};
  static const std::vector<std::string> events = {
      "{Resize:1024,768}", "{Resize:800,600}", "{Resize:640,480}", "{Resize:1280,900}", "{ListResize}",
      "{Wait:300}"};
  std::string script;
  const int items = std::uniform_int_distribution<int>(10, 60)(rng);
  std::uniform_int_distribution<int> kind(0, 9), col(0, 99), row(0, 32), entry(0, 3);
  for (int i = 0; i < items; ++i) {
    switch (kind(rng)) {
      case 0: script += events[std::uniform_int_distribution<size_t>(0, events.size() - 1)(rng)]; break;
      case 1: script += "{Click:" + std::to_string(col(rng)) + "," + std::to_string(row(rng)) + "}"; break;
      case 2: script += "{RClick:" + std::to_string(col(rng)) + "," + std::to_string(row(rng)) + "}"; break;
      case 3: script += "{ListSelect:" + std::to_string(entry(rng)) + "}"; break;
      default: script += keys[std::uniform_int_distribution<size_t>(0, keys.size() - 1)(rng)]; break;
    }
  }
  return script;
}

int fromEnvironment(const char* name, int fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::atoi(v) : fallback;
}

TEST(KeyScriptRun, RandomScriptsNeitherCrashNorHangNorChangeFilesAndAgreeOneByOne) {
  const int runs = fromEnvironment("VORNT_KEY_SCRIPT_RUNS", 24);
  const unsigned seed = unsigned(fromEnvironment("VORNT_KEY_SCRIPT_SEED", 20261208));
  std::mt19937 rng(seed);
  for (int n = 0; n < runs; ++n) {
    const std::string script = randomScript(rng);
    SCOPED_TRACE("seed " + std::to_string(seed) + " run " + std::to_string(n) + ": " + script);
    Outcome whole, single;
    ASSERT_NO_THROW(whole = runProgram(script, false));
    ASSERT_NO_THROW(single = runProgram(script, true));
    EXPECT_TRUE(whole.changed.empty()) << whole.changed.front();
    EXPECT_EQ(whole.screen, single.screen);
    EXPECT_EQ(whole.lines, single.lines);
  }
}

}  // namespace
}  // namespace vorn
