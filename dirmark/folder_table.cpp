#include "dirmark/folder_table.h"

#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vorn {

namespace {

std::string checkText(const std::string& text, int entry, const char* box) {
  int unconverted = 0;
  toCp932(text, &unconverted);
  const std::string where = std::to_string(entry) + " の" + box;
  if (unconverted > 0) return where + "にShift-JISで書けない文字があります";
  if (text.find('"') != std::string::npos) return where + "に \" は使えません";
  return {};
}

// Drops the unfinished output so the old file stays and the channel is free.
struct UnfinishedWrite {
  ChannelTable& channels;
  bool done = false;
  ~UnfinishedWrite() {
    if (!done) channels.discard(kDirmarkChannel);
  }
};

}  // namespace

std::string FOLDER(std::string_view path) {
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') path = path.substr(1, path.size() - 2);
  const size_t last = path.find_last_of("\\/");
  if (last == std::string_view::npos) return {};
  if (last == 0) return std::string(path.substr(0, 1));   // the root keeps its separator
  return std::string(path.substr(0, last));
}

FolderTable folderTableFromItems(const std::vector<std::string>& items) {
  FolderTable table;
  for (size_t i = 0; i < size_t(kFolderEntries) && 2 * i < items.size(); ++i) {
    table[i].label = items[2 * i];
    if (2 * i + 1 < items.size()) table[i].path = items[2 * i + 1];
  }
  return table;
}

std::string folderTableProblem(const FolderTable& table) {
  for (int i = 0; i < kFolderEntries; ++i) {
    for (std::string problem : {checkText(table[size_t(i)].label, i + 1, "名称"),
                                checkText(table[size_t(i)].path, i + 1, "パス")})
      if (!problem.empty()) return problem;
  }
  return {};
}

FolderTable readFolderTable(ChannelTable& channels) {
  std::vector<std::string> items;
  try {
    channels.open(kDirmarkChannel, kUsFolderFile, OpenMode::Input);
  } catch (const RuntimeError& e) {
    if (e.code() == err::NotFound) return {};   // a first start: nothing registered yet
    throw;
  }
  try {
    while (!channels.eof(kDirmarkChannel)) items.push_back(channels.readItem(kDirmarkChannel));
  } catch (const RuntimeError& e) {
    channels.discard(kDirmarkChannel);
    if (e.code() != err::InputPastEnd) throw;   // blank lines at the end hold no item
    return folderTableFromItems(items);
  } catch (...) {
    channels.discard(kDirmarkChannel);
    throw;
  }
  channels.close(kDirmarkChannel);
  return folderTableFromItems(items);
}

void writeFolderTable(ChannelTable& channels, const FolderTable& table) {
  channels.open(kDirmarkChannel, kUsFolderFile, OpenMode::Output);
  UnfinishedWrite unfinished{channels};
  for (const FolderEntry& e : table) channels.writeItems(kDirmarkChannel, {e.label, e.path});
  channels.close(kDirmarkChannel);
  unfinished.done = true;
}

void MainForm::load(const FolderTable& table) {
  for (size_t i = 0; i < size_t(kFolderEntries); ++i) {
    EDIT[i] = table[i].label;
    EDFN[i] = table[i].path;
  }
}

FolderTable MainForm::table() const {
  FolderTable table;
  for (size_t i = 0; i < size_t(kFolderEntries); ++i) table[i] = {EDIT[i], EDFN[i]};
  return table;
}

void MainForm::BUT_SAN_ON(const std::string& chosen) {
  if (!chosen.empty()) EDT_FLD = FOLDER(chosen);
}

void MainForm::BUTTON_ON(int n) {
  if (n >= 1 && n <= kPasteButtons) EDFN[size_t(n - 1)] = EDT_FLD;
}

const std::vector<std::string>& focusOrder() {
  static const std::vector<std::string> order = [] {
    std::vector<std::string> names;
    for (int n = 1; n <= kFolderEntries; ++n) {
      names.push_back("EDIT" + std::to_string(n));
      names.push_back("EDFN0" + std::to_string(n));
    }
    names.push_back("EDT_FLD");
    names.push_back("BUT_SAN");
    for (int n = 1; n <= kPasteButtons; ++n) names.push_back("BUTTON" + std::to_string(n));
    names.push_back("B_SAVE");
    return names;
  }();
  return order;
}

int moveFocus(int index, int delta) {
  const int count = int(focusOrder().size());
  return ((index + delta) % count + count) % count;
}

}  // namespace vorn
