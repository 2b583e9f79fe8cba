#pragma once
// Dirmark's data: the nine shared folders (label and path) that "UsFolder"
// holds, the dialog's values and what its buttons do, and the order the
// focus takes through its controls. No screen here.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class ChannelTable;

inline constexpr int kFolderEntries = 9;          // lines of "UsFolder"
inline constexpr int kPasteButtons = 8;           // "貼付" 1-8; path 9 is typed
inline constexpr const char* kUsFolderFile = "UsFolder";
inline constexpr int kDirmarkChannel = 1;

struct FolderEntry {
  std::string label;  // menu text in VORN-T; an empty label is skipped there
  std::string path;   // folder path
  bool operator==(const FolderEntry&) const = default;
};
using FolderTable = std::array<FolderEntry, kFolderEntries>;

// The folder part of a path: the text before its last "\" (or "/"), without
// the separator; "/x" gives "/", a name without a separator gives "".
std::string FOLDER(std::string_view path);

// The table from "UsFolder"'s items in file order (label, path, label, ...):
// entry 1 from the first pair; pairs past nine are ignored, missing ones empty.
FolderTable folderTableFromItems(const std::vector<std::string>& items);

// Why the table cannot be written ("" when it can): a character without a
// code page 932 form, or a double quote (it would end the string early).
// Names the entry and the box, e.g. "3 のパスにShift-JISで書けない文字があります".
std::string folderTableProblem(const FolderTable& table);

// Reads "UsFolder"; a missing file is an empty table. Raises RuntimeError
// when the file exists but cannot be read.
FolderTable readFolderTable(ChannelTable& channels);
// Writes the nine lines of "UsFolder" ("label","path" each, code page 932,
// CR LF), replacing the old file only once the new one is complete. Raises
// RuntimeError; the caller checks folderTableProblem first.
void writeFolderTable(ChannelTable& channels, const FolderTable& table);

// The values of the dialog "MAINFORM" and its button actions.
struct MainForm {
  std::string TEXDA;                       // today's date, set at start
  std::array<std::string, kFolderEntries> EDIT;  // EDIT1-EDIT9: labels 1 to 9
  std::array<std::string, kFolderEntries> EDFN;  // EDFN01-EDFN09: paths 1 to 9
  std::string EDT_FLD;                     // the folder chosen with "参照"

  void load(const FolderTable& table);
  FolderTable table() const;
  // "参照" answered: chosen is the save dialog's path, "" when cancelled
  // (then the folder box stays as it was).
  void BUT_SAN_ON(const std::string& chosen);
  // "貼付" n (1-8): the folder box replaces path n.
  void BUTTON_ON(int n);
};

// The controls in focus order: label 1, path 1, ... label 9, path 9, the
// folder box, "参照", "貼付" 1-8, "登　録" (by their control names).
const std::vector<std::string>& focusOrder();
// The focus index after moving by delta (+1 Tab, -1 Shift+Tab), wrapping.
int moveFocus(int index, int delta);

}  // namespace vorn
