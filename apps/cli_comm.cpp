#include "apps/cli_comm.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <ostream>

#include "apps/command_line.h"
#include "apps/cli_simulate.h"
#include "comm/line.h"
#include "comm/listing.h"
#include "comm/program_lines.h"
#include "editor/normalize.h"
#include "editor/program_stream.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/error.h"
#include "runtime/line_reader.h"
#include "runtime/paths.h"
#include "runtime/signals.h"
#include "runtime/text.h"
#include "shell/numeric.h"
#include "shell/settings.h"
#include "store/layouts.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

// The usage of send, receive or print: each lists its own options.
std::string usageOf(const std::string& command) {
  const std::vector<OptionHelp> line = {
      {"--port DEV", "the serial device, e.g. /dev/ttyUSB0"},
      {"--speed BPS", "the speed in bit/s (default: the environment record's)"},
      {"--code iso|ascii", "the character code (default: the environment record's)"},
      {"--stop 1|2", "the stop bits (default: the environment record's)"},
      {"--eob cr|lf|crlf", "the end of block (default: the environment record's)"},
  };
  const std::vector<OptionHelp> sending = {
      {"--delay MS", "a pause after each character sent, 0 to 10000 ms (default: vorntc.ini's)"},
      {"--closing-percent", "end the program with a \"%\" line (default: vorntc.ini's choice)"},
  };
  std::string text;
  std::vector<OptionHelp> options;
  if (command == "send") {
    text = "usage: vornt-cli send FILE --port DEV [OPTIONS]\n"
           "Sends the NC program FILE over the serial line with the DC-code handshake;\n"
           "progress (lines, bytes, time, status) goes to standard error, and with\n"
           "--work-dir the send is added to that folder's transmission log.\n";
    options = line;
    options.insert(options.end(), sending.begin(), sending.end());
    options.insert(options.begin() + 1, {"--mode tape|dnc|now",
                                         "tape: wait for the NC's DC1 (default); dnc: the same without the \"(\" "
                                         "lines; now: send at once"});
  } else if (command == "receive") {
    text = "usage: vornt-cli receive OUT --port DEV [OPTIONS]\n"
           "Receives an NC program from the serial line into OUT (code page 932, CR LF),\n"
           "which is replaced only when lines arrived; every complete line is kept, also\n"
           "after a stop.\n";
    options = line;
    options.insert(options.begin() + 1, {"--append", "keep OUT's lines and add the program after one empty line"});
  } else {
    text = "usage: vornt-cli print FILE [OPTIONS]\n"
           "Prints the listing of the NC program FILE (header and page breaks) to the\n"
           "printer LPT3: of the device configuration, or into a file.\n";
    options = {{"-o OUT", "write the listing into OUT instead of printing it"},
               {"--page-length N", "the lines of a page, 1 to 99 (default 99)"}};
  }
  options.push_back({"--work-dir DIR", command == "print"
                                           ? "the working directory the printer is mapped for (default: the current one)"
                                           : "the folder whose NVOL and vorntc.ini give the defaults (default: the "
                                             "current one)"});
  options.push_back({"--quiet", "no progress on standard error"});
  options.push_back({"--help", "print this text"});
  options.push_back({"--version", "print the version"});
  return text + optionLines(options) +
         (command == "print" ? "Exit status: 0 printed, 1 a usage, file or printer error, 3 stopped by Ctrl+C.\n"
                             : "Exit status: 0 done, 1 a usage, file or port error, 2 stopped by the NC or\n"
                               "the line failed, 3 stopped by Ctrl+C (the screen's F9).\n");
}

bool bad(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

bool wholeNumber(const std::string& s, long lo, long hi, long& v) {
  char* end = nullptr;
  v = std::strtol(s.c_str(), &end, 10);
  return !s.empty() && *end == '\0' && v >= lo && v <= hi;
}

// A serial line that counts the bytes sent and received, for the progress
// line (the engine itself counts lines only).
class CountingPort final : public SerialPort {
 public:
  explicit CountingPort(std::unique_ptr<SerialPort> line) : line_(std::move(line)) {}
  void setSpeed(int bitsPerSecond) override { line_->setSpeed(bitsPerSecond); }
  std::string readWaiting(size_t maxBytes) override {
    std::string bytes = line_->readWaiting(maxBytes);
    received += long(bytes.size());
    return bytes;
  }
  size_t bytesWaiting() override { return line_->bytesWaiting(); }
  void write(std::string_view bytes) override {
    line_->write(bytes);
    sent += long(bytes.size());
  }
  size_t outputQueued() override { return line_->outputQueued(); }
  void close() override { line_->close(); }

  long sent = 0;      // bytes written to the line
  long received = 0;  // bytes read from it

 private:
  std::unique_ptr<SerialPort> line_;
};

// Progress on stderr at most twice a second: lines, bytes, elapsed time, status.
class CliObserver final : public TransferObserver {
 public:
  CliObserver(std::ostream& err, bool quiet, const std::string& verb) : err_(err), quiet_(quiet), verb_(verb) {}
  int poll() override { return stopSignal() ? result::F9 : 0; }
  void status(int H0L, int code) override {
    status_ = statusWord(H0L) + (code >= 0 ? " " + std::to_string(code) : "");
    report(false);
  }
  void progress(int lines, int) override {
    lines_ = lines;
    report(false);
  }
  void waitingForNc(bool shown) override {
    if (shown && !quiet_) err_ << "waiting for the NC (F9: Ctrl+C)\n";
  }
  void report(bool last) {
    if (quiet_) return;
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - shown_ < std::chrono::milliseconds(500)) return;
    shown_ = now;
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    err_ << verb_ << " " << lines_ << " lines, " << (bytes ? *bytes : 0) << " bytes, " << int(elapsed) << " s, " << status_
         << (last ? "\n" : "\r") << std::flush;
  }
  const long* bytes = nullptr;  // the count of bytes the report shows (CountingPort's)

 private:
  std::ostream& err_;
  bool quiet_;
  std::string verb_;
  std::string status_;
  int lines_ = 0;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point shown_{};
};

// The lines of a file, read as they are sent (the file may be far larger than
// the editor's buffer). Lines that are only "%" are left out: the engine
// sends its own.
class FileLineSource final : public LineSource {
 public:
  explicit FileLineSource(const std::string& path) : reader_(path, path) {
    held_ = reader_.next(raw_);
    empty_ = !held_;
  }
  bool next(std::string& line) override {
    for (; held_; held_ = reader_.next(raw_)) {
      if (raw_ == "%") continue;
      line = fromCp932(raw_);
      held_ = reader_.next(raw_);
      return true;
    }
    return false;
  }
  bool empty() override { return empty_; }

 private:
  LineReader reader_;  // bounded lines, so a file of any shape streams in constant memory
  std::string raw_;    // the line read ahead (code page 932 bytes)
  bool held_ = false;  // raw_ holds a line not yet given out
  bool empty_ = true;  // the file has no line at all
};

// Received lines kept in order; the command line has no editor capacity.
class LinesReceiver final : public LineSink {
 public:
  bool store(std::string line) override {
    lines.push_back(std::move(line));
    return true;
  }
  int stored() const override { return int(lines.size()); }
  std::vector<std::string> lines;
};

Settings settingsOf(const CommOptions& o) {
  Settings s;
  if (o.workDir.empty()) return s;
  const std::vector<std::string> lines = [&] {
    std::vector<std::string> v;
    std::ifstream in(fs::path(o.workDir) / kSettingsFile, std::ios::binary);
    for (std::string l; std::getline(in, l);) v.push_back(fromCp932(l));
    return v;
  }();
  applySettingsLines(s, lines);
  return s;
}

ProtocolOptions protocolOf(const CommOptions& o, const Settings& s) {
  ProtocolOptions p;
  p.eob = endOfBlockText(o.environment.endOfBlock);
  p.charDelayMs = o.delayMs >= 0 ? o.delayMs : s.charDelay;
  p.closingPercent = o.closingPercent || s.endOfTape == 1;
  return p;
}

int reportEnd(const Transfer& t, CliObserver& obs, std::ostream& err, const std::string& command) {
  obs.report(true);
  if (!t.lineFault.empty()) err << "vornt-cli " << command << ": the line failed: " << t.lineFault << "\n";
  if (t.V2W == result::F9) return 3;
  if (t.V2W == result::PeerStopped) {
    if (t.errorCode >= 0 && t.lineFault.empty() && !t.bufferFull)
      err << "vornt-cli " << command << ": stopped by the NC with code " << t.errorCode << "\n";
    return 2;
  }
  return t.V2W == result::Normal ? 0 : 3;
}

template <class Body>
int guardedRun(const std::string& command, std::ostream& err, Body&& body) {
  try {
    return body();
  } catch (const RuntimeError& e) {
    err << "vornt-cli " << command << ": " << e.what() << "\n";
    return 1;
  }
}

// The line settings of the environment record in the working directory,
// when it has one; the options then change them. Nothing is written.
void readStoredLineSettings(const std::vector<std::string>& args, Environment& env) {
  fs::path dir = fs::current_path();
  for (size_t i = 0; i + 1 < args.size(); ++i) {
    if (args[i] == "--work-dir") dir = args[i + 1];
  }
  std::ifstream in(dir / "NVOL", std::ios::binary);
  std::string record(size_t(kEnvironmentRecordLength), ' ');
  if (in.read(record.data(), std::streamsize(record.size()))) env = unpackEnvironment(record, env);
}

int parseOrUsage(const std::string& command, const std::vector<std::string>& args, CommOptions& o,
                 std::ostream& out, std::ostream& err) {
  for (const auto& a : args) {
    if (a == "--help" || a == "-h") {
      out << usageOf(command);
      return 0;
    }
  }
  readStoredLineSettings(args, o.environment);
  std::string error;
  if (!parseCommArgs(command, args, o, &error)) {
    err << "vornt-cli " << command << ": " << error << "\n" << usageOf(command);
    return 1;
  }
  return -1;
}

// SIGINT (and SIGTERM, SIGHUP) stop the transfer as F9 does on the screen.
struct InterruptGuard {
  InterruptGuard() {
    clearStopSignal();
    installStopSignals();
  }
};

}  // namespace

bool parseCommArgs(const std::string& command, const std::vector<std::string>& args, CommOptions& o,
                   std::string* error) {
  if (command == "receive") o.mode = TransferMode::Replace;
  const bool onLine = command != "print";  // the listing takes no line settings
  const bool sending = command == "send";
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& v) {
      if (i + 1 >= args.size()) return bad(error, a + " needs a value");
      v = args[++i];
      return true;
    };
    std::string v;
    long n = 0;
    if (a == "--port" && onLine) {
      if (!value(o.port)) return false;
    } else if (a == "--work-dir") {
      if (!value(o.workDir)) return false;
    } else if (a == "--quiet") {
      o.quiet = true;
    } else if (a == "--closing-percent" && sending) {
      o.closingPercent = true;
    } else if (a == "--speed" && onLine) {
      if (!value(v) || !wholeNumber(v, 50, 115200, n)) return bad(error, "--speed takes bit/s, e.g. 9600");
      o.speed = int(n);
    } else if (a == "--code" && onLine) {
      if (!value(v) || (v != "iso" && v != "ascii")) return bad(error, "--code takes iso or ascii");
      o.environment.PAX = v == "iso" ? 1 : 2;
    } else if (a == "--stop" && onLine) {
      if (!value(v) || !wholeNumber(v, 1, 2, n)) return bad(error, "--stop takes 1 or 2");
      o.environment.V1R = int(n);
    } else if (a == "--eob" && onLine) {
      if (!value(v) || (v != "cr" && v != "lf" && v != "crlf")) return bad(error, "--eob takes cr, lf or crlf");
      o.environment.endOfBlock = v == "cr" ? 1 : v == "lf" ? 2 : 3;
    } else if (a == "--delay" && sending) {
      if (!value(v) || !wholeNumber(v, 0, 10000, n)) return bad(error, "--delay takes milliseconds");
      o.delayMs = double(n);
    } else if (a == "--mode" && command == "send") {
      if (!value(v)) return false;
      if (v == "tape") o.mode = TransferMode::Tape;
      else if (v == "dnc") o.mode = TransferMode::Dnc;
      else if (v == "now") o.mode = TransferMode::Now;
      else return bad(error, "--mode takes tape, dnc or now");
    } else if (a == "--append" && command == "receive") {
      o.mode = TransferMode::Append;
    } else if (a == "-o" && command == "print") {
      if (!value(o.output)) return false;
    } else if (a == "--page-length" && command == "print") {
      if (!value(v) || !wholeNumber(v, 1, 99, n)) return bad(error, "--page-length takes 1 to 99");
      o.pageLength = int(n);
    } else if (!a.empty() && a[0] == '-') {
      return bad(error, "unknown option " + a);
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      return bad(error, "one file only");
    }
  }
  if (o.file.empty()) return bad(error, command == "receive" ? "OUT is missing" : "FILE is missing");
  if (command != "print" && o.port.empty()) return bad(error, "--port DEV is missing");
  return true;
}

LineSettings commLineSettings(const CommOptions& o) { return ncLineSettings(deriveLineValues(o.environment)); }

namespace {
int speedOf(const CommOptions& o) { return o.speed > 0 ? o.speed : deriveLineValues(o.environment).bitsPerSecond(); }

// The line the options name, at their speed, counting its bytes.
CountingPort openCountedLine(const CommOptions& o) {
  CountingPort port(openSerialPort(o.port, commLineSettings(o)));
  port.setSpeed(speedOf(o));
  return port;
}
}  // namespace

int runSend(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CommOptions o;
  if (int r = parseOrUsage("send", args, o, out, err); r >= 0) return r;
  return guardedRun("send", err, [&] {
    const Settings settings = settingsOf(o);
    FileLineSource source(o.file);
    CountingPort port = openCountedLine(o);
    RealClock clock;
    CliObserver observer(err, o.quiet, "sent");
    observer.bytes = &port.sent;
    ProtocolOptions p = protocolOf(o, settings);
    p.endPauseSeconds = 0.2;
    InterruptGuard guard;
    Transfer t(port, clock, p, observer);
    t.run(o.mode, &source, nullptr);
    port.close();
    if (!o.workDir.empty() && !t.record.start.empty()) {
      DeviceConfig config;
      config.workDir = o.workDir;
      PathMap paths(config);
      ChannelTable channels(paths);
      appendTransmissionLog(channels, settings, t.record);
    }
    return reportEnd(t, observer, err, "send");
  });
}

int runReceive(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CommOptions o;
  if (int r = parseOrUsage("receive", args, o, out, err); r >= 0) return r;
  return guardedRun("receive", err, [&] {
    const Settings settings = settingsOf(o);
    // An appended reception follows the old program and one empty line.
    std::string text;
    if (o.mode == TransferMode::Append && fs::exists(o.file)) {
      const StreamProgram old(o.file);
      for (int n = 1; old.hasLine(n); ++n) text += toCp932(old.line(n)) + "\r\n";
      text += "\r\n";
    }
    CountingPort port = openCountedLine(o);
    RealClock clock;
    CliObserver observer(err, o.quiet, "received");
    observer.bytes = &port.received;
    ProtocolOptions p = protocolOf(o, settings);
    p.endPauseSeconds = 0;
    InterruptGuard guard;
    LinesReceiver sink;
    Transfer t(port, clock, p, observer);
    t.run(o.mode, nullptr, &sink);
    port.close();
    // Every complete line is kept, also after a stop, normalised as the screen does.
    for (const std::string& line : sink.lines) {
      const bool comment = !line.empty() && line.front() == '(';
      text += toCp932(comment ? line : normalizeBlock(line, true, nullptr, 0)) + "\r\n";
    }
    if (!sink.lines.empty()) replaceFileBytes(o.file, text);  // nothing received: OUT stays as it was
    if (!o.quiet) err << "kept " << sink.lines.size() << " lines in " << o.file << "\n";
    return reportEnd(t, observer, err, "receive");
  });
}

int runPrint(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CommOptions o;
  if (int r = parseOrUsage("print", args, o, out, err); r >= 0) return r;
  return guardedRun("print", err, [&] {
    const StreamProgram program(o.file);
    const std::time_t now = std::time(nullptr);
    const ListingHeader header{fs::path(o.file).stem().string(), "", 0, dateStamp(now), timeString(now)};
    InterruptGuard guard;
    std::string text;
    const int lines = writeListing(
        program, header, o.pageLength, [&](std::string_view s) { text += toCp932(s); },
        [](int) { return stopSignal() != 0; });
    if (!o.output.empty()) {
      replaceFileBytes(o.output, text);
    } else {
      const fs::path work = o.workDir.empty() ? fs::current_path() : fs::path(o.workDir);
      const char* xdg = std::getenv("XDG_CONFIG_HOME");
      PathMap paths(loadDeviceConfig(configFolder(xdg, std::getenv("HOME")), work));
      ChannelTable channels(paths);
      channels.openDevice(9, "LPT3:");
      channels.writeBytes(9, text);
      channels.close(9);
    }
    if (!o.quiet) err << "printed " << lines << " lines\n";
    return stopSignal() ? 3 : 0;
  });
}

}  // namespace vorn
