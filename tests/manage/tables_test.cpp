// The device-name and code tables of the module.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "interp/code_table.h"
#include "manage/module.h"
#include "manage/tables.h"
#include "rig.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::vector<DeviceName> numbered() {
  std::vector<DeviceName> rows;
  for (int i = 1; i <= kDeviceNames; ++i) rows.push_back({"D" + std::to_string(i), 1});
  return rows;
}

std::vector<std::string> names(const std::vector<DeviceName>& rows) {
  std::vector<std::string> out;
  for (const DeviceName& d : rows) out.push_back(d.name);
  return out;
}

TEST(DeviceTable, InsertAndDeleteOnRowThree) {
  std::vector<DeviceName> rows = numbered();
  insertDeviceRow(rows, 3);
  std::vector<std::string> want{"D1", "D2", "D3", "D3", "D4", "D5", "D6", "D7", "D8", "D9", "D10", "D11", "D12", "D13", "D14", "D15"};
  EXPECT_EQ(names(rows), want);
  rows = numbered();
  deleteDeviceRow(rows, 3);
  want = {"D1", "D2", "D4", "D5", "D6", "D7", "D8", "D9", "D10", "D11", "D12", "D13", "D14", "D15", "D16", "D16"};
  EXPECT_EQ(names(rows), want);
}

struct Rig : testing::ModuleRig {
  using ModuleRig::ModuleRig;
  std::string file(const char* name) {
    std::ifstream in(dir / name, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST(DeviceTable, TheScreenInsertsOnRowThreeAndWritesSixteenLines) {
  Rig rig("{Down}{Down}{Bs}{Bs}{Bs}{Bs}>INS{Enter}{Esc}{Enter}");
  writeDeviceNames(rig.channels, numbered());
  deviceNameScreen(rig.session, rig.module);
  std::vector<std::string> want{"D1", "D2", "D3", "D3", "D4", "D5", "D6", "D7", "D8", "D9", "D10", "D11", "D12", "D13", "D14", "D15"};
  EXPECT_EQ(names(readDeviceNames(rig.channels)), want);
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(DeviceTable, TheScreenDeletesRowThreeAndKeepsTheConnections) {
  // Row 3 ">DEL": rows 4-16 move up (with their connection), row 16 keeps its text.
  Rig rig("{Down}{Down}{Bs}{Bs}{Bs}{Bs}>DEL{Enter}{Esc}{Enter}");
  std::vector<DeviceName> rows = numbered();
  rows[3].setting = 2;  // D4 is absent
  writeDeviceNames(rig.channels, rows);
  deviceNameScreen(rig.session, rig.module);
  const std::vector<DeviceName> saved = readDeviceNames(rig.channels);
  std::vector<std::string> want{"D1", "D2", "D4", "D5", "D6", "D7", "D8", "D9", "D10", "D11", "D12", "D13", "D14", "D15", "D16", "D16"};
  EXPECT_EQ(names(saved), want);
  EXPECT_EQ(saved[2].setting, 2);
  EXPECT_EQ(saved[3].setting, 1);
  // The screen shows the moved rows and the absent mark on row 3.
  EXPECT_NE(rig.screen.rowText(6).find("D4"), std::string::npos) << rig.screen.rowText(6);
  EXPECT_NE(rig.screen.rowText(6).find("-"), std::string::npos) << rig.screen.rowText(6);
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(DeviceTable, MenuChoiceThreeWritesNothing) {
  Rig rig("{Down}{Down}{Bs}{Bs}{Bs}{Bs}>DEL{Enter}{Esc}3{Enter}");
  writeDeviceNames(rig.channels, numbered());
  deviceNameScreen(rig.session, rig.module);
  EXPECT_EQ(names(readDeviceNames(rig.channels)), names(numbered()));
}

TEST(CodeTables, SavingWritesSixteenLinesTheInterpreterReads) {
  // Row 1 (group 0) gets G00 and G01 only; row 2 (group 1) G17.
  Rig rig("{End}{Bs}{Bs}{Bs}{Bs}{Bs}{Bs}{Bs}{Bs}{Bs}{Bs}{Bs}{Bs}00 01{Enter}17{Enter}{Esc}{Enter}");
  writeCodeTableRows(rig.channels, {"00 01 02 03"});
  codeTableScreen(rig.session, rig.module);
  const std::string ncg = rig.file("NCG");
  EXPECT_EQ(ncg.substr(0, ncg.find("\r\n\"\"")), "\"00 01\"\r\n\"17\"");
  int lines = 0;
  for (char c : ncg) lines += c == '\n';
  EXPECT_EQ(lines, 16);
  CodeTable table = CodeTable::undefined();
  std::string error;
  ASSERT_TRUE(readCodeTableFile(rig.channels, table, &error)) << error;
  EXPECT_EQ(table.NDS1[1], 0);
  EXPECT_EQ(table.NDS1[17], 1);
}

}  // namespace
}  // namespace vorn
