#include "store/storage_screen.h"

#include <algorithm>

#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/keys.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/field.h"
#include "shell/menu.h"
#include "shell/numeric.h"
#include "shell/session.h"
#include "store/names.h"
#include "store/store.h"

namespace vorn {

// --------------------------------------------------------------- list view

void ProgramListView::buildFrom(int position) {
  top = std::clamp(position, 1, std::max(count, 1));
  line = 1;
}

void ProgramListView::setCount(int n) {
  count = std::max(n, 0);
  if (!built()) return;
  top = std::clamp(top, 1, std::max(count, 1));
  line = std::clamp(line, 1, std::max(lastLine(), 1));
}

int ProgramListView::lastLine() const {
  return built() ? std::clamp(count - top + 1, 0, kLines) : 0;
}

void ProgramListView::pageBack() {
  if (top <= 1) {
    line = 1;
    return;
  }
  top = std::max(1, top - kPage);
  line = std::min(line, std::max(lastLine(), 1));
}

void ProgramListView::pageForward() {
  const int lastShown = top + lastLine() - 1;
  if (lastShown >= count) {
    line = std::max(lastLine(), 1);
    return;
  }
  top += std::min(kPage, count - lastShown);
  line = std::min(line, std::max(lastLine(), 1));
}

ProgramListView::Outcome ProgramListView::key(int code) {
  if (!built() || lastLine() == 0) return code == 27 ? Outcome::Cancel : Outcome::None;
  const int last = lastLine();
  // Moves the cursor to an index position, paging when it lies off the list.
  auto goTo = [this](int target, bool back) {
    back ? pageBack() : pageForward();
    line = std::clamp(target - top + 1, 1, std::max(lastLine(), 1));
  };
  if (code >= 129 && code <= 159) {
    if (code - 128 > last) return Outcome::None;
    line = code - 128;
    return Outcome::Moved;
  }
  switch (code) {
    case 13: return Outcome::Select;
    case 27: return Outcome::Cancel;
    case 30: case '-':
      if (line > 1) --line;
      else if (top > 1) goTo(top - 1, true);
      return Outcome::Moved;
    case 28:
      if (line == last) pageForward();
      line = line == last ? lastLine() : last;
      return Outcome::Moved;
    case 29:
      if (line == 1) pageBack();
      line = 1;
      return Outcome::Moved;
    case 19: pageBack(); return Outcome::Moved;
    case 20: pageForward(); return Outcome::Moved;
    case 9: line += (last - line + 1) / 2; return Outcome::Moved;
    default: break;
  }
  if (code >= 31 && code <= 44) {
    if (line < last) ++line;
    else if (position() < count) goTo(position() + 1, false);
    return Outcome::Moved;
  }
  const bool letter = (code >= 'A' && code <= 'Z') || (code >= 'a' && code <= 'z');
  if (letter || (code >= '0' && code <= '9')) return Outcome::Search;
  return Outcome::None;
}

// --------------------------------------------------------------- layout

namespace {

// Positions counted from 1, as the field routines take them.
constexpr int kFrameRow = 4, kFrameCol = 20, kFrameWidth = 67, kFrameInner = 20;
constexpr int kWarningRow = 26, kWarningCol = 70;
constexpr int kVolumeRow = 5, kVolumeCol = 36;
constexpr int kMenuRow = 6, kMenuCol = 22;
// The list's lines sit on screen rows 5-20 counted from 0 (just under the
// volume line), a blank and then the text from column 35 (from 0).
constexpr int kListFirstRow0 = 5, kListCol0 = 34, kListWidth = 47;
// The action panel: its title row, the name row and the title row (from 1).
constexpr int kPanelRow = 22, kPanelCol = 22;
constexpr int kNameRow = 23, kTitleRow = 24, kFieldCol = 30;
constexpr int kMessageCol = 40;        // messages beside the name field
constexpr int kChoiceCol = 34;         // choice fields on the panel's title row
constexpr int kTitleFieldWidth = 16;   // title characters typed

constexpr int kLabelColor = 5, kTextColor = 7, kMessageColor = 6;
constexpr int kCursorColor = 14, kChosenColor = 13;

const char* const kVolumeTemplate = "(&   & ###)";
const char* const kPanelTemplate = "(&      &)";
const char* const kNameLabel = " ﾌｧｲﾙ名 ";
const char* const kTitleLabel = "  名 称 ";

}  // namespace

StorageVariant mainStorageVariant() {
  using C = StorageChoice;
  StorageVariant v;
  v.menu = {
      {"読み込み", 1, C::Load, false, {}},     {"連結読込", 2, C::Append, false, {}},
      {"保 存   ", 3, C::Save, false, {}},     {"名称変更", 4, C::Rename, false, {}},
      {"削 除   ", 5, C::Delete, false, {}},   {"ＦＤ交換", 6, C::DiskExchange, false, {}},
      {"フォルダ", 7, C::Volume, false, {}},
  };
  v.warning = "FD取り出し禁止";
  return v;
}

StorageVariant learnerStorageVariant() {
  using C = StorageChoice;
  StorageVariant v;
  v.menu = {
      {"読み込み", 1, C::Load, false, {}},   {"連結読込", 2, C::Append, false, {}}, {"保 存   ", 3, C::Save, false, {}},
      {"名称変更", 4, C::Rename, false, {}}, {"ＦＤ交換", 5, C::DiskExchange, false, {}},
  };
  v.warning = "FD取り出し禁止";
  return v;
}

StorageVariant deleteStorageVariant() {
  StorageVariant v;
  v.menu = {{"削 除   ", 1, StorageChoice::Delete, false, {}}};
  v.warning = "FD取り出し禁止";
  return v;
}

void drawProgramStatus(Screen& screen, const std::string& name, const std::string& title, int mark) {
  screen.color(kTextColor, 0);
  screen.locate(7, 0);
  screen.print(formatTemplate("&         & &" + std::string(16, ' ') + "&", {name, title}));
  // The mark follows the title when it is above 9; blanks clear an old one.
  screen.print(mark > 9 ? numberText(mark) : std::string(3, ' '));
}

// --------------------------------------------------------------- the screen

StorageScreen::StorageScreen(StorageContext& context, const StorageVariant& variant)
    : c_(context), variant_(variant), screen_(context.session.screen) {}

void StorageScreen::open() {
  Session& s = c_.session;
  drawFrame();
  c_.store.select(s.environment.ZDX, s.environment.USEL);
  s.guarded([&] { c_.store.openVolume(); });
  if (!c_.store.indexHeld()) {
    s.guarded([&] { c_.store.readIndex(); });
    c_.state.list.clear();
  }
  c_.state.list.setCount(c_.store.index().count());
  drawList();
  drawVolumeLine();
}

StorageResult StorageScreen::runSave() {
  open();
  save();
  leave();
  return result_;
}

StorageResult StorageScreen::run() {
  open();
  std::vector<MenuEntry> entries;
  for (const StorageMenuItem& item : variant_.menu) entries.push_back({item.label, std::to_string(item.code)});
  for (;;) {
    MenuLayout layout{kMenuRow, kMenuCol, int(entries.size()), 1, c_.state.lastChoice};
    layout.outsideClickEnds = true;
    MenuResult chosen = verticalMenu(screen_, entries, layout);
    c_.state.lastChoice = chosen.position;
    if (chosen.FDP == ending::Esc) break;
    if (chosen.FDP != ending::Enter) {
      screen_.beep();
      continue;
    }
    if (act(variant_.menu[size_t(chosen.position - 1)])) break;
  }
  leave();
  return result_;
}

bool StorageScreen::act(const StorageMenuItem& item) {
  if (item.needsPrograms && c_.store.index().count() == 0) {
    screen_.beep();
    return false;
  }
  switch (item.choice) {
    case StorageChoice::Load: return load(false);
    case StorageChoice::Append: return load(true);
    case StorageChoice::Save: return save();
    case StorageChoice::Rename: return rename();
    case StorageChoice::Delete: return remove();
    case StorageChoice::DiskExchange: exchangeDisk(); return false;
    case StorageChoice::Volume: changeVolume(); return false;
    case StorageChoice::Back: return true;
    case StorageChoice::Extra:
      if (item.extra) item.extra(*this);
      return false;
  }
  return false;
}

void StorageScreen::leave() {
  c_.store.closeVolume();
  c_.session.channels.closeAll();
  eraseBox(screen_, kFrameRow, kFrameCol, kFrameWidth, kFrameInner);
  printAtPosition(screen_, kWarningCol, kWarningRow, std::string(size_t(textWidth(variant_.warning)), ' '), kTextColor);
  drawProgramStatus(screen_, c_.buffer.OSDATE, c_.buffer.H0X, int(c_.buffer.YGW));
}

// --------------------------------------------------------------- drawing

void StorageScreen::drawFrame() {
  framedBox(screen_, kFrameRow, kFrameCol, kFrameWidth, kFrameInner);
  printAtPosition(screen_, kWarningCol, kWarningRow, variant_.warning, kMessageColor);
}

void StorageScreen::drawVolumeLine() {
  const std::vector<TemplateValue> values{c_.store.location(), double(c_.store.index().count())};
  printAtPosition(screen_, kVolumeCol, kVolumeRow, formatTemplate(kVolumeTemplate, values), kTextColor);
}

void StorageScreen::drawList() {
  ProgramListView& list = c_.state.list;
  page_.clear();
  if (list.built()) page_ = c_.session.guarded([&] { return c_.store.listPage(list.top, ProgramListView::kLines); });
  for (int line = 1; line <= ProgramListView::kLines; ++line)
    drawListLine(line, list.built() && line == list.line ? kCursorColor : kTextColor);
}

void StorageScreen::drawListLine(int line, int color) {
  const size_t i = size_t(line - 1);
  const std::string text = i < page_.size() ? page_[i].text : "";
  screen_.color(color);
  screen_.locate(kListCol0, kListFirstRow0 + line - 1);
  screen_.print(" " + padToWidth(cutToWidth(text, kListWidth), kListWidth));
  screen_.color(kTextColor);
}

void StorageScreen::drawPanel(const std::string& action, const std::string& name, const std::string& title) {
  clearPanel();
  printAtPosition(screen_, kPanelCol, kPanelRow, formatTemplate(kPanelTemplate, {action}), kLabelColor);
  printAtPosition(screen_, kPanelCol, kNameRow, kNameLabel, kLabelColor);
  printAtPosition(screen_, kFieldCol, kNameRow, name, kTextColor);
  printAtPosition(screen_, kPanelCol, kTitleRow, kTitleLabel, kLabelColor);
  printAtPosition(screen_, kFieldCol, kTitleRow, title, kTextColor);
}

void StorageScreen::clearPanel() {
  const int width = kFrameCol + kFrameWidth - 1 - kPanelCol;  // up to the frame's right edge
  for (int row = kPanelRow; row <= kTitleRow; ++row) printAtPosition(screen_, kPanelCol, row, std::string(size_t(width), ' '), kTextColor);
}

void StorageScreen::message(const std::string& text) {
  printAtPosition(screen_, kMessageCol, kNameRow, padToWidth(text, 12), kMessageColor);
}

// --------------------------------------------------------------- list window

std::optional<int> StorageScreen::chooseProgram() {
  ProgramListView& list = c_.state.list;
  const int count = c_.store.index().count();
  if (count == 0) {
    screen_.beep();
    return std::nullopt;
  }
  clearPanel();
  printAtPosition(screen_, kPanelCol, kNameRow, kNameLabel, kLabelColor);
  drawVolumeLine();
  list.setCount(count);
  if (!list.built()) list.buildFrom(1);
  drawList();
  for (;;) {
    std::string k = screen_.waitKeyOrClick();
    int code = 0;
    if (k.empty()) {
      MouseClick click;
      if (!screen_.takeClick(click)) continue;
      const int line = click.row - kListFirstRow0 + 1;
      if (click.button == 2) code = 27;
      else if (line >= 1 && line <= ProgramListView::kLines && click.col >= kListCol0 && click.col <= kListCol0 + kListWidth)
        code = 128 + line;
      else continue;
    } else if (k.size() == 1 && static_cast<unsigned char>(k[0]) != key::FnPrefix) {
      code = static_cast<unsigned char>(k[0]);
    } else {
      continue;  // function keys and double-byte characters mean nothing here
    }
    const int oldTop = list.top, oldLine = list.line;
    const ProgramListView::Outcome outcome = list.key(code);
    if (outcome == ProgramListView::Outcome::Cancel) {
      clearPanel();
      return std::nullopt;
    }
    if (outcome == ProgramListView::Outcome::Search) {
      char first = char(code);
      if (first >= 'a' && first <= 'z') first = char(first - 32);
      if (std::optional<int> exact = searchByName(std::string(1, first))) return exact;
      continue;
    }
    if (outcome == ProgramListView::Outcome::Select) {
      drawListLine(list.line, kChosenColor);
      return list.position();
    }
    if (list.top != oldTop) {
      drawList();
    } else if (list.line != oldLine) {
      drawListLine(oldLine, kTextColor);
      drawListLine(list.line, kCursorColor);
    }
  }
}

std::optional<int> StorageScreen::searchByName(const std::string& first) {
  ProgramListView& list = c_.state.list;
  const NameIndex& index = c_.store.index();
  const int width = index.keyWidth;
  const int hintCol = kFieldCol + width + 1;
  printAtPosition(screen_, hintCol, kNameRow, "↑終", kLabelColor);
  // The field starts with the key that opened it, the cursor after it.
  TextEntry entry(width, kProgramNameClass, "");
  bool refused = false;
  int ending = entry.key(first, &refused);
  screen_.showCursor(true);
  while (ending < 0) {
    printAtPosition(screen_, kFieldCol, kNameRow, entry.shown(), kMessageColor);
    screen_.locate(kFieldCol - 1 + std::min(entry.cursor, entry.ZP - 1), kNameRow - 1);
    refused = false;
    ending = entry.key(translateKey(screen_.waitKey()), &refused);
    if (refused) screen_.beep();
  }
  screen_.showCursor(false);
  printAtPosition(screen_, kFieldCol, kNameRow, std::string(size_t(width + 5), ' '), kTextColor);
  if (ending != ending::Enter) return std::nullopt;
  const NameSearch found = index.find(foldProgramName(entry.text()));
  if (found.found) {
    // Shows the chosen entry highlighted before it is taken.
    if (found.position < list.top || found.position >= list.top + list.lastLine()) {
      list.buildFrom(found.position);
      drawList();
    }
    list.line = found.position - list.top + 1;
    drawListLine(list.line, kChosenColor);
    return found.position;
  }
  list.buildFrom(std::min(found.position, index.count()));
  drawList();
  printAtPosition(screen_, hintCol, kNameRow, "↑↓", kLabelColor);
  return std::nullopt;
}

// --------------------------------------------------------------- actions

bool StorageScreen::load(bool append) {
  const std::optional<int> position = chooseProgram();
  if (!position) return false;
  Session& s = c_.session;
  const IndexEntry chosen = c_.store.index().entries[size_t(*position - 1)];
  const std::string name = foldProgramName(chosen.key);
  if (append) {
    const TextLoadResult loaded =
        s.guarded([&] { return c_.store.loadText(c_.buffer, name, LoadMode::Append); });
    result_ = {StorageOutcome::Appended, loaded.message};
    return true;
  }
  const DirectoryRecord entry = s.guarded([&] { return c_.store.readEntry(chosen.record); });
  const TextLoadResult loaded = s.guarded([&] { return c_.store.loadText(c_.buffer, name, LoadMode::Replace); });
  // Title, mark and settings follow only once the text is in.
  c_.buffer.H0X = entry.title;
  c_.buffer.YGW = float(entry.YGW);
  if (c_.applySettings) c_.applySettings(entry.settings);
  result_ = {StorageOutcome::Loaded, loaded.message};
  return true;
}

std::optional<std::string> StorageScreen::askName(std::string& typed) {
  const int width = c_.store.index().keyWidth;
  typed = cutToWidth(typed, width);
  for (;;) {
    FieldCall call{kNameRow, kFieldCol, width, float(kProgramNameClass), "", typed};
    const FieldResult r = textField(screen_, call);
    if (r.FDP == ending::Esc || r.FDP == ending::Up) return std::nullopt;
    typed = call.text;
    const std::string name = foldProgramName(call.text);
    if (r.FDP != ending::Enter || !programNameProblem(name, width, kMinTypedName).empty()) {
      screen_.beep();
      continue;
    }
    return name;
  }
}

StorageScreen::TitleEnd StorageScreen::askTitle(std::string& title, bool upGoesBack) {
  std::string typed = cutToWidth(title, kTitleFieldWidth);
  for (;;) {
    FieldCall call{kTitleRow, kFieldCol, kTitleFieldWidth, 6, "", typed};
    const FieldResult r = textField(screen_, call);
    if (r.FDP == ending::Esc) return TitleEnd::Abandon;
    if (r.FDP == ending::Up) return upGoesBack ? TitleEnd::Back : TitleEnd::Abandon;
    typed = call.text;
    if (r.FDP != ending::Enter || !titleProblem(call.text).empty()) {
      screen_.beep();
      continue;
    }
    title = call.text;
    return TitleEnd::Done;
  }
}

bool StorageScreen::save() {
  Session& s = c_.session;
  Store& store = c_.store;
  if (c_.buffer.lineCount() < 1) {
    printAtPosition(screen_, kChoiceCol, kPanelRow, " ﾅ ｼ ", kMessageColor);
    screen_.beep();
    return false;
  }
  drawPanel(" 保  存 ", c_.buffer.OSDATE, c_.buffer.H0X);
  std::string name, title;
  std::string typedName = foldProgramName(c_.buffer.OSDATE);
  for (bool asking = true; asking;) {
    std::optional<std::string> typed = askName(typedName);
    if (!typed) {
      clearPanel();
      return false;
    }
    name = *typed;
    const NameSearch found = store.index().find(name);
    if (!found.found && store.full()) {
      message("ｹﾝｽｳ ｵｰﾊﾞ  ");
      screen_.beep();
      continue;
    }
    if (!found.found) {
      message("");
      title = c_.buffer.H0X;
    } else {
      title = overwrittenTitle(store.index().entries[size_t(found.position - 1)].record);
      message("*同じ名前ｱﾘ");
      screen_.beep();
    }
    screen_.flushKeys();
    switch (askTitle(title, true)) {
      case TitleEnd::Abandon: clearPanel(); return false;
      case TitleEnd::Back: continue;
      case TitleEnd::Done: asking = false; break;
    }
  }
  SaveRequest request;
  request.name = name;
  request.title = title;
  request.date = dateStamp(screen_.clock().wallTime());
  if (c_.settingsInForce) request.settings = c_.settingsInForce();
  const SaveResult saved = s.guarded([&] { return store.save(c_.buffer, request); });
  ProgramListView& list = c_.state.list;
  const int lastShown = list.top + list.lastLine() - 1;
  list.setCount(store.index().count());
  if (list.built() && saved.position <= std::max(lastShown, list.top)) drawList();
  drawVolumeLine();
  result_ = {StorageOutcome::Saved, ""};
  return true;
}

// The stored title offered when a save goes over an existing name. Where the
// variant reads the whole entry, the program also takes its mark and settings.
std::string StorageScreen::overwrittenTitle(int record) {
  Session& s = c_.session;
  if (!variant_.overwriteReadsWholeEntry)
    return s.guarded([&] { return c_.store.readEntryHeader(record); }).title;
  const DirectoryRecord entry = s.guarded([&] { return c_.store.readEntry(record); });
  c_.buffer.YGW = float(entry.YGW);
  if (c_.applySettings) c_.applySettings(entry.settings);
  return entry.title;
}

bool StorageScreen::rename() {
  const std::optional<int> position = chooseProgram();
  if (!position) return false;
  Session& s = c_.session;
  const int record = c_.store.index().entries[size_t(*position - 1)].record;
  const DirectoryRecord entry = s.guarded([&] { return c_.store.readEntryHeader(record); });
  drawPanel("名称変更", entry.name, entry.title);
  std::string title = entry.title;
  if (askTitle(title, false) != TitleEnd::Done) {
    clearPanel();
    return false;
  }
  s.guarded([&] { c_.store.setTitle(record, title); });
  if (foldProgramName(entry.name) == foldProgramName(c_.buffer.OSDATE)) c_.buffer.H0X = title;
  drawList();
  result_ = {StorageOutcome::Renamed, ""};
  return true;
}

bool StorageScreen::remove() {
  Session& s = c_.session;
  for (;;) {
    const std::optional<int> position = chooseProgram();
    if (!position) return false;
    const int record = c_.store.index().entries[size_t(*position - 1)].record;
    const DirectoryRecord entry = s.guarded([&] { return c_.store.readEntryHeader(record); });
    drawPanel(" 削 除", entry.name, entry.title);
    FieldCall call{kPanelRow, kChoiceCol, 7, 0, "1)削除 2)選択 ", "2"};
    FieldResult r = choiceField(screen_, call);
    while (r.FDP != ending::Enter && r.FDP != ending::Esc && r.FDP != ending::Up) {
      screen_.beep();
      r = choiceField(screen_, call);
    }
    if (r.FDP != ending::Enter) {
      clearPanel();
      return false;
    }
    if (call.text != "1") continue;  // choose again
    s.guarded([&] { c_.store.deleteEntry(*position); });
    c_.state.list.setCount(c_.store.index().count());
    drawList();
    drawVolumeLine();
    result_ = {StorageOutcome::Deleted, ""};
    return true;
  }
}

void StorageScreen::exchangeDisk() {
  Session& s = c_.session;
  c_.store.closeVolume();
  s.channels.closeAll();
  s.guarded([&] { c_.store.openVolume(); });
  s.guarded([&] { c_.store.readIndex(); });
  ProgramListView& list = c_.state.list;
  list.setCount(c_.store.index().count());
  list.buildFrom(1);
  drawList();
  drawVolumeLine();
}

void StorageScreen::changeVolume() {
  Environment& env = c_.session.environment;
  const std::string current = env.USEL.size() == 2 ? env.USEL.substr(1) : "1";
  FieldCall call{kPanelRow, kChoiceCol, 3, 0, "M1 M2 M3 M4 M5 M6 ", current};
  for (;;) {
    const FieldResult r = choiceField(screen_, call);
    // The choices wrap: right past the last gives the first, left past the first the last.
    if (r.FDP == ending::Right) {
      call.text = "1";
    } else if (r.FDP == ending::Left) {
      call.text = "6";
    } else if (r.FDP == ending::Esc || r.FDP == ending::Up) {
      break;
    } else if (r.FDP == ending::Enter) {
      if (call.text != current) {
        env.USEL = "M" + call.text;
        c_.store.select(env.ZDX, env.USEL);
        c_.state.list.clear();
        exchangeDisk();
      }
      break;
    } else {
      screen_.beep();
    }
  }
  clearPanel();
}

}  // namespace vorn
