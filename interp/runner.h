#pragma once
// The program runner: walks a program the way the trajectory, plotter and
// machine runs do — line by line, "(:" included files, subprogram jumps,
// program end, stop on the first block error — and hands every block's move
// record to the caller. No screen; the caller draws, paces and handles keys.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "interp/accounting.h"
#include "interp/code_table.h"
#include "interp/interpreter.h"
#include "interp/move.h"
#include "interp/program_source.h"

namespace vorn {

// The lines (UTF-8) of an included file, in order: held in memory, or read
// from a stream as the run goes so that a file of any size costs no memory.
class IncludedFile {
 public:
  IncludedFile() = default;
  IncludedFile(std::vector<std::string> lines) : lines_(std::move(lines)) {}  // NOLINT: readers return lines
  explicit IncludedFile(std::function<bool(std::string&)> next) : stream_(std::move(next)) {}
  // The next line into *line; false at the end. A stream may raise on a read error.
  bool next(std::string& line);

 private:
  std::vector<std::string> lines_;
  size_t pos_ = 0;
  std::function<bool(std::string&)> stream_;
};

// Reads an included file by the name written after "(:". Raises when the
// file cannot be read.
using IncludeReader = std::function<IncludedFile(const std::string& name)>;
// Block normalisation applied to included lines not starting with a character
// at or below ")" (the editor's rule; none leaves them as they are). It writes
// the normal form into its second argument, which keeps its room line to line.
using BlockNormalizer = std::function<void(std::string_view, std::string&)>;

// How a run ended; ZVZ of the trajectory run.
enum class RunState {
  Running,    // -1
  Error,      // 1: a block error or a line-level error stopped the run
  Stopped,    // 1.5: stopped by the caller (Esc)
  Ended,      // 3: program end (M02, M30) or past the last line
  Limit,      // the block limit of the command line was reached
  FileError,  // an included file could not be read
};

struct RunResult {
  RunState ZVZ = RunState::Running;  // run state
  int FILE = 1;                      // line where the run stopped (the last line read)
  std::string I1M;                   // error text of the stopping block (or "AZ(/", "AZxW")
  std::string fileError;             // message of an unreadable included file
  Totals totals;                     // rapid and cutting distance, cutting time
  long blocks = 0;                   // blocks read
  long ignoredWords = 0;             // words ignored without a message (set when the run is over)
  int firstIgnoredLine = 0;          // line of the first of them (0: none)
};

class Runner {
 public:
  Runner(const ProgramSource& program, const CodeTable& codes, const RunSettings& settings,
         IncludeReader includes = {}, BlockNormalizer normalize = {});

  // Reads the next block. True when a block was read (move() describes it,
  // errors included); false when the run is over (result() says why).
  bool step();
  const Move& move() const { return interp_.move(); }
  // Stops the run as Esc does: state Stopped, an included file closed.
  void stop();
  const RunResult& result() const { return result_; }
  const Interpreter& interpreter() const { return interp_; }
  // Stops with RunState::Limit once this many blocks have been read (0: no limit).
  void setBlockLimit(long maxBlocks) { maxBlocks_ = maxBlocks; }

 private:
  bool nextLine(std::string_view& line);
  bool nextIncludedLine();  // the included file's next line into lineText_; false at its end
  bool openInclude(std::string_view name);
  void closeInclude();
  void finishLine();

  const ProgramSource& program_;
  IncludeReader includes_;
  BlockNormalizer normalize_;
  Interpreter interp_;
  RunResult result_;
  long maxBlocks_ = 0;
  bool includeOpen_ = false;            // included-file flag
  IncludedFile included_;               // the open included file
  std::string includeName_;             // its name as written after "(:"
  std::string lineText_;                // the current line when it is not a program line
  std::string normalText_;              // an included line's normal form while it is made
};

// Receives every block of a run; returning false stops it (Esc).
class MoveSink {
 public:
  virtual ~MoveSink() = default;
  virtual bool block(const Move& move) = 0;
};

// Runs the whole program through the sink.
RunResult runProgram(const ProgramSource& program, const CodeTable& codes,
                     const RunSettings& settings, MoveSink& sink, IncludeReader includes = {},
                     BlockNormalizer normalize = {}, long maxBlocks = 0);

}  // namespace vorn
