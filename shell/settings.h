#pragma once
// The shell's small files: the settings file "vorntc.ini", the shared-folder
// list "UsFolder", the speed figure "VOT" and the transmission log
// "vorntlog.txt". Parsing is pure; the file operations go through channels
// and raise RuntimeError like every runtime operation.
#include <cstdint>
#include <string>
#include <vector>

namespace vorn {

class ChannelTable;

inline constexpr int kAccessCode = 5174;   // with "GT": enables block generation

struct Settings {
  float V2 = 0;           // decimals of coordinates written into generated blocks
  float endOfTape = 0;    // 1 = after a program send "%" and the line end
  float charDelay = 0;    // milliseconds to wait after each character sent
  int16_t V0F = 0;        // 1 = append a line to the transmission log after each send
  int16_t S = 0;          // block-generation switch: 1 when the access-code line is present
};

// Applies the lines of "vorntc.ini": only the first six characters of each
// line count; lines 3, 5, 6 and 8 set values; a "5174GT" line sets S.
void applySettingsLines(Settings& settings, const std::vector<std::string>& lines);

// One record of "UsFolder": display name and path.
struct FolderRecord {
  std::string name;
  std::string path;
};

inline constexpr int kMaxSharedFolders = 64;   // records beyond are ignored

struct SharedFolders {
  std::vector<std::string> MXX;  // display names, padded to the longest (at most 6 blanks added)
  std::vector<std::string> PU;   // folder paths, same index
  int ZV = 0;                    // count of records kept
};

// Keeps the records with a name (at most kMaxSharedFolders) and pads the names.
SharedFolders sharedFoldersFrom(const std::vector<FolderRecord>& records);

// One line of the transmission log.
struct TransmissionRecord {
  std::string start;   // start date and time, "MM-DD-YYYY HH:MM:SS"
  std::string end;     // end time "HH:MM:SS"
  float minutes = 0;   // elapsed minutes
  float lines = 0;     // program lines sent
  float V2W = 0;       // end status: 0 normal, 5 cancelled
  float PPF = 0;       // code of the last character received from the machine
};
std::string transmissionLogLine(const TransmissionRecord& r);

// Counting-loop turns per second: counts for `seconds` of real time and
// scales the count to one second.
float measureLoopSpeed(double seconds);

// --- file operations (names are mapped by the channel table's paths)
inline constexpr const char* kSettingsFile = "vorntc.ini";
inline constexpr const char* kFoldersFile = "UsFolder";
inline constexpr const char* kSpeedFile = "VOT";
inline constexpr const char* kLogFile = "vorntlog.txt";
inline constexpr int kShellChannel = 1;   // the channel the shell's files use

void readSettings(ChannelTable& channels, Settings& settings);
void readSharedFolders(ChannelTable& channels, SharedFolders& folders);
// Writes WWID as the single line of "VOT".
void writeSpeedFile(ChannelTable& channels, float WWID);
// Appends r to "vorntlog.txt" when V0F is 1; otherwise writes nothing.
void appendTransmissionLog(ChannelTable& channels, const Settings& settings, const TransmissionRecord& r);

}  // namespace vorn
