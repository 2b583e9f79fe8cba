#pragma once
// Writing machine commands to a serial machine: before every write, a byte
// waiting from the machine is a control character — DC1 resumes, DC3 holds
// the output until DC1, anything else stops it (the NC send's rule).
#include <functional>
#include <string_view>

#include "output/hpgl_writer.h"
#include "runtime/serial.h"

namespace vorn {

class MachineSerialSink : public PlotSink {
 public:
  // idle() is called while the machine holds the output; it waits a little
  // and returns false to give up (Esc).
  MachineSerialSink(SerialPort& port, std::function<bool()> idle) : port_(port), idle_(std::move(idle)) {}
  // Text is UTF-8; machine commands are ASCII, sent as they are.
  void send(std::string_view text) override;

  // The output was stopped: the machine sent stopCode (-1: given up while held).
  bool stopped() const { return stopped_; }
  int stopCode() const { return stopCode_; }
  bool held() const { return held_; }

 private:
  void readControl();

  SerialPort& port_;
  std::function<bool()> idle_;
  bool held_ = false;
  bool stopped_ = false;
  int stopCode_ = 0;
};

}  // namespace vorn
