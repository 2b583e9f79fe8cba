#include "runtime/dialogs.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <fstream>

#include "runtime/headless_backend.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

struct Rig {
  HeadlessBackend backend;
  VirtualClock clock{0};
  Screen screen{backend, clock};
  explicit Rig(std::string_view script) : backend(HeadlessBackend::fromScript(script)) {}
};

// A scratch folder tree: docs/ (a.nc, B.TXT, c.dnc, .hidden), sub/, readme.
struct Tree {
  fs::path root = fs::temp_directory_path() / ("vorn_dialogs_" + std::to_string(::getpid()));
  Tree() {
    fs::remove_all(root);
    fs::create_directories(root / "docs" / "sub");
    for (const char* f : {"docs/a.nc", "docs/B.TXT", "docs/c.dnc", "docs/.hidden", "readme"})
      std::ofstream(root / f) << "x";
  }
  ~Tree() { fs::remove_all(root); }
};

std::vector<std::string> names(const FileBrowser& b) {
  std::vector<std::string> out;
  for (const auto& e : b.entries) out.push_back(e.name + (e.folder ? "/" : ""));
  return out;
}

TEST(Dialogs, FilterGroupsAndMatching) {
  auto groups = parseFilter("(*.wf);(*.nc*,*.dnc);(*.txt);(*.*)");
  ASSERT_EQ(groups.size(), 4u);
  EXPECT_EQ(groups[1], (std::vector<std::string>{"*.nc*", "*.dnc"}));
  EXPECT_EQ(parseFilter("*.nc;*.txt").size(), 2u);
  EXPECT_EQ(parseFilter(""), (std::vector<std::vector<std::string>>{{"*"}}));
  struct Case { std::vector<std::string> group; std::string name; bool match; };
  const Case cases[] = {
      {{"*.nc*", "*.dnc"}, "PART.NC", true}, {{"*.nc*", "*.dnc"}, "part.nc1", true},
      {{"*.nc*", "*.dnc"}, "part.txt", false}, {{"*.*"}, "noext", true}, {{"*.wf"}, "a.wf.bak", false},
  };
  for (const Case& c : cases) EXPECT_EQ(matchesFilter(c.group, c.name), c.match) << c.name;
}

TEST(Dialogs, BrowserListsFoldersFirstAndNavigates) {
  Tree t;
  FileBrowser b(FileDialogOptions{"t", "*.nc", "(*.nc*,*.dnc);(*.txt)", t.root / "docs"}, false);
  EXPECT_EQ(names(b), (std::vector<std::string>{"../", "sub/", "a.nc"}));   // typed pattern rules
  b.nextFilter();
  EXPECT_EQ(names(b), (std::vector<std::string>{"../", "sub/", "B.TXT"}));
  b.move(2);
  EXPECT_EQ(b.name, "B.TXT");
  EXPECT_EQ(b.confirm(), (t.root / "docs" / "B.TXT").string());
  b.move(-2);                                   // onto ".."
  EXPECT_EQ(b.confirm(), "");
  EXPECT_EQ(b.folder, fs::canonical(t.root));
  EXPECT_EQ(names(b), (std::vector<std::string>{"../", "docs/"}));   // readme has no .txt
  // A typed folder name opens it; a typed pattern filters; a missing file is refused.
  b.name = "docs";
  b.listActive = false;
  EXPECT_EQ(b.confirm(), "");
  EXPECT_EQ(b.folder.filename(), "docs");
  b.typeText("*.dnc");
  EXPECT_EQ(b.confirm(), "");
  EXPECT_EQ(names(b), (std::vector<std::string>{"../", "sub/", "c.dnc"}));
  b.typeText("nothere.nc");
  bool refused = false;
  EXPECT_EQ(b.confirm(&refused), "");
  EXPECT_TRUE(refused);
  b.backspace();
  EXPECT_EQ(b.name, "nothere.n");
}

TEST(Dialogs, SaveAcceptsANewNameInAnExistingFolder) {
  Tree t;
  FileBrowser b(FileDialogOptions{"t", "ABC.wf", "", t.root}, true);
  EXPECT_EQ(b.confirm(), (t.root / "ABC.wf").string());
  b.name = "missing/ABC.wf";
  bool refused = false;
  EXPECT_EQ(b.confirm(&refused), "");
  EXPECT_TRUE(refused);
}

TEST(Dialogs, OpenDialogOnTheScreen) {
  Tree t;
  // Down twice: ".." -> "sub" -> "a.nc"; Enter takes it.
  Rig r("{Down}{Down}{Enter}");
  r.screen.print("underneath");
  std::string path = fileOpenDialog(r.screen, {"ファイル読込み", "*.nc", "", t.root / "docs"});
  EXPECT_EQ(path, (t.root / "docs" / "a.nc").string());
  EXPECT_EQ(r.screen.rowText(0).substr(0, 10), "underneath");   // the screen is put back
  EXPECT_EQ(r.screen.dumpText().find("ﾌｧｲﾙ名"), std::string::npos);

  Rig esc("xyz{Esc}");
  EXPECT_EQ(fileOpenDialog(esc.screen, {"t", "", "", t.root}), "");

  // A script that ends inside the dialog leaves it on screen for the dump.
  Rig open("{Down}");
  EXPECT_THROW(fileOpenDialog(open.screen, {"ファイル読込み", "", "", t.root / "docs"}), InputExhausted);
  std::string dump = open.screen.dumpText();
  EXPECT_NE(dump.find("ファイル読込み"), std::string::npos);
  EXPECT_NE(dump.find("sub/"), std::string::npos);
}

TEST(Dialogs, SaveDialogTypedName) {
  Tree t;
  Rig r("{BS}{BS}txt{Enter}");
  EXPECT_EQ(fileSaveDialog(r.screen, {"保存", "ABC.wf", "", t.root}), (t.root / "ABC.txt").string());
}

TEST(Dialogs, MessageBoxAnswers) {
  struct Case { std::string_view script; bool yes; };
  const Case cases[] = {
      {"{Enter}", true}, {"{Right}{Enter}", false}, {"{Esc}", false}, {"y", true},
      {"N", false}, {"q{Tab}{Tab}{Enter}", true}, {"{RClick:0,0}", false},
  };
  for (const Case& c : cases) {
    Rig r(c.script);
    r.screen.print("keep me");
    EXPECT_EQ(messageBoxYesNo(r.screen, "終了しますか？", "VORNT"), c.yes) << c.script;
    EXPECT_EQ(r.screen.rowText(0).substr(0, 7), "keep me") << c.script;
  }
  Rig click("");
  // Find the Yes button by drawing the box once and reading the cells.
  EXPECT_THROW(messageBoxYesNo(click.screen, "終了しますか？", "VORNT"), InputExhausted);
  int row = -1, col = -1;
  for (int r = 0; r < click.screen.rows() && row < 0; ++r)
    if (auto at = click.screen.rowText(r).find("はい"); at != std::string::npos) {
      row = r;
      col = textWidth(click.screen.rowText(r).substr(0, at));
    }
  ASSERT_GE(row, 0);
  Rig yes("{Click:" + std::to_string(col) + "," + std::to_string(row) + "}");
  EXPECT_TRUE(messageBoxYesNo(yes.screen, "終了しますか？", "VORNT"));
}

}  // namespace
}  // namespace vorn
