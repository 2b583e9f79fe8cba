#pragma once
// One fuzz input through the block reader and the runner: the first byte picks
// the settings (view, unit, block skip), the rest is the program; an included
// file "A" holds the same text. Shared by the fuzz target and the regression
// test that replays kept inputs.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "interp/code_table.h"
#include "interp/runner.h"
#include "interp/text_program.h"
#include "interp/word_reader.h"

namespace vorn::fuzz {

inline RunSettings settingsFrom(uint8_t b) {
  RunSettings s;
  s.H0V = 1 + b % 5;
  s.IDMX = (b >> 3) & 1 ? 1.0f : 10.0f;
  s.skipMode = (b >> 4) & 1;
  s.toolRadius = {0, 1, 2, 0, 4, 5, 0, 7, 8};
  return s;
}

// Runs the input; returns the number of blocks read (at most 2000).
inline long runInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  for (const Word& w : blockWords(text)) (void)w;
  std::vector<std::string> lines = splitLines(text);
  TextProgram program(lines);
  IncludeReader reader = [&lines](const std::string& name) {
    if (name != "A") throw std::runtime_error("missing");
    return lines;
  };
  Runner runner(program, standardCodeTable(), settingsFrom(data[0]), reader);
  runner.setBlockLimit(2000);
  while (runner.step()) (void)runner.move();
  (void)reportLine(runner.result().totals);
  return runner.result().blocks;
}

}  // namespace vorn::fuzz
