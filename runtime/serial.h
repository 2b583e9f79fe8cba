#pragma once
// Serial lines: the device string ("COM1:(S7E2N7NN?,CS0,DS0)") parsed into
// line settings, and the port behind an interface with a termios
// implementation and an in-memory fake for protocol tests.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

struct termios;  // <termios.h> itself stays in serial.cpp: it defines macros such as B0 and ECHO

namespace vorn {

// How a control line (RTS or DTR) is set when the port opens.
enum class ControlLine {
  Leave,  // "N": as the driver sets it on open (normally raised)
  Raise,  // "H" or "Y": asserted
  Lower,  // "L": dropped
};

// The line settings of a serial device string.
struct LineSettings {
  int port = 1;               // n of "COMn"
  int dataBits = 8;           // 5..8
  char parity = 'N';          // 'E' even, 'O' odd, 'N' none
  int stopBits = 1;           // 1 or 2
  ControlLine rts = ControlLine::Leave;  // first control letter
  ControlLine dtr = ControlLine::Leave;  // second control letter
};

// Parses "COMn:(S<bits><parity><stop>N<bits><rts><dtr>?[,CSn][,DSn])".
// Throws RuntimeError(err::DeviceUnavailable, ...) naming what is wrong.
LineSettings parseDeviceString(std::string_view deviceString);

// Sets t to raw mode with the data bits, parity and stop bits of s, the
// receiver on, modem status ignored and no flow control in the driver.
void applyLineSettings(termios& t, const LineSettings& s);

// An open serial line. Every failure throws RuntimeError.
class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Line speed in bit/s (1200, 2400, 4800, 9600 and the other standard rates).
  virtual void setSpeed(int bitsPerSecond) = 0;
  // Up to maxBytes of the bytes already received; never waits.
  virtual std::string readWaiting(size_t maxBytes) = 0;
  // Number of received bytes waiting to be read.
  virtual size_t bytesWaiting() = 0;
  // Sends all bytes (waits while the driver's buffer is full).
  virtual void write(std::string_view bytes) = 0;
  // Bytes written but still in the driver's output queue (not yet on the line).
  virtual size_t outputQueued() = 0;
  // Closes the line; later operations throw. Closing twice does nothing.
  virtual void close() = 0;
};

// Opens a serial device (a tty) with the given line settings in raw mode,
// without flow control in the driver. Throws RuntimeError (a missing device
// gives err::NotFound, a file that is no serial line err::DeviceUnavailable).
std::unique_ptr<SerialPort> openSerialPort(const std::filesystem::path& device, const LineSettings& settings);

// In-memory port for protocol tests: the test fills `incoming` and reads `sent`.
class FakeSerialPort : public SerialPort {
 public:
  void setSpeed(int bitsPerSecond) override { speed = bitsPerSecond; }
  std::string readWaiting(size_t maxBytes) override {
    std::string out = incoming.substr(0, maxBytes);
    incoming.erase(0, out.size());
    return out;
  }
  size_t bytesWaiting() override { return incoming.size(); }
  void write(std::string_view bytes) override {
    sent.append(bytes);
    if (onWrite) onWrite(*this);
  }
  size_t outputQueued() override { return 0; }
  void close() override { closed = true; }

  std::string incoming;  // bytes the far end has sent, not yet read
  std::string sent;      // everything written to the line
  int speed = 0;         // last speed set, bit/s
  bool closed = false;   // close() was called
  // Called after every write: lets a test play the far end (answer a byte, fill `incoming`).
  std::function<void(FakeSerialPort&)> onWrite;
};

}  // namespace vorn
