#include "interp/code_table.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace vorn {
namespace {

TEST(CodeTable, StandardFileMatchesTheBuiltInTable) {
  std::ifstream in(std::string(VORN_SOURCE_DIR) + "/data/NCG", std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  EXPECT_EQ(bytes.str(), standardCodeTableText());  // CR LF, quoted, ASCII
  const CodeTable& t = standardCodeTable();
  struct Case {
    int g, group;
  } cases[] = {{0, 1},  {1, 1},  {2, 1},  {3, 1},  {12, 1}, {13, 1}, {32, 1}, {33, 1},
               {17, 2}, {18, 2}, {19, 2}, {90, 3}, {91, 3}, {40, 7}, {41, 7}, {42, 7},
               {73, 9}, {80, 9}, {89, 9}, {98, 10}, {99, 10}, {4, 0}, {28, 0}, {92, 0},
               {50, 0}, {54, 11}, {5, 200}, {70, 200}};
  for (const Case& c : cases) EXPECT_EQ(t.NDS1[c.g], c.group) << "G" << c.g;
  EXPECT_NE(t.allowedM.find("30"), std::string::npos);
}

TEST(CodeTable, ShortOrMissingFileDefinesNoGroup) {
  for (const char* text : {"", "\""}) {
    auto t = parseCodeTable(text, nullptr);
    ASSERT_TRUE(t);
    EXPECT_EQ(t->NDS1[1], 0);
    EXPECT_EQ(t->NDS1[4], 0);
    EXPECT_EQ(t->NDS1[5], kUnsupportedGroup);
    EXPECT_TRUE(t->allowedM.empty());
  }
  auto missing = loadCodeTable("/nonexistent/NCG", nullptr);
  ASSERT_TRUE(missing);
  EXPECT_EQ(missing->NDS1[2], 0);
}

TEST(CodeTable, ReadsGroupsByLineAndTheMList) {
  std::string text = "\"\"\r\n\"00 01\"\r\n\"17\"\r\n";
  for (int i = 3; i < 14; ++i) text += "\"\"\r\n";
  text += "\"03 05 08 30\"\r\n\"\"\r\n";
  auto t = parseCodeTable(text, nullptr);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->NDS1[1], 1);
  EXPECT_EQ(t->NDS1[17], 2);
  EXPECT_EQ(t->NDS1[3], 0);   // 0-4 not listed stay in group 0
  EXPECT_EQ(t->NDS1[18], kUnsupportedGroup);
  EXPECT_EQ(t->allowedM, "03 05 08 30");
}

TEST(CodeTable, MalformedLinesAreRefusedWithTheLineNamed) {
  for (const char* text : {"\"0\"\n", "\"1x 02\"\n", "\"01,02\"\n", "\"\"\n\"100\"\n", "\"01  02\"\n"}) {
    std::string error;
    EXPECT_FALSE(parseCodeTable(text, &error)) << text;
    EXPECT_NE(error.find("NCG line"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace vorn
