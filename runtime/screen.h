#pragma once
// The character screen every program screen is written on: a grid of cells
// (character, foreground, background) with a cursor and a scrolling text
// window, the graphics layer over it, the palette, keyboard and mouse input,
// window events, the interval timer, the secondary list window and the
// screen hard copy. Text and graphics are composited only when presented.
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "backend.h"
#include "clock.h"
#include "font.h"
#include "painter.h"

namespace vorn {

inline constexpr int kCellWidth = 8;    // pixels
inline constexpr int kCellHeight = 18;  // pixels

// Control codes delivered as key strings.
namespace key {
inline constexpr char FnPrefix = 1;   // function key n arrives as "\x01" + char('A' + n - 1)
inline constexpr char Backspace = 8;
inline constexpr char Tab = 9;
inline constexpr char Enter = 13;
inline constexpr char Esc = 27;
inline constexpr char Right = 28;
inline constexpr char Left = 29;
inline constexpr char Up = 30;
inline constexpr char Down = 31;
inline constexpr char Delete = 127;
std::string fn(int n);                 // the string of function key n (1-12)
int fnNumber(std::string_view k);      // 1-12 for a function-key string, else 0
}  // namespace key

struct Cell {
  char32_t ch = U' ';
  uint8_t fg = 7;
  uint8_t bg = 0;
  bool wideTail = false;   // right half of a full-width character in the cell to the left
};

// Flags the window-event handlers set; screens poll and clear them.
struct WindowEvents {
  bool resized = false;         // main window resized (the shell maps this onto MXY)
  bool listResized = false;     // secondary window resized
  bool closeRequested = false;  // close asked; the shell confirms
  int listSelection = -1;       // last list-box selection index, -1 none
  bool listSelected = false;    // a selection arrived since last cleared
};

struct MouseClick {
  int col = 0, row = 0;   // cells, from 0
  int button = 0;         // 1 left, 2 right
};

// Raised by a blocking key wait that can never be answered (headless script
// used up and no timer running). The program's entry point catches it, writes
// its dumps and exits 0.
struct InputExhausted {};

// The 16 slots after the start-up mapping (what mapStandardPalette sets).
std::array<Rgb, 16> standardPalette();

class Screen {
 public:
  Screen(Backend& backend, Clock& clock);
  ~Screen();

  Backend& backend() { return backend_; }
  Clock& clock() { return clock_; }

  // --- geometry: the grid follows the client size (kCellWidth x kCellHeight cells)
  int cols() const { return cols_; }
  int rows() const { return rows_; }
  void syncSize();                 // re-reads the client size; keeps what fits

  // --- text (columns and rows from 0)
  void locate(int col, int row);
  int cursorCol() const { return curCol_; }
  int cursorRow() const { return curRow_; }
  void showCursor(bool on);
  bool cursorVisible() const { return cursorOn_; }
  void color(int fg);
  void color(int fg, int bg);
  int foreground() const { return fg_; }
  int background() const { return bg_; }
  // Prints UTF-8 at the cursor in the current colours; "\n" ends the line.
  // Text past the right edge wraps; leaving the text window's last row scrolls it.
  void print(std::string_view utf8);
  void printLine(std::string_view utf8) { print(utf8); print("\n"); }
  void printSpaces(int n);
  // Text window: rows firstRow..firstRow+rowCount-1 (from 0); keyLine reserves
  // the bottom row for the function-key labels. Clears are limited to it.
  void setTextWindow(int firstRow, int rowCount, bool keyLine = false);
  void resetTextWindow();          // whole screen
  void clearText();                // text window to blanks in the background colour; cursor home
  void clearGraphics();
  void clearAll() { clearText(); clearGraphics(); }
  const Cell& cell(int col, int row) const;
  std::string rowText(int row) const;   // UTF-8, wide characters once, trailing blanks kept
  void beep();
  int beepCount() const { return beeps_; }

  // --- palette: 16 slots of RGB
  void setPaletteSlot(int slot, Rgb rgb);
  Rgb paletteSlot(int slot) const { return palette_[slot & 15]; }
  // The start-up mapping: slots 1-7 remapped, 8-15 given triples.
  void mapStandardPalette();

  // --- graphics
  Framebuffer& framebuffer() { return fb_; }
  Painter& gfx() { return painter_; }

  // --- input
  // Input arrives in order, one item per read: while a key or click waits
  // unread no further event is taken from the back end, so a window event
  // written after a key in a script is seen only once that key was read.
  // Every input call raises StopRequested (runtime/signals.h) once a stop
  // signal has arrived.
  //
  // Next key string, or "" when none is waiting. Lets pending events run
  // first. A click still waiting from before is dropped (and "" returned):
  // a screen reading keys takes no clicks.
  std::string inkey();
  // A key trap: lets pending events run and takes the first queued key equal
  // to k, leaving every other key queued in order. Never waits.
  bool trapKey(std::string_view k);
  // Waits for a key, dropping clicks. Throws InputExhausted when no key can ever arrive.
  std::string waitKey();
  // Waits for a key or a mouse click; returns the key ("" when a click came,
  // then takeClick() tells where). Throws InputExhausted like waitKey.
  std::string waitKeyOrClick();
  // Waits until something new arrives: a key, a click, a window event or a
  // timer tick (it takes nothing from the queues). For loops that poll keys
  // and window events together. Throws InputExhausted when nothing can come.
  void waitInput();
  // True in a headless run whose key script is used up (no key can arrive).
  bool inputExhausted() const { return backend_.exhausted() && !inputWaiting(); }
  // A key or click waits unread.
  bool inputWaiting() const { return !keys_.empty() || !clicks_.empty(); }
  // Discards what a person typed ahead in a window; a key script keeps every item.
  void flushKeys();
  bool takeClick(MouseClick& click);    // a pending click, consumed
  void mouse(int& col, int& row, int& buttons) const { backend_.mouse(col, row, buttons); }
  // Lets pending events run (handlers set flags) without taking keys. In a
  // headless run no script item is taken: items go to the reads above.
  void doEvents();
  bool eventsPending();
  WindowEvents& events() { return events_; }
  // Runs after each window event has set its flag, between statements of
  // the running loop (the shell asks its close question here). Not re-entered
  // while it runs; it may throw to leave the running screen.
  void setEventHook(std::function<void()> hook) { eventHook_ = std::move(hook); }
  // Sleeps in real/virtual time while events run; returns early on a key if
  // breakOnKey (the key stays queued).
  void delay(double seconds, bool breakOnKey = false);

  // --- interval timer: fires handler every period seconds while on
  void setTimer(double periodSeconds, std::function<void()> handler);
  void timerOn();
  void timerOff();
  bool timerRunning() const { return timerOn_; }

  // --- windows
  void setTitle(const std::string& utf8);
  const std::string& title() const { return title_; }
  // The input method: on (1) only while a field takes double-byte text.
  void setInputMethodMode(int mode) {
    imeMode_ = mode;
    backend_.setInputMethodMode(mode);
  }
  int inputMethodMode() const { return imeMode_; }
  // The text the input method is composing ("" when none); fields show it at their cursor.
  const std::string& composition() const { return composition_; }
  // Places the input method's candidate window at cells col.. on row.
  void setTextInputArea(int col, int row, int cells) {
    backend_.setTextInputRect(col * kCellWidth, row * kCellHeight, cells * kCellWidth, kCellHeight);
  }
  // Secondary window "form2" with list box "list1".
  void listClear();
  void listAdd(const std::string& entry);
  void listShow(int selected = -1);
  void listHide();
  const std::vector<std::string>& listEntries() const { return list_; }

  // --- output
  // Composites text and graphics (graphics colour 0 lets text show through).
  Image composite() const;
  // Hands a frame to the back end unless one was presented less than a frame
  // period ago, or so recently that presenting would take more than a small
  // share of the time (force = always), or it is the picture last presented.
  void present(bool force = false);
  // Screen hard copy: writes the composited picture as PNG; raises RuntimeError.
  void hardCopy(const std::string& path) const;
  // All rows as UTF-8 lines, trailing blanks of each row removed, each line
  // ending in "\n" (for --dump-text and tests).
  std::string dumpText() const;

 private:
  Backend& backend_;
  Clock& clock_;
  int cols_ = 0, rows_ = 0;
  std::vector<Cell> cells_;
  int curCol_ = 0, curRow_ = 0;
  bool cursorOn_ = false;
  int fg_ = 7, bg_ = 0;
  int winTop_ = 0, winRows_ = 0;
  bool keyLine_ = false;
  std::array<Rgb, 16> palette_{};
  Framebuffer fb_;
  Painter painter_;
  // Keys and clicks wait in their own queues; each remembers when it arrived
  // so that a wait for either hands them out in the order they came.
  template <class T>
  struct Queued {
    T item;
    unsigned order;   // arrival count when queued
  };
  std::vector<Queued<std::string>> keys_;   // queued key strings
  std::vector<Queued<MouseClick>> clicks_;
  bool clickFirst() const {
    return !clicks_.empty() && (keys_.empty() || clicks_.front().order < keys_.front().order);
  }
  WindowEvents events_;
  std::function<void()> timerHandler_;
  double timerPeriod_ = 0, timerNext_ = 0;
  bool timerOn_ = false;
  std::string title_;
  std::vector<std::string> list_;
  double lastPresent_ = -1;
  double lastPresentCost_ = 0;            // seconds the last present took
  Image frame_;                           // the picture last presented
  Image next_;                            // the picture being composed (storage reused)
  bool shownOnce_ = false;                // frame_ has been handed to the back end
  // The text cells as last drawn, kept so that a present whose text did not
  // change only lays the graphics over them again.
  struct TextLayer {
    std::vector<Cell> cells;
    int cols = 0;
    std::array<Rgb, 16> palette{};
    bool cursorOn = false;
    int curCol = 0, curRow = 0;
    Image picture;
  };
  mutable TextLayer text_;
  int beeps_ = 0;
  mutable Font font_;                     // glyphs, read on the first composite
  unsigned arrivals_ = 0;                 // counts every event handled and timer tick
  std::function<void()> eventHook_;
  bool inEventHook_ = false;
  unsigned windowEventCount_ = 0;         // counts resize, close and list events handled
  int imeMode_ = 0;                       // last input-method mode set
  std::string composition_;               // text being composed by the input method

  void sizePictures(int width, int height);  // the present's pictures at the screen's size
  void composeInto(Image& img) const;     // composite() into img's storage
  bool textLayerCurrent() const;
  void drawTextLayer() const;
  void overlayGraphics(Image& img) const;
  void pump(double timeoutSeconds);        // moves backend events into queues/flags; runs the timer
  bool handle(const InputEvent& e);        // true when it queued a key or click
  void runTimer();                         // fires the handler when its time has come
  void advance(double seconds);            // lets time pass; the timer fires on schedule
  void block();                            // waits for the next event; throws InputExhausted
  void waitEvent(double seconds);          // one event, unless input waits unread
  void checkStop() const;                  // throws StopRequested after a stop signal
  void scrollWindow();
  void newLine();
  int scrollBottom() const;
  void putChar(char32_t ch);
  void splitWideAt(int col, int row);
};

}  // namespace vorn
