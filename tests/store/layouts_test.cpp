// The store's record layouts, byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/channels.h"
#include "store/layouts.h"

namespace vorn {
namespace {

TEST(DirectoryLayout, VolumeHeaderIsBlankNameBlank) {
  std::string r = packVolumeHeader({"M1"});
  ASSERT_EQ(r.size(), 256u);
  EXPECT_EQ(r.substr(0, 9), " M1      ");
  EXPECT_EQ(r.substr(9), std::string(247, ' '));
  EXPECT_EQ(unpackVolumeHeader(r).volume, "M1");
}

TEST(DirectoryLayout, EveryFieldAtItsOffset) {
  DirectoryRecord e;
  e.name = "ABC";
  e.title = "ﾃｽﾄ 加工";
  e.date = "06. 6. 5";
  e.size = 1234;
  e.saveCount = 3;
  e.YGW = 12;
  for (int i = 0; i < 15; ++i) e.settings.trajectory[i] = static_cast<float>(i + 1);
  for (int i = 0; i < 11; ++i) e.settings.toolRadii[i] = static_cast<float>(100 + i);
  for (int i = 0; i < 10; ++i) e.settings.plot[i] = static_cast<float>(200 + i);
  std::string r = packDirectoryRecord(e);
  ASSERT_EQ(r.size(), 256u);
  EXPECT_EQ(r.substr(0, 1), " ");
  EXPECT_EQ(r.substr(1, 8), "ABC     ");
  EXPECT_EQ(r.substr(9, 18), "\xC3\xBD\xC4 \x89\xC1\x8D\x48          ");
  EXPECT_EQ(r.substr(27, 8), "06. 6. 5");
  EXPECT_EQ(r.substr(35, 4), packSingle(1234));
  EXPECT_EQ(r.substr(39, 2), std::string("\x03\x00", 2));
  EXPECT_EQ(r.substr(41, 2), std::string("\x0C\x00", 2));
  EXPECT_EQ(r.substr(43, 7), std::string(7, ' '));
  EXPECT_EQ(r.substr(50, 4), packSingle(1));
  EXPECT_EQ(r.substr(106, 4), packSingle(15));
  EXPECT_EQ(r.substr(110, 10), std::string(10, ' '));
  EXPECT_EQ(r.substr(120, 4), packSingle(100));
  EXPECT_EQ(r.substr(160, 4), packSingle(110));
  EXPECT_EQ(r.substr(164, 16), std::string(16, ' '));
  EXPECT_EQ(r.substr(180, 4), packSingle(200));
  EXPECT_EQ(r.substr(216, 4), packSingle(209));
  EXPECT_EQ(r.substr(220), std::string(36, ' '));

  DirectoryRecord back = unpackDirectoryRecord(r);
  EXPECT_EQ(back.name, "ABC");
  EXPECT_EQ(back.title, e.title);
  EXPECT_EQ(back.date, e.date);
  EXPECT_EQ(back.size, 1234);
  EXPECT_EQ(back.saveCount, 3);
  EXPECT_EQ(back.YGW, 12);
  EXPECT_EQ(back.settings.trajectory, e.settings.trajectory);
  EXPECT_EQ(back.settings.toolRadii, e.settings.toolRadii);
  EXPECT_EQ(back.settings.plot, e.settings.plot);
  EXPECT_FALSE(back.deleted);
}

TEST(DirectoryLayout, UnusedBytesOfAnExistingRecordAreKept) {
  std::string r(256, 'x');
  packDirectoryRecord(DirectoryRecord{}, r);
  EXPECT_EQ(r.substr(43, 7), "xxxxxxx");
  EXPECT_EQ(r.substr(220), std::string(36, 'x'));
  packDirectoryStatus(true, r);
  EXPECT_EQ(r[0], '*');
  EXPECT_TRUE(unpackDirectoryRecord(r).deleted);
  packDirectoryTitle("NEW", r);
  EXPECT_EQ(r.substr(9, 18), "NEW" + std::string(15, ' '));
}

TEST(DirectoryLayout, TitleNeverEndsInHalfACharacter) {
  DirectoryRecord e;
  e.title = "12345678901234567漢";  // the double-byte character would need bytes 17 and 18 of the field
  std::string r = packDirectoryRecord(e);
  EXPECT_EQ(r.substr(9, 18), "12345678901234567 ");
  e.title = "一二三四五六七八九十";  // 20 bytes: nine characters fit
  r = packDirectoryRecord(e);
  EXPECT_EQ(unpackDirectoryRecord(r).title, "一二三四五六七八九");
}

TEST(DirectoryLayout, GarbageSinglesReadAsZeroAndShortRecordsAsBlank) {
  std::string r = packDirectoryRecord(DirectoryRecord{});
  r.replace(35, 4, packSingle(std::numeric_limits<float>::quiet_NaN()));
  r.replace(50, 4, packSingle(std::numeric_limits<float>::infinity()));
  DirectoryRecord e = unpackDirectoryRecord(r);
  EXPECT_EQ(e.size, 0);
  EXPECT_EQ(e.settings.trajectory[0], 0);
  DirectoryRecord cut = unpackDirectoryRecord(std::string("*AB"));
  EXPECT_TRUE(cut.deleted);
  EXPECT_EQ(cut.name, "AB");
  EXPECT_EQ(cut.size, 0);
}

TEST(IndexLayout, HeaderFieldsAndCapacityFigure) {
  std::string h7 = packIndexHeader({7, 0});
  EXPECT_EQ(h7.substr(0, 14), "10 7 0    970 ");
  std::string h5 = packIndexHeader({5, 123});
  EXPECT_EQ(h5.substr(0, 14), "10 5 123  800 ");
  packIndexCount(999, h5);
  EXPECT_EQ(h5.substr(4, 5), " 999 ");
  auto back = unpackIndexHeader(h5);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->keyWidth, 5);
  EXPECT_EQ(back->count, 999);
}

TEST(IndexLayout, BadHeadersAreRefusedWithAReason) {
  struct Case {
    std::string bytes;
    const char* why;
  } cases[] = {
      {"", "format mark"},
      {"11 7 0    970 ", "format mark"},
      {"10 6 0    970 ", "key width"},
      {"10 7 -1   970 ", "count"},
      {"10 71000  970 ", "count"},
      {"10 7 abc  970 ", "count"},
      {std::string("10 7\0\0\0\0\0", 9), "count"},
  };
  for (const Case& c : cases) {
    std::string why;
    EXPECT_FALSE(unpackIndexHeader(c.bytes, &why)) << c.bytes;
    EXPECT_NE(why.find(c.why), std::string::npos) << c.bytes << ": " << why;
  }
}

TEST(IndexLayout, EntriesPerRecordAndSlots) {
  EXPECT_EQ(entriesPerIndexRecord(7), 28);
  EXPECT_EQ(entriesPerIndexRecord(5), 36);
  std::string r(256, '#');
  IndexEntry entries[] = {{"AB", 2}, {"CDEFGHI", 300}};
  packIndexBlock(entries, 2, 7, r);
  EXPECT_EQ(r.substr(0, 9), std::string("AB     \x02\x00", 9));
  EXPECT_EQ(r.substr(9, 9), std::string("CDEFGHI\x2C\x01", 9));
  EXPECT_EQ(r.substr(18), std::string(238, '#'));  // bytes after the entries stay
  auto back = unpackIndexBlock(r, 2, 7);
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[1].key, "CDEFGHI");
  EXPECT_EQ(back[1].record, 300);
}

TEST(EnvironmentLayout, FieldsAtTheirOffsets) {
  Environment env;
  env.GL1 = 60;
  env.ZDX = "";
  env.UC = "A:";
  env.USEL = "M3";
  env.lineSpeed = 2;
  env.PAX = 3;
  env.V1R = 1;
  env.endOfBlock = 2;
  env.CT1 = "27";
  env.Y8 = 2;
  env.RCALC = "13";
  env.IKDSP = "HN";
  std::string r = freshEnvironmentRecord();
  packEnvironment(env, "06-05-2006", r);
  ASSERT_EQ(r.size(), 128u);
  EXPECT_EQ(r.substr(0, 4), packSingle(60));
  EXPECT_EQ(r.substr(4, 4), packSingle(env.ZC1));
  EXPECT_EQ(r.substr(28, 4), packSingle(env.Y6));
  EXPECT_EQ(r.substr(32, 28), std::string(28, ' '));
  EXPECT_EQ(r.substr(80, 48), "06-05-2006A:  A:M3" "2312" "27 2 " "13HN " + std::string(16, ' '));
  Environment back = unpackEnvironment(r, Environment{});
  EXPECT_EQ(back.GL1, 60);
  EXPECT_EQ(back.ZDX, "");
  EXPECT_EQ(back.UC, "A:");
  EXPECT_EQ(back.USEL, "M3");
  EXPECT_EQ(back.lineSpeed, 2);
  EXPECT_EQ(back.PAX, 3);
  EXPECT_EQ(back.V1R, 1);
  EXPECT_EQ(back.endOfBlock, 2);
  EXPECT_EQ(back.CT1, "27");
  EXPECT_EQ(back.Y8, 2);
  EXPECT_EQ(back.RCALC, "13");
  EXPECT_EQ(back.IKDSP, "HN");
}

TEST(EnvironmentLayout, InvalidBytesKeepTheCurrentValues) {
  std::string r(128, '\xFF');
  r.replace(0, 4, packSingle(std::numeric_limits<float>::quiet_NaN()));
  Environment current;
  current.GL1 = 77;
  current.USEL = "M2";
  Environment env = unpackEnvironment(r, current);
  EXPECT_EQ(env.GL1, 77);
  EXPECT_EQ(env.ZDX, current.ZDX);
  EXPECT_EQ(env.USEL, "M2");
  EXPECT_EQ(env.lineSpeed, current.lineSpeed);
  EXPECT_EQ(env.CT1, current.CT1);
  EXPECT_NE(env.UC, env.ZDX);
  // A record too short for a field leaves that field.
  EXPECT_EQ(unpackEnvironment(std::string(2, ' '), current).GL1, 77);
}

TEST(EnvironmentLayout, TheSecondDriveIsAnyDriveOtherThanTheDataDrive) {
  struct Case {
    std::string data, second, want;
  } cases[] = {{"A:", "C:", "C:"}, {"A:", "F:", "F:"}, {"D:", "A:", "A:"}, {"A:", "  ", "B:"}, {"A:", "G:", "B:"}, {"C:", "C:", "A:"}};
  for (const Case& c : cases) {
    Environment env;
    env.ZDX = c.data;
    env.UC = c.second;
    std::string record;
    packEnvironment(env, "01-01-2026", record);
    Environment current;
    current.UC = "B:";
    EXPECT_EQ(unpackEnvironment(record, current).UC, c.want) << c.data << " " << c.second;
  }
}

TEST(EnvironmentLayout, FreshDefaults) {
  Environment current;
  current.GL1 = 5;
  current.USEL = "M4";
  current.RCALC = "34";
  Environment env = freshEnvironment(current);
  EXPECT_EQ(env.GL1, 50);
  EXPECT_EQ(env.ZC1, 9);
  EXPECT_EQ(env.ZDX, "A:");
  EXPECT_EQ(env.USEL, "M1");
  EXPECT_EQ(env.PAX, 1);
  EXPECT_EQ(env.V1R, 2);
  EXPECT_EQ(env.CT1, "12");
  EXPECT_EQ(env.RCALC, "34");  // the rest from memory
  EXPECT_EQ(freshEnvironmentRecord().substr(90, 2), "A:");
}

}  // namespace
}  // namespace vorn
