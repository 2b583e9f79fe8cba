#pragma once
// A serial line whose peer sends its next chunk only after the previous one
// was read: bytes keep arriving while the program handles earlier ones.
#include <string>
#include <vector>

#include "runtime/serial.h"

namespace vorn::test {

struct StreamingPort : FakeSerialPort {
  std::vector<std::string> chunks;  // still to arrive, in order
  std::string readWaiting(size_t n) override {
    std::string out = FakeSerialPort::readWaiting(n);
    if (incoming.empty() && !chunks.empty()) {
      incoming = chunks.front();
      chunks.erase(chunks.begin());
    }
    return out;
  }
};

}  // namespace vorn::test
