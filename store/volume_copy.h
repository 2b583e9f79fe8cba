#pragma once
// The volume copy: a range of programs (by name) copied from one data drive
// to another, same volume on both. The entries of the range are first
// written to the copy work file "WK" in the working directory, then each
// program's text is loaded from the source into a program buffer and saved
// on the target with its own record values (title, date stamp, save count,
// settings): an existing name there keeps its record, a new one is appended.
// Screen-free; the module's copy screen and `vornt-cli store copy` run it.
#include <functional>
#include <string>
#include <vector>

#include "store/layouts.h"

namespace vorn {

class PathMap;
class ProgramBuffer;
class ChannelTable;

inline constexpr const char* kCopyWorkFile = "WK";

// Writes the entries to "WK" (per program: status, name padded to the key
// width, title, date stamp, size, save count as a list; then the trajectory
// settings 1-9 and 18-22, the eight tool diameters and the plot settings
// 1-8, each joined by commas on a line of its own).
void writeCopyList(ChannelTable& channels, const std::vector<DirectoryRecord>& entries, int keyWidth);
// Reads "WK" back value by value (a missing file reads as empty).
std::vector<DirectoryRecord> readCopyList(ChannelTable& channels);

struct CopyRange {
  std::string sourceDrive;  // "A:".."F:" or "" (the working directory)
  std::string targetDrive;  // must differ from the source
  std::string volume;       // "M1".."M6" on both
  std::string first;        // first name of the range
  std::string last;         // last name; "" takes the first
};

// One program copied (or not).
struct CopiedProgram {
  std::string name;
  std::string title;
  bool existed = false;  // the target already held the name (its record was overwritten)
  int record = 0;        // the target's directory record
  std::string problem;   // why it was not copied ("" when it was)
};

struct VolumeCopyResult {
  bool nothingInRange = false;  // the source holds no program in the range ("データ無")
  bool stopped = false;         // a hook asked to stop
  std::vector<CopiedProgram> programs;
  int copied() const;
};

// What the screen or the command line sees on the way; false from a hook stops the copy.
struct VolumeCopyHooks {
  std::function<bool(const std::string& drive, const std::string& name)> collected;  // an entry went to "WK"
  std::function<bool()> beforeCopying;   // "WK" is written, the target is next
  std::function<bool(const CopiedProgram&)> copied;
};

// A usage fault in the range (empty first name, last below first, same drives, bad names).
std::string copyRangeProblem(const CopyRange& range);
// The same, and two drives whose volumes are one folder (an empty drive is
// the working directory, which is also where "A:" lies unless configured).
std::string copyRangeProblem(const PathMap& paths, const CopyRange& range);

// Runs the copy; `buffer` receives each program in turn (the module's own
// buffer). A program longer than the buffer, or one the target refuses, is
// not copied and says why. Throws std::invalid_argument for a range with a
// problem (either form above); file errors raise RuntimeError.
VolumeCopyResult copyVolumeRange(const PathMap& paths, ProgramBuffer& buffer, const CopyRange& range,
                                 const VolumeCopyHooks& hooks = {});

}  // namespace vorn
