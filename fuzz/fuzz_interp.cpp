// Fuzzes the block reader and the runner: the input's first byte picks the
// settings, the rest is a program (an included file "A" holds the same text).
// Any crash, sanitizer report or hang is a fault.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "interp/code_table.h"
#include "interp/runner.h"
#include "interp/text_program.h"
#include "interp/word_reader.h"

namespace {

vorn::RunSettings settingsFrom(uint8_t b) {
  vorn::RunSettings s;
  s.H0V = 1 + b % 5;
  s.IDMX = (b >> 3) & 1 ? 1.0f : 10.0f;
  s.skipMode = (b >> 4) & 1;
  s.toolRadius = {0, 1, 2, 0, 4, 5, 0, 7, 8};
  return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  for (const vorn::Word& w : vorn::blockWords(text)) (void)w;
  std::vector<std::string> lines = vorn::splitLines(text);
  vorn::TextProgram program(lines);
  vorn::IncludeReader reader = [&lines](const std::string& name) {
    if (name != "A") throw std::runtime_error("missing");
    return lines;
  };
  vorn::Runner runner(program, vorn::standardCodeTable(), settingsFrom(data[0]), reader);
  runner.setBlockLimit(2000);
  while (runner.step()) {
    const vorn::Move& m = runner.move();
    (void)m;
  }
  (void)vorn::reportLine(runner.result().totals);
  return 0;
}
