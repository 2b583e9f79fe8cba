// The working-directory files of the store: "NVOL", "NCG" and "NCNA".
#include <gtest/gtest.h>

#include "interp/code_table.h"
#include "store/layouts.h"
#include "store/work_files.h"
#include "store_fixture.h"

namespace vorn::testing {
namespace {

using WorkFiles = StoreTest;

TEST_F(WorkFiles, NewOrEmptyEnvironmentRecordIsFilledAndWrittenAtOnce) {
  for (bool existsEmpty : {false, true}) {
    fs::remove(dir_ / "NVOL");
    if (existsEmpty) writeBytes(dir_ / "NVOL", "");
    Environment env;
    env.GL1 = 5;
    env.USEL = "M3";
    env.RCALC = "21";
    readEnvironmentFile(*channels_, env, "06-05-2006");
    EXPECT_EQ(env.GL1, 50);
    EXPECT_EQ(env.USEL, "M1");
    EXPECT_EQ(env.RCALC, "21");
    std::string bytes = readFile(dir_ / "NVOL");
    ASSERT_EQ(bytes.size(), 128u);
    EXPECT_EQ(bytes.substr(0, 4), packSingle(50));
    EXPECT_EQ(bytes.substr(4, 4), packSingle(9));
    EXPECT_EQ(bytes.substr(80, 18), "06-05-2006A:A:B:M1");
    EXPECT_EQ(bytes.substr(99, 2), "12");  // code set 1, stop bits 2
    EXPECT_EQ(bytes.substr(102, 2), "12");
  }
}

TEST_F(WorkFiles, ARecordCutShortKeepsWhatItHolds) {
  std::string record = freshEnvironmentRecord();
  Environment stored;
  stored.GL1 = 33;
  stored.USEL = "M4";
  packEnvironment(stored, "01-02-2003", record);
  writeBytes(dir_ / "NVOL", record.substr(0, 100));  // volume and drives still there
  Environment env;
  readEnvironmentFile(*channels_, env, "06-05-2006");
  EXPECT_EQ(env.GL1, 33);
  EXPECT_EQ(env.USEL, "M4");
  EXPECT_EQ(env.CT1, "12");
  EXPECT_EQ(readFile(dir_ / "NVOL").size(), 128u);
}

TEST_F(WorkFiles, EnvironmentWriteKeepsReservedDriveAndUnusedBytes) {
  std::string record(128, '#');
  record.replace(90, 2, "C:");
  writeBytes(dir_ / "NVOL", record);
  Environment env;
  env.ZDX = "";
  env.USEL = "M5";
  env.G = -12.5f;
  writeEnvironmentFile(*channels_, env, "12-31-2026");
  std::string bytes = readFile(dir_ / "NVOL");
  EXPECT_EQ(bytes.substr(90, 8), "C:  B:M5");
  EXPECT_EQ(bytes.substr(60, 20), std::string(20, '#'));
  EXPECT_EQ(bytes.substr(112), std::string(16, '#'));
  Environment back;
  readEnvironmentFile(*channels_, back, "12-31-2026");
  EXPECT_EQ(back.ZDX, "");
  EXPECT_EQ(back.USEL, "M5");
  EXPECT_EQ(back.G, -12.5f);
  EXPECT_EQ(readFile(dir_ / "NVOL"), bytes);  // reading a sound record writes nothing
}

TEST_F(WorkFiles, CodeTableFileShorterThanTwoBytesKeepsTheTables) {
  CodeTable table = standardCodeTable();
  table.allowedM = "marker";
  std::string error;
  EXPECT_TRUE(readCodeTableFile(*channels_, table, &error));
  EXPECT_TRUE(fs::exists(dir_ / "NCG"));  // created empty
  EXPECT_EQ(table.allowedM, "marker");
  writeBytes(dir_ / "NCG", "\"");
  EXPECT_TRUE(readCodeTableFile(*channels_, table, &error));
  EXPECT_EQ(table.allowedM, "marker");
  writeBytes(dir_ / "NCG", standardCodeTableText());
  EXPECT_TRUE(readCodeTableFile(*channels_, table, &error));
  EXPECT_EQ(table.NDS1, standardCodeTable().NDS1);
  writeBytes(dir_ / "NCG", "\"0 1\"\r\n");
  CodeTable before = table;
  EXPECT_FALSE(readCodeTableFile(*channels_, table, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(table.NDS1, before.NDS1);
}

TEST_F(WorkFiles, DeviceNamesRoundTrip) {
  EXPECT_EQ(readDeviceNames(*channels_).size(), 16u);
  EXPECT_TRUE(fs::exists(dir_ / "NCNA"));
  std::vector<DeviceName> names = {{"旋盤1", 2}, {"MC-2", 13}};
  writeDeviceNames(*channels_, names);
  std::string text = readFile(dir_ / "NCNA");
  EXPECT_EQ(text.substr(0, 22), "\"\x90\xF9\x94\xD5" "1\",2\r\n\"MC-2\",13\r\n");
  std::vector<DeviceName> back = readDeviceNames(*channels_);
  ASSERT_EQ(back.size(), 16u);
  EXPECT_EQ(back[0].name, "旋盤1");
  EXPECT_EQ(back[1].setting, 13);
  EXPECT_EQ(back[15].name, "");
}

TEST(WorkFileDates, SystemDateText) {
  std::tm tm{};
  tm.tm_year = 106;
  tm.tm_mon = 5;
  tm.tm_mday = 5;
  tm.tm_hour = 12;
  EXPECT_EQ(systemDateText(std::mktime(&tm)), "06-05-2006");
}

}  // namespace
}  // namespace vorn::testing
