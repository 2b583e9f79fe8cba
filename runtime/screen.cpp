#include "screen.h"

#include <algorithm>
#include <cstring>

#include "png.h"
#include "signals.h"
#include "text.h"

namespace vorn {

namespace key {

std::string fn(int n) {
  if (n < 1 || n > 12) return {};
  return {FnPrefix, char('A' + n - 1)};
}

int fnNumber(std::string_view k) {
  if (k.size() != 2 || k[0] != FnPrefix || k[1] < 'A' || k[1] > 'L') return 0;
  return k[1] - 'A' + 1;
}

}  // namespace key

namespace {

// Slots 0-7 before the start-up remap: black, blue, green, cyan, red,
// magenta, yellow, white. Blue is lightened so that it reads on black.
constexpr std::array<Rgb, 8> kBaseColors{{
    {0, 0, 0}, {32, 64, 255}, {0, 220, 0}, {0, 220, 220},
    {230, 0, 0}, {230, 0, 230}, {230, 230, 0}, {240, 240, 240},
}};

// Base colour shown by slots 1-7 after the start-up remap.
constexpr std::array<int, 8> kStandardMap{0, 1, 4, 5, 2, 3, 6, 7};

constexpr std::array<Rgb, 8> kStandardHigh{{
    {99, 99, 99}, {0, 0, 128}, {0, 128, 0}, {0, 128, 128},
    {128, 0, 0}, {128, 0, 128}, {128, 128, 0}, {190, 190, 190},
}};

constexpr double kFramePeriod = 1.0 / 60;
// The most of the running time unforced presents may take: a window that is
// slow to show frames gets fewer of them rather than slowing the program.
constexpr double kPresentShare = 0.05;
// However slow the window, a running screen still shows this often, so that
// one slow frame (the first one creates the window's texture) never hides
// the drawing for long.
constexpr double kSlowestFrame = 0.2;
// How long a headless poll that finds no key lets the virtual clock run, so
// that a screen polling with a timer on reaches the timer's deadline.
constexpr double kIdlePoll = 0.01;
// Longest single wait for a window event when no timer is due.
constexpr double kLongestWait = 0.25;

const Cell kOutside{};

bool sameImage(const Image& a, const Image& b) {
  static_assert(sizeof(Rgb) == 3);
  return a.width == b.width && a.height == b.height && a.pixels.size() == b.pixels.size() &&
         std::memcmp(a.pixels.data(), b.pixels.data(), a.pixels.size() * sizeof(Rgb)) == 0;
}

template <class T>
T popFront(std::vector<T>& queue) {
  T front = std::move(queue.front());
  queue.erase(queue.begin());
  return front;
}

}  // namespace

Screen::Screen(Backend& backend, Clock& clock) : backend_(backend), clock_(clock), painter_(fb_) {
  for (int i = 0; i < 16; ++i) palette_[size_t(i)] = kBaseColors[size_t(i & 7)];
  syncSize();
  resetTextWindow();
}

Screen::~Screen() = default;

// --- geometry

void Screen::syncSize() {
  int width = std::max(kCellWidth, backend_.clientWidth());
  int height = std::max(kCellHeight, backend_.clientHeight());
  int newCols = width / kCellWidth, newRows = height / kCellHeight;
  if (newCols == cols_ && newRows == rows_ && width == fb_.width && height == fb_.height) return;

  std::vector<Cell> cells(size_t(newCols) * newRows, Cell{U' ', uint8_t(fg_), uint8_t(bg_)});
  for (int r = 0; r < std::min(rows_, newRows); ++r)
    for (int c = 0; c < std::min(cols_, newCols); ++c) cells[size_t(r) * newCols + c] = cells_[size_t(r) * cols_ + c];
  // A wide character whose right half was cut off becomes a blank.
  for (int r = 0; r < newRows && newCols < cols_; ++r) {
    Cell& last = cells[size_t(r) * newCols + newCols - 1];
    if (!last.wideTail && cellWidth(last.ch) == 2) last.ch = U' ';
  }

  Framebuffer fb;
  fb.resize(width, height);
  for (int y = 0; y < std::min(fb_.height, height); ++y)
    std::copy_n(fb_.pixels.begin() + ptrdiff_t(y) * fb_.width, std::min(fb_.width, width),
                fb.pixels.begin() + ptrdiff_t(y) * width);

  bool wholeWindow = winTop_ == 0 && winRows_ == rows_;
  cols_ = newCols;
  rows_ = newRows;
  cells_ = std::move(cells);
  fb_ = std::move(fb);
  painter_.resetViewport();
  if (wholeWindow) {
    winRows_ = rows_;
  } else {
    winTop_ = std::min(winTop_, rows_ - 1);
    winRows_ = std::clamp(winRows_, 1, rows_ - winTop_);
  }
  curCol_ = std::min(curCol_, cols_ - 1);
  curRow_ = std::min(curRow_, rows_ - 1);
  sizePictures(width, height);
}

// The pictures a present composes into are made with the screen and with
// each new size, so that a frame never waits for fresh memory (first touches
// of a few megabytes cost tens of milliseconds on a loaded machine). The
// window has a new size: its next frame is sent whatever it shows.
void Screen::sizePictures(int width, int height) {
  for (Image* img : {&text_.picture, &next_, &frame_}) {
    img->width = width;
    img->height = height;
    img->pixels.assign(size_t(width) * size_t(height), Rgb{});
  }
  text_.cols = 0;  // the text layer is drawn again
  shownOnce_ = false;
}

// --- text

void Screen::locate(int col, int row) {
  curCol_ = std::clamp(col, 0, cols_ - 1);
  curRow_ = std::clamp(row, 0, rows_ - 1);
}

void Screen::showCursor(bool on) { cursorOn_ = on; }

void Screen::color(int fg) { fg_ = fg & 15; }

void Screen::color(int fg, int bg) {
  fg_ = fg & 15;
  bg_ = bg & 15;
}

void Screen::print(std::string_view utf8) {
  size_t pos = 0;
  while (pos < utf8.size()) {
    char32_t ch = nextCodePoint(utf8, pos);
    if (ch == U'\n')
      newLine();
    else if (ch == U'\r')
      curCol_ = 0;
    else if (ch == 7)
      beep();
    else if (ch >= 32)
      putChar(ch);
  }
}

void Screen::printSpaces(int n) {
  for (int i = 0; i < n; ++i) putChar(U' ');
}

int Screen::scrollBottom() const {
  return std::max(winTop_, winTop_ + winRows_ - 1 - (keyLine_ ? 1 : 0));
}

void Screen::newLine() {
  curCol_ = 0;
  if (curRow_ == scrollBottom())
    scrollWindow();
  else if (curRow_ < rows_ - 1)
    ++curRow_;
}

void Screen::scrollWindow() {
  int bottom = scrollBottom();
  auto rowStart = [&](int r) { return cells_.begin() + ptrdiff_t(r) * cols_; };
  if (bottom > winTop_) std::copy(rowStart(winTop_ + 1), rowStart(bottom + 1), rowStart(winTop_));
  std::fill(rowStart(bottom), rowStart(bottom + 1), Cell{U' ', uint8_t(fg_), uint8_t(bg_)});
}

// Before a cell is overwritten, a full-width character it is half of
// becomes blank in its other half, so that no half character survives.
void Screen::splitWideAt(int col, int row) {
  Cell* line = &cells_[size_t(row) * cols_];
  if (line[col].wideTail && col > 0) line[col - 1].ch = U' ';
  line[col].wideTail = false;
  if (col + 1 < cols_ && line[col + 1].wideTail) {
    line[col + 1].wideTail = false;
    line[col + 1].ch = U' ';
  }
}

// The cursor may stand one past the last column: the next character wraps,
// so that text ending exactly at the right edge does not scroll.
void Screen::putChar(char32_t ch) {
  int width = cols_ >= 2 ? cellWidth(ch) : 1;
  if (curCol_ + width > cols_) newLine();
  for (int k = 0; k < width; ++k) splitWideAt(curCol_ + k, curRow_);
  Cell* at = &cells_[size_t(curRow_) * cols_ + curCol_];
  at[0] = Cell{ch, uint8_t(fg_), uint8_t(bg_), false};
  if (width == 2) at[1] = Cell{U' ', uint8_t(fg_), uint8_t(bg_), true};
  curCol_ += width;
}

void Screen::setTextWindow(int firstRow, int rowCount, bool keyLine) {
  winTop_ = std::clamp(firstRow, 0, rows_ - 1);
  winRows_ = std::clamp(rowCount, 1, rows_ - winTop_);
  keyLine_ = keyLine && winRows_ > 1;
  curCol_ = 0;
  curRow_ = winTop_;
}

void Screen::resetTextWindow() { setTextWindow(0, rows_, false); }

void Screen::clearText() {
  int last = scrollBottom();
  std::fill(cells_.begin() + ptrdiff_t(winTop_) * cols_, cells_.begin() + ptrdiff_t(last + 1) * cols_,
            Cell{U' ', uint8_t(fg_), uint8_t(bg_)});
  curCol_ = 0;
  curRow_ = winTop_;
}

void Screen::clearGraphics() { painter_.clear(); }

const Cell& Screen::cell(int col, int row) const {
  if (col < 0 || row < 0 || col >= cols_ || row >= rows_) return kOutside;
  return cells_[size_t(row) * cols_ + col];
}

std::string Screen::rowText(int row) const {
  std::string text;
  if (row < 0 || row >= rows_) return text;
  for (int c = 0; c < cols_; ++c) {
    const Cell& cl = cells_[size_t(row) * cols_ + c];
    if (!cl.wideTail) appendUtf8(text, cl.ch);
  }
  return text;
}

void Screen::beep() {
  ++beeps_;
  backend_.beep();
}

// --- palette

void Screen::setPaletteSlot(int slot, Rgb rgb) { palette_[size_t(slot & 15)] = rgb; }

std::array<Rgb, 16> standardPalette() {
  std::array<Rgb, 16> palette{};
  for (int k = 0; k < 8; ++k) palette[size_t(k)] = kBaseColors[size_t(kStandardMap[size_t(k)])];
  for (int k = 0; k < 8; ++k) palette[size_t(8 + k)] = kStandardHigh[size_t(k)];
  return palette;
}

void Screen::mapStandardPalette() { palette_ = standardPalette(); }

// --- input

bool Screen::handle(const InputEvent& e) {
  using Kind = InputEvent::Kind;
  ++arrivals_;
  switch (e.kind) {
    case Kind::Key:
      composition_.clear();   // a delivered text ends any composition
      keys_.push_back({e.text, arrivals_});
      return true;
    case Kind::Compose:
      composition_ = e.text;
      return false;
    case Kind::Click:
      clicks_.push_back({{e.col, e.row, e.button}, arrivals_});
      return true;
    case Kind::Resize:
      syncSize();
      events_.resized = true;
      break;
    case Kind::ListResize:
      events_.listResized = true;
      break;
    case Kind::CloseRequest:
      events_.closeRequested = true;
      break;
    case Kind::ListSelect:
      events_.listSelection = e.index;
      events_.listSelected = true;
      break;
    case Kind::Wait:
      advance(e.ms / 1000.0);
      return false;
  }
  ++windowEventCount_;
  if (eventHook_ && !inEventHook_) {
    struct Reset {
      bool& flag;
      ~Reset() { flag = false; }
    } reset{inEventHook_};
    inEventHook_ = true;
    eventHook_();
  }
  return false;
}

void Screen::runTimer() {
  if (!timerOn_) return;
  double now = clock_.seconds();
  if (now < timerNext_) return;
  timerNext_ += timerPeriod_;
  if (timerNext_ <= now) timerNext_ = now + timerPeriod_;  // no burst after a long stall
  ++arrivals_;
  if (timerHandler_) timerHandler_();
}

void Screen::advance(double seconds) {
  double end = clock_.seconds() + seconds;
  while (timerOn_ && timerNext_ <= end) {
    clock_.sleep(timerNext_ - clock_.seconds());
    runTimer();
  }
  clock_.sleep(end - clock_.seconds());
}

// Takes back-end events only while no key or click waits unread: window
// events are handled as they come, and the first key or click stops the
// take. So every input item is seen in its written order, one per read,
// however often a screen polls.
void Screen::pump(double timeoutSeconds) {
  checkStop();
  runTimer();
  double wait = timeoutSeconds;
  while (!inputWaiting()) {
    auto e = backend_.nextEvent(wait);
    if (!e) break;
    wait = 0;
    handle(*e);
  }
  runTimer();
  checkStop();
}

// Waits up to `seconds` for one event; while a key or click waits unread
// nothing more is taken, time just passes.
void Screen::waitEvent(double seconds) {
  if (inputWaiting()) {
    clock_.sleep(seconds);
  } else if (auto e = backend_.nextEvent(seconds)) {
    handle(*e);
  }
  checkStop();
}

void Screen::checkStop() const {
  if (int signal = stopSignal()) throw StopRequested{signal};
}

void Screen::block() {
  present(true);
  if (backend_.headless() && backend_.exhausted()) {
    if (!timerOn_) throw InputExhausted{};
    advance(std::max(0.0, timerNext_ - clock_.seconds()));
    return;
  }
  double wait = kLongestWait;
  if (timerOn_) wait = std::clamp(timerNext_ - clock_.seconds(), 0.0, kLongestWait);
  waitEvent(wait);
  runTimer();
}

// A click that waited through a key read is dropped: the screen reading
// keys does not take clicks. (One that arrives during this read stays for a
// takeClick() that may follow.)
std::string Screen::inkey() {
  if (clickFirst()) {
    clicks_.erase(clicks_.begin());
    return {};
  }
  pump(0);
  if (!keys_.empty()) return popFront(keys_).item;
  present(false);
  if (backend_.headless() && backend_.exhausted() && timerOn_) advance(kIdlePoll);
  return {};
}

bool Screen::trapKey(std::string_view k) {
  pump(0);
  for (auto it = keys_.begin(); it != keys_.end(); ++it) {
    if (it->item == k) {
      keys_.erase(it);
      return true;
    }
  }
  present(false);
  return false;
}

std::string Screen::waitKey() {
  bool tickedAfterScript = false;
  for (;;) {
    clicks_.clear();   // a screen waiting for a key does not take clicks
    if (keys_.empty()) pump(0);
    clicks_.clear();
    if (!keys_.empty()) return popFront(keys_).item;
    // A timer cannot deliver a key: after the script let it tick once, then give up.
    if (backend_.headless() && backend_.exhausted()) {
      if (tickedAfterScript || !timerOn_) throw InputExhausted{};
      tickedAfterScript = true;
    }
    block();
  }
}

std::string Screen::waitKeyOrClick() {
  bool tickedAfterScript = false;
  for (;;) {
    if (!inputWaiting()) pump(0);
    if (clickFirst()) return {};
    if (!keys_.empty()) return popFront(keys_).item;
    if (backend_.headless() && backend_.exhausted()) {
      if (tickedAfterScript || !timerOn_) throw InputExhausted{};
      tickedAfterScript = true;
    }
    block();
  }
}

void Screen::waitInput() {
  unsigned seen = arrivals_;
  if (inputWaiting()) return;
  for (;;) {
    pump(0);
    if (arrivals_ != seen) return;
    block();
    if (arrivals_ != seen) return;
  }
}

void Screen::flushKeys() {
  // Only what a person typed ahead in a window is discarded. A key script's
  // items are typed in their written order, so none of them is ever dropped.
  if (backend_.headless()) return;
  keys_.clear();
  clicks_.clear();
  while (auto e = backend_.nextEvent(0)) {
    if (handle(*e)) {
      keys_.clear();
      clicks_.clear();
    }
  }
}

bool Screen::takeClick(MouseClick& click) {
  pump(0);
  if (clicks_.empty()) return false;
  click = popFront(clicks_).item;
  return true;
}

// In a window these let the events already queued run. A key script's next
// item has not happened yet: a person types it once the program reads input,
// so a headless run gives it to reads only, never to these.
void Screen::doEvents() {
  if (backend_.headless()) {
    runTimer();
    checkStop();
  } else {
    pump(0);
  }
}

bool Screen::eventsPending() {
  unsigned before = windowEventCount_;
  doEvents();
  return windowEventCount_ != before;
}

void Screen::delay(double seconds, bool breakOnKey) {
  double end = clock_.seconds() + seconds;
  for (;;) {
    pump(0);
    if (breakOnKey && !keys_.empty()) return;
    double now = clock_.seconds();
    if (now >= end) return;
    double step = end - now;
    if (timerOn_) step = std::clamp(timerNext_ - now, 0.0, step);
    if (backend_.headless()) {
      clock_.sleep(std::min(step, kFramePeriod));   // keys are looked at as often as in a window
    } else {
      present(false);
      waitEvent(std::min(step, kFramePeriod));
    }
    runTimer();
  }
}

// --- timer

void Screen::setTimer(double periodSeconds, std::function<void()> handler) {
  timerPeriod_ = std::max(periodSeconds, 0.001);
  timerHandler_ = std::move(handler);
  if (timerOn_) timerNext_ = clock_.seconds() + timerPeriod_;
}

void Screen::timerOn() {
  timerOn_ = true;
  timerNext_ = clock_.seconds() + std::max(timerPeriod_, 0.001);
  if (timerPeriod_ <= 0) timerPeriod_ = 0.001;
}

void Screen::timerOff() { timerOn_ = false; }

// --- windows

void Screen::setTitle(const std::string& utf8) {
  title_ = utf8;
  backend_.setTitle(utf8);
}

void Screen::listClear() { list_.clear(); }

void Screen::listAdd(const std::string& entry) { list_.push_back(entry); }

void Screen::listShow(int selected) { backend_.showList(list_, selected); }

void Screen::listHide() { backend_.hideList(); }

// --- output

Image Screen::composite() const {
  Image img;
  composeInto(img);
  return img;
}

// Reuses the picture's storage: a present allocates nothing. The text layer
// is drawn again only when cells, palette or cursor changed since last time.
void Screen::composeInto(Image& img) const {
  if (!textLayerCurrent()) drawTextLayer();
  img = text_.picture;
  overlayGraphics(img);
}

bool Screen::textLayerCurrent() const {
  auto same = [](const Cell& a, const Cell& b) {
    return a.ch == b.ch && a.fg == b.fg && a.bg == b.bg && a.wideTail == b.wideTail;
  };
  auto samePalette = [](const std::array<Rgb, 16>& a, const std::array<Rgb, 16>& b) {
    return std::equal(a.begin(), a.end(), b.begin(),
                      [](Rgb x, Rgb y) { return x.r == y.r && x.g == y.g && x.b == y.b; });
  };
  return text_.picture.width == fb_.width && text_.picture.height == fb_.height && text_.cols == cols_ &&
         text_.cursorOn == cursorOn_ && (!cursorOn_ || (text_.curCol == curCol_ && text_.curRow == curRow_)) &&
         samePalette(text_.palette, palette_) &&
         std::equal(cells_.begin(), cells_.end(), text_.cells.begin(), text_.cells.end(), same);
}

void Screen::drawTextLayer() const {
  text_.cells = cells_;
  text_.cols = cols_;
  text_.palette = palette_;
  text_.cursorOn = cursorOn_;
  text_.curCol = curCol_;
  text_.curRow = curRow_;
  Image& img = text_.picture;
  img.width = fb_.width;
  img.height = fb_.height;
  img.pixels.resize(size_t(img.width) * img.height);
  // Only the strips right of and below the cell grid keep the background.
  const int gridWidth = cols_ * kCellWidth, gridHeight = rows_ * kCellHeight;
  for (int y = 0; y < img.height; ++y) {
    Rgb* line = img.pixels.data() + size_t(y) * img.width;
    if (y >= gridHeight)
      std::fill_n(line, img.width, palette_[0]);
    else if (gridWidth < img.width)
      std::fill(line + gridWidth, line + img.width, palette_[0]);
  }
  for (int r = 0; r < rows_; ++r) {
    for (int c = 0; c < cols_; ++c) {
      const Cell& cl = cells_[size_t(r) * cols_ + c];
      if (cl.wideTail) continue;
      int cells = c + 1 < cols_ && cells_[size_t(r) * cols_ + c + 1].wideTail ? 2 : 1;
      Rgb fg = palette_[cl.fg & 15], bg = palette_[cl.bg & 15];
      Rgb* origin = img.pixels.data() + size_t(r) * kCellHeight * img.width + size_t(c) * kCellWidth;
      int pixelsWide = cells * kCellWidth;
      for (int y = 0; y < kCellHeight; ++y) std::fill_n(origin + size_t(y) * img.width, pixelsWide, bg);
      if (cl.ch == U' ') continue;
      const Glyph& g = font_.glyph(cl.ch, cells);
      // The 16 glyph rows sit in the middle of the 18-pixel cell.
      for (int y = 0; y < 16; ++y) {
        uint16_t bits = g.rows[size_t(y)];
        Rgb* line = origin + size_t(y + 1) * img.width;
        for (int x = 0; bits && x < pixelsWide; ++x, bits = uint16_t(bits << 1))
          if (bits & 0x8000) line[x] = fg;
      }
    }
  }
  if (cursorOn_ && curCol_ < cols_) {
    Rgb fg = palette_[cell(curCol_, curRow_).fg & 15];
    Rgb* origin = img.pixels.data() + size_t(curRow_) * kCellHeight * img.width + size_t(curCol_) * kCellWidth;
    for (int y = kCellHeight - 2; y < kCellHeight; ++y) std::fill_n(origin + size_t(y) * img.width, kCellWidth, fg);
  }
}

// Graphics colour 0 lets the text show through; runs of it are skipped
// eight pixels at a time, as most of a drawing is empty.
void Screen::overlayGraphics(Image& img) const {
  const uint8_t* gfx = fb_.pixels.data();
  const size_t n = fb_.pixels.size();
  size_t i = 0;
  while (i < n) {
    if (i + 8 <= n) {
      uint64_t eight;
      std::memcpy(&eight, gfx + i, 8);
      if (eight == 0) {
        i += 8;
        continue;
      }
    }
    const size_t end = std::min(n, i + 8);
    for (; i < end; ++i)
      if (gfx[i]) img.pixels[i] = palette_[gfx[i] & 15];
  }
}

void Screen::present(bool force) {
  const double now = clock_.seconds();
  const double interval = std::clamp(lastPresentCost_ / kPresentShare, kFramePeriod, kSlowestFrame);
  if (!force && lastPresent_ >= 0 && now - lastPresent_ < interval) return;
  lastPresent_ = now;
  composeInto(next_);
  // A picture the window already shows is not sent again (the window keeps
  // its last frame and shows it again when uncovered).
  if (sameImage(next_, frame_) && shownOnce_) return;
  std::swap(next_, frame_);
  shownOnce_ = true;
  backend_.present(frame_);
  lastPresentCost_ = clock_.seconds() - now;
}

void Screen::hardCopy(const std::string& path) const { writePng(path, composite()); }

std::string Screen::dumpText() const {
  std::string out;
  for (int r = 0; r < rows_; ++r) {
    std::string line = rowText(r);
    line.erase(line.find_last_not_of(' ') + 1);
    out += line;
    out += '\n';
  }
  return out;
}

}  // namespace vorn
