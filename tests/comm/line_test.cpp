#include "comm/line.h"

#include <gtest/gtest.h>

#include "runtime/error.h"

namespace vorn {
namespace {

struct LineCase {
  int speed, code, stop;
  std::string ct1, letters;
  std::string X21, XA;
};

TEST(LineValues, DeviceStringsFromTheSettings) {
  const LineCase cases[] = {
      {4, 1, 2, "12", "NN", "9600", "(S7E2N7NN?,CS0,DS0)"},
      {1, 2, 1, "12", "NN", "1200", "(S8N1N8NN?,CS0,DS0)"},
      {2, 3, 1, "12", "NN", "2400", "(S8E1N8NN?,CS0,DS0)"},  // other code "12": 8 bits, even
      {3, 3, 2, "31", "HL", "4800", "(S7N2N7HL?,CS0,DS0)"},  // "31": 7 bits, none
      {4, 3, 1, "20", "NN", "9600", "(S7O1N7NN?,CS0,DS0)"},
  };
  for (const LineCase& c : cases) {
    Environment env;
    env.lineSpeed = c.speed;
    env.PAX = c.code;
    env.V1R = c.stop;
    env.CT1 = c.ct1;
    env.IKDSP = c.letters;
    const LineValues v = deriveLineValues(env);
    EXPECT_EQ(v.X21, c.X21) << c.speed;
    EXPECT_EQ(v.XA, c.XA) << c.code << " " << c.ct1;
  }
}

TEST(LineValues, PortsAndPlotterString) {
  Environment env;
  env.RCALC = "12";
  env.Y8 = 1;
  const LineValues v = deriveLineValues(env);
  EXPECT_EQ(v.ncDeviceString(), "COM1:(S7E2N7NN?,CS0,DS0)");
  EXPECT_EQ(v.XB, "COM2:(S8N1N8NN?)");
  EXPECT_EQ(v.bitsPerSecond(), 9600);
  const LineSettings nc = ncLineSettings(v);
  EXPECT_EQ(nc.port, 1);
  EXPECT_EQ(nc.dataBits, 7);
  EXPECT_EQ(nc.parity, 'E');
  EXPECT_EQ(nc.stopBits, 2);
  // The plotter string is one the serial service opens as it stands.
  EXPECT_EQ(parseDeviceString(v.XB).port, 2);
  env.Y8 = 2;
  EXPECT_EQ(deriveLineValues(env).XB, "LPT3:");
}

TEST(LineValues, EndOfBlock) {
  EXPECT_EQ(endOfBlockText(1), "\r");
  EXPECT_EQ(endOfBlockText(2), "\n");
  EXPECT_EQ(endOfBlockText(3), "\r\n");
  EXPECT_EQ(endOfBlockText(0), "\n");  // an empty setting behaves as LF
}

TEST(LineValues, MeaninglessOtherCodeIsRefusedAtOpening) {
  Environment env;
  env.PAX = 3;
  env.CT1 = "99";
  const LineValues v = deriveLineValues(env);
  EXPECT_EQ(v.dataBits, "");
  EXPECT_THROW(ncLineSettings(v), RuntimeError);
}

}  // namespace
}  // namespace vorn
