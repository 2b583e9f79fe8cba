#include "store/name_index.h"

#include <algorithm>

namespace vorn {

std::string NameIndex::key(std::string_view name) const {
  std::string k(name.substr(0, static_cast<size_t>(keyWidth)));
  k.resize(static_cast<size_t>(keyWidth), ' ');
  return k;
}

NameSearch NameIndex::find(std::string_view name) const {
  const std::string k = key(name);
  int low = 1, high = count();
  NameSearch s;
  while (low <= high) {
    s.position = (low + high) / 2;
    const std::string& here = entries[static_cast<size_t>(s.position - 1)].key;
    if (here == k) {
      s.found = true;
      return s;
    }
    if (k < here) high = s.position - 1;  // std::string compares as unsigned bytes
    else low = s.position + 1;
  }
  if (s.position + 1 == low) s.position += 1;
  return s;
}

bool NameIndex::insert(int p, std::string_view name, int record) {
  if (count() >= kIndexCountLimit || p < 1 || p > count() + 1) return false;
  entries.insert(entries.begin() + (p - 1), IndexEntry{key(name), record});
  lowestChanged = std::min(lowestChanged, p);
  return true;
}

bool NameIndex::remove(int p) {
  if (p < 1 || p > count()) return false;
  entries.erase(entries.begin() + (p - 1));
  lowestChanged = std::min(lowestChanged, p);
  return true;
}

std::vector<IndexWrite> NameIndex::changedRecords(const std::vector<std::string>& old) const {
  auto oldRecord = [&](int number) {
    std::string r = number - 1 < static_cast<int>(old.size()) ? old[static_cast<size_t>(number - 1)] : std::string();
    r.resize(kIndexRecordLength, ' ');
    return r;
  };
  const int e = perRecord();
  std::vector<IndexWrite> out;
  int block = (std::max(lowestChanged, 1) - 1) / e + 1;
  int next = (block - 1) * e;  // 0-based entry
  for (int remaining = count() - next; remaining > 0; ++block) {
    const int m = std::min(remaining, e);
    std::string bytes = oldRecord(block + 1);
    packIndexBlock(entries.data() + next, m, keyWidth, bytes);
    out.push_back({block + 1, std::move(bytes)});
    remaining -= m;
    next += m;
  }
  std::string header = oldRecord(1);
  packIndexCount(count(), header);
  out.push_back({1, std::move(header)});
  return out;
}

}  // namespace vorn
