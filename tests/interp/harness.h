#pragma once
// Helpers for the interpreter tests: run a few lines through the runner and
// collect the move records.
#include <map>
#include <string>
#include <vector>

#include "interp/code_table.h"
#include "interp/runner.h"
#include "interp/text_program.h"

namespace vorn::test {

struct Outcome {
  RunResult result;
  std::vector<Move> moves;           // every block read (text views dangle afterwards)
  std::vector<std::string> texts;    // the text of each block
  std::vector<int> lines;            // the line of each block
};

inline RunSettings millimetres() {
  RunSettings s;
  s.IDMX = 1;
  return s;
}

inline Outcome runLines(const std::vector<std::string>& lines, const RunSettings& settings = millimetres(),
                        const CodeTable& codes = standardCodeTable(),
                        const std::map<std::string, std::vector<std::string>>& files = {},
                        long maxBlocks = 100000) {
  TextProgram program(lines);
  IncludeReader reader = [&files](const std::string& name) {
    auto it = files.find(name);
    if (it == files.end()) throw std::runtime_error("not found: " + name);
    return it->second;
  };
  Runner runner(program, codes, settings, reader);
  runner.setBlockLimit(maxBlocks);
  Outcome out;
  while (runner.step()) {
    out.moves.push_back(runner.move());
    out.texts.emplace_back(runner.move().text);
    out.lines.push_back(runner.move().line);
  }
  out.result = runner.result();
  return out;
}

}  // namespace vorn::test
