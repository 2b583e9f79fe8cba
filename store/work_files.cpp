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
  touch(channels, kDeviceNameFile);
  std::vector<DeviceName> names(kDeviceNames);
  channels.open(kWorkFileChannel, kDeviceNameFile, OpenMode::Input);
  try {
    if (channels.size(kWorkFileChannel) >= 2) {
      for (DeviceName& d : names) {
        if (channels.eof(kWorkFileChannel)) break;
        d.name = channels.readItem(kWorkFileChannel);
        if (channels.eof(kWorkFileChannel)) break;
        d.setting = static_cast<float>(numberValue(channels.readItem(kWorkFileChannel)));
      }
    }
  } catch (...) {
    channels.close(kWorkFileChannel);
    throw;
  }
  channels.close(kWorkFileChannel);
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

}  // namespace vorn
