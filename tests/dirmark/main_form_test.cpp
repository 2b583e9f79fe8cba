#include "dirmark/main_form.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::string tabs(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "{Tab}";
  return s;
}

// The dialog on a headless screen in a folder of its own (also the current
// directory while it runs, as the program has it).
struct FormRun {
  explicit FormRun(std::string_view script)
      : backend(HeadlessBackend::fromScript(script)), screen(backend, clock), paths(config()), channels(paths) {
    startDir = fs::current_path();
    fs::current_path(dir);
  }
  ~FormRun() {
    std::error_code ec;
    fs::current_path(startDir, ec);
    fs::remove_all(dir, ec);
  }
  DeviceConfig config() {
    dir = fs::temp_directory_path() / ("vorn_dirmark_form_" + std::to_string(::getpid()));
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
  // Runs the dialog; nullopt when the script ran out first.
  std::optional<FormEnd> run() {
    try {
      return runMainForm(screen, channels, 86400 * 400);
    } catch (const InputExhausted&) {
      return std::nullopt;
    }
  }
  std::string cells(int col, int row, int width) const { return midByWidth(screen.rowText(row), col, width); }
  std::string label(int n) const { return cells(4, 4 + n, 16); }
  std::string path(int n) const { return cells(22, 4 + n, 46); }

  fs::path dir, startDir;
  VirtualClock clock;
  HeadlessBackend backend;
  Screen screen;
  PathMap paths;
  ChannelTable channels;
};

const std::string kNineEmpty = [] {
  std::string s;
  for (int i = 0; i < 9; ++i) s += "\"\",\"\"\r\n";
  return s;
}();

TEST(DirmarkForm, ShowsTheControlsAndTheFileWithTheFocusOnLabelOne) {
  FormRun t("X");
  t.write("\"Lab1\",\"/srv/a\"\r\n\"\",\"/srv/b\"\r\n");
  EXPECT_FALSE(t.run());
  EXPECT_NE(t.screen.rowText(0).find("VORN共用フォルダ設定"), std::string::npos);
  EXPECT_NE(t.screen.rowText(2).find("共用フォルダのメニューを設定する"), std::string::npos);
  EXPECT_NE(t.screen.rowText(2).find(dateString(86400 * 400)), std::string::npos);   // TEXDA
  EXPECT_NE(t.screen.rowText(4).find("名　称"), std::string::npos);
  EXPECT_NE(t.screen.rowText(4).find("共用フォルダのパス"), std::string::npos);
  EXPECT_EQ(t.label(1), padToWidth("Lab1X", 16));   // typed at the end of label 1
  EXPECT_EQ(t.path(2), padToWidth("/srv/b", 46));
  EXPECT_EQ(t.cells(70, 5, 8), "[ 貼付 ]");
  EXPECT_EQ(t.cells(70, 12, 8), "[ 貼付 ]");
  EXPECT_EQ(t.cells(70, 13, 8), std::string(8, ' '));   // none for path 9
  EXPECT_EQ(t.cells(70, 15, 8), "[ 参照 ]");
  EXPECT_EQ(t.cells(34, 17, 10), "[ 登　録 ]");
}

TEST(DirmarkForm, TabAndShiftTabFollowTheOrder) {
  FormRun t("a{Tab}b{Tab}c" + tabs(16) + "d{Tab}{Shift+Tab}e{Shift+Tab}f{Shift+Tab}g");
  EXPECT_FALSE(t.run());
  EXPECT_EQ(t.label(1), padToWidth("a", 16));
  EXPECT_EQ(t.path(1), padToWidth("b", 46));
  EXPECT_EQ(t.label(2), padToWidth("c", 16));
  EXPECT_EQ(t.cells(22, 15, 46), padToWidth("de", 46));   // 16 more Tabs reach the folder box
  EXPECT_EQ(t.path(9), padToWidth("f", 46));
  EXPECT_EQ(t.label(9), padToWidth("g", 16));
}

TEST(DirmarkForm, RegisteringLabelsOneAndTwoWritesNineLines) {
  // The script of the program's own example, then Tabs on to "登　録".
  FormRun t("Lab1{Tab}/srv/nc/a{Tab}Lab2{Tab}/srv/nc/b" + tabs(25) + "{Enter}");
  EXPECT_EQ(t.run(), FormEnd::Registered);
  std::string expected = "\"Lab1\",\"/srv/nc/a\"\r\n\"Lab2\",\"/srv/nc/b\"\r\n";
  for (int i = 0; i < 7; ++i) expected += "\"\",\"\"\r\n";
  EXPECT_EQ(t.bytes(), expected);
}

TEST(DirmarkForm, ShiftTabFromLabelOneReachesRegisterAndSpacePressesIt) {
  FormRun t("{Shift+Tab} ");
  EXPECT_EQ(t.run(), FormEnd::Registered);
  EXPECT_EQ(t.bytes(), kNineEmpty);   // a missing file was an empty table
}

TEST(DirmarkForm, PasteThreeCopiesTheFolderBoxIntoPathThree) {
  FormRun t(tabs(18) + "/x/y" + tabs(4) + " " + tabs(6) + "{Enter}");
  EXPECT_EQ(t.run(), FormEnd::Registered);
  EXPECT_EQ(t.bytes(), "\"\",\"\"\r\n\"\",\"\"\r\n\"\",\"/x/y\"\r\n" + kNineEmpty.substr(0, 6 * 7));
}

TEST(DirmarkForm, ClicksFocusBoxesAndPressButtons) {
  // Click the folder box, type, click "貼付" 2, then "登　録".
  FormRun t("{Click:30,15}/m{Click:71,6}{Click:36,17}");
  EXPECT_EQ(t.run(), FormEnd::Registered);
  EXPECT_EQ(t.bytes(), "\"\",\"\"\r\n\"\",\"/m\"\r\n" + kNineEmpty.substr(0, 7 * 7));
}

TEST(DirmarkForm, BrowsingToAFolderPutsItIntoTheFolderBox) {
  FormRun t(tabs(19) + "{Enter}{Down}{Enter}{Enter}");
  fs::create_directories(t.dir / "nc");
  EXPECT_FALSE(t.run());
  EXPECT_EQ(t.cells(22, 15, 46), padToWidth((t.dir / "nc").string(), 46));
  FormRun c(tabs(18) + "/keep" + "{Tab}{Enter}{Esc}");   // a cancelled browse leaves the box
  EXPECT_FALSE(c.run());
  EXPECT_EQ(c.cells(22, 15, 46), padToWidth("/keep", 46));
}

TEST(DirmarkForm, EscOrClosingLeavesTheFileByteForByte) {
  const std::string original = "\"Old\",\"/old\"\r\n";   // short, and not as Dirmark would write it
  for (const char* script : {"New{Esc}", "New{Close}"}) {
    FormRun t(script);
    t.write(original);
    EXPECT_EQ(t.run(), FormEnd::Closed) << script;
    EXPECT_EQ(t.bytes(), original) << script;
  }
}

TEST(DirmarkForm, AResizedWindowShowsTheWholeDialogAgain) {
  FormRun t("ab{Resize:320,200}{Resize:800,600}c");
  EXPECT_FALSE(t.run());
  EXPECT_EQ(t.label(1), padToWidth("abc", 16));
  EXPECT_EQ(t.cells(70, 15, 8), "[ 参照 ]");
  EXPECT_EQ(t.cells(58, 2, 10), dateString(86400 * 400));   // the texts too, not only the controls
  EXPECT_EQ(t.cells(24, 4, 18), "共用フォルダのパス");
}

TEST(DirmarkForm, TextWithoutAShiftJisFormIsRefusedAndNothingWritten) {
  FormRun t("{Tab}/srv/한국{Shift+Tab}{Shift+Tab}{Enter}");
  t.write("\"Old\",\"/old\"\r\n");
  EXPECT_FALSE(t.run());
  EXPECT_EQ(t.bytes(), "\"Old\",\"/old\"\r\n");
  EXPECT_NE(t.screen.rowText(19).find("1 のパスにShift-JISで書けない文字があります"), std::string::npos);
  EXPECT_EQ(t.screen.beepCount(), 1);
}

TEST(DirmarkForm, AnUnreadableFileIsReportedAndTheTableStartsEmpty) {
  FormRun t("");
  fs::create_directories(t.dir / "UsFolder");   // a folder where the file should be
  EXPECT_FALSE(t.run());
  EXPECT_NE(t.screen.rowText(19).find("UsFolder を読めません"), std::string::npos) << t.screen.rowText(19);
  EXPECT_EQ(t.label(1), std::string(16, ' '));
}

TEST(DirmarkForm, LongPathsScrollAndStayWhole) {
  const std::string longPath = "/" + std::string(80, 'p') + "/end";
  FormRun t("{Tab}" + longPath + tabs(27) + "{Enter}");
  EXPECT_EQ(t.run(), FormEnd::Registered);
  EXPECT_EQ(t.bytes().substr(0, longPath.size() + 7), "\"\",\"" + longPath + "\"\r\n");
}

TEST(EditBox, KeysEditAndTheViewFollowsTheCursor) {
  EditBox b;
  b.set("abcdef");
  EXPECT_TRUE(b.key("\x1d"));   // ←
  EXPECT_TRUE(b.key("\b"));
  EXPECT_EQ(b.utf8(), "abcdf");
  EXPECT_TRUE(b.key("\x0b"));   // Home
  EXPECT_TRUE(b.key("日"));
  EXPECT_TRUE(b.key("\x7f"));
  EXPECT_EQ(b.utf8(), "日bcdf");
  EXPECT_FALSE(b.key("\x01" "A"));   // F1 is the dialog's
  EXPECT_FALSE(b.key("\t"));
  b.key("\x15");   // End
  int cell = 0;
  EXPECT_EQ(b.shown(4, &cell), "cdf");   // scrolled: the cursor keeps a free cell
  EXPECT_EQ(cell, 3);
  b.key("\x0c");
  EXPECT_EQ(b.utf8(), "");
}

}  // namespace
}  // namespace vorn
