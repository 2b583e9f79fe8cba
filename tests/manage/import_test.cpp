// The module's import: the line rules, reading into the buffer, and the
// screen with its rolling area and the save that follows.
#include "manage/import.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "editor/program_buffer.h"
#include "manage/import_screen.h"
#include "manage/module.h"
#include "rig.h"
#include "runtime/error.h"
#include "store/store.h"
#include "tests/test_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

TEST(ImportLine, Rules) {
  using K = ImportLine::Kind;
  struct Case {
    std::string bytes;
    K kind;
    std::string text;
  } cases[] = {
      {"%", K::Skip, ""},
      {"%O100", K::Skip, ""},
      {"\"Bracket plate for the mill", K::Title, "Bracket plate fo"},
      {"\"\xC3\xDD\xBC\xDE\xAC\xB8", K::Title, "ﾃﾝｼﾞｬｸ"},  // half-width katakana in code page 932
      {"G01X10.Y-2.F100", K::Block, "G01 X10. Y-2. F100"},
      {"  N10   G00   X0", K::Block, "N10 G00 X0"},
      {"", K::Block, ""},
  };
  for (const Case& c : cases) {
    const ImportLine line = importLine(c.bytes);
    EXPECT_EQ(line.kind, c.kind) << c.bytes;
    EXPECT_EQ(line.text, c.text) << c.bytes;
  }
}

std::vector<std::string> linesOf(const ProgramBuffer& b) {
  std::vector<std::string> out;
  for (int i = 1; i <= b.lineCount(); ++i) out.emplace_back(b.line(i));
  return out;
}

TEST(ImportTextFile, NewReplacesAppendAddsAndAQuotedLineGivesTheTitle) {
  TempDir d;
  const std::string file = d.write("PART.TXT", "%\r\n\"Plate\r\nO100\r\nG0X1.\r\n%\r\n").string();
  ProgramBuffer buffer(100);
  buffer.assign({"OLD1", "OLD2", "OLD3"});
  std::vector<std::string> shown;
  ImportResult r = importTextFile(buffer, file, file, ImportMode::New,
                                  [&](int n, const std::string& line) { shown.push_back(std::to_string(n) + line); });
  EXPECT_EQ(r.linesStored, 2);
  EXPECT_TRUE(r.titleSet);
  EXPECT_EQ(linesOf(buffer), (std::vector<std::string>{"O100", "G0 X1."}));  // old lines 3 on are gone
  EXPECT_EQ(buffer.H0X, "Plate");
  EXPECT_EQ(shown, (std::vector<std::string>{"1O100", "2G0 X1."}));

  shown.clear();
  r = importTextFile(buffer, file, file, ImportMode::Append,
                     [&](int n, const std::string& line) { shown.push_back(std::to_string(n) + line); });
  EXPECT_EQ(linesOf(buffer), (std::vector<std::string>{"O100", "G0 X1.", "O100", "G0 X1."}));
  EXPECT_EQ(shown, (std::vector<std::string>{"3O100", "4G0 X1."}));
}

TEST(ImportTextFile, AFullBufferKeepsWhatFitAndSaysWhere) {
  TempDir d;
  const std::string file = d.write("LONG.NC", "O1\nN1\n\"T\nN2\nN3\nN4\n").string();
  ProgramBuffer buffer(5);
  buffer.assign({"A", "B"});
  const ImportResult r = importTextFile(buffer, file, file, ImportMode::Append);
  EXPECT_EQ(r.linesStored, 3);
  EXPECT_EQ(r.cutAtLine, 5);  // "N3" did not fit
  EXPECT_EQ(linesOf(buffer), (std::vector<std::string>{"A", "B", "O1", "N1", "N2"}));
}

TEST(ImportTextFile, AFileThatCannotBeReadLeavesTheBuffer) {
  TempDir d;
  ProgramBuffer buffer(10);
  buffer.assign({"KEEP"});
  buffer.H0X = "title";
  const std::string missing = (d.dir / "NONE.NC").string();
  EXPECT_THROW(importTextFile(buffer, missing, missing, ImportMode::New), RuntimeError);
  EXPECT_EQ(linesOf(buffer), std::vector<std::string>{"KEEP"});
  EXPECT_EQ(buffer.H0X, "title");
}

struct ImportRig : testing::ModuleRig {
  explicit ImportRig(std::string_view script) : ModuleRig(script), startDir(fs::current_path()) {
    module.importFolder = (dir / "in").string();
  }
  fs::path write(const std::string& name, const std::string& bytes) {
    fs::create_directories((dir / name).parent_path());
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  }
  fs::path startDir;
};

TEST(ImportScreen, ReadsRollsAndSavesIntoTheStore) {
  // "1)新規", the file, then the save screen: name IMP, the title from the file.
  ImportRig rig("{Enter}PART.NC{Enter}IMP{Enter}{Enter}");
  std::string text = "%\r\n\"Bracket\r\n";
  for (int i = 1; i <= 8; ++i) text += "N" + std::to_string(i) + "G01X" + std::to_string(i) + ".\r\n";
  rig.write("in/PART.NC", text);
  rig.module.buffer.assign({"OLD"});
  importScreen(rig.session, rig.module);
  EXPECT_EQ(rig.module.buffer.lineCount(), 8);
  // The six rows show the last six lines through the template.
  EXPECT_EQ(rig.screen.rowText(5).substr(2, 38), "    3 N3 G01 X3.                      ");
  EXPECT_EQ(rig.screen.rowText(10).substr(2, 16), "    8 N8 G01 X8.");
  EXPECT_EQ(fs::current_path(), rig.startDir);
  EXPECT_EQ(rig.module.importFolder, (rig.dir / "in").string());

  Store store(rig.channels, rig.paths);
  store.select("A:", "M1");
  store.readIndex();
  ASSERT_TRUE(store.index().find("IMP").found);
  const DirectoryRecord rec = store.readEntryHeader(store.index().entries[0].record);
  EXPECT_EQ(rec.title, "Bracket");
  const std::vector<std::string> saved = store.readText("IMP");
  ASSERT_EQ(saved.size(), 8u);
  EXPECT_EQ(saved[7], "N8 G01 X8.");
  store.closeVolume();
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

TEST(ImportScreen, BackCancelAndAFileWithoutBlocks) {
  struct Case {
    const char* script;
    const char* file;
    int lines;  // the buffer's lines afterwards
  } cases[] = {
      {"3{Enter}", "", 1},             // "3)ﾓﾄﾞﾙ"
      {"{Esc}", "", 1},                // Esc on the choice
      {"{Enter}{Esc}", "", 1},         // the dialog cancelled: nothing read
      {"{Enter}EMPTY.NC{Enter}", "EMPTY.NC", 0},  // only "%" lines: new empties the buffer, no save screen
  };
  for (const Case& c : cases) {
    ImportRig rig(c.script);
    rig.write("in/EMPTY.NC", "%\r\n%\r\n");
    rig.module.buffer.assign({"OLD"});
    importScreen(rig.session, rig.module);
    EXPECT_EQ(rig.module.buffer.lineCount(), c.lines) << c.script;
    EXPECT_FALSE(rig.shows("保  存")) << c.script;
    EXPECT_EQ(rig.backend.pendingEvents(), 0u) << c.script;
  }
}

TEST(ImportScreen, AppendKeepsTheModulesLinesAndRemembersTheChoice) {
  ImportRig rig("2{Enter}ADD.TXT{Enter}{Esc}");  // Esc in the save screen's name field
  rig.write("in/ADD.TXT", "O2\r\n");
  rig.module.buffer.assign({"O1"});
  importScreen(rig.session, rig.module);
  EXPECT_EQ(linesOf(rig.module.buffer), (std::vector<std::string>{"O1", "O2"}));
  EXPECT_EQ(rig.module.importMode, 2);
  // The save screen opened the volume, and Esc there saved nothing.
  EXPECT_TRUE(fs::is_directory(rig.dir / "M1"));
  Store store(rig.channels, rig.paths);
  store.select("A:", "M1");
  store.readIndex();
  EXPECT_EQ(store.index().count(), 0);
  store.closeVolume();
  EXPECT_EQ(rig.backend.pendingEvents(), 0u);
}

}  // namespace
}  // namespace vorn
