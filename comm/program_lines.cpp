#include "comm/program_lines.h"

#include "editor/normalize.h"

namespace vorn {

bool BufferReceiver::store(std::string line) {
  if (counter_ + 1 > buffer_.capacity()) return false;
  buffer_.storeLine(++counter_, std::move(line));
  return true;
}

void BufferReceiver::finish() {
  if (counter_ < buffer_.lineCount()) {
    buffer_.deleteLines(counter_ + 1, buffer_.lineCount() - counter_);
  } else if (counter_ > buffer_.lineCount()) {
    buffer_.storeLine(counter_, "");  // mode 3 with nothing received keeps its empty line
  }
  buffer_.invalidateIndex();
  // Received blocks keep their whole length (a long block is never cut).
  normalizeProgram(buffer_, 0);
}

}  // namespace vorn
