#pragma once
// `vornt-cli send|receive|print`: the communication engine and the listing
// from the command line.
//   send FILE --port DEV [--mode tape|dnc|now]   streams FILE to the NC
//   receive OUT --port DEV [--append]            receives into OUT (code page 932, CR LF)
//   print FILE [-o OUT] [--page-length N]        the listing, to OUT or the printer "LPT3:"
// Line options change those of the working directory's environment record:
// --speed BPS, --code iso|ascii, --stop 1|2, --eob cr|lf|crlf, --delay MS,
// --closing-percent; --work-dir DIR, --quiet.
#include <iosfwd>
#include <string>
#include <vector>

#include "comm/transfer.h"
#include "runtime/serial.h"
#include "shell/environment.h"

namespace vorn {

struct CommOptions {
  std::string file;          // FILE or OUT
  std::string port;          // serial device path (--port)
  std::string workDir;       // --work-dir: settings file and printer mapping
  TransferMode mode = TransferMode::Tape;  // send: --mode; receive: Replace or Append
  Environment environment;   // the line settings, changed by the options
  int speed = 0;             // --speed in bit/s; 0: the environment's
  double delayMs = -1;       // --delay; -1: the settings file's
  bool closingPercent = false;  // --closing-percent (or the settings file's)
  bool quiet = false;
  std::string output;        // print: -o OUT, "" for the printer
  int pageLength = 99;       // print: --page-length
};

// Parses the arguments after the command name; false with *error on bad usage.
bool parseCommArgs(const std::string& command, const std::vector<std::string>& args, CommOptions& o,
                   std::string* error);

// The serial settings and speed the options give.
LineSettings commLineSettings(const CommOptions& o);

// Exit status: 0 done, 1 usage, file or port error, 2 stopped by the NC
// (or the line failed), 3 stopped by SIGINT.
int runSend(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runReceive(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int runPrint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vorn
