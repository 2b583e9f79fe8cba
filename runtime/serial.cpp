#include "runtime/serial.h"

// NOTE: <termios.h> defines macros such as B0, ECHO and CR1; it stays in this file.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>

#include "runtime/error.h"

namespace vorn {

namespace {

[[noreturn]] void badDeviceString(std::string_view s, const std::string& why) {
  throw RuntimeError(err::DeviceUnavailable, "open " + std::string(s), why);
}

ControlLine controlLetter(char c, std::string_view s) {
  switch (c) {
    case 'N': return ControlLine::Leave;
    case 'H':
    case 'Y': return ControlLine::Raise;
    case 'L': return ControlLine::Lower;
    default: badDeviceString(s, std::string("control letter must be N, H, Y or L, not '") + c + "'");
  }
}

// Reads a whole number at s[i], advancing i; -1 when no digit is there.
int number(std::string_view s, size_t& i) {
  if (i >= s.size() || !std::isdigit(static_cast<unsigned char>(s[i]))) return -1;
  int n = 0;
  while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && n < 100000) n = n * 10 + (s[i++] - '0');
  return n;
}

speed_t speedCode(int bitsPerSecond) {
  switch (bitsPerSecond) {
    case 50: return B50;
    case 75: return B75;
    case 110: return B110;
    case 150: return B150;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
  }
}

class TermiosPort : public SerialPort {
 public:
  TermiosPort(int fd, std::string name) : fd_(fd), name_(std::move(name)) {}
  ~TermiosPort() override { close(); }
  TermiosPort(const TermiosPort&) = delete;
  TermiosPort& operator=(const TermiosPort&) = delete;

  void configure(const LineSettings& s) {
    termios t{};
    if (tcgetattr(fd_, &t) != 0) raiseErrno(errno, "set up " + name_);
    applyLineSettings(t, s);
    if (tcsetattr(fd_, TCSANOW, &t) != 0) raiseErrno(errno, "set up " + name_);
    setControlLine(TIOCM_RTS, s.rts);
    setControlLine(TIOCM_DTR, s.dtr);
    tcflush(fd_, TCIFLUSH);
  }

  void setSpeed(int bitsPerSecond) override {
    speed_t code = speedCode(bitsPerSecond);
    if (code == B0) throw RuntimeError(err::DeviceUnavailable, "set speed of " + name_, std::to_string(bitsPerSecond) + " bit/s is not supported");
    termios t{};
    if (tcgetattr(fd_, &t) != 0 || cfsetispeed(&t, code) != 0 || cfsetospeed(&t, code) != 0 ||
        tcsetattr(fd_, TCSANOW, &t) != 0) {
      raiseErrno(errno, "set speed of " + name_);
    }
  }

  std::string readWaiting(size_t maxBytes) override {
    requireOpen("read from ");
    std::string out(maxBytes, '\0');
    for (;;) {
      ssize_t n = ::read(fd_, out.data(), maxBytes);
      if (n >= 0) {
        out.resize(static_cast<size_t>(n));
        return out;
      }
      if (errno == EAGAIN || errno == EWOULDBLOCK) return {};
      if (errno != EINTR) lineFault(errno, "read from ");
    }
  }

  size_t bytesWaiting() override {
    requireOpen("count bytes of ");
    int n = 0;
    if (ioctl(fd_, FIONREAD, &n) != 0) lineFault(errno, "count bytes of ");
    return static_cast<size_t>(n);
  }

  void write(std::string_view bytes) override {
    requireOpen("write to ");
    while (!bytes.empty()) {
      ssize_t n = ::write(fd_, bytes.data(), bytes.size());
      if (n >= 0) {
        bytes.remove_prefix(static_cast<size_t>(n));
      } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
        waitWritable();
      } else if (errno != EINTR) {
        lineFault(errno, "write to ");
      }
    }
  }

  size_t outputQueued() override {
    requireOpen("count output of ");
    int n = 0;
    if (ioctl(fd_, TIOCOUTQ, &n) != 0) lineFault(errno, "count output of ");
    return static_cast<size_t>(n);
  }

  void close() override {
    if (fd_ < 0) return;
    // Queued output goes out first (a plot's last commands matter). What a
    // peer that reads nothing more leaves queued is dropped after a second,
    // so the close never waits on it.
    auto queued = [this] {
      int n = 0;
      return ioctl(fd_, TIOCOUTQ, &n) == 0 ? n : 0;
    };
    for (int i = 0; i < 200 && queued() > 0; ++i) ::usleep(5000);
    if (queued() > 0) tcflush(fd_, TCOFLUSH);
    ::close(fd_);
    fd_ = -1;
  }

 private:
  void requireOpen(const char* what) {
    if (fd_ < 0) throw RuntimeError(err::NcLineFault, what + name_, "the line is closed");
  }

  // NOTE: pseudo-terminals and some adapters have no modem lines; that is not an error.
  void setControlLine(int line, ControlLine how) {
    if (how == ControlLine::Leave) return;
    ioctl(fd_, how == ControlLine::Raise ? TIOCMBIS : TIOCMBIC, &line);
  }

  void waitWritable() {
    constexpr int kTimeoutMs = 10000;  // a line that takes no byte for this long is dead
    pollfd p{fd_, POLLOUT, 0};
    int r = ::poll(&p, 1, kTimeoutMs);
    if (r == 0) throw RuntimeError(err::NcLineFault, "write to " + name_, "the line takes no data");
    if (r < 0 && errno != EINTR) lineFault(errno, "write to ");
  }

  [[noreturn]] void lineFault(int e, const std::string& what) {
    throw RuntimeError(err::NcLineFault, what + name_, std::to_string(e));
  }

  int fd_;
  std::string name_;
};

}  // namespace

void applyLineSettings(termios& t, const LineSettings& s) {
  cfmakeraw(&t);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag |= s.dataBits == 5 ? CS5 : s.dataBits == 6 ? CS6 : s.dataBits == 7 ? CS7 : CS8;
  if (s.parity != 'N') t.c_cflag |= PARENB;
  if (s.parity == 'O') t.c_cflag |= PARODD;
  if (s.stopBits == 2) t.c_cflag |= CSTOPB;
  t.c_iflag &= ~(IXON | IXOFF | IXANY);  // the DC-code handshake is the program's, not the driver's
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
}

LineSettings parseDeviceString(std::string_view s) {
  LineSettings ls;
  std::string u(s);
  for (char& c : u) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  size_t i = 0;
  if (u.compare(0, 3, "COM") != 0) badDeviceString(s, "must start with COM");
  i = 3;
  ls.port = number(u, i);
  if (ls.port < 1 || ls.port > 99) badDeviceString(s, "port number missing");
  if (u.compare(i, 3, ":(S") != 0) badDeviceString(s, "expected \":(S\" after the port");
  i += 3;
  if (i + 8 > u.size()) badDeviceString(s, "parameter list too short");
  ls.dataBits = u[i] - '0';
  ls.parity = u[i + 1];
  ls.stopBits = u[i + 2] - '0';
  if (ls.dataBits < 5 || ls.dataBits > 8) badDeviceString(s, "data bits must be 5 to 8");
  if (ls.parity != 'E' && ls.parity != 'O' && ls.parity != 'N') badDeviceString(s, "parity must be E, O or N");
  if (ls.stopBits != 1 && ls.stopBits != 2) badDeviceString(s, "stop bits must be 1 or 2");
  if (u[i + 3] != 'N' || u[i + 4] - '0' != ls.dataBits) badDeviceString(s, "expected N and the data bits again");
  ls.rts = controlLetter(u[i + 5], s);
  ls.dtr = controlLetter(u[i + 6], s);
  if (u[i + 7] != '?') badDeviceString(s, "expected \"?\" after the control letters");
  i += 8;
  // Optional handshake time-outs (",CS0,DS0"): accepted; the driver runs no hardware flow control.
  while (i < u.size() && u[i] == ',') {
    if (u.compare(i + 1, 2, "CS") != 0 && u.compare(i + 1, 2, "DS") != 0) badDeviceString(s, "unknown option");
    i += 3;
    if (number(u, i) < 0) badDeviceString(s, "option needs a number");
  }
  if (i + 1 != u.size() || u[i] != ')') badDeviceString(s, "expected \")\" at the end");
  return ls;
}

std::unique_ptr<SerialPort> openSerialPort(const std::filesystem::path& device, const LineSettings& settings) {
  const std::string name = device.string();
  int fd = ::open(name.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) raiseErrno(errno, "open " + name);
  if (!isatty(fd)) {
    ::close(fd);
    throw RuntimeError(err::DeviceUnavailable, "open " + name, "not a serial line");
  }
  // One program at a time on a line: a second transfer would mix its bytes into this one.
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    throw RuntimeError(err::DeviceUnavailable, "open " + name, "the line is in use by another program");
  }
  auto port = std::make_unique<TermiosPort>(fd, name);
  port->configure(settings);
  return port;
}

}  // namespace vorn
