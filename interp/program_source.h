#pragma once
// What the program runner reads a program from: the editor's program buffer,
// a file read by the command line, or a test's lines. Lines are numbered from 1.
#include <string_view>

namespace vorn {

class ProgramSource {
 public:
  virtual ~ProgramSource() = default;
  virtual int lineCount() const = 0;                  // lines 1..lineCount()
  virtual std::string_view line(int number) const = 0;  // UTF-8 text of line `number`
  // Line number of the "O" line that starts program `programNumber`, or 0 when
  // there is none (the program-number lookup; it may rebuild its index).
  virtual int findProgram(int programNumber) const = 0;
};

}  // namespace vorn
