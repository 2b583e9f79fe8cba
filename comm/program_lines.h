#pragma once
// The program in memory as the engine's line source and receive sink:
// sending reads lines 1..Z; receiving replaces the program (mode 2) or
// appends after one empty line (mode 3), clears the old lines behind the new
// end and normalises the program.
#include "comm/transfer.h"
#include "editor/program_buffer.h"

namespace vorn {

class BufferSource final : public LineSource {
 public:
  explicit BufferSource(const ProgramBuffer& buffer) : buffer_(buffer) {}
  bool next(std::string& line) override {
    if (n_ >= buffer_.lineCount()) return false;
    line = std::string(buffer_.line(++n_));
    return true;
  }
  bool empty() override { return buffer_.lineCount() == 0; }

 private:
  const ProgramBuffer& buffer_;
  int n_ = 0;
};

class BufferReceiver final : public LineSink {
 public:
  // append: the lines go after the program and one empty line; else they replace it.
  BufferReceiver(ProgramBuffer& buffer, bool append)
      : buffer_(buffer), counter_(append ? buffer.lineCount() + 1 : 0), first_(counter_) {}
  bool store(std::string line) override;
  void finish() override;
  int stored() const override { return counter_; }
  int received() const { return counter_ - first_; }  // lines of this reception

 private:
  ProgramBuffer& buffer_;
  int counter_;  // the last program line written
  int first_;    // the counter before the first line
};

}  // namespace vorn
