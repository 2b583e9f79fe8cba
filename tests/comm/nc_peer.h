#pragma once
// A simulated NC machine on the far side of a pseudo-terminal: the program
// under test opens `slavePath` as its serial line; the behaviour runs on a
// thread of its own against the master side.
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace vorn::test {

class NcPeer {
 public:
  NcPeer() {
    int slave = -1;
    char name[256] = {};
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty failed");
    termios t{};
    tcgetattr(slave, &t);
    cfmakeraw(&t);
    tcsetattr(slave, TCSANOW, &t);
    slavePath = name;
    slaveFd = slave;  // kept open until the peer ends, so the line never hangs up early
  }
  ~NcPeer() {
    join();
    if (master >= 0) ::close(master);
    if (slaveFd >= 0) ::close(slaveFd);
  }

  void start(std::function<void(NcPeer&)> behaviour) {
    thread = std::thread([this, behaviour = std::move(behaviour)] { behaviour(*this); });
  }
  void join() {
    if (thread.joinable()) thread.join();
  }

  // --- for behaviours (peer thread)

  // The next byte, or -1 after timeout seconds or when the line is gone.
  int readByte(double timeout = 5) {
    pollfd p{master, POLLIN, 0};
    if (::poll(&p, 1, int(timeout * 1000)) <= 0 || !(p.revents & POLLIN)) return -1;
    unsigned char c = 0;
    return ::read(master, &c, 1) == 1 ? c : -1;
  }
  // Everything that waits now (never blocks).
  std::string readWaiting() {
    std::string out;
    char buf[4096];
    for (;;) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 0) <= 0 || !(p.revents & POLLIN)) return out;
      const ssize_t n = ::read(master, buf, sizeof buf);
      if (n <= 0) return out;
      out.append(buf, size_t(n));
    }
  }
  // Waits for byte c (others are dropped); false on timeout.
  bool waitFor(char c, double timeout = 5) {
    for (int b; (b = readByte(timeout)) >= 0;) {
      if (b == static_cast<unsigned char>(c)) return true;
    }
    return false;
  }
  void write(std::string_view bytes) {
    while (!bytes.empty()) {
      const ssize_t n = ::write(master, bytes.data(), bytes.size());
      if (n <= 0) return;
      bytes.remove_prefix(size_t(n));
    }
  }
  // The machine goes away: the line hangs up.
  void hangUp() {
    ::close(master);
    master = -1;
  }
  static void pause(double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }

  int master = -1;
  int slaveFd = -1;
  std::string slavePath;
  std::thread thread;
};

// The bytes of a tape send after the leader up to the closing NUL.
inline bool isSendEnd(const std::string& got) {
  return got.size() > 1 && got.back() == '\0';
}

}  // namespace vorn::test
