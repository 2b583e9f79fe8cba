// The in-memory name index: search, insertion rule, changed positions and write-back.
#include <gtest/gtest.h>

#include <algorithm>

#include "store/name_index.h"

namespace vorn {
namespace {

NameIndex indexOf(const std::vector<std::string>& names, int width = 7) {
  NameIndex x;
  x.keyWidth = width;
  int record = 2;
  for (const std::string& n : names) x.entries.push_back({x.key(n), record++});
  return x;
}

TEST(NameIndex, SearchFindsAndGivesTheInsertionPosition) {
  NameIndex x = indexOf({"B", "D", "F", "H"});
  struct Case {
    const char* name;
    int position;
    bool found;
  } cases[] = {{"A", 1, false}, {"B", 1, true}, {"C", 2, false}, {"D", 2, true}, {"E", 3, false},
               {"H", 4, true},  {"Z", 5, false}, {"G", 4, false}, {"BA", 2, false}};
  for (const Case& c : cases) {
    NameSearch s = x.find(c.name);
    EXPECT_EQ(s.position, c.position) << c.name;
    EXPECT_EQ(s.found, c.found) << c.name;
  }
  NameIndex empty;
  EXPECT_EQ(empty.find("X").position, 1);
  EXPECT_FALSE(empty.find("X").found);
}

TEST(NameIndex, InsertingAtTheSearchPositionKeepsByteOrder) {
  NameIndex x;
  const char* names[] = {"ZZ", "A1", "M-3", "A@", "A_", "0000000", "B", "AA"};
  for (const char* n : names) ASSERT_TRUE(x.insert(x.find(n).position, n, 2));
  for (int i = 1; i < x.count(); ++i) EXPECT_LT(x.entries[i - 1].key, x.entries[i].key);
  EXPECT_EQ(x.lowestChanged, 1);
}

TEST(NameIndex, LowestChangedAndRefusals) {
  NameIndex x = indexOf({"A", "B", "C"});
  EXPECT_EQ(x.lowestChanged, 999);
  EXPECT_TRUE(x.insert(4, "D", 9));
  EXPECT_EQ(x.lowestChanged, 4);
  EXPECT_TRUE(x.remove(2));
  EXPECT_EQ(x.lowestChanged, 2);
  EXPECT_FALSE(x.remove(4));
  EXPECT_FALSE(x.remove(0));
  EXPECT_FALSE(x.insert(6, "Q", 1));
  EXPECT_EQ(x.count(), 3);
  x.entries.resize(999, IndexEntry{"ZZZZZZZ", 2});
  EXPECT_FALSE(x.insert(1, "A", 1));
}

TEST(NameIndex, TheTwentyNinthEntryStartsRecordThree) {
  std::vector<std::string> names;
  for (int i = 0; i < 28; ++i) names.push_back("N" + std::to_string(100 + i));
  NameIndex x = indexOf(names);
  x.lowestChanged = 1;
  auto writes = x.changedRecords({});
  ASSERT_EQ(writes.size(), 2u);
  EXPECT_EQ(writes[0].record, 2);
  EXPECT_EQ(writes[0].bytes.substr(27 * 9, 9), std::string("N127   \x1D\x00", 9));  // slot 27 of record 2
  EXPECT_EQ(writes[0].bytes.substr(252), "    ");                                    // 4 bytes left over
  EXPECT_EQ(writes[1].record, 1);
  EXPECT_EQ(writes[1].bytes.substr(4, 5), " 28  ");
  x.lowestChanged = 999;  // as after reading the index again
  ASSERT_TRUE(x.insert(29, "N200", 50));
  writes = x.changedRecords({});
  ASSERT_EQ(writes.size(), 2u);  // record 2 is untouched: only record 3 and the header
  EXPECT_EQ(writes[0].record, 3);
  EXPECT_EQ(writes[0].bytes.substr(0, 9), std::string("N200   \x32\x00", 9));
  EXPECT_EQ(writes[1].bytes.substr(4, 5), " 29  ");
}

TEST(NameIndex, DeletingEntryOneOfSixtyRewritesThreeRecordsAndTheCount) {
  std::vector<std::string> names;
  for (int i = 0; i < 60; ++i) names.push_back("P" + std::to_string(100 + i));
  NameIndex x = indexOf(names);
  std::vector<std::string> old(4, std::string(256, '~'));
  ASSERT_TRUE(x.remove(1));
  auto writes = x.changedRecords(old);
  std::vector<int> records;
  for (const IndexWrite& w : writes) records.push_back(w.record);
  EXPECT_EQ(records, (std::vector<int>{2, 3, 4, 1}));
  EXPECT_EQ(writes[0].bytes.substr(0, 7), "P101   ");
  EXPECT_EQ(writes[2].bytes.substr(0, 9 * 3), std::string("P157   \x3B\x00P158   \x3C\x00P159   \x3D\x00", 27));
  EXPECT_EQ(writes[2].bytes.substr(27), std::string(229, '~'));  // beyond the count, as it was
}

TEST(NameIndex, FiveCharacterKeysUseThirtySixPerRecord) {
  std::vector<std::string> names;
  for (int i = 0; i < 37; ++i) names.push_back("K" + std::to_string(1000 + i));
  NameIndex x = indexOf(names, 5);
  x.lowestChanged = 36;
  auto writes = x.changedRecords({});
  ASSERT_EQ(writes.size(), 3u);
  EXPECT_EQ(writes[0].record, 2);
  EXPECT_EQ(writes[0].bytes.substr(35 * 7, 7), std::string("K1035\x25\x00", 7));
  EXPECT_EQ(writes[1].record, 3);
  EXPECT_EQ(writes[1].bytes.substr(0, 7), std::string("K1036\x26\x00", 7));
  EXPECT_EQ(x.key("ABCDEFG"), "ABCDE");
}

}  // namespace
}  // namespace vorn
