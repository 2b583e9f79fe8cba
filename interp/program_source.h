#pragma once
// What the program runner reads a program from: the editor's program buffer,
// a file read by the command line, or a test's lines. Lines are numbered from 1.
#include <string_view>

namespace vorn {

class ProgramSource {
 public:
  virtual ~ProgramSource() = default;
  // True when line `number` exists. A streamed source may read on to find out.
  virtual bool hasLine(int number) const = 0;
  // UTF-8 text of line `number` ("" when there is none); valid until the next
  // call of line() (hasLine and findProgram leave it), so that a block's text
  // can be used while the runner looks at the lines after it.
  virtual std::string_view line(int number) const = 0;
  // Line number of the "O" line that starts program `programNumber`, or 0 when
  // there is none (the program-number lookup; it may rebuild its index).
  virtual int findProgram(int programNumber) const = 0;
};

}  // namespace vorn
