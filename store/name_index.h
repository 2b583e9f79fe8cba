#pragma once
// The name index in memory: entries in ascending byte order of their padded
// names, the binary search with its insertion rule, insertion and removal
// keeping the lowest changed position, and the records a write-back touches.
// Positions count from 1.
#include <string>
#include <string_view>
#include <vector>

#include "store/layouts.h"

namespace vorn {

struct NameSearch {
  int position = 1;    // where the name is, or where it belongs
  bool found = false;  // the name is at `position`
};

// One index record to write: its record number (1 = header) and its bytes.
struct IndexWrite {
  int record = 0;
  std::string bytes;
};

struct NameIndex {
  int keyWidth = 7;                // W: bytes of a key
  std::vector<IndexEntry> entries; // the first `count` entries are meaningful
  int lowestChanged = 999;         // lowest position changed since the index was read (999: none)

  int count() const { return static_cast<int>(entries.size()); }
  int perRecord() const { return entriesPerIndexRecord(keyWidth); }
  // The name blank-padded (or cut) to the key width.
  std::string key(std::string_view name) const;

  // Binary search: low = 1, high = N; a miss ends at position + 1 when the
  // last step went up (low = position + 1), else at position.
  NameSearch find(std::string_view name) const;
  // False (nothing changes) when the count has reached kIndexCountLimit or p is out of 1..N+1.
  bool insert(int p, std::string_view name, int record);
  // False (nothing changes) when p is not in 1..N.
  bool remove(int p);

  // The data records from the lowest changed position's block to the last
  // entry, packed over `old` (the index file's current records, by number;
  // missing ones read as blank), then the header with the count. This is
  // the write-back: blocks before the lowest change are not rewritten.
  std::vector<IndexWrite> changedRecords(const std::vector<std::string>& old) const;
};

}  // namespace vorn
