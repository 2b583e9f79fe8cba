#include "dirmark/folder_table.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/channels.h"
#include "runtime/error.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct WorkDir {
  WorkDir() : paths(config()), channels(paths) {}
  ~WorkDir() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  DeviceConfig config() {
    dir = fs::temp_directory_path() / ("vorn_dirmark_table_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    DeviceConfig c;
    c.workDir = dir;
    c.configDir = dir / "config";
    return c;
  }
  void write(const std::string& bytes) { std::ofstream(dir / "UsFolder", std::ios::binary) << bytes; }
  std::string bytes() const {
    std::ifstream in(dir / "UsFolder", std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
  }
  fs::path dir;
  PathMap paths;
  ChannelTable channels;
};

TEST(Folder, TheTextBeforeTheLastSeparator) {
  const struct {
    const char* path;
    const char* folder;
  } cases[] = {
      {"C:\\NC\\DATA\\folder1", "C:\\NC\\DATA"},
      {"/srv/nc/data/folder1", "/srv/nc/data"},
      {"\"/srv/nc/folder1\"", "/srv/nc"},   // a quoted answer
      {"/folder1", "/"},
      {"folder1", ""},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(FOLDER(c.path), c.folder) << c.path;
}

TEST(FolderTable, ItemsFillTheEntriesFromTheFirst) {
  FolderTable t = folderTableFromItems({"A", "/a", "", "/x", "B"});
  EXPECT_EQ(t[0].label, "A");
  EXPECT_EQ(t[0].path, "/a");
  EXPECT_EQ(t[1].label, "");
  EXPECT_EQ(t[1].path, "/x");
  EXPECT_EQ(t[2].label, "B");
  EXPECT_EQ(t[2].path, "");
  EXPECT_EQ(t[8].label, "");
  std::vector<std::string> many;
  for (int i = 0; i < 24; ++i) many.push_back(std::to_string(i));
  EXPECT_EQ(folderTableFromItems(many)[8].path, "17");   // pairs past nine are ignored
}

TEST(FolderTable, WritesNineQuotedLinesByteForByte) {
  WorkDir w;
  FolderTable t;
  t[0] = {"Lab1", "/srv/nc/a"};
  t[1] = {"図面", "C:\\NC\\図面"};
  t[3] = {"", "/only/a/path"};   // written, though VORN-T skips it
  writeFolderTable(w.channels, t);
  EXPECT_EQ(w.bytes(),
            "\"Lab1\",\"/srv/nc/a\"\r\n"
            "\"\x90\x7d\x96\xca\",\"C:\\NC\\\x90\x7d\x96\xca\"\r\n"
            "\"\",\"\"\r\n"
            "\"\",\"/only/a/path\"\r\n"
            "\"\",\"\"\r\n\"\",\"\"\r\n\"\",\"\"\r\n\"\",\"\"\r\n\"\",\"\"\r\n");
  EXPECT_EQ(readFolderTable(w.channels), t);
  EXPECT_FALSE(w.channels.isOpen(kDirmarkChannel));
}

TEST(FolderTable, AMissingFileIsAnEmptyTableAndShortFilesReadWhatTheyHave) {
  WorkDir w;
  EXPECT_EQ(readFolderTable(w.channels), FolderTable{});
  w.write("\"A\",\"/a\"\r\n\"B\",\"/b\"\r\n\r\n\r\n");   // blank lines at the end
  const FolderTable t = readFolderTable(w.channels);
  EXPECT_EQ(t[1].label, "B");
  EXPECT_EQ(t[2].label, "");
  EXPECT_FALSE(w.channels.isOpen(kDirmarkChannel));
}

TEST(FolderTable, ProblemsNameTheEntryAndTheBox) {
  FolderTable t;
  EXPECT_EQ(folderTableProblem(t), "");
  t[0] = {"ﾗﾍﾞﾙ", "C:\\日本"};
  EXPECT_EQ(folderTableProblem(t), "");
  t[2].path = "/srv/한국";
  EXPECT_EQ(folderTableProblem(t), "3 のパスにShift-JISで書けない文字があります");
  t[1].label = "a\"b";
  EXPECT_EQ(folderTableProblem(t), "2 の名称に \" は使えません");
}

TEST(MainForm, ButtonsMoveTheFolderBox) {
  MainForm f;
  FolderTable t;
  t[2] = {"C", "/old"};
  f.load(t);
  f.BUT_SAN_ON("C:\\NC\\DATA\\folder1");
  EXPECT_EQ(f.EDT_FLD, "C:\\NC\\DATA");
  f.BUT_SAN_ON("");   // cancelled: unchanged
  EXPECT_EQ(f.EDT_FLD, "C:\\NC\\DATA");
  f.BUTTON_ON(3);
  EXPECT_EQ(f.table()[2].path, "C:\\NC\\DATA");
  EXPECT_EQ(f.table()[2].label, "C");
  f.BUTTON_ON(9);   // there is no paste button for path 9
  EXPECT_EQ(f.table()[8].path, "");
}

TEST(FocusOrder, LabelsAndPathsThenFolderBrowsePastesAndRegister) {
  const std::vector<std::string>& order = focusOrder();
  ASSERT_EQ(order.size(), 29u);
  EXPECT_EQ(order[0], "EDIT1");
  EXPECT_EQ(order[1], "EDFN01");
  EXPECT_EQ(order[17], "EDFN09");
  EXPECT_EQ(order[18], "EDT_FLD");
  EXPECT_EQ(order[19], "BUT_SAN");
  EXPECT_EQ(order[20], "BUTTON1");
  EXPECT_EQ(order[27], "BUTTON8");
  EXPECT_EQ(order[28], "B_SAVE");
  EXPECT_EQ(moveFocus(28, 1), 0);
  EXPECT_EQ(moveFocus(0, -1), 28);
}

}  // namespace

}  // namespace vorn
