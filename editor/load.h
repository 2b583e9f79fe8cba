#pragma once
// Loading a plain text file (code page 932) into the program buffer: NC-type
// files have their blocks (not comment lines) normalised and lose their "%"
// lines, ".wf" files give their three-line header, other files keep their
// lines exactly. Files are read as a stream of bounded lines
// (runtime/line_reader.h), so any file loads in bounded memory. Screen-free:
// the caller shows progress and messages.
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class ProgramBuffer;

// The header of the package's ".wf" export file.
struct WfHeader {
  float YGW = 0;                // program mark carried with the program
  std::string name;             // program name (quotes removed)
  std::string title;            // program title, the whole second line
  std::vector<float> settings;  // trajectory settings 1, 2, 3, 4, 7, 8, 9 and 22, as many as given
};

struct LoadResult {
  int linesKept = 0;               // the new Z
  bool ncType = false;             // lines were normalised and "%" lines dropped
  std::optional<WfHeader> header;  // set for a ".wf" file
  int cutAtLine = 0;               // 0: everything fit; else the file line where loading stopped
  int linesCut = 0;                // lines kept shorter than in the file (70 cells, or the reader's cap)
  int firstCutLine = 0;            // program line of the first of them (0: none)
};

// How the lines of a file become program lines, chosen by the file's name.
struct LineRule {
  bool ncType = false;  // blocks normalised (not comment lines), "%" lines dropped
  bool upcase = false;  // block text outside parentheses upper-cased first (other tools' files)
  bool wf = false;      // a three-line ".wf" header comes first
};

struct LoadOptions {
  // Maps the path as typed ("\" separators, drive letters) to a host path; identity when empty.
  std::function<std::string(const std::string&)> mapPath;
  // Called with the running line count now and then, and once at the end.
  std::function<void(int)> progress;
};

// The path with one pair of surrounding double quotes removed.
std::string unquotePath(std::string_view path);
// True when the last three characters, upper-cased, occur in "DNCD.NC".
bool isNcTypePath(std::string_view path);
bool isWfPath(std::string_view path);
// True for ".ngc", ".gcode", ".tap" and ".cnc" (any case): programs written by
// other CNC tools, loaded as NC-type with their block text upper-cased.
bool isForeignNcPath(std::string_view path);
LineRule lineRuleFor(std::string_view path);
// The program line for one file line (code page 932 bytes, the header
// excluded), or nullopt when the line is dropped (an NC-type "%"). *cut is set
// when normalisation cut it to 70 cells.
std::optional<std::string> programLine(const LineRule& rule, std::string_view bytes,
                                       bool* cut = nullptr);
// The same into `out` (replaced; its capacity is reused); false when the line is dropped.
bool programLineInto(const LineRule& rule, std::string_view bytes, std::string& out, bool* cut = nullptr);
// A ".wf" header from its first three lines (code page 932 bytes; fewer when the file is shorter).
WfHeader readWfHeader(const std::vector<std::string>& lines);
// File name after the last "\" (or "/"), cut before its first ".".
std::string programNameFromPath(std::string_view path);

// Replaces the buffer with the file's lines and sets OSDATE (and H0X from a
// ".wf" header). A file longer than the buffer loads what fits, reports the
// cut line and reads no further. A pipe is read like a file; a character
// device is refused (it may never end). Raises RuntimeError when the file
// cannot be opened or read; the buffer is then unchanged.
LoadResult loadProgramFile(ProgramBuffer& buffer, std::string_view path,
                           const LoadOptions& options = {});
// The same on file contents already read (bytes in code page 932).
LoadResult loadProgramBytes(ProgramBuffer& buffer, std::string_view path, std::string_view bytes,
                            const LoadOptions& options = {});

// The plain message for a file that did not fit, else for lines that were
// cut ("" when everything was kept whole).
std::string loadCutMessage(const LoadResult& result);

}  // namespace vorn
