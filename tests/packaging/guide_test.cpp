// The user guide explains every short text the interpreter and the recovery
// screen can show: the texts are read from the code, so a new one that the
// guide lacks fails here.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "tests/test_files.h"

namespace fs = std::filesystem;
using vorn::readFile;

namespace {

std::string trimmed(std::string s) {
  s.erase(0, s.find_first_not_of(' '));
  s.erase(s.find_last_not_of(' ') + 1);
  return s;
}

// The first capture of pattern everywhere in the files, blanks trimmed.
std::set<std::string> textsIn(const std::vector<std::string>& files, const std::string& pattern) {
  std::set<std::string> texts;
  const std::regex re(pattern);
  for (const std::string& file : files) {
    const std::string source = readFile(fs::path(VORN_SOURCE_DIR) / file);
    EXPECT_FALSE(source.empty()) << file;
    for (std::sregex_iterator it(source.begin(), source.end(), re), end; it != end; ++it)
      texts.insert(trimmed((*it)[1]));
  }
  return texts;
}

}  // namespace

TEST(Guide, ExplainsEveryBlockErrorAndRecoveryMessage) {
  const std::set<std::string> blockErrors =
      textsIn({"interp/interpreter.cpp", "interp/word_reader.cpp"}, R"re((?:fail\(|\*error = )"([^"]+)")re");
  std::set<std::string> messages = textsIn({"shell/recovery.cpp"}, R"re(case [0-9: case]+return "([^"]+)")re");
  // Each edition names a missing file in its own words.
  messages.merge(textsIn({"shell/edition.h", "shell/edition.cpp"}, R"re(missingFileText = "([^"]+)")re"));
  // So does the management module.
  messages.merge(textsIn({"manage/module.cpp"}, R"re(missingFile = "([^"]+)")re"));
  EXPECT_GE(blockErrors.size(), 15u);   // the patterns still find the texts
  EXPECT_GE(messages.size(), 12u);
  const std::string guide = readFile(fs::path(VORN_SOURCE_DIR) / "docs" / "GUIDE.md");
  for (const std::set<std::string>* texts : {&blockErrors, static_cast<const std::set<std::string>*>(&messages)})
    for (const std::string& text : *texts)
      EXPECT_NE(guide.find("| `" + text + "` |"), std::string::npos) << "docs/GUIDE.md lacks a row for \"" << text << "\"";
}

// The guide's pictures are drawn again from their key scripts and must match
// docs/images byte for byte (scripts/guide-pictures.sh redraws them).
TEST(Guide, PicturesMatchWhatTheProgramDraws) {
  char pattern[] = "/tmp/vornt-pictures-XXXXXX";
  const fs::path out = ::mkdtemp(pattern);
  const fs::path source = VORN_SOURCE_DIR;
  const std::string command = "'" + (source / "scripts" / "guide-pictures.sh").string() + "' '" +
                              (fs::path(VORN_BUILD_DIR) / "apps" / "vornt").string() + "' '" + out.string() + "' 2>&1";
  ASSERT_EQ(std::system(command.c_str()), 0);
  int pictures = 0;
  for (const auto& entry : fs::directory_iterator(source / "docs" / "images")) {
    if (entry.path().extension() != ".keys") continue;
    const std::string name = entry.path().stem().string() + ".png";
    ++pictures;
    EXPECT_FALSE(readFile(out / name).empty()) << name;
    EXPECT_TRUE(readFile(out / name) == readFile(source / "docs" / "images" / name))
        << name << " no longer matches what vornt draws: run scripts/guide-pictures.sh and look at the change";
  }
  EXPECT_GE(pictures, 6);
  fs::remove_all(out);
}

// Every picture the guide shows is drawn from a key script, and every key
// script's picture is shown, so none goes stale unseen.
TEST(Guide, ShowsEveryPictureItDraws) {
  const fs::path images = fs::path(VORN_SOURCE_DIR) / "docs" / "images";
  const std::set<std::string> shown = textsIn({"docs/GUIDE.md"}, R"re(\]\(images/([^)]+)\.png\))re");
  std::set<std::string> drawn;
  for (const auto& entry : fs::directory_iterator(images))
    if (entry.path().extension() == ".keys") drawn.insert(entry.path().stem().string());
  EXPECT_EQ(shown, drawn);
  for (const char* screen : {"store", "comm", "plot"}) EXPECT_TRUE(drawn.count(screen)) << screen;
}
