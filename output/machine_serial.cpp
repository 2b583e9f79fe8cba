#include "output/machine_serial.h"

namespace vorn {

namespace {
constexpr char kDC1 = 17;
constexpr char kDC3 = 19;
}  // namespace

void MachineSerialSink::readControl() {
  while (!stopped_ && port_.bytesWaiting() > 0) {
    const std::string byte = port_.readWaiting(1);
    if (byte.empty()) break;
    if (byte[0] == kDC1) {
      held_ = false;
    } else if (byte[0] == kDC3) {
      held_ = true;
    } else {
      stopped_ = true;
      stopCode_ = static_cast<unsigned char>(byte[0]);
    }
  }
}

void MachineSerialSink::send(std::string_view text) {
  if (stopped_) return;  // nothing more after a stop, the end sequence included
  readControl();
  while (held_ && !stopped_) {
    if (!idle_()) {
      stopped_ = true;
      stopCode_ = -1;
      return;
    }
    readControl();
  }
  if (!stopped_) port_.write(text);
}

}  // namespace vorn
