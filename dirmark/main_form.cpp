#include "dirmark/main_form.h"

#include <algorithm>
#include <vector>

#include "runtime/clock.h"
#include "runtime/dialogs.h"
#include "runtime/error.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace vorn {

// ---------------------------------------------------------------- edit box

void EditBox::set(std::string_view utf8) {
  text.clear();
  for (size_t pos = 0; pos < utf8.size();) text.push_back(nextCodePoint(utf8, pos));
  cursor = int(text.size());
  first = 0;
}

std::string EditBox::utf8() const {
  std::string out;
  for (char32_t ch : text) appendUtf8(out, ch);
  return out;
}

bool EditBox::key(std::string_view k) {
  if (k.empty()) return false;
  const unsigned char c = static_cast<unsigned char>(k[0]);
  if (k.size() == 1 && (c < 32 || c == 127)) {
    switch (c) {
      case 8:
        if (cursor > 0) text.erase(size_t(--cursor), 1);
        return true;
      case 127:
        if (cursor < int(text.size())) text.erase(size_t(cursor), 1);
        return true;
      case 28: cursor = std::min(cursor + 1, int(text.size())); return true;
      case 29: cursor = std::max(cursor - 1, 0); return true;
      case 11: cursor = 0; return true;
      case 21: cursor = int(text.size()); return true;
      case 12:
        text.clear();
        cursor = first = 0;
        return true;
      default: return false;
    }
  }
  if (c < 32) return false;   // function keys and other codes belong to the dialog
  for (size_t pos = 0; pos < k.size();) text.insert(size_t(cursor++), 1, nextCodePoint(k, pos));
  return true;
}

std::string EditBox::shown(int width, int* cursorCell) {
  auto cells = [&](int from, int to) {
    int w = 0;
    for (int i = from; i < to; ++i) w += cellWidth(text[size_t(i)]);
    return w;
  };
  first = std::clamp(first, 0, cursor);
  // Keep one cell free for the cursor after the last character.
  while (first < cursor && cells(first, cursor) > width - 1) ++first;
  std::string out;
  int used = 0;
  for (int i = first; i < int(text.size()); ++i) {
    const int w = cellWidth(text[size_t(i)]);
    if (used + w > width) break;
    appendUtf8(out, text[size_t(i)]);
    used += w;
  }
  if (cursorCell) *cursorCell = cells(first, cursor);
  return out;
}

// ---------------------------------------------------------------- the dialog

namespace {

// Where the controls sit (cells from 0) and their colours.
constexpr int kLabelCol = 4, kLabelWidth = 16;
constexpr int kPathCol = 22, kPathWidth = 46;
constexpr int kButtonCol = 70;
constexpr int kFirstEntryRow = 5;
constexpr int kFolderRow = 15, kSaveRow = 17, kMessageRow = 19, kHelpRow = 21;
constexpr int kText = 7, kBoxInk = 0, kBoxPaper = 7, kFocusPaper = 6, kButtonInk = 7, kButtonPaper = 1;
constexpr int kBarInk = 7, kBarPaper = 1;

struct Place {
  int col, row, width;
};

struct Control {
  std::string name;   // control name, as in focusOrder()
  Place at;
  EditBox* box;       // the box of an edit control, nullptr for a button
  std::string caption;  // a button's text
};

// Raised by the event hook when the window is asked to close.
struct WindowClosed {};

class FormScreen {
 public:
  FormScreen(Screen& s, ChannelTable& channels, MainForm& form, std::string message)
      : s_(s), channels_(channels), form_(form), message_(std::move(message)) {
    for (int n = 1; n <= kFolderEntries; ++n) {
      const int row = kFirstEntryRow + n - 1;
      labels_[size_t(n - 1)].set(form.EDIT[size_t(n - 1)]);
      paths_[size_t(n - 1)].set(form.EDFN[size_t(n - 1)]);
      controls_.push_back({"EDIT" + std::to_string(n), {kLabelCol, row, kLabelWidth}, &labels_[size_t(n - 1)], {}});
      controls_.push_back({"EDFN0" + std::to_string(n), {kPathCol, row, kPathWidth}, &paths_[size_t(n - 1)], {}});
    }
    folder_.set(form.EDT_FLD);
    controls_.push_back({"EDT_FLD", {kPathCol, kFolderRow, kPathWidth}, &folder_, {}});
    controls_.push_back({"BUT_SAN", {kButtonCol, kFolderRow, 8}, nullptr, "[ 参照 ]"});
    for (int n = 1; n <= kPasteButtons; ++n)
      controls_.push_back({"BUTTON" + std::to_string(n), {kButtonCol, kFirstEntryRow + n - 1, 8}, nullptr, "[ 貼付 ]"});
    controls_.push_back({"B_SAVE", {34, kSaveRow, 12}, nullptr, "[ 登　録 ]"});
  }

  void redraw() {
    drawStatic();
    drawControls();
  }

  FormEnd run() {
    drawStatic();
    for (;;) {
      drawControls();
      std::string k = s_.waitKeyOrClick();
      if (k.empty()) {
        MouseClick click;
        if (!s_.takeClick(click) || click.button != 1) continue;
        const int hit = controlAt(click);
        if (hit < 0) continue;
        focus_ = hit;
        if (!current().box) {
          if (press()) return FormEnd::Registered;
        } else {
          current().box->cursor = int(current().box->text.size());
        }
        continue;
      }
      if (k == "\x1b") return FormEnd::Closed;
      if (k == "\t" || k == "\x1f") {
        focus_ = moveFocus(focus_, 1);
      } else if (k == std::string("\0\x0f", 2) || k == "\x1e") {
        focus_ = moveFocus(focus_, -1);
      } else if (!current().box && (k == "\r" || k == " ")) {
        if (press()) return FormEnd::Registered;
      } else if (current().box && k == "\r") {
        focus_ = moveFocus(focus_, 1);   // Enter in a box goes on to the next control
      } else if (!current().box || !current().box->key(k)) {
        s_.beep();
      }
    }
  }

 private:
  Control& current() { return controls_[size_t(focusIndexOf(focusOrder()[size_t(focus_)]))]; }

  int focusIndexOf(const std::string& name) const {
    for (size_t i = 0; i < controls_.size(); ++i)
      if (controls_[i].name == name) return int(i);
    return 0;
  }

  // The focus position of the control under a click, or -1.
  int controlAt(const MouseClick& click) const {
    for (size_t i = 0; i < controls_.size(); ++i) {
      const Place& p = controls_[i].at;
      if (click.row == p.row && click.col >= p.col && click.col < p.col + p.width) {
        const auto& order = focusOrder();
        return int(std::find(order.begin(), order.end(), controls_[i].name) - order.begin());
      }
    }
    return -1;
  }

  void put(int col, int row, std::string_view text, int fg, int bg = 0) {
    s_.color(fg, bg);
    s_.locate(col, row);
    s_.print(text);
  }

  void drawStatic() {
    s_.color(kText, 0);
    s_.clearText();
    put(0, 0, padToWidth(" VORN共用フォルダ設定", std::max(s_.cols(), 1)), kBarInk, kBarPaper);
    put(2, 2, "共用フォルダのメニューを設定する", kText);   // TEXT4
    put(58, 2, form_.TEXDA, kText);                          // TEXDA
    put(kLabelCol + 2, 4, "名　称", kText);                   // TEXT1
    put(kPathCol + 2, 4, "共用フォルダのパス", kText);          // TEXT2
    for (int n = 1; n <= kFolderEntries; ++n) put(2, kFirstEntryRow + n - 1, std::to_string(n), kText);
    put(2, kFolderRow, "フォルダ", kText);
    put(2, kHelpRow, "Tab/Shift+Tab:移動  Enter/Space:ボタンを押す  Esc:登録せずに終了", kText);
  }

  void drawControls() {
    int cursorCol = -1, cursorRow = -1;
    const std::string& focused = focusOrder()[size_t(focus_)];
    for (Control& c : controls_) {
      const bool has = c.name == focused;
      if (c.box) {
        int cell = 0;
        const std::string text = c.box->shown(c.at.width, &cell);
        put(c.at.col, c.at.row, padToWidth(text, c.at.width), kBoxInk, has ? kFocusPaper : kBoxPaper);
        if (has) cursorCol = c.at.col + cell, cursorRow = c.at.row;
      } else {
        put(c.at.col, c.at.row, c.caption, has ? kBoxInk : kButtonInk, has ? kFocusPaper : kButtonPaper);
      }
    }
    put(2, kMessageRow, padToWidth(message_, std::max(s_.cols() - 4, 1)), kText);
    s_.color(kText, 0);
    if (cursorRow >= 0) {
      s_.locate(cursorCol, cursorRow);
      s_.showCursor(true);
    } else {
      s_.showCursor(false);
    }
  }

  // Presses the focused button; true when the dialog is done (registered).
  bool press() {
    const std::string name = current().name;
    message_.clear();
    if (name == "BUT_SAN") {
      FileDialogOptions o;
      o.title = "共有フォルダ設定先を参照";
      o.initialName = "folder1";
      s_.showCursor(false);
      form_.EDT_FLD = folder_.utf8();
      form_.BUT_SAN_ON(fileSaveDialog(s_, o));
      folder_.set(form_.EDT_FLD);
    } else if (name.starts_with("BUTTON")) {
      const int n = std::stoi(name.substr(6));
      form_.EDT_FLD = folder_.utf8();
      form_.BUTTON_ON(n);
      paths_[size_t(n - 1)].set(form_.EDFN[size_t(n - 1)]);
    } else if (name == "B_SAVE") {
      return B_SAVE_ON();
    }
    return false;
  }

  // Reads the boxes, checks them and writes "UsFolder".
  bool B_SAVE_ON() {
    for (size_t i = 0; i < size_t(kFolderEntries); ++i) {
      form_.EDIT[i] = labels_[i].utf8();
      form_.EDFN[i] = paths_[i].utf8();
    }
    const FolderTable table = form_.table();
    message_ = folderTableProblem(table);
    if (message_.empty()) {
      try {
        writeFolderTable(channels_, table);
        return true;
      } catch (const RuntimeError& e) {
        message_ = std::string("登録できません: ") + e.what();
      }
    }
    s_.beep();
    return false;
  }

  Screen& s_;
  ChannelTable& channels_;
  MainForm& form_;
  std::string message_;    // a problem with the file or the last registration
  std::array<EditBox, kFolderEntries> labels_, paths_;
  EditBox folder_;
  std::vector<Control> controls_;
  int focus_ = 0;          // position in focusOrder(): label 1 first
};

}  // namespace

FormEnd runMainForm(Screen& screen, ChannelTable& channels, std::time_t today) {
  MainForm form;
  form.TEXDA = dateString(today);
  FolderTable table;
  std::string message;
  try {
    table = readFolderTable(channels);
  } catch (const RuntimeError& e) {
    // An unreadable file: the user sees why, and may still register a new table.
    message = std::string(kUsFolderFile) + " を読めません: " + e.what();
    screen.beep();
  }
  form.load(table);
  FormScreen dialog(screen, channels, form, message);
  // Window events between keys: a close ends the dialog, a resize draws it again.
  screen.setEventHook([&screen, &dialog] {
    WindowEvents& events = screen.events();
    if (events.closeRequested) throw WindowClosed{};
    if (events.resized) {
      events.resized = false;
      dialog.redraw();
    }
  });
  try {
    const FormEnd end = dialog.run();
    screen.setEventHook({});
    return end;
  } catch (const WindowClosed&) {
    screen.setEventHook({});
    return FormEnd::Closed;
  }
}

}  // namespace vorn
