#pragma once
// External program files: the package's ".wf" export (a three-line header
// with mark, name, title and the eight trajectory settings, then the program
// lines) and plain text files, and the pure rules of the shared-folder screen
// (its menu, file names, dialog filter). Reading goes through the editor's
// load operation; this module writes.
#include <array>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class ChannelTable;
class ProgramSource;
struct SharedFolders;

inline constexpr int kExternalFileChannel = 3;   // the channel the export writes on

// What the first three lines of a ".wf" file carry.
struct ExportHeader {
  float YGW = 0;                     // program mark written to the file (the export writes 0)
  std::string OSDATE;                // program name
  std::string H0X;                   // program title, the whole second line
  std::array<float, 8> settings{};   // trajectory settings: work X, Y, Z, base point, centre X, Y, Z, scale
};

// The name a save writes: unchanged when it ends in extension (compared
// without regard to case) or holds a "." anywhere in its file name; otherwise
// extension appended ("ABC" -> "ABC.wf", "ABC.txt" stays).
std::string exportFileName(std::string_view chosen, std::string_view extension = ".wf");
// Only ".wf" files get the header, so a ".nc" or ".txt" export is the bare
// program a machine or another editor expects.
bool writesExportHeader(std::string_view path);
// The save dialog's proposed name: the program name without trailing blanks, plus extension.
std::string saveInitialName(std::string_view OSDATE, std::string_view extension = ".wf");
// The filter text of the shared-folder dialogs: "(*.wf);(*.nc*,*.dnc);(*.txt);(*.*)".
std::string sharedFolderFilter(std::string_view extension = ".wf");
// The title an export gives the program: date and time, "MM-DD-YYYY HH:MM:SS".
std::string exportTitle(std::time_t when);

// A file that already holds more than one byte: the save asks before replacing it.
bool needsOverwriteQuestion(const std::string& hostPath);

// Writes the program as hostPath (an absolute or working-directory path):
// for a ".wf" name the header lines first, then program lines 1 to n, code
// page 932 with CR LF. The new file replaces the old one only when complete
// (temporary file and rename). Raises RuntimeError when it cannot be written.
void writeExternalFile(ChannelTable& channels, const std::string& hostPath, const ExportHeader& header,
                       const ProgramSource& program);

// One entry of the shared-folder menu.
struct FolderMenuEntry {
  std::string label;   // shown text: the folder's name, a blank and its path
  std::string path;    // folder the dialogs start in ("" = the current folder)
  bool save = false;   // a label beginning with "保存" runs the save path
};

inline constexpr int kMenuFolders = 9;   // folders the screen's frame holds

// The menu: the first kMenuFolders kept folders, then "開く" and "保存" with
// the data drive. Labels are cut to maxWidth cells.
std::vector<FolderMenuEntry> sharedFolderMenu(const SharedFolders& folders, const std::string& ZDX,
                                              int maxWidth = 32);

}  // namespace vorn
