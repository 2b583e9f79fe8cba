#pragma once
// Dialogs drawn in the character screen: a Yes/No message box and the
// file-open and file-save dialogs. Each saves the cells (and graphics) it
// covers and puts them back when it closes. The folder browsing behind the
// file dialogs is a plain struct, tested without a screen.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class Screen;

// Yes/No box with a caption. Enter takes the highlighted button (Yes at
// first), "Y"/"N" answer at once, Esc answers No. Throws InputExhausted when
// the key script runs out.
bool messageBoxYesNo(Screen& screen, std::string_view text, std::string_view caption);

struct FileDialogOptions {
  std::string title;        // caption
  std::string initialName;  // proposed name; one with "*" or "?" filters the list instead
  std::string filter;       // groups like "(*.wf);(*.nc*,*.dnc);(*.*)" or "*.nc;*.txt"; empty = all
  std::filesystem::path folder;  // where to start; empty = current directory
};

// The chosen path (absolute), or "" when the user pressed Esc. Open accepts
// only an existing file; save accepts any name in an existing folder.
std::string fileOpenDialog(Screen& screen, const FileDialogOptions& options);
std::string fileSaveDialog(Screen& screen, const FileDialogOptions& options);

// Filter text split into groups of patterns ("(*.nc*,*.dnc)" is one group).
std::vector<std::vector<std::string>> parseFilter(std::string_view filter);
// Case-insensitive glob match; "*.*" matches names without a dot too.
bool matchesFilter(const std::vector<std::string>& group, std::string_view name);

// The state of a file dialog: folder, listing, selection and the name field.
struct FileBrowser {
  struct Entry {
    std::string name;   // file or folder name; ".." for the parent
    bool folder;
  };
  std::filesystem::path folder;                     // absolute folder being shown
  std::vector<std::vector<std::string>> filters;    // groups from parseFilter
  size_t filterIndex = 0;                           // group in use
  std::vector<std::string> typedFilter;             // a pattern typed as the name, overriding the group
  std::vector<Entry> entries;                       // "..", folders, then matching files
  int selected = 0;                                 // index into entries
  std::string name;                                 // the name field
  bool listActive = false;                          // Enter acts on the selection, not the name
  bool forSave = false;                             // any new name is accepted

  FileBrowser(const FileDialogOptions& options, bool save);
  void enter(const std::filesystem::path& to);      // shows another folder
  void reload();                                    // re-reads the folder
  void move(int delta);                             // moves the selection
  void typeText(std::string_view utf8);             // appends to the name field
  void backspace();                                 // removes the last character of the name
  void nextFilter();
  // Enter: opens a folder (staying in the dialog, returns "") or gives the
  // chosen file's path; "" with *refused set when the name is not acceptable.
  std::string confirm(bool* refused = nullptr);
};

}  // namespace vorn
