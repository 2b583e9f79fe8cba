#include "store/work_files.h"

#include "interp/code_table.h"
#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/numtext.h"
#include "runtime/text.h"
#include "store/layouts.h"
#include "store/names.h"

namespace vorn {
namespace {

// Opens a sequential file for appending and closes it, so that a missing one exists (empty).
void touch(ChannelTable& channels, const char* name) {
  channels.open(kWorkFileChannel, name, OpenMode::Append);
  channels.close(kWorkFileChannel);
}

// The quoted items of a sequential work file, at most count (created empty
// when missing; a file under 2 bytes holds none).
std::vector<std::string> readItems(ChannelTable& channels, const char* name, size_t count) {
  touch(channels, name);
  std::vector<std::string> items;
  channels.open(kWorkFileChannel, name, OpenMode::Input);
  try {
    if (channels.size(kWorkFileChannel) >= 2) {
      while (items.size() < count && !channels.eof(kWorkFileChannel))
        items.push_back(channels.readItem(kWorkFileChannel));
    }
  } catch (...) {
    channels.close(kWorkFileChannel);
    throw;
  }
  channels.close(kWorkFileChannel);
  return items;
}

// The bytes of record 1 of "NVOL" (shorter when the file is).
std::string readEnvironmentBytes(ChannelTable& channels) {
  channels.openRandom(kWorkFileChannel, kEnvironmentFile, kEnvironmentRecordLength);
  std::string bytes;
  try {
    const int64_t size = channels.size(kWorkFileChannel);
    if (size > 0) {
      channels.getRecord(kWorkFileChannel, 1);
      bytes = channels.recordBuffer(kWorkFileChannel).substr(0, static_cast<size_t>(std::min<int64_t>(size, kEnvironmentRecordLength)));
    }
  } catch (...) {
    channels.close(kWorkFileChannel);
    throw;
  }
  channels.close(kWorkFileChannel);
  return bytes;
}

void replaceEnvironmentBytes(ChannelTable& channels, const std::string& bytes) {
  channels.open(kWorkFileChannel, kEnvironmentFile, OpenMode::Output);
  channels.writeBytes(kWorkFileChannel, bytes);
  channels.close(kWorkFileChannel);
}

}  // namespace

std::string systemDateText(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  char text[40];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d", tm.tm_mon + 1, tm.tm_mday, tm.tm_year + 1900);
  return text;
}

void readEnvironmentFile(ChannelTable& channels, Environment& env, std::string_view dateText) {
  std::string bytes = readEnvironmentBytes(channels);
  if (bytes.size() >= static_cast<size_t>(kEnvironmentRecordLength)) {
    env = unpackEnvironment(bytes, env);
    return;
  }
  // New or empty: the defaults, written at once. A record cut short keeps
  // the fields it still holds and is completed the same way.
  env = unpackEnvironment(bytes, freshEnvironment(env));
  std::string record = freshEnvironmentRecord();
  record.replace(0, bytes.size(), bytes);
  packEnvironment(env, dateText, record);
  replaceEnvironmentBytes(channels, record);
}

void writeEnvironmentFile(ChannelTable& channels, const Environment& env, std::string_view dateText) {
  std::string record = readEnvironmentBytes(channels);
  if (record.size() < static_cast<size_t>(kEnvironmentRecordLength)) record = freshEnvironmentRecord();
  packEnvironment(env, dateText, record);
  replaceEnvironmentBytes(channels, record);
}

bool readCodeTableFile(ChannelTable& channels, CodeTable& table, std::string* error) {
  touch(channels, kCodeTableFile);
  channels.open(kWorkFileChannel, kCodeTableFile, OpenMode::Input);
  const int64_t size = channels.size(kWorkFileChannel);
  std::string bytes = size >= 2 ? channels.readBytes(kWorkFileChannel, static_cast<size_t>(size)) : std::string();
  channels.close(kWorkFileChannel);
  if (size < 2) return true;  // the tables keep what they held
  std::optional<CodeTable> parsed = parseCodeTable(fromCp932(bytes), error);
  if (!parsed) return false;
  table = *parsed;
  return true;
}

std::vector<DeviceName> readDeviceNames(ChannelTable& channels) {
  const std::vector<std::string> items = readItems(channels, kDeviceNameFile, 2 * kDeviceNames);
  std::vector<DeviceName> names(kDeviceNames);
  for (size_t i = 0; i < items.size(); ++i) {
    DeviceName& d = names[i / 2];
    if (i % 2 == 0) d.name = items[i];
    else d.setting = static_cast<float>(numberValue(items[i]));
  }
  return names;
}

void writeDeviceNames(ChannelTable& channels, const std::vector<DeviceName>& names) {
  channels.open(kWorkFileChannel, kDeviceNameFile, OpenMode::Output);
  for (size_t i = 0; i < kDeviceNames; ++i) {
    DeviceName d = i < names.size() ? names[i] : DeviceName{};
    channels.writeItems(kWorkFileChannel, {d.name, static_cast<double>(d.setting)});
  }
  channels.close(kWorkFileChannel);
}

std::vector<std::string> readCodeTableRows(ChannelTable& channels) {
  std::vector<std::string> rows = readItems(channels, kCodeTableFile, kCodeTableRows);
  rows.resize(kCodeTableRows);
  return rows;
}

void writeCodeTableRows(ChannelTable& channels, const std::vector<std::string>& rows) {
  channels.open(kWorkFileChannel, kCodeTableFile, OpenMode::Output);
  for (int i = 0; i <= kCodeTableRows; ++i) {
    const bool stored = i < kCodeTableRows && i < static_cast<int>(rows.size());
    channels.writeItems(kWorkFileChannel, {stored ? rows[static_cast<size_t>(i)] : std::string()});
  }
  channels.close(kWorkFileChannel);
}

}  // namespace vorn
