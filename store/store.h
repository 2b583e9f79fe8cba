#pragma once
// The program store of one data drive and volume: the directory file, the
// name index, the program text files, and the operations the storage screens
// and `vornt-cli store` run on them. Screen-free; every file operation goes
// through the channel table and raises RuntimeError (a missing drive folder
// is err::NoMedia).
//
// A save is ordered so that an interruption at any point leaves either the
// old program or the new one, and the index never names a record that is
// missing or holds another name: the text file is written beside the old one
// and renamed over it, then the directory record is written, then the index
// is replaced through a temporary file. A delete removes the index entry
// first, then marks the record and deletes the text. An index that does not
// agree with the directory file (bad header, count past the file, record
// numbers out of range or naming another program, keys out of order) is
// rebuilt from the live directory records when read.
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "store/layouts.h"
#include "store/name_index.h"
#include "store/names.h"

namespace vorn {

class ChannelTable;
class PathMap;
class ProgramBuffer;

inline constexpr int kDirectoryChannel = 21;  // the directory file, open while a storage screen is shown
inline constexpr int kIndexChannel = 22;      // the name index, open around each read or write
inline constexpr int kTextChannel = 23;       // program text files

// A save or name the store refuses (empty program, bad name or title, full
// volume); the message is for the user.
struct StoreRefused : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Thrown by the test hook that stops a save after a given step, as a crash would.
struct SaveInterrupted : std::runtime_error {
  explicit SaveInterrupted(int step) : std::runtime_error("save stopped after step " + std::to_string(step)) {}
};

// What the caller knows when it saves: the typed name and title, today's date
// stamp and the settings in force.
struct SaveRequest {
  std::string name;          // program name (folded to upper case, checked against the key width)
  std::string title;         // title as typed (cut to the field without splitting a character)
  std::string date;          // today's date stamp, e.g. "06. 6. 5"
  StoredSettings settings;   // trajectory, tool and plot settings
  std::optional<int> saveCount;  // the save count to store (a volume copy keeps the program's own); none: base + 1
  int stopAfterStep = 0;     // test hook: 1 text file, 2 directory record, 3 index; throws SaveInterrupted
};

struct SaveResult {
  int position = 0;     // index position of the saved entry
  int record = 0;       // its directory record
  bool newEntry = false;
  int64_t size = 0;     // bytes of the text file
};

enum class LoadMode { Replace, Append };

struct TextLoadResult {
  std::string headerLine;  // the first line when it began with a double quote, else ""
  int linesRead = 0;       // program lines taken into the buffer
  int cutAtLine = 0;       // 0: all fit; else the file line where the buffer was full
  std::string message;     // what to tell the user when the program was cut ("" otherwise)
};

// One line of the program list: its text and index position.
struct ListLine {
  std::string text;   // name, title, date stamp, size and work size, 47 characters at most
  int position = 0;   // index position, 0 for a blank line past the end
};

class Store {
 public:
  Store(ChannelTable& channels, const PathMap& paths);

  // The drive ("A:".."F:" or "" for the working directory) and volume ("M1".."M6").
  // A change drops the index held.
  void select(std::string_view drive, std::string_view volume);
  const std::string& drive() const { return drive_; }
  const std::string& volume() const { return volume_; }
  std::string location() const { return drive_ + volume_; }

  // Opens the directory file on kDirectoryChannel (when not open): an empty
  // one gets the volume header as record 1 and the program folder is created.
  void openVolume();
  void closeVolume();  // closes the directory file and the other store channels
  bool volumeOpen() const;
  int directoryRecords();  // records in the directory file, header included

  // Reads the name index (creating its header when the file is missing or
  // empty: key width 7, count 0); opens the volume when needed. Rebuilds it
  // from the directory records when it does not agree with them; the
  // reason is then in rebuildReason().
  void readIndex();
  bool indexHeld() const { return indexHeld_; }  // an index of the selected drive and volume is in memory
  const NameIndex& index() const { return index_; }
  const std::string& rebuildReason() const { return rebuildReason_; }
  // Writes the changed blocks and the count through a temporary file.
  void writeIndex();

  // The directory record as stored (no state changes).
  DirectoryRecord readRecord(int record);
  // Read entry: the whole record; the save count base takes its save count.
  // The caller applies title, mark and settings to the current program.
  DirectoryRecord readEntry(int record);
  // Read entry header: the record without touching the save count base (the
  // caller uses only name, title, date, size, save count, mark and work size).
  DirectoryRecord readEntryHeader(int record) { return readRecord(record); }
  // Rewrites only the title field.
  void setTitle(int record, std::string_view title);

  // The save sequence for the program in `buffer` (its OSDATE and H0X become
  // the name and title). An existing name keeps its record and counts up
  // from the save count base; a new one takes a new record at the end.
  // Throws StoreRefused for an empty program, a bad name or title, and a new
  // name when the volume is full; nothing is written then.
  SaveResult save(ProgramBuffer& buffer, const SaveRequest& request);
  // The save count base: 0 at start, the stored count after readEntry, 0 after a new entry.
  int saveCountBase = 0;

  // Loads a stored program's text. Replace: the buffer takes the lines and
  // OSDATE the name; Append: the lines go after the last line. A header line
  // is set aside; lines past the buffer's capacity are not loaded.
  TextLoadResult loadText(ProgramBuffer& buffer, std::string_view name, LoadMode mode);
  // The stored lines of a program (header line set aside), UTF-8.
  std::vector<std::string> readText(std::string_view name, std::string* headerLine = nullptr);

  // Deletes the entry at an index position: index entry removed and written,
  // record marked "*", text file deleted.
  void deleteEntry(int position);

  // Index repair: a new index built from the directory records alone (live
  // records larger than a header line; a name met twice keeps its later
  // record), written as a whole new index file. `progress` sees every record
  // scanned with the entries found so far; false stops the scan and then
  // nothing is written, so the old index stays. True when the index was written.
  bool repairIndex(const std::function<bool(int record, const DirectoryRecord& entry, int count)>& progress = {});

  // Delete all: every program of the volume goes. The program text files go
  // first (those the index lists and those of live directory records), then
  // the index is emptied, then the directory file is replaced by one holding
  // only the volume header; so an interruption never leaves a program file
  // that nothing lists. `progress` sees each text file name. Gives the
  // number of programs deleted.
  int deleteAll(const std::function<void(const std::string& name)>& progress = {});

  // True when a new name can no longer be stored (the volume holds kVolumeCapacity programs).
  bool full() const { return index_.count() >= capacity_; }
  // The edition's number of programs a volume holds (kVolumeCapacity unless set).
  void setCapacity(int programs) { capacity_ = programs; }
  int capacity() const { return capacity_; }

  // The program list line of an index position (entry and header of its record).
  ListLine listLine(int position);
  // `lines` list lines starting at an index position; past the end they are blank.
  std::vector<ListLine> listPage(int firstPosition, int lines);

 private:
  std::string textFile(std::string_view name) const;
  void ensureDriveFolder() const;
  void writeRecord(int record, const std::string& bytes);
  void rebuildIndex(const std::string& reason,
                    const std::function<bool(int, const DirectoryRecord&, int)>& progress = {});
  std::optional<std::string> checkIndex(const std::vector<std::string>& records);

  ChannelTable& channels_;
  const PathMap& paths_;
  std::string drive_ = "A:";
  std::string volume_ = "M1";
  NameIndex index_;            // the name index of drive_ + volume_ while indexHeld_
  int capacity_ = kVolumeCapacity;  // programs a volume holds (the edition's limit)
  bool indexHeld_ = false;
  std::string rebuildReason_;  // why the last read rebuilt the index ("" when it did not)
};

// The list line of an entry: padded name, blank, title (16), blank, date
// stamp (8), size right-aligned in 7, work size right-aligned in 6, cut to 47.
std::string programListLine(const DirectoryRecord& entry, int keyWidth);

}  // namespace vorn
