#pragma once
// A print job: code page 932 bytes spooled to a temporary file and handed to
// the print command (`lp -d QUEUE`) when finished, or appended to a file.
#include <string>
#include <string_view>

#include "runtime/paths.h"

namespace vorn {

class PrintJob {
 public:
  // Starts a job for target; `command` is the print program ("lp").
  // Throws RuntimeError when the spool or target file cannot be opened.
  PrintJob(const PrinterTarget& target, std::string command);
  ~PrintJob();  // an unfinished job is dropped (its spool file removed)
  PrintJob(const PrintJob&) = delete;
  PrintJob& operator=(const PrintJob&) = delete;

  void write(std::string_view bytes);  // throws RuntimeError on a write failure
  // Closes the output and, for a queue, runs the print command and waits for it.
  // Throws RuntimeError(err::DeviceUnavailable) when the command fails.
  void finish();

 private:
  PrinterTarget target_;
  std::string command_;
  std::string path_;  // spool file (queue) or target file
  int fd_ = -1;
};

}  // namespace vorn
