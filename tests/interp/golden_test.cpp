// Golden runs: each tests/interp/data/golden/*.ngc runs through the runner and
// its move trace (one JSON object per drawing block, then the run's end and
// the report line) must equal the .trace file beside it. The first line holds
// the settings: (golden view=N unit=N r1=R start=X,Y,Z).
// VORN_UPDATE_GOLDEN=1 rewrites the traces (review the diff before committing).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "interp/code_table.h"
#include "interp/move_json.h"
#include "interp/runner.h"
#include "interp/text_program.h"
#include "interp/word_reader.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

RunSettings settingsFromHeader(std::string_view header) {
  RunSettings s;
  for (const Word& w : blockWords(header.substr(1, header.find(')') - 1))) {
    std::string_view t = w.text;
    auto value = [&](std::string_view key) { return wordValue(t.substr(key.size())); };
    if (t.starts_with("view=")) s.H0V = static_cast<int>(value("view="));
    if (t.starts_with("unit=")) s.IDMX = std::pow(10.0f, value("unit=") - 1);
    if (t.starts_with("r1=")) s.toolRadius[1] = value("r1=");
    if (t.starts_with("start=")) {
      std::string_view rest = t.substr(6);
      for (int i = 0; i < 3; ++i) {
        s.start[i] = wordValue(rest);
        rest = rest.substr(std::min(rest.size(), rest.find(',') + 1));
      }
    }
  }
  return s;
}

const char* stateName(RunState s) {
  switch (s) {
    case RunState::Running: return "running";
    case RunState::Error: return "error";
    case RunState::Stopped: return "stopped";
    case RunState::Ended: return "ended";
    case RunState::Limit: return "limit";
    case RunState::FileError: return "file error";
  }
  return "?";
}

std::string trace(const fs::path& program) {
  TextProgram source(splitLines(readFile(program)));
  RunSettings settings = settingsFromHeader(source.line(1));
  Runner runner(source, standardCodeTable(), settings);
  std::string out;
  while (runner.step()) {
    if (runner.move().draws && runner.move().I1M.empty()) out += moveJson(runner.move()) + "\n";
  }
  const RunResult& r = runner.result();
  out += std::string("end ") + stateName(r.ZVZ) + " line " + std::to_string(r.FILE) + " \"" + r.I1M + "\"\n";
  out += reportLine(r.totals) + "\n";
  return out;
}

TEST(Golden, ProgramsMatchTheirTraces) {
  fs::path dir = fs::path(VORN_TEST_DATA) / "golden";
  bool update = std::getenv("VORN_UPDATE_GOLDEN") != nullptr;
  int programs = 0;
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".ngc") continue;
    ++programs;
    fs::path expected = entry.path();
    expected.replace_extension(".trace");
    std::string actual = trace(entry.path());
    if (update) std::ofstream(expected, std::ios::binary) << actual;
    EXPECT_EQ(actual, readFile(expected)) << entry.path().filename();
  }
  EXPECT_GE(programs, 5);
}

}  // namespace
}  // namespace vorn
