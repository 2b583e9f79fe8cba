#include "shell/settings.h"

#include <algorithm>
#include <chrono>
#include <cstdint>

#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/numtext.h"
#include "runtime/text.h"

namespace vorn {

void applySettingsLines(Settings& settings, const std::vector<std::string>& lines) {
  for (size_t i = 0; i < lines.size(); ++i) {
    const int lineNumber = int(i) + 1;
    const std::string head = cutToWidth(lines[i], 6);
    const float value = float(numberValue(head));
    if (head.size() >= 2 && head.compare(head.size() - 2, 2, "GT") == 0 && value == kAccessCode)
      settings.S = 1;
    switch (lineNumber) {
      case 3: settings.V2 = value; break;
      case 5: settings.endOfTape = value; break;
      case 6: settings.charDelay = value; break;
      case 8: settings.V0F = int16_t(std::clamp(value, -32768.0f, 32767.0f)); break;
      default: break;
    }
  }
}

SharedFolders sharedFoldersFrom(const std::vector<FolderRecord>& records) {
  SharedFolders folders;
  for (const FolderRecord& r : records) {
    if (r.name.empty()) continue;   // an empty name is overwritten by the next record
    if (folders.ZV == kMaxSharedFolders) break;
    folders.MXX.push_back(r.name);
    folders.PU.push_back(r.path);
    ++folders.ZV;
  }
  int longest = 0;
  for (const std::string& name : folders.MXX) longest = std::max(longest, textWidth(name));
  for (std::string& name : folders.MXX) {
    int width = textWidth(name);
    name.append(size_t(std::min(longest - width, 6)), ' ');
  }
  return folders;
}

std::string transmissionLogLine(const TransmissionRecord& r) {
  return r.start + " " + r.end + " " + numberText(r.minutes) + " " + numberText(r.lines) + " " +
         numberText(r.V2W) + " " + numberText(r.PPF);
}

float measureLoopSpeed(double seconds) {
  using clock = std::chrono::steady_clock;
  const auto start = clock::now();
  const auto until = start + std::chrono::duration<double>(seconds);
  volatile std::uint64_t turns = 0;   // volatile: the loop must really run
  auto now = start;
  while (now < until) {
    for (int i = 0; i < 4096; ++i) turns = turns + 1;
    now = clock::now();
  }
  const double elapsed = std::chrono::duration<double>(now - start).count();
  return elapsed > 0 ? float(double(turns) / elapsed) : 0.0f;
}

}  // namespace vorn


// ---------------------------------------------------------------- files

namespace vorn {

namespace {

// Closes the shell's channel however the operation ends, so that a retry can
// open it again.
struct ChannelCloser {
  ChannelTable& channels;
  ~ChannelCloser() {
    try {
      channels.close(kShellChannel);
    } catch (...) {
      // The operation's own error is the one that matters.
    }
  }
};

}  // namespace

void readSettings(ChannelTable& channels, Settings& settings) {
  std::vector<std::string> lines;
  {
    channels.open(kShellChannel, kSettingsFile, OpenMode::Input);
    ChannelCloser closer{channels};
    while (!channels.eof(kShellChannel)) lines.push_back(channels.readLine(kShellChannel));
  }
  applySettingsLines(settings, lines);
}

void readSharedFolders(ChannelTable& channels, SharedFolders& folders) {
  std::vector<FolderRecord> records;
  {
    channels.open(kShellChannel, kFoldersFile, OpenMode::Input);
    ChannelCloser closer{channels};
    try {
      while (!channels.eof(kShellChannel)) {
        FolderRecord r;
        r.name = channels.readItem(kShellChannel);
        if (!channels.eof(kShellChannel)) r.path = channels.readItem(kShellChannel);
        records.push_back(std::move(r));
      }
    } catch (const RuntimeError& e) {
      // Blank lines after the last record (a file saved by a text editor)
      // hold no item: the records read so far are the list.
      if (e.code() != err::InputPastEnd) throw;
    }
  }
  folders = sharedFoldersFrom(records);
}

void writeSpeedFile(ChannelTable& channels, float WWID) {
  channels.open(kShellChannel, kSpeedFile, OpenMode::Output);
  channels.printLine(kShellChannel, numberText(WWID));
  channels.close(kShellChannel);
}

void appendTransmissionLog(ChannelTable& channels, const Settings& settings, const TransmissionRecord& r) {
  if (settings.V0F != 1) return;
  channels.open(kShellChannel, kLogFile, OpenMode::Append);
  channels.printLine(kShellChannel, transmissionLogLine(r));
  channels.close(kShellChannel);
}

}  // namespace vorn
