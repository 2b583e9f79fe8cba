#include "comm/line.h"

#include <string_view>

namespace vorn {

namespace {

// The character of table at position index (from 0), or "" outside it.
std::string charAt(std::string_view table, int index) {
  if (index < 0 || index >= int(table.size())) return {};
  return std::string(1, table[size_t(index)]);
}

int digit(const std::string& s, size_t i) {
  return i < s.size() && s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1;
}

}  // namespace

int LineValues::bitsPerSecond() const {
  int n = 0;
  for (char c : X21) {
    if (c < '0' || c > '9') return 0;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string endOfBlockText(int endOfBlock) {
  switch (endOfBlock) {
    case 1: return "\r";
    case 3: return "\r\n";
    default: return "\n";
  }
}

LineValues deriveLineValues(const Environment& env) {
  LineValues v;
  const std::string speeds = "0612244896";
  const int speed = env.lineSpeed;
  v.X21 = (speed >= 0 && speed <= 4) ? speeds.substr(size_t(2 * speed), 2) + "00" : "";
  v.codePair = env.PAX == 1 ? "11" : env.PAX == 2 ? "32" : env.CT1;
  v.dataBits = charAt("778", digit(v.codePair, 1));
  v.parity = charAt("EEON", digit(v.codePair, 0));
  const std::string stop = std::to_string(env.V1R);
  v.XA = "(S" + v.dataBits + v.parity + stop + "N" + v.dataBits + env.IKDSP + "?,CS0,DS0)";
  v.V0R = endOfBlockText(env.endOfBlock);
  v.ncPort = env.RCALC.size() > 0 ? env.RCALC[0] : ' ';
  v.XXA = env.RCALC.size() > 1 ? env.RCALC[1] : ' ';
  v.XB = env.plotterDevice();
  return v;
}

LineSettings ncLineSettings(const LineValues& v) { return parseDeviceString(v.ncDeviceString()); }

}  // namespace vorn
