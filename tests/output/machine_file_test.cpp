// The machine file: record layout, the shipped file, saving record 1 without
// touching the machine types, and the derived connection values.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "output/machine_file.h"
#include "runtime/channels.h"
#include "runtime/paths.h"
#include "runtime/serial.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

TEST(MachineFile, ShippedFileHasATypePerDialectWithSoundValues) {
  const std::string bytes = readFile(fs::path(VORN_SOURCE_DIR) / "data" / "NCMM");
  ASSERT_EQ(bytes.size() % kMachineRecordLength, 0u);
  const MachineSettings s = unpackMachineSettings(bytes.substr(0, kMachineRecordLength));
  EXPECT_EQ(s.V2I, 2);
  EXPECT_FLOAT_EQ(s.FIXT, 0.1f);
  std::vector<bool> seen(6);
  for (size_t at = kMachineRecordLength; at < bytes.size(); at += kMachineRecordLength) {
    const MachineType t = unpackMachineType(bytes.substr(at, kMachineRecordLength));
    SCOPED_TRACE(t.CAM);
    seen[size_t(t.ZN)] = true;
    EXPECT_GT(t.RX, 0);
    EXPECT_GT(t.RY, 0);
    EXPECT_LT(t.F6DZ, 0);
    EXPECT_GT(t.ZC, 0);
    EXPECT_GT(t.ERDE, 0);
    EXPECT_EQ(packMachineType(t), bytes.substr(at, kMachineRecordLength));  // round trip, byte for byte
  }
  for (int zn = 0; zn <= 5; ++zn) EXPECT_TRUE(seen[size_t(zn)]) << zn;
}

TEST(MachineFile, SettingsRecordKeepsF0AndReservedBytes) {
  std::string record(kMachineRecordLength, 'x');
  record.replace(10, 4, "ABCD");
  MachineSettings s;
  s.AWY = 2;
  s.PZ1 = "PZ-TEXT";
  s.V2I = 4;
  s.FIXT = 0.05f;
  s.E = 25;
  s.ZC = 3;
  s.IDXA = 7;
  s.condition = 2;
  packMachineSettings(s, record);
  EXPECT_EQ(record, "2PZ-TEXT  ABCD 4   .05 25 3D   7   2  " + std::string(32, 'x'));
  const MachineSettings back = unpackMachineSettings(record);
  EXPECT_EQ(back.PTF, "ABCD");
  EXPECT_EQ(back.V2I, 4);
  EXPECT_FLOAT_EQ(back.FIXT, 0.05f);
  EXPECT_EQ(back.ZC, 3);
  EXPECT_EQ(back.condition, 2);
  EXPECT_TRUE(back.options().serial);
}

TEST(MachineFile, BadFieldsReadAsDefaults) {
  const MachineSettings s = unpackMachineSettings("9        ????????????????????????");
  EXPECT_EQ(s.AWY, 1);
  EXPECT_EQ(s.V2I, 2);
  EXPECT_FLOAT_EQ(s.FIXT, 0.1f);  // out of 0.01-0.5
  const MachineType t = unpackMachineType("");
  EXPECT_FLOAT_EQ(t.ERDE, 10);  // never a zero span
}

TEST(MachineFile, SavingRewritesRecordOneOnly) {
  TempDir t;
  fs::copy_file(fs::path(VORN_SOURCE_DIR) / "data" / "NCMM", t.dir / "NCMM");
  const std::string before = readFile(t.dir / "NCMM");
  DeviceConfig config;
  config.workDir = t.dir;
  PathMap paths(config);
  ChannelTable channels(paths);
  MachineFile file = readMachineFile(channels);
  ASSERT_EQ(file.types.size(), 6u);
  EXPECT_EQ(file.selected()->CAM, "VK-100");
  file.settings.V2I = 4;
  file.settings.E = 12.5f;
  writeMachineSettings(channels, file);
  const std::string after = readFile(t.dir / "NCMM");
  EXPECT_EQ(after.substr(kMachineRecordLength), before.substr(kMachineRecordLength));
  const MachineFile again = readMachineFile(channels);
  EXPECT_EQ(again.selected()->CAM, "VK-220");
  EXPECT_FLOAT_EQ(again.settings.E, 12.5f);
}

TEST(MachineFile, DerivedConnectionValues) {
  EXPECT_EQ(machineSpeedText(2), "4800");
  EXPECT_EQ(machineSpeedText(3), "9600");
  EXPECT_EQ(machineSpeedText(1), "    ");
  EXPECT_EQ(machineDeviceString(1, 2, 1), "LPT3:");
  EXPECT_EQ(machineDeviceString(3, 2, 1), "COM2:(S8N1N8NN?,CS0,DS0)");
  EXPECT_EQ(machineDeviceString(2, 1, 2), "COM1:(S7E2N7NN?,CS0,DS0)");
  for (int condition : {1, 2}) {  // both conditions give a string a port can be opened with
    const LineSettings line = parseDeviceString(machineDeviceString(3, 4, condition));
    EXPECT_EQ(line.dataBits, condition == 2 ? 7 : 8);
    EXPECT_EQ(line.port, 4);
  }
}

}  // namespace
}  // namespace vorn
