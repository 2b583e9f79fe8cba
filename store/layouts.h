#pragma once
// The store's file layouts. Each layout is one plain struct with one pack and
// one unpack function over the record bytes; the offsets and widths live in
// tables inside layouts.cpp and nowhere else.
//
// Text members are UTF-8 in memory and code page 932 in the record, cut so
// that a double-byte character is never split. Unpacking never fails on bad
// bytes: singles that are not finite numbers read as 0 (the trajectory,
// tool and plot singles included), so a corrupt record cannot poison arithmetic.
#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/environment.h"

namespace vorn {

inline constexpr int kDirectoryRecordLength = 256;   // bytes per record of the directory file
inline constexpr int kIndexRecordLength = 256;       // bytes per record of the name index
inline constexpr int kEnvironmentRecordLength = 128; // bytes of the environment record
inline constexpr int kDirectoryNameWidth = 8;        // name field of a directory record
inline constexpr int kTitleWidth = 18;               // title field of a directory record
inline constexpr int kTitleShown = 16;               // title characters entered and listed

// Directory file, record 1: the volume header.
struct VolumeHeader {
  std::string volume;  // volume name, e.g. "M1"
};
std::string packVolumeHeader(const VolumeHeader& header);  // kDirectoryRecordLength bytes
VolumeHeader unpackVolumeHeader(std::string_view record);

// The settings carried with a program, as raw singles; the screens convert them.
struct StoredSettings {
  std::array<float, 15> trajectory{};  // slots 0-8: trajectory settings 1-9, 9-13: settings 18-22
  std::array<float, 11> toolRadii{};   // slots 0-7: tool radii 1-8
  std::array<float, 10> plot{};        // slots 0-7: plot settings 1-8
};

// Directory file, records 2 and up: one program.
struct DirectoryRecord {
  bool deleted = false;    // status "*": the program was deleted; the record is never reused
  std::string name;        // program name, trailing blanks removed
  std::string title;       // title, trailing blanks removed
  std::string date;        // date stamp of the last save, "YY.MM.DD" with blank-padded month and day
  float size = 0;          // bytes of the program text file
  int saveCount = 0;       // how many times the program was saved under this record
  int YGW = 0;             // program mark
  StoredSettings settings; // trajectory, tool and plot settings in force at the save
};
// Packs over `record` (resized to kDirectoryRecordLength, blank-filled when it
// was shorter), leaving the unused byte ranges as they were. A save count or
// mark outside int16 is clamped.
void packDirectoryRecord(const DirectoryRecord& entry, std::string& record);
std::string packDirectoryRecord(const DirectoryRecord& entry);  // over a blank record
DirectoryRecord unpackDirectoryRecord(std::string_view record);  // short records read as blank-padded
// Only the title field, packed over an existing record.
void packDirectoryTitle(std::string_view title, std::string& record);
// Only the status field ("*" deleted, blank live), packed over an existing record.
void packDirectoryStatus(bool deleted, std::string& record);

// Name index, record 1.
struct IndexHeader {
  int keyWidth = 7;  // W: 7, or 5 for an index of the older format
  int count = 0;     // entries in use
};
// Whether the header bytes are a valid index header: the format mark "10", a
// key width of 5 or 7 and a count from 0 to kIndexCountLimit. `why` gets a
// short reason when not.
std::optional<IndexHeader> unpackIndexHeader(std::string_view record, std::string* why = nullptr);
std::string packIndexHeader(const IndexHeader& header);  // over a blank record, capacity figure included
// Sets only the count field of an existing header record.
void packIndexCount(int count, std::string& record);

inline constexpr int kIndexCountLimit = 999;  // insertion is refused at this count

// One entry of the name index.
struct IndexEntry {
  std::string key;  // program name blank-padded to the key width (bytes as stored)
  int record = 0;   // directory record number
};
int entriesPerIndexRecord(int keyWidth);  // E = 256 div (W + 2)
// Packs up to E entries into slots 0.. of `record` (kIndexRecordLength
// bytes), leaving the bytes after them as they were.
void packIndexBlock(const IndexEntry* entries, int n, int keyWidth, std::string& record);
// The first n entries (n <= E) of an index data record.
std::vector<IndexEntry> unpackIndexBlock(std::string_view record, int n, int keyWidth);

// Environment record "NVOL": the stored part of the environment settings.
// Unpacking starts from `current` and takes only the fields whose bytes are
// valid (a drive "A:".."F:" or blanks, a volume "M1".."M6", digit codes in range).
Environment unpackEnvironment(std::string_view record, const Environment& current);
// Packs over `record` (resized to kEnvironmentRecordLength), keeping the
// reserved drive and the unused bytes; `dateText` is the system date, up to 10 characters.
void packEnvironment(const Environment& env, std::string_view dateText, std::string& record);
// A new record's bytes: blanks, reserved drive "A:".
std::string freshEnvironmentRecord();
// The settings a new or empty record is filled with: the ones in memory, then
// display speed 50, arc pitch 9, data drive "A:", volume "M1", code set 1, stop bits 2, custom code "12".
Environment freshEnvironment(const Environment& current);

}  // namespace vorn
