#include "runtime/paths.h"

#include <gtest/gtest.h>

#include <fstream>

namespace vorn {
namespace {

namespace fs = std::filesystem;

PathMap testMap() {
  DeviceConfig config;
  config.workDir = "/work/dir";
  config.configDir = "/home/u/.config/vornt";
  parseDeviceConfig(
      "# data on a stick\n"
      "D: = /media/stick\n"
      "com1 = /dev/ttyUSB0\n"
      "LPT1 = queue office\n"
      "LPT3 = file plots/hpgl.out\n"
      "print-command = /usr/local/bin/lp\n",
      config);
  EXPECT_TRUE(config.problems.empty());
  return PathMap(config);
}

TEST(Paths, ResolvesProgramNames) {
  PathMap map = testMap();
  struct Case { const char* name; const char* path; };
  const Case cases[] = {
      {"A:M1.D", "/work/dir/M1.D"},
      {"A:M1\\PROG1", "/work/dir/M1/PROG1"},
      {"a:\\M1\\PROG1", "/work/dir/M1/PROG1"},
      {"B:M2.IX", "/work/dir/B/M2.IX"},
      {"D:M1.D", "/media/stick/M1.D"},
      {"d:\\nc\\x.nc", "/media/stick/nc/x.nc"},
      {"NVOL", "/work/dir/NVOL"},
      {"sub\\x.nc", "/work/dir/sub/x.nc"},
      {"/abs/file.nc", "/abs/file.nc"},
      {"G:x", "/work/dir/G:x"},  // not one of the six drives
      {"c:\\vornt", "/home/u/.config/vornt/workdir"},
      {"C:/VORNT", "/home/u/.config/vornt/workdir"},
      {"C:\\vornt2", "/work/dir/C/vornt2"},
  };
  for (const Case& c : cases) EXPECT_EQ(map.resolve(c.name), fs::path(c.path)) << c.name;
}

TEST(Paths, MapsDevices) {
  PathMap map = testMap();
  struct Case { const char* name; int com, lpt; };  // 0 = not that kind of device
  const Case cases[] = {
      {"COM1", 1, 0},  {"com2:", 2, 0}, {"COM1:(S7E2N7NN?,CS0,DS0)", 1, 0}, {"COM12:", 12, 0},
      {"COM", 0, 0},   {"COMX", 0, 0},  {"COM0", 0, 0},  {"COM1X", 0, 0},   {"LPT3:", 0, 3},
      {"lpt1", 0, 1},  {"LPT", 0, 0},   {"LPT1.TXT", 0, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(PathMap::serialPortNumber(c.name).value_or(0), c.com) << c.name;
    EXPECT_EQ(PathMap::printerNumber(c.name).value_or(0), c.lpt) << c.name;
  }
  EXPECT_EQ(map.serialDevice(1), "/dev/ttyUSB0");
  EXPECT_EQ(map.serialDevice(2), "/dev/ttyS1");
  EXPECT_EQ(map.printer(1).queue, "office");
  EXPECT_EQ(map.printer(3).file, "/work/dir/plots/hpgl.out");
  EXPECT_EQ(map.printer(2).file, "/work/dir/lpt2.txt");
  EXPECT_TRUE(map.printer(2).queue.empty());
  EXPECT_EQ(map.config().printCommand, "/usr/local/bin/lp");
}

TEST(Paths, ConfigurationFolderAndFile) {
  EXPECT_EQ(configFolder("/x", "/h"), "/x/vornt");
  EXPECT_EQ(configFolder(nullptr, "/h"), "/h/.config/vornt");
  EXPECT_EQ(configFolder("", "/h"), "/h/.config/vornt");

  DeviceConfig config;
  parseDeviceConfig("COM2 = /dev/ttyUSB1\nnonsense\nG: = /x\nLPT1 = printer x\n", config);
  EXPECT_EQ(config.serialPorts.at(2), "/dev/ttyUSB1");
  EXPECT_EQ(config.problems, (std::vector<std::string>{"nonsense", "G: = /x", "LPT1 = printer x"}));

  char pattern[] = "/tmp/vornt-paths-XXXXXX";
  fs::path dir = mkdtemp(pattern);
  DeviceConfig fresh = loadDeviceConfig(dir / "none", dir);  // no file: defaults
  EXPECT_TRUE(fresh.serialPorts.empty() && fresh.problems.empty());
  std::ofstream(dir / "devices.conf") << "E: = " << (dir / "absent").string() << "\nCOM1 = /dev/ttyUSB3\n";
  PathMap map(loadDeviceConfig(dir, dir));
  EXPECT_EQ(map.serialDevice(1), "/dev/ttyUSB3");
  // A default drive folder is made on first write; a configured one never is.
  EXPECT_EQ(map.resolveForWriting("B:M1.D"), dir / "B" / "M1.D");
  EXPECT_TRUE(fs::is_directory(dir / "B"));
  map.resolveForWriting("E:M1.D");
  EXPECT_FALSE(fs::exists(dir / "absent"));
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vorn
