#pragma once
// A program file run straight from the disk, for the command line: lines are
// read as the editor loads them (the same rule, the same numbering: "%" lines
// of NC-type files and a ".wf" header left out), but as a stream, so a program
// of any size runs in constant memory.
//
// Jumps (M98 calls, M99 returns and repeats) need lines that are no longer, or
// not yet, in memory. A regular file is read again instead: a call's "O" line
// is found by scanning ahead with a second reader (what one scan finds is kept
// in a bounded index), and a jump seeks to the nearest remembered line start
// (the lines after each jump's origin, the "O" lines, line 1) and reads on
// from there. A pipe or device is read once, in order; a jump in it stops the
// run with an error saying so.
#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "editor/load.h"
#include "interp/program_source.h"
#include "interp/runner.h"

namespace vorn {

class LineReader;

class StreamProgram final : public ProgramSource {
 public:
  // Opens the file; raises RuntimeError when it cannot be opened or read.
  explicit StreamProgram(const std::string& path);
  ~StreamProgram() override;

  bool hasLine(int number) const override;
  // Raises RuntimeError on a read error, or for a line behind the stream of a pipe.
  std::string_view line(int number) const override;
  // Raises RuntimeError for a pipe or device, which cannot be read again.
  int findProgram(int programNumber) const override;

  bool seekable() const;
  // Lines cut while reading (to 70 cells, or at the reader's cap): how many and the first.
  int linesCut() const { return linesCut_; }
  int firstCutLine() const { return firstCutLine_; }

 private:
  struct Position {
    int line = 1;          // program line that starts at `offset`
    uint64_t offset = 0;   // byte offset in the file
  };
  // Reads the next program line of `reader` into *text (*offset: where it
  // starts); false at the end.
  bool readLine(LineReader& reader, std::string& text, bool* cut, uint64_t* offset) const;
  bool advance() const;               // reads the next line into text_
  bool readTo(int number) const;      // reads until text_ holds line `number`; false when there is none
  void moveTo(int number) const;      // positions the main reader so that line `number` is next
  void remember(int line, uint64_t offset) const;
  void noteProgramLine(int line, uint64_t offset, const std::string& text) const;
  void scanFor(int programNumber) const;  // extends the index until the number is found or the file ends

  std::string path_;
  LineRule rule_;
  std::unique_ptr<LineReader> reader_;   // the run's reader
  mutable std::unique_ptr<LineReader> scanner_;  // reads ahead for calls (regular files only; opened at the first)
  mutable std::string text_;             // the line last read (unless handed out since)
  mutable int current_ = 0;              // its number (0: none yet)
  mutable std::string shown_;            // the line `line` handed out last
  mutable int shownLine_ = 0;            // its number (0: none)
  mutable int last_ = -1;                // the last line's number once the end was seen
  mutable Position first_;               // where line 1 starts
  mutable std::map<int, uint64_t> starts_;  // remembered line starts (bounded)
  // First "O" line of each program number, for lines 1..indexedTo_.
  mutable std::map<float, Position> programs_;
  mutable int indexedTo_ = 0;
  mutable Position scanAt_;              // where the scanner goes on
  mutable bool indexFull_ = false;       // the index stopped growing: look-ups past it scan
  mutable int linesCut_ = 0, firstCutLine_ = 0;
  mutable int countedTo_ = 0;            // lines up to here were checked for a cut
};

// An included file read as a stream: its lines as UTF-8, long lines cut at the
// reader's cap. Raises RuntimeError when it cannot be opened or is a device.
IncludedFile streamIncludedFile(const std::string& hostPath, const std::string& shownPath);

}  // namespace vorn
