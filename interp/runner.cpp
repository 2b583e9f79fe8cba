#include "interp/runner.h"

#include <exception>
#include <stdexcept>

namespace vorn {
namespace {

// A line of an included file that ends the inclusion (it is not executed).
bool endsInclusion(std::string_view line) {
  return line == "M2" || line == "M02" || line == "M30" || line == "M99";
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

bool IncludedFile::next(std::string& line) {
  if (stream_) return stream_(line);
  if (pos_ >= lines_.size()) return false;
  line = lines_[pos_++];
  return true;
}

Runner::Runner(const ProgramSource& program, const CodeTable& codes, const RunSettings& settings,
               IncludeReader includes, BlockNormalizer normalize)
    : program_(program),
      includes_(std::move(includes)),
      normalize_(std::move(normalize)),
      interp_(codes, settings, &program) {
  interp_.state().FILE = 1;
  if (!program_.hasLine(1)) result_.ZVZ = RunState::Ended;
}

void Runner::stop() {
  if (result_.ZVZ == RunState::Running) result_.ZVZ = RunState::Stopped;
  closeInclude();
}

void Runner::closeInclude() {
  includeOpen_ = false;
  included_ = {};
}

bool Runner::openInclude(std::string_view name) {
  std::string file(trimBlanks(name));
  try {
    if (!includes_) throw std::runtime_error("no reader for included files");
    included_ = includes_(file);
  } catch (const std::exception& e) {
    result_.ZVZ = RunState::FileError;
    result_.fileError = "(:" + file + ": " + e.what();
    return false;
  }
  includeOpen_ = true;
  includeName_ = file;
  return true;
}

bool Runner::nextIncludedLine() {
  try {
    return included_.next(lineText_);
  } catch (const std::exception& e) {
    result_.ZVZ = RunState::FileError;
    result_.fileError = "(:" + includeName_ + ": " + e.what();
    closeInclude();
    return false;
  }
}

// Takes the next line to run: a line of the open included file, or the
// program line at FILE ("(:" lines open their file and give its first line).
// False when there is none (the run state says why).
bool Runner::nextLine(std::string_view& line) {
  InterpState& s = interp_.state();
  for (;;) {
    if (includeOpen_) {
      if (!nextIncludedLine()) {
        if (result_.ZVZ != RunState::Running) return false;  // a read error
        // End of the included file: no further block; continue after the including line.
        closeInclude();
        finishLine();
        if (result_.ZVZ != RunState::Running) return false;
        continue;
      }
      if (endsInclusion(lineText_)) {
        lineText_ = "(EOF";
        included_ = {};  // nothing after the end line is read
      } else if (normalize_ && !lineText_.empty() &&
                 static_cast<unsigned char>(lineText_[0]) > ')') {
        normalize_(lineText_, normalText_);
        lineText_.swap(normalText_);
      }
      line = lineText_;
      return true;
    }
    if (s.FILE < 1) s.FILE = 1;
    if (!program_.hasLine(s.FILE)) {
      result_.ZVZ = RunState::Ended;
      return false;
    }
    std::string_view text = program_.line(s.FILE);
    if (text.substr(0, 2) != "(:") {
      line = text;
      return true;
    }
    result_.FILE = s.FILE;
    if (!openInclude(text.substr(2))) return false;
  }
}

// After a block: program end, the next line of an included file, or the next
// program line (past the last line the run has ended).
void Runner::finishLine() {
  InterpState& s = interp_.state();
  if (interp_.programEnded()) {
    closeInclude();
    result_.ZVZ = RunState::Ended;
    return;
  }
  if (includeOpen_) return;
  s.FILE += 1;
  if (!program_.hasLine(s.FILE)) result_.ZVZ = RunState::Ended;
}

bool Runner::step() {
  while (result_.ZVZ == RunState::Running) {
    if (maxBlocks_ > 0 && result_.blocks >= maxBlocks_) {
      result_.ZVZ = RunState::Limit;
      closeInclude();
      break;
    }
    std::string_view line;
    if (!nextLine(line)) break;
    InterpState& s = interp_.state();
    result_.FILE = s.FILE;
    std::string error;
    LineCheck check = checkLine(line, interp_.settings().skipMode, &error);
    if (check == LineCheck::Error) {
      result_.I1M = error;
      result_.ZVZ = RunState::Error;
      closeInclude();
      break;
    }
    if (check == LineCheck::Skip) {
      finishLine();
      continue;
    }
    interp_.readBlock(line, s.FILE, includeOpen_);
    ++result_.blocks;
    result_.totals = s.totals;
    if (!s.I1M.empty()) {
      // The first block error stops the run, inside an included file too.
      result_.I1M = s.I1M;
      result_.ZVZ = RunState::Error;
      closeInclude();
      return true;
    }
    finishLine();
    return true;
  }
  result_.totals = interp_.state().totals;
  result_.ignoredWords = interp_.state().ignoredWords;
  result_.firstIgnoredLine = interp_.state().firstIgnoredLine;
  return false;
}

RunResult runProgram(const ProgramSource& program, const CodeTable& codes,
                     const RunSettings& settings, MoveSink& sink, IncludeReader includes,
                     BlockNormalizer normalize, long maxBlocks) {
  Runner runner(program, codes, settings, std::move(includes), std::move(normalize));
  runner.setBlockLimit(maxBlocks);
  while (runner.step()) {
    if (!sink.block(runner.move())) runner.stop();
  }
  return runner.result();
}

}  // namespace vorn
