#include "store/volume_copy.h"

#include <filesystem>
#include <stdexcept>

#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "store/names.h"
#include "store/store.h"
#include "store/work_files.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

// Trajectory settings 1-9 and 18-22 are slots 0-8 and 9-13.
constexpr size_t kTrajectorySlots = 14;
constexpr size_t kToolDiameters = 8;
constexpr size_t kPlotSettings = 8;

template <size_t N>
std::string joined(const std::array<float, N>& values, size_t n) {
  std::string line;
  for (size_t i = 0; i < n; ++i) line += (i ? "," : "") + numberTextTrim(values[i]);
  return line;
}

std::string trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

}  // namespace

int VolumeCopyResult::copied() const {
  int n = 0;
  for (const CopiedProgram& p : programs) n += p.problem.empty() ? 1 : 0;
  return n;
}

void writeCopyList(ChannelTable& channels, const std::vector<DirectoryRecord>& entries, int keyWidth) {
  channels.open(kWorkFileChannel, kCopyWorkFile, OpenMode::Output);
  for (const DirectoryRecord& e : entries) {
    std::string name = e.name;
    name.resize(static_cast<size_t>(keyWidth), ' ');
    channels.writeItems(kWorkFileChannel, {std::string(e.deleted ? "*" : " "), name, e.title, e.date,
                                           static_cast<double>(e.size), static_cast<double>(e.saveCount)});
    channels.printLine(kWorkFileChannel, joined(e.settings.trajectory, kTrajectorySlots));
    channels.printLine(kWorkFileChannel, joined(e.settings.toolRadii, kToolDiameters));
    channels.printLine(kWorkFileChannel, joined(e.settings.plot, kPlotSettings));
  }
  channels.close(kWorkFileChannel);
}

std::vector<DirectoryRecord> readCopyList(ChannelTable& channels) {
  std::vector<DirectoryRecord> entries;
  channels.open(kWorkFileChannel, kCopyWorkFile, OpenMode::Append);  // a missing file is created empty
  channels.close(kWorkFileChannel);
  channels.open(kWorkFileChannel, kCopyWorkFile, OpenMode::Input);
  try {
    auto number = [&] { return static_cast<float>(numberValue(channels.readItem(kWorkFileChannel))); };
    while (!channels.eof(kWorkFileChannel)) {
      DirectoryRecord e;
      e.deleted = channels.readItem(kWorkFileChannel) == "*";
      e.name = trimmed(channels.readItem(kWorkFileChannel));
      e.title = trimmed(channels.readItem(kWorkFileChannel));
      e.date = channels.readItem(kWorkFileChannel);
      e.size = number();
      e.saveCount = static_cast<int>(number());
      for (size_t i = 0; i < kTrajectorySlots; ++i) e.settings.trajectory[i] = number();
      for (size_t i = 0; i < kToolDiameters; ++i) e.settings.toolRadii[i] = number();
      for (size_t i = 0; i < kPlotSettings; ++i) e.settings.plot[i] = number();
      entries.push_back(std::move(e));
    }
  } catch (...) {
    channels.close(kWorkFileChannel);
    throw;
  }
  channels.close(kWorkFileChannel);
  return entries;
}

std::string copyRangeProblem(const CopyRange& range) {
  if (!isDataDrive(range.sourceDrive) || !isDataDrive(range.targetDrive)) return "the drives are A: to F: or empty";
  if (range.sourceDrive == range.targetDrive) return "the source and target drives are the same";
  if (!isVolumeName(range.volume)) return "the volume is M1 to M6";
  if (range.first.empty()) return "the range needs a first name";
  const std::string first = foldProgramName(range.first);
  const std::string last = range.last.empty() ? first : foldProgramName(range.last);
  if (std::string why = programNameProblem(first, kMaxProgramName); !why.empty()) return why;
  if (std::string why = programNameProblem(last, kMaxProgramName); !why.empty()) return why;
  if (last < first) return "the last name is below the first";
  return "";
}

std::string copyRangeProblem(const PathMap& paths, const CopyRange& range) {
  if (std::string why = copyRangeProblem(range); !why.empty()) return why;
  std::error_code ec;
  const fs::path source = fs::weakly_canonical(paths.resolve(volumeFolderName(range.sourceDrive, range.volume)), ec);
  const fs::path target = fs::weakly_canonical(paths.resolve(volumeFolderName(range.targetDrive, range.volume)), ec);
  if (source == target) return "the source and target drives are the same folder";
  return "";
}

namespace {

// The range's entries in the source's index order, named by their keys; false
// when the collected hook stopped the collection.
bool collectRange(Store& source, const CopyRange& range, const VolumeCopyHooks& hooks,
                  std::vector<DirectoryRecord>& entries) {
  const NameIndex& index = source.index();
  const std::string firstKey = index.key(foldProgramName(range.first));
  const std::string lastKey = index.key(foldProgramName(range.last.empty() ? range.first : range.last));
  for (int p = index.find(firstKey).position; p <= index.count(); ++p) {
    const IndexEntry& e = index.entries[static_cast<size_t>(p - 1)];
    if (lastKey < e.key) break;
    DirectoryRecord rec = source.readRecord(e.record);
    rec.name = trimmed(e.key);
    entries.push_back(std::move(rec));
    if (hooks.collected && !hooks.collected(range.sourceDrive, entries.back().name)) return false;
  }
  return true;
}

// One program loaded into buffer from source and saved on target with its
// record values; a program longer than the buffer is not saved.
CopiedProgram copyProgram(Store& source, Store& target, ProgramBuffer& buffer, const DirectoryRecord& e) {
  CopiedProgram done;
  done.name = e.name;
  done.title = e.title;
  done.existed = target.index().find(e.name).found;
  TextLoadResult loaded = source.loadText(buffer, e.name, LoadMode::Replace);
  if (loaded.cutAtLine) {
    done.problem = "longer than the buffer (" + loaded.message + ")";
    return done;
  }
  SaveRequest request;
  request.name = e.name;
  request.title = e.title;
  request.date = e.date;
  request.settings = e.settings;
  request.saveCount = e.saveCount;  // the copy keeps the program's own save count
  try {
    done.record = target.save(buffer, request).record;
  } catch (const StoreRefused& refused) {
    done.problem = refused.what();
  }
  return done;
}

}  // namespace

VolumeCopyResult copyVolumeRange(const PathMap& paths, ProgramBuffer& buffer, const CopyRange& range,
                                 const VolumeCopyHooks& hooks) {
  if (std::string why = copyRangeProblem(paths, range); !why.empty()) throw std::invalid_argument(why);
  VolumeCopyResult result;
  ChannelTable sourceChannels(paths);
  Store source(sourceChannels, paths);
  source.select(range.sourceDrive, range.volume);
  source.readIndex();

  // The range's entries go to the work file first.
  std::vector<DirectoryRecord> entries;
  if (!collectRange(source, range, hooks, entries)) {
    result.stopped = true;
    return result;
  }
  if (entries.empty()) {
    result.nothingInRange = true;
    return result;
  }
  writeCopyList(sourceChannels, entries, source.index().keyWidth);
  source.closeVolume();
  if (hooks.beforeCopying && !hooks.beforeCopying()) {
    result.stopped = true;
    return result;
  }

  ChannelTable targetChannels(paths);
  Store target(targetChannels, paths);
  target.select(range.targetDrive, range.volume);
  target.readIndex();
  for (const DirectoryRecord& e : readCopyList(sourceChannels)) {
    result.programs.push_back(copyProgram(source, target, buffer, e));
    if (hooks.copied && !hooks.copied(result.programs.back())) {
      result.stopped = true;
      break;
    }
  }
  source.closeVolume();
  target.closeVolume();
  return result;
}

}  // namespace vorn
