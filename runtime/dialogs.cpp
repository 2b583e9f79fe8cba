#include "dialogs.h"

#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <system_error>

#include "screen.h"
#include "text.h"

namespace vorn {

namespace fs = std::filesystem;

namespace {

// Palette numbers of the dialog look (after the start-up palette mapping:
// 0 black, 1 blue, 7 white).
constexpr int kInk = 0, kPaper = 7, kBarInk = 7, kBarPaper = 1;

// The cells and graphics under a dialog, put back by restore(). Not done on
// an exception, so that a dump taken then shows the open dialog.
class SavedArea {
 public:
  SavedArea(Screen& s, int col, int row, int width, int height)
      : s_(s), col_(std::max(0, col - 1)), row_(row), width_(std::min(s.cols(), col + width + 1) - col_),
        height_(height), cursorCol_(s.cursorCol()), cursorRow_(s.cursorRow()), fg_(s.foreground()),
        bg_(s.background()), cursorOn_(s.cursorVisible()) {
    for (int r = row_; r < row_ + height_; ++r)
      for (int c = col_; c < col_ + width_; ++c) cells_.push_back(s.cell(c, r));
    // Graphics over the dialog would hide it: keep them aside and clear them.
    Framebuffer& fb = s.framebuffer();
    px1_ = col_ * kCellWidth;
    px2_ = std::min(fb.width, (col_ + width_) * kCellWidth);
    py1_ = row_ * kCellHeight;
    py2_ = std::min(fb.height, (row_ + height_) * kCellHeight);
    for (int y = py1_; y < py2_; ++y) {
      auto line = fb.pixels.begin() + ptrdiff_t(y) * fb.width;
      gfx_.insert(gfx_.end(), line + px1_, line + px2_);
      std::fill(line + px1_, line + px2_, uint8_t(0));
    }
    s.showCursor(false);
  }

  void restore() {
    size_t i = 0;
    for (int r = row_; r < row_ + height_; ++r) {
      for (int c = col_; c < col_ + width_; ++c, ++i) {
        const Cell& cell = cells_[i];
        if (cell.wideTail) continue;
        std::string text;
        appendUtf8(text, cell.ch);
        s_.locate(c, r);
        s_.color(cell.fg, cell.bg);
        s_.print(text);
      }
    }
    Framebuffer& fb = s_.framebuffer();
    auto from = gfx_.begin();
    for (int y = py1_; y < py2_; ++y, from += px2_ - px1_)
      std::copy(from, from + (px2_ - px1_), fb.pixels.begin() + ptrdiff_t(y) * fb.width + px1_);
    s_.color(fg_, bg_);
    s_.locate(cursorCol_, cursorRow_);
    s_.showCursor(cursorOn_);
  }

 private:
  Screen& s_;
  int col_, row_, width_, height_;
  int cursorCol_, cursorRow_, fg_, bg_;
  bool cursorOn_;
  std::vector<Cell> cells_;
  std::vector<uint8_t> gfx_;
  int px1_ = 0, px2_ = 0, py1_ = 0, py2_ = 0;
};

void putRow(Screen& s, int col, int row, int width, std::string_view text, int fg, int bg) {
  s.locate(col, row);
  s.color(fg, bg);
  s.print(padToWidth(text, width));
}

// The rightmost part of text that fits width (long folder paths keep their end).
std::string tailToWidth(const std::string& text, int width) {
  int total = textWidth(text);
  if (total <= width) return text;
  return "…" + midByWidth(text, total - width + 2, width - 2);
}

bool isPrintableKey(const std::string& k) {
  return !k.empty() && static_cast<unsigned char>(k[0]) >= 32 && k[0] != 127;
}

std::string lower(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

std::string trim(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

bool hasWildcard(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

}  // namespace

// --- message box

bool messageBoxYesNo(Screen& s, std::string_view text, std::string_view caption) {
  std::vector<std::string> lines;
  for (size_t start = 0;;) {
    size_t nl = text.find('\n', start);
    lines.emplace_back(text.substr(start, nl == std::string_view::npos ? text.npos : nl - start));
    if (nl == std::string_view::npos) break;
    start = nl + 1;
  }
  int width = std::max(24, textWidth(caption) + 4);
  for (const std::string& l : lines) width = std::max(width, textWidth(l) + 6);
  width = std::min(width, s.cols());
  int height = std::min(int(lines.size()) + 5, s.rows());
  int col = (s.cols() - width) / 2, row = (s.rows() - height) / 2;
  SavedArea saved(s, col, row, width, height);

  putRow(s, col, row, width, " " + std::string(caption), kBarInk, kBarPaper);
  for (int r = 1; r < height; ++r) putRow(s, col, row + r, width, "", kInk, kPaper);
  for (size_t i = 0; i < lines.size() && int(i) + 2 < height; ++i)
    putRow(s, col + 3, row + 2 + int(i), width - 6, lines[i], kInk, kPaper);

  const std::string labels[2] = {" はい ", " いいえ "};
  int buttonRow = row + height - 2;
  int yesCol = col + width / 2 - 10, noCol = col + width / 2 + 2;
  bool yes = true;
  for (;;) {
    putRow(s, yesCol, buttonRow, 8, labels[0], yes ? kBarInk : kInk, yes ? kBarPaper : kPaper);
    putRow(s, noCol, buttonRow, 8, labels[1], yes ? kInk : kBarInk, yes ? kPaper : kBarPaper);
    std::string k = s.waitKeyOrClick();
    if (k.empty()) {
      MouseClick click;
      if (!s.takeClick(click)) continue;
      if (click.button == 2) break;
      if (click.row != buttonRow) continue;
      if (click.col >= yesCol && click.col < yesCol + 8) return saved.restore(), true;
      if (click.col >= noCol && click.col < noCol + 8) break;
      continue;
    }
    if (k == "\r") return saved.restore(), yes;
    if (k == "\x1b" || k == "n" || k == "N") break;
    if (k == "y" || k == "Y") return saved.restore(), true;
    if (k == "\t" || k == "\x1c" || k == "\x1d")
      yes = !yes;
    else
      s.beep();
  }
  saved.restore();
  return false;
}

// --- filters

std::vector<std::vector<std::string>> parseFilter(std::string_view filter) {
  std::vector<std::vector<std::string>> groups;
  for (size_t start = 0; start <= filter.size();) {
    size_t semi = filter.find(';', start);
    std::string group = trim(filter.substr(start, semi == std::string_view::npos ? filter.npos : semi - start));
    if (!group.empty() && group.front() == '(') group.erase(0, 1);
    if (!group.empty() && group.back() == ')') group.pop_back();
    std::vector<std::string> patterns;
    for (size_t p = 0; p <= group.size();) {
      size_t comma = group.find(',', p);
      std::string pattern = trim(std::string_view(group).substr(p, comma == std::string::npos ? group.npos : comma - p));
      if (!pattern.empty()) patterns.push_back(pattern);
      if (comma == std::string::npos) break;
      p = comma + 1;
    }
    if (!patterns.empty()) groups.push_back(patterns);
    if (semi == std::string_view::npos) break;
    start = semi + 1;
  }
  if (groups.empty()) groups.push_back({"*"});
  return groups;
}

bool matchesFilter(const std::vector<std::string>& group, std::string_view name) {
  std::string n(name);
  for (const std::string& pattern : group) {
    if (pattern == "*" || pattern == "*.*") return true;
    if (fnmatch(pattern.c_str(), n.c_str(), FNM_CASEFOLD) == 0) return true;
  }
  return false;
}

// --- folder browsing

FileBrowser::FileBrowser(const FileDialogOptions& options, bool save) : forSave(save) {
  std::error_code ec;
  fs::path start = options.folder.empty() ? fs::current_path(ec) : fs::absolute(options.folder, ec);
  folder = fs::weakly_canonical(start, ec);
  if (ec) folder = start;
  filters = parseFilter(options.filter);
  if (hasWildcard(options.initialName))
    typedFilter = {options.initialName};
  else
    name = options.initialName;
  reload();
}

void FileBrowser::reload() {
  entries.clear();
  if (folder.has_relative_path()) entries.push_back({"..", true});
  const auto& group = typedFilter.empty() ? filters[filterIndex] : typedFilter;
  std::vector<Entry> folders, files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::string entryName = it->path().filename().string();
    if (entryName.empty() || entryName[0] == '.') continue;
    std::error_code typeError;
    if (it->is_directory(typeError))
      folders.push_back({entryName, true});
    else if (matchesFilter(group, entryName))
      files.push_back({entryName, false});
  }
  auto byName = [](const Entry& a, const Entry& b) { return lower(a.name) < lower(b.name); };
  std::sort(folders.begin(), folders.end(), byName);
  std::sort(files.begin(), files.end(), byName);
  entries.insert(entries.end(), folders.begin(), folders.end());
  entries.insert(entries.end(), files.begin(), files.end());
  selected = std::clamp(selected, 0, std::max(0, int(entries.size()) - 1));
}

void FileBrowser::enter(const fs::path& to) {
  std::error_code ec;
  fs::path next = fs::weakly_canonical(to, ec);
  folder = ec ? to.lexically_normal() : next;
  selected = 0;
  listActive = false;
  reload();
}

void FileBrowser::move(int delta) {
  if (entries.empty()) return;
  selected = std::clamp(selected + delta, 0, int(entries.size()) - 1);
  listActive = true;
  if (!entries[size_t(selected)].folder) name = entries[size_t(selected)].name;
}

void FileBrowser::typeText(std::string_view utf8) {
  name += utf8;
  listActive = false;
}

void FileBrowser::backspace() {
  size_t pos = 0, last = 0;
  while (pos < name.size()) {
    last = pos;
    nextCodePoint(name, pos);
  }
  name.erase(last);
  listActive = false;
}

void FileBrowser::nextFilter() {
  filterIndex = (filterIndex + 1) % filters.size();
  typedFilter.clear();
  reload();
}

std::string FileBrowser::confirm(bool* refused) {
  if (refused) *refused = false;
  auto refuse = [&] {
    if (refused) *refused = true;
    return std::string();
  };
  if (listActive && selected < int(entries.size()) && entries[size_t(selected)].folder) {
    const std::string& entryName = entries[size_t(selected)].name;
    enter(entryName == ".." ? folder.parent_path() : folder / entryName);
    return {};
  }
  std::string typed = trim(name);
  if (typed.empty()) return refuse();
  if (hasWildcard(typed)) {
    typedFilter = {typed};
    name.clear();
    selected = 0;
    reload();
    return {};
  }
  fs::path chosen = fs::path(typed).is_absolute() ? fs::path(typed) : folder / typed;
  std::error_code ec;
  if (fs::is_directory(chosen, ec)) {
    enter(chosen);
    name.clear();
    return {};
  }
  chosen = chosen.lexically_normal();
  if (forSave ? fs::is_directory(chosen.parent_path(), ec) : fs::is_regular_file(chosen, ec)) return chosen.string();
  return refuse();
}

// --- the file dialogs on the screen

namespace {

std::string filterText(const FileBrowser& b) {
  const auto& group = b.typedFilter.empty() ? b.filters[b.filterIndex] : b.typedFilter;
  std::string text = "(";
  for (size_t i = 0; i < group.size(); ++i) text += (i ? "," : "") + group[i];
  return text + ")";
}

std::string fileDialog(Screen& s, const FileDialogOptions& options, bool save) {
  FileBrowser b(options, save);
  int width = std::min(s.cols(), 64), height = std::min(s.rows(), 22);
  int listRows = std::max(1, height - 6);
  int col = (s.cols() - width) / 2, row = (s.rows() - height) / 2;
  SavedArea saved(s, col, row, width, height);
  int top = 0;
  for (;;) {
    if (b.selected < top) top = b.selected;
    if (b.selected >= top + listRows) top = b.selected - listRows + 1;
    putRow(s, col, row, width, " " + options.title, kBarInk, kBarPaper);
    putRow(s, col, row + 1, width, " 場所 " + tailToWidth(b.folder.string(), width - 7), kInk, kPaper);
    for (int i = 0; i < listRows; ++i) {
      int index = top + i;
      std::string line;
      if (index < int(b.entries.size()))
        line = "  " + b.entries[size_t(index)].name + (b.entries[size_t(index)].folder ? "/" : "");
      bool chosen = index == b.selected && index < int(b.entries.size());
      putRow(s, col, row + 2 + i, width, line, chosen ? kBarInk : kInk, chosen ? kBarPaper : kPaper);
    }
    int nameRow = row + 2 + listRows;
    putRow(s, col, nameRow, width, " ﾌｧｲﾙ名 " + b.name, kInk, kPaper);
    putRow(s, col, nameRow + 1, width, " 種類   " + filterText(b), kInk, kPaper);
    putRow(s, col, nameRow + 2, width, " Enter:決定  Esc:取消  Tab:種類", kInk, kPaper);
    putRow(s, col, nameRow + 3, width, "", kInk, kPaper);
    s.locate(std::min(col + 9 + textWidth(b.name), col + width - 1), nameRow);
    s.showCursor(true);

    std::string k = s.waitKeyOrClick();
    if (k.empty()) {
      MouseClick click;
      if (!s.takeClick(click)) continue;
      if (click.button == 2) break;
      int index = top + click.row - (row + 2);
      if (click.row < row + 2 || click.row >= row + 2 + listRows || index >= int(b.entries.size())) continue;
      if (index != b.selected || !b.listActive) {
        b.move(index - b.selected);
        continue;
      }
      k = "\r";   // a second click on the chosen entry takes it
    }
    if (k == "\x1b") break;
    if (k == "\r") {
      bool refused = false;
      std::string path = b.confirm(&refused);
      if (refused) s.beep();
      if (!path.empty()) {
        saved.restore();
        return path;
      }
    } else if (k == "\x1e") {
      b.move(-1);
    } else if (k == "\x1f") {
      b.move(1);
    } else if (k == "\x13") {
      b.move(-listRows);
    } else if (k == "\x14") {
      b.move(listRows);
    } else if (k == "\t") {
      b.nextFilter();
    } else if (k == "\b") {
      b.backspace();
    } else if (isPrintableKey(k)) {
      b.typeText(k);
    } else {
      s.beep();
    }
  }
  saved.restore();
  return {};
}

}  // namespace

std::string fileOpenDialog(Screen& screen, const FileDialogOptions& options) {
  return fileDialog(screen, options, false);
}

std::string fileSaveDialog(Screen& screen, const FileDialogOptions& options) {
  return fileDialog(screen, options, true);
}

}  // namespace vorn
