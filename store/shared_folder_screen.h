#pragma once
// The shared-folder screen of the main menu: a framed menu of the folders
// from "UsFolder" plus "開く" and "保存" on the data drive; reads a program
// file through the file-open dialog or saves the program through the
// file-save dialog. The current directory is the same after every dialog.
#include <array>
#include <functional>
#include <string>

#include "shell/session.h"

namespace vorn {

class ProgramBuffer;

struct SharedFolderContext {
  Session& session;
  ProgramBuffer& buffer;   // the program read into or saved from
  // Reads the chosen file into the buffer (the editor's load operation and
  // what goes with it); raises RuntimeError when the file cannot be read.
  std::function<void(Session&, const std::string& path)> read;
  // The eight trajectory settings a ".wf" export carries.
  std::function<std::array<float, 8>()> exportSettings;
};

// Runs the screen until a file was read or saved, or Esc / a click off the
// menu; then erases its frame. Read and write failures go to the recovery screen.
void sharedFolderScreen(SharedFolderContext& context);

// The choice "[上書き]  [取消し] " at row and col (from 1), preset to cancel:
// true only when the user takes "[上書き]" with Enter; Esc cancels.
bool overwriteChosen(Screen& screen, int row, int col);

// Changes to a folder for the length of a dialog and back again, however
// the dialog ends. An empty name stays where it is; a folder that cannot be
// entered raises RuntimeError (not found) and changes nothing.
class FolderVisit {
 public:
  FolderVisit(const PathMap& paths, const std::string& folder);
  ~FolderVisit();
  FolderVisit(const FolderVisit&) = delete;
  FolderVisit& operator=(const FolderVisit&) = delete;

 private:
  std::string saved_;   // the current directory on entry
};

}  // namespace vorn
