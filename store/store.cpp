#include "store/store.h"

#include <algorithm>
#include <filesystem>

#include "editor/load.h"
#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "runtime/text.h"

namespace vorn {
namespace {

// Right-aligned in width cells, keeping the right end when longer.
std::string rightAligned(const std::string& text, size_t width) {
  if (text.size() >= width) return text.substr(text.size() - width);
  return std::string(width - text.size(), ' ') + text;
}

std::string trimmedKey(const std::string& key) {
  std::string k = key;
  while (!k.empty() && k.back() == ' ') k.pop_back();
  return k;
}

// Thrown out of the repair scan when its progress asks to stop.
struct RepairStopped {};

// Smallest size of a live program's text file: the header line alone is longer.
constexpr float kMinimumProgramSize = 3;

// Reads every record of the index file (a torn last record is padded).
std::vector<std::string> readIndexRecords(ChannelTable& channels, const std::string& name) {
  channels.openRandom(kIndexChannel, name, kIndexRecordLength);
  std::vector<std::string> records;
  try {
    const int64_t n = channels.recordCount(kIndexChannel);
    for (int64_t r = 1; r <= n; ++r) {
      channels.getRecord(kIndexChannel, r);
      records.push_back(channels.recordBuffer(kIndexChannel));
    }
  } catch (...) {
    channels.close(kIndexChannel);
    throw;
  }
  channels.close(kIndexChannel);
  return records;
}

// Writes a file that replaces another through a temporary file, on a channel
// table of its own: when writing fails part-way, that table drops the
// temporary file, so no half-written file can be committed later and no
// channel is left open. Gives the bytes written.
template <class Fill>
int64_t replaceFile(const PathMap& paths, int ch, const std::string& name, Fill fill) {
  ChannelTable table(paths);
  table.open(ch, name, OpenMode::Output);
  fill(table);
  const int64_t size = table.size(ch);
  table.close(ch);
  return size;
}

// Replaces the index file with `records`.
void replaceIndexFile(const PathMap& paths, const std::string& name, const std::vector<std::string>& records) {
  replaceFile(paths, kIndexChannel, name, [&](ChannelTable& t) {
    for (const std::string& r : records) t.writeBytes(kIndexChannel, r);
  });
}

}  // namespace

std::string programListLine(const DirectoryRecord& entry, int keyWidth) {
  std::string name = entry.name.substr(0, static_cast<size_t>(keyWidth));
  name.resize(static_cast<size_t>(keyWidth), ' ');
  std::string line = name + " " + padToWidth(entry.title, kTitleShown) + " " + padToWidth(entry.date, 8) +
                     rightAligned(numberText(entry.size), 7) + rightAligned(numberText(entry.settings.trajectory[0]), 6);
  return cutToWidth(line, 47);
}

Store::Store(ChannelTable& channels, const PathMap& paths) : channels_(channels), paths_(paths) {}

void Store::select(std::string_view drive, std::string_view volume) {
  if (drive == drive_ && volume == volume_) return;
  closeVolume();
  drive_ = std::string(drive);
  volume_ = std::string(volume);
  indexHeld_ = false;
  index_ = NameIndex{};
}

void Store::ensureDriveFolder() const {
  if (drive_.empty()) return;
  const int slot = drive_[0] - 'A';
  const bool configured = slot >= 0 && slot < 6 && !paths_.config().drives[static_cast<size_t>(slot)].empty();
  std::error_code ec;
  if (configured && !std::filesystem::is_directory(paths_.driveFolder(drive_[0]), ec)) {
    throw RuntimeError(err::NoMedia, "open " + directoryFileName(drive_, volume_), "the drive's folder is missing");
  }
}

bool Store::volumeOpen() const { return channels_.isOpen(kDirectoryChannel); }

void Store::openVolume() {
  if (volumeOpen()) return;
  if (!isDataDrive(drive_) || !isVolumeName(volume_)) {
    throw RuntimeError(err::NotFound, "open " + directoryFileName(drive_, volume_), "not a data drive and volume");
  }
  ensureDriveFolder();
  channels_.openRandom(kDirectoryChannel, directoryFileName(drive_, volume_), kDirectoryRecordLength);
  if (channels_.recordCount(kDirectoryChannel) == 0) {
    channels_.recordBuffer(kDirectoryChannel) = packVolumeHeader({volume_});
    channels_.putRecord(kDirectoryChannel, 1);
  }
  // The folder goes with the directory file; one removed by hand comes back.
  std::error_code ec;
  std::filesystem::create_directory(paths_.resolveForWriting(volumeFolderName(drive_, volume_)), ec);
}

void Store::closeVolume() {
  channels_.close(kDirectoryChannel);
  channels_.close(kIndexChannel);
  channels_.close(kTextChannel);
}

int Store::directoryRecords() {
  openVolume();
  return static_cast<int>(channels_.recordCount(kDirectoryChannel));
}

DirectoryRecord Store::readRecord(int record) {
  openVolume();
  channels_.getRecord(kDirectoryChannel, record);
  return unpackDirectoryRecord(channels_.recordBuffer(kDirectoryChannel));
}

DirectoryRecord Store::readEntry(int record) {
  DirectoryRecord e = readRecord(record);
  saveCountBase = e.saveCount;
  return e;
}

void Store::writeRecord(int record, const std::string& bytes) {
  channels_.recordBuffer(kDirectoryChannel) = bytes;
  channels_.putRecord(kDirectoryChannel, record);
}

void Store::setTitle(int record, std::string_view title) {
  if (std::string why = titleProblem(title); !why.empty()) throw StoreRefused(why);
  openVolume();
  channels_.getRecord(kDirectoryChannel, record);
  std::string bytes = channels_.recordBuffer(kDirectoryChannel);
  packDirectoryTitle(title, bytes);
  writeRecord(record, bytes);
}

std::optional<std::string> Store::checkIndex(const std::vector<std::string>& records) {
  std::string why;
  std::optional<IndexHeader> header = unpackIndexHeader(records[0], &why);
  if (!header) return why;
  NameIndex index;
  index.keyWidth = header->keyWidth;
  const int e = index.perRecord();
  if (header->count > (static_cast<int>(records.size()) - 1) * e) return "the index count is larger than its records";
  for (int block = 0; block * e < header->count; ++block) {
    std::vector<IndexEntry> got = unpackIndexBlock(records[static_cast<size_t>(block + 1)],
                                                   std::min(e, header->count - block * e), index.keyWidth);
    index.entries.insert(index.entries.end(), got.begin(), got.end());
  }
  const int last = directoryRecords();
  for (size_t i = 0; i < index.entries.size(); ++i) {
    const IndexEntry& entry = index.entries[i];
    const std::string name = trimmedKey(entry.key);
    if (!programNameProblem(name, index.keyWidth).empty() || name != foldProgramName(name)) {
      return "the index holds a name that is not a program name";
    }
    if (i > 0 && !(index.entries[i - 1].key < entry.key)) return "the index names are out of order";
    if (entry.record < 2 || entry.record > last) return "the index names a record outside the directory file";
    DirectoryRecord rec = readRecord(entry.record);
    if (rec.deleted || rec.name != name) return "the index names a record of another program";
  }
  index_ = std::move(index);
  return std::nullopt;
}

void Store::readIndex() {
  openVolume();
  const std::string name = indexFileName(drive_, volume_);
  std::vector<std::string> records = readIndexRecords(channels_, name);
  rebuildReason_.clear();
  if (records.empty()) {
    replaceIndexFile(paths_, name, {packIndexHeader({7, 0})});
    index_ = NameIndex{};
  } else if (std::optional<std::string> why = checkIndex(records)) {
    rebuildIndex(*why);
  }
  index_.lowestChanged = rebuildReason_.empty() ? 999 : 1;
  indexHeld_ = true;
}

void Store::rebuildIndex(const std::string& reason, const std::function<bool(int, const DirectoryRecord&, int)>& progress) {
  rebuildReason_ = reason;
  NameIndex index;
  // A legible header keeps its key width; anything else gets the current format.
  std::vector<std::string> records = readIndexRecords(channels_, indexFileName(drive_, volume_));
  if (std::optional<IndexHeader> h = unpackIndexHeader(records.empty() ? std::string() : records[0])) index.keyWidth = h->keyWidth;
  const int last = directoryRecords();
  for (int r = 2; r <= last; ++r) {
    DirectoryRecord rec = readRecord(r);
    const bool live = !rec.deleted && rec.size > kMinimumProgramSize && programNameProblem(rec.name, index.keyWidth).empty();
    if (live) {
      NameSearch s = index.find(rec.name);
      if (s.found) index.entries[static_cast<size_t>(s.position - 1)].record = r;  // the later record wins
      else if (!index.insert(s.position, rec.name, r)) break;
    }
    if (progress && !progress(r, rec, index.count())) throw RepairStopped{};
  }
  index_ = std::move(index);
}

bool Store::repairIndex(const std::function<bool(int, const DirectoryRecord&, int)>& progress) {
  closeVolume();
  openVolume();
  try {
    rebuildIndex("", progress);
  } catch (const RepairStopped&) {
    indexHeld_ = false;  // what was read stays on disk; the next read takes it again
    index_ = NameIndex{};
    closeVolume();
    return false;
  }
  rebuildReason_.clear();
  // A new file from nothing: no stale bytes of the old index survive.
  index_.lowestChanged = 1;
  std::vector<std::string> records{packIndexHeader({index_.keyWidth, index_.count()})};
  for (IndexWrite& w : index_.changedRecords(records)) {
    if (static_cast<size_t>(w.record) > records.size()) records.resize(static_cast<size_t>(w.record));
    records[static_cast<size_t>(w.record - 1)] = std::move(w.bytes);
  }
  replaceIndexFile(paths_, indexFileName(drive_, volume_), records);
  indexHeld_ = true;
  closeVolume();
  return true;
}

int Store::deleteAll(const std::function<void(const std::string& name)>& progress) {
  if (!indexHeld_) readIndex();
  // Every program the volume knows of, through the index or a live record.
  std::vector<std::string> names;
  for (const IndexEntry& e : index_.entries) names.push_back(trimmedKey(e.key));
  const int last = directoryRecords();
  for (int r = 2; r <= last; ++r) {
    DirectoryRecord rec = readRecord(r);
    if (!rec.deleted && !rec.name.empty() && programNameProblem(rec.name, kMaxProgramName).empty()) names.push_back(rec.name);
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());

  for (const std::string& name : names) {
    if (progress) progress(name);
    try {
      channels_.deleteFile(textFile(name));
    } catch (const RuntimeError& e) {
      if (e.code() != err::NotFound) throw;
    }
  }
  const int deleted = static_cast<int>(names.size());
  const int keyWidth = index_.keyWidth;
  index_ = NameIndex{};
  index_.keyWidth = keyWidth;
  replaceIndexFile(paths_, indexFileName(drive_, volume_), {packIndexHeader({keyWidth, 0})});
  closeVolume();
  replaceFile(paths_, kDirectoryChannel, directoryFileName(drive_, volume_),
              [&](ChannelTable& t) { t.writeBytes(kDirectoryChannel, packVolumeHeader({volume_})); });
  indexHeld_ = true;
  return deleted;
}

void Store::writeIndex() {
  if (!indexHeld_) throw RuntimeError(err::Internal, "write index " + location(), "no index read");
  const std::string name = indexFileName(drive_, volume_);
  std::vector<std::string> old = readIndexRecords(channels_, name);
  for (std::string& r : old) r.resize(kIndexRecordLength, ' ');
  if (old.empty() || !unpackIndexHeader(old[0]) || unpackIndexHeader(old[0])->keyWidth != index_.keyWidth) {
    if (old.empty()) old.emplace_back();
    old[0] = packIndexHeader({index_.keyWidth, index_.count()});
  }
  for (IndexWrite& w : index_.changedRecords(old)) {
    if (static_cast<size_t>(w.record) > old.size()) old.resize(static_cast<size_t>(w.record), std::string(kIndexRecordLength, ' '));
    old[static_cast<size_t>(w.record - 1)] = std::move(w.bytes);
  }
  replaceIndexFile(paths_, name, old);
}

std::string Store::textFile(std::string_view name) const { return programFileName(drive_, volume_, name); }

SaveResult Store::save(ProgramBuffer& buffer, const SaveRequest& request) {
  if (buffer.lineCount() < 1) throw StoreRefused("the program is empty");
  if (!indexHeld_) readIndex();
  const std::string name = foldProgramName(request.name);
  if (std::string why = programNameProblem(name, index_.keyWidth); !why.empty()) throw StoreRefused(why);
  if (std::string why = titleProblem(request.title); !why.empty()) throw StoreRefused(why);
  const NameSearch search = index_.find(name);
  if (!search.found && full()) throw StoreRefused("the volume holds " + std::to_string(capacity_) + " programs");
  auto stopAfter = [&](int step) {
    if (request.stopAfterStep == step) throw SaveInterrupted(step);
  };

  buffer.YGW = 0;  // every save stores mark 0
  buffer.OSDATE = name;
  buffer.H0X = request.title;

  // Step 1: the text file, written beside the old one and renamed over it.
  SaveResult result;
  openVolume();
  const auto& t = request.settings.trajectory;
  result.size = replaceFile(paths_, kTextChannel, textFile(name), [&](ChannelTable& text) {
    text.writeItems(kTextChannel, {request.title, double(t[0]), double(t[1]), double(t[2]), double(t[3]), double(buffer.YGW)});
    for (int n = 1; n <= buffer.lineCount(); ++n) text.printLine(kTextChannel, buffer.line(n));
  });
  stopAfter(1);

  // Step 2: the directory record (an existing name keeps its record and its unused bytes).
  result.newEntry = !search.found;
  std::string bytes(kDirectoryRecordLength, ' ');
  if (search.found) {
    result.record = index_.entries[static_cast<size_t>(search.position - 1)].record;
    channels_.getRecord(kDirectoryChannel, result.record);
    bytes = channels_.recordBuffer(kDirectoryChannel);
  } else {
    result.record = directoryRecords() + 1;
    saveCountBase = 0;
  }
  DirectoryRecord entry;
  entry.name = name;
  entry.title = request.title;
  entry.date = request.date;
  entry.size = static_cast<float>(result.size);
  entry.saveCount = request.saveCount ? *request.saveCount : saveCountBase + 1;
  entry.YGW = int(buffer.YGW);
  entry.settings = request.settings;
  packDirectoryRecord(entry, bytes);
  writeRecord(result.record, bytes);
  stopAfter(2);

  // Step 3: the index, only for a new name.
  result.position = search.position;
  if (result.newEntry) {
    index_.insert(search.position, name, result.record);
    writeIndex();
  }
  stopAfter(3);
  return result;
}

std::vector<std::string> Store::readText(std::string_view name, std::string* headerLine) {
  openVolume();
  channels_.open(kTextChannel, textFile(name), OpenMode::Input);
  std::vector<std::string> lines;
  try {
    while (!channels_.eof(kTextChannel)) lines.push_back(channels_.readLine(kTextChannel));
  } catch (...) {
    channels_.close(kTextChannel);
    throw;
  }
  channels_.close(kTextChannel);
  std::string header;
  if (!lines.empty() && !lines.front().empty() && lines.front()[0] == '"') {
    header = std::move(lines.front());
    lines.erase(lines.begin());
  }
  if (headerLine) *headerLine = std::move(header);
  return lines;
}

TextLoadResult Store::loadText(ProgramBuffer& buffer, std::string_view name, LoadMode mode) {
  TextLoadResult result;
  std::vector<std::string> stored = readText(name, &result.headerLine);
  std::vector<std::string> lines;
  if (mode == LoadMode::Append) {
    for (int n = 1; n <= buffer.lineCount(); ++n) lines.emplace_back(buffer.line(n));
  }
  const size_t room = static_cast<size_t>(std::max(0, buffer.capacity() - static_cast<int>(lines.size())));
  const size_t take = std::min(room, stored.size());
  if (take < stored.size()) {
    result.cutAtLine = static_cast<int>(take) + 1 + (result.headerLine.empty() ? 0 : 1);
    LoadResult cut;
    cut.cutAtLine = result.cutAtLine;
    result.message = loadCutMessage(cut);
  }
  lines.insert(lines.end(), std::make_move_iterator(stored.begin()), std::make_move_iterator(stored.begin() + static_cast<std::ptrdiff_t>(take)));
  result.linesRead = static_cast<int>(take);
  buffer.assign(std::move(lines));
  if (mode == LoadMode::Replace) buffer.OSDATE = std::string(name);
  return result;
}

void Store::deleteEntry(int position) {
  if (!indexHeld_) readIndex();
  if (position < 1 || position > index_.count()) {
    throw RuntimeError(err::Internal, "delete entry " + std::to_string(position) + " of " + location(), "no such entry");
  }
  const IndexEntry entry = index_.entries[static_cast<size_t>(position - 1)];
  // The index lets go of the record first, so it never names a deleted one.
  index_.remove(position);
  writeIndex();
  openVolume();
  channels_.getRecord(kDirectoryChannel, entry.record);
  std::string bytes = channels_.recordBuffer(kDirectoryChannel);
  packDirectoryStatus(true, bytes);
  writeRecord(entry.record, bytes);
  try {
    channels_.deleteFile(textFile(trimmedKey(entry.key)));
  } catch (const RuntimeError& e) {
    if (e.code() != err::NotFound) throw;  // a text file already gone is what a delete wants
  }
}

ListLine Store::listLine(int position) {
  if (position < 1 || position > index_.count()) return {};
  const IndexEntry& entry = index_.entries[static_cast<size_t>(position - 1)];
  DirectoryRecord rec = readRecord(entry.record);
  rec.name = entry.key;
  return {programListLine(rec, index_.keyWidth), position};
}

std::vector<ListLine> Store::listPage(int firstPosition, int lines) {
  std::vector<ListLine> page;
  for (int i = 0; i < lines; ++i) page.push_back(listLine(firstPosition + i));
  return page;
}

}  // namespace vorn
