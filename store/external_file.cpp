#include "store/external_file.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "editor/load.h"
#include "interp/program_source.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/text.h"
#include "shell/settings.h"

namespace vorn {

namespace {

std::string_view fileNamePart(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool endsWithNoCase(std::string_view text, std::string_view tail) {
  if (tail.size() > text.size()) return false;
  text = text.substr(text.size() - tail.size());
  for (size_t i = 0; i < tail.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(tail[i])))
      return false;
  return true;
}

// A write that fails half-way drops its temporary file: the old file stays
// whole, and a retry can open the channel again.
struct UnfinishedWrite {
  ChannelTable& channels;
  bool done = false;
  ~UnfinishedWrite() {
    if (!done) channels.discard(kExternalFileChannel);
  }
};

}  // namespace

std::string exportFileName(std::string_view chosen, std::string_view extension) {
  // Only the file name counts: a "." in a folder name ("/home/u/nc.d/ABC")
  // must not keep the extension off.
  const std::string_view name = fileNamePart(chosen);
  if (endsWithNoCase(name, extension) || name.find('.') != std::string_view::npos) return std::string(chosen);
  return std::string(chosen) + std::string(extension);
}

bool writesExportHeader(std::string_view path) { return isWfPath(path); }

std::string saveInitialName(std::string_view OSDATE, std::string_view extension) {
  while (!OSDATE.empty() && OSDATE.back() == ' ') OSDATE.remove_suffix(1);
  return std::string(OSDATE) + std::string(extension);
}

std::string sharedFolderFilter(std::string_view extension) {
  return "(*" + std::string(extension) + ");(*.nc*,*.dnc);(*.txt);(*.*)";
}

std::string exportTitle(std::time_t when) { return dateString(when) + " " + timeString(when); }

bool needsOverwriteQuestion(const std::string& hostPath) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(hostPath, ec);
  return !ec && size > 1;
}

void writeExternalFile(ChannelTable& channels, const std::string& hostPath, const ExportHeader& header,
                       const ProgramSource& program) {
  const int ch = kExternalFileChannel;
  channels.open(ch, hostPath, OpenMode::Output);
  UnfinishedWrite unfinished{channels};
  if (writesExportHeader(hostPath)) {
    channels.writeItems(ch, {double(header.YGW), header.OSDATE});
    channels.printLine(ch, header.H0X);
    std::vector<TemplateValue> settings;
    for (float v : header.settings) settings.emplace_back(double(v));
    channels.writeItems(ch, settings);
  }
  for (int n = 1; program.hasLine(n); ++n) channels.printLine(ch, program.line(n));
  channels.close(ch);
  unfinished.done = true;
}

std::vector<FolderMenuEntry> sharedFolderMenu(const SharedFolders& folders, const std::string& ZDX,
                                              int maxWidth) {
  std::vector<FolderMenuEntry> menu;
  int nameWidth = textWidth("開く");
  const int shown = std::min(folders.ZV, kMenuFolders);
  for (int i = 0; i < shown; ++i) nameWidth = std::max(nameWidth, textWidth(folders.MXX[size_t(i)]));
  auto add = [&](const std::string& name, const std::string& path, bool save) {
    menu.push_back({cutToWidth(padToWidth(name, nameWidth) + " " + path, maxWidth), path, save});
  };
  for (int i = 0; i < shown; ++i) {
    const std::string& name = folders.MXX[size_t(i)];
    add(name, folders.PU[size_t(i)], name.starts_with("保存"));
  }
  add("開く", ZDX, false);
  add("保存", ZDX, true);
  return menu;
}

}  // namespace vorn
