#include "manage/storage.h"

#include "manage/module.h"

#include "runtime/channels.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "comm/print_screen.h"
#include "shell/menu.h"
#include "shell/field.h"
#include "shell/session.h"
#include "store/store.h"

namespace vorn {
namespace {

constexpr int kPanelRow = 23;   // the row the extra actions ask on, from 1
constexpr int kPanelCol = 22;   // and their first column
constexpr int kLabelColor = 5, kTextColor = 7;
constexpr int kWordClass = 3;   // letters, folded to upper case
constexpr const char* kListTemplate = "### &     & &               & &      & ######";

void clearPanel(Screen& screen) {
  for (int row = kPanelRow; row <= kPanelRow + 1; ++row) printAtPosition(screen, kPanelCol, row, std::string(60, ' '), kTextColor);
}

void printList(StorageScreen& view) {
  StorageContext& c = view.context();
  const std::vector<std::string> lines = programListPrint(c.store, c.session.shell.PCUSE);
  c.session.guarded([&] {
    c.session.channels.close(kPrinterChannel);
    c.session.channels.openDevice(kPrinterChannel, "LPT3:");
    for (const std::string& line : lines) c.session.channels.print(kPrinterChannel, line);
    c.session.channels.close(kPrinterChannel);
  });
  c.store.closeVolume();
}

void deleteAll(StorageScreen& view) {
  StorageContext& c = view.context();
  Screen& screen = c.session.screen;
  const bool confirmed = askConfirmationWord(screen, kPanelRow, kPanelCol, c.store.location() + " 削除確認ｺ-ﾄﾞ", kDeleteAllWord);
  if (confirmed) {
    printAtPosition(screen, kPanelCol, kPanelRow + 1, "処理中", kTextColor);
    screen.present();
    c.session.guarded([&] { c.store.deleteAll(); });
    c.state.list.clear();
  }
  clearPanel(screen);
  view.drawVolumeLine();
  view.drawList();
}

void repairIndex(StorageScreen& view) {
  StorageContext& c = view.context();
  Screen& screen = c.session.screen;
  if (askConfirmationWord(screen, kPanelRow, kPanelCol, c.store.location() + " 修復確認ｺ-ﾄﾞ", kRepairWord)) {
    c.session.guarded([&] {
      return c.store.repairIndex([&](int, const DirectoryRecord& entry, int count) {
        printAtPosition(screen, kPanelCol, kPanelRow + 1,
                 formatTemplate("&       & &                & #####", {entry.name, entry.title, double(count)}), kTextColor);
        screen.present();
        return !screen.trapKey(std::string(1, key::Esc));  // Esc stops the scan; the old index stays
      });
    });
    c.state.list.clear();
    if (!c.store.indexHeld()) c.session.guarded([&] { c.store.readIndex(); });
  }
  clearPanel(screen);
  view.drawVolumeLine();
  view.drawList();
}

}  // namespace

StorageVariant moduleStorageVariant() {
  using C = StorageChoice;
  StorageVariant v;
  v.menu = {
      {"読み込み", 1, C::Load, false, {}},   {"連結読込", 2, C::Append, false, {}},
      {"保 存   ", 3, C::Save, false, {}},   {"名称変更", 4, C::Rename, false, {}},
      {"一覧印刷", 5, C::Extra, true, printList},
      {"削 除   ", 6, C::Delete, false, {}}, {"全部削除", 7, C::Extra, true, deleteAll},
      {"KWV修復 ", 8, C::Extra, false, repairIndex}, {"もどる  ", -1, C::Back, false, {}},
  };
  v.warning = "（FD取り出し禁止）";
  v.overwriteReadsWholeEntry = true;
  return v;
}

namespace {

template <class Step>
void withModuleStorageScreen(Session& s, ModuleState& m, Step step) {
  Store store(s.channels, s.paths);
  store.select(m.environment.ZDX, m.environment.USEL);
  StorageContext context{s, m.buffer, store, m.storage, [&m] { return m.settings; },
                         [&m](const StoredSettings& loaded) { m.settings = loaded; }};
  const StorageVariant variant = moduleStorageVariant();
  StorageScreen screen(context, variant);
  step(screen);
}

}  // namespace

void runModuleStorageScreen(Session& s, ModuleState& m) {
  withModuleStorageScreen(s, m, [](StorageScreen& screen) { screen.run(); });
}

void runModuleSave(Session& s, ModuleState& m) {
  withModuleStorageScreen(s, m, [](StorageScreen& screen) { screen.runSave(); });
}

std::vector<std::string> programListPrint(Store& store, const std::string& dateStamp) {
  if (!store.indexHeld()) store.readIndex();
  std::vector<std::string> lines{dateStamp + "\r\n"};
  int n = 0;
  for (const IndexEntry& e : store.index().entries) {
    const DirectoryRecord rec = store.readEntryHeader(e.record);
    lines.push_back(formatTemplate(kListTemplate, {double(++n), e.key, rec.title, rec.date, double(rec.size)}) + "\r\n");
  }
  lines.push_back("\f");
  return lines;
}

bool askConfirmationWord(Screen& screen, int row, int col, const std::string& label, const std::string& word) {
  printAtPosition(screen, col, row, label, kLabelColor);
  const int fieldCol = col + textWidth(label) + 1;
  for (;;) {
    FieldCall call{row, fieldCol, 3, kWordClass, "", word.substr(0, 1)};
    FieldResult r = fieldInput(screen, call);
    if (r.FDP == ending::Esc || r.FDP == ending::Up) return false;
    if (r.FDP == ending::Enter && call.text == word) return true;
    screen.beep();
  }
}

}  // namespace vorn
