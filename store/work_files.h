#pragma once
// The small files of the working directory the store owns: the environment
// record "NVOL", the code-table file "NCG" and the device-name file "NCNA".
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "shell/environment.h"

namespace vorn {

class ChannelTable;
struct CodeTable;

inline constexpr int kWorkFileChannel = 24;  // channel the working-directory files use

// Reads "NVOL" into env. A missing or empty file is filled from
// freshEnvironment(env) and written at once (`dateText` is the system date
// written with it); one shorter than a record keeps the fields it holds and
// is completed the same way. Fields with invalid bytes keep env's value.
void readEnvironmentFile(ChannelTable& channels, Environment& env, std::string_view dateText);
// Writes env as record 1 of "NVOL" through a temporary file, keeping the
// reserved drive and unused bytes of the record on disk.
void writeEnvironmentFile(ChannelTable& channels, const Environment& env, std::string_view dateText);
// The system date text written into "NVOL": "MM-DD-YYYY".
std::string systemDateText(std::time_t t);

// Reads "NCG" (created empty when missing). Fewer than 2 bytes leave `table`
// as it was and give true; a file that does not parse leaves it too and gives
// false with *error set.
bool readCodeTableFile(ChannelTable& channels, CodeTable& table, std::string* error);

inline constexpr int kCodeTableRows = 15;   // G codes of groups 0-13, then the M codes
inline constexpr int kCodeTableWidth = 60;  // characters a row holds
// The 15 rows of "NCG" as stored (created empty when missing; missing rows empty).
std::vector<std::string> readCodeTableRows(ChannelTable& channels);
// Writes "NCG": the 15 rows and an empty 16th line, each a quoted string.
void writeCodeTableRows(ChannelTable& channels, const std::vector<std::string>& rows);

// One line of "NCNA".
struct DeviceName {
  std::string name;  // device name
  float setting = 0; // connection setting of the device-registration screen
};
inline constexpr int kDeviceNames = 16;
// Reads "NCNA" (created empty when missing): up to 16 pairs, missing ones blank.
std::vector<DeviceName> readDeviceNames(ChannelTable& channels);
// Writes the 16 pairs (missing ones blank, 0).
void writeDeviceNames(ChannelTable& channels, const std::vector<DeviceName>& names);

}  // namespace vorn
