#include "fuzz/store_input.h"

#include <fstream>

#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/paths.h"
#include "store/layouts.h"
#include "store/store.h"
#include "store/work_files.h"

namespace vorn::fuzzing {
namespace {

void writeFile(const std::filesystem::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

PathMap pathsFor(const std::filesystem::path& dir) {
  DeviceConfig config;
  config.workDir = dir;
  config.configDir = dir / "config";
  return PathMap(config);
}

}  // namespace

void directoryRecordInput(std::string_view bytes) {
  DirectoryRecord e = unpackDirectoryRecord(bytes);
  (void)programListLine(e, 7);
  (void)programListLine(e, 5);
  std::string record(bytes);
  packDirectoryRecord(e, record);
  DirectoryRecord again = unpackDirectoryRecord(record);
  (void)programListLine(again, 7);
  (void)unpackVolumeHeader(bytes);
}

void indexInput(std::string_view bytes, const std::filesystem::path& dir) {
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  size_t split = bytes.size() >= 2 ? (static_cast<unsigned char>(bytes[0]) | static_cast<unsigned char>(bytes[1]) << 8) : 0;
  std::string_view rest = bytes.substr(std::min<size_t>(2, bytes.size()));
  split = std::min(split * 16, rest.size());
  writeFile(dir / "M1.D", rest.substr(0, split));
  writeFile(dir / "M1.IX", rest.substr(split));
  PathMap paths = pathsFor(dir);
  ChannelTable channels(paths);
  Store store(channels, paths);
  store.select("A:", "M1");
  try {
    store.readIndex();
    for (const ListLine& line : store.listPage(1, store.index().count())) (void)line;
    ProgramBuffer buffer(100);
    buffer.assign({"G00X1.", "M30"});
    SaveRequest request;
    request.name = "FUZZ";
    request.title = "t";
    request.date = "06. 6. 5";
    store.save(buffer, request);
    if (store.index().count() > 0) store.deleteEntry(1);
    Store again(channels, paths);
    again.select("A:", "M1");
    again.readIndex();
    if (!again.rebuildReason().empty()) std::abort();  // the store itself must write what it reads cleanly
  } catch (const RuntimeError&) {
  } catch (const StoreRefused&) {
  }
}

void environmentInput(std::string_view bytes, const std::filesystem::path& dir) {
  Environment env = unpackEnvironment(bytes, Environment{});
  std::string record(bytes);
  packEnvironment(env, "06-05-2006", record);
  std::filesystem::create_directories(dir);
  writeFile(dir / "NVOL", bytes);
  PathMap paths = pathsFor(dir);
  ChannelTable channels(paths);
  Environment read;
  try {
    readEnvironmentFile(channels, read, "06-05-2006");
    writeEnvironmentFile(channels, read, "06-05-2006");
  } catch (const RuntimeError&) {
  }
}

}  // namespace vorn::fuzzing
