#pragma once
// What a window system gives the Screen: presenting a composited frame and
// raw input. Two back ends: headless (memory and a key script) and SDL2.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vorn {

struct Rgb {
  uint8_t r, g, b;
};

// One composited picture of the screen (RGB, row-major).
struct Image {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;
};

// Raw input and window events, in arrival order.
struct InputEvent {
  enum class Kind {
    Key,          // text: the key's string (printable text, control code, code 1 + letter)
    Click,        // col, row (cells, from 0), button 1 left / 2 right
    Resize,       // width, height (client pixels) of the main window
    ListResize,   // the secondary window was resized
    CloseRequest, // the user asked to close the main window
    ListSelect,   // index: the list box selection changed
    Wait,         // ms: a key-script pause (headless only)
    Compose,      // text: what the input method is composing ("" when it ends), index: its cursor
  };
  Kind kind = Kind::Key;
  std::string text;
  int col = 0, row = 0, button = 0;
  int width = 0, height = 0;
  int index = -1;
  int ms = 0;
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual bool headless() const = 0;
  // Client size of the main window in pixels; maximised or restored.
  virtual int clientWidth() const = 0;
  virtual int clientHeight() const = 0;
  virtual void restore() = 0;
  virtual void maximize() = 0;
  virtual void setTitle(const std::string& utf8) = 0;
  // Shows a finished frame (called at most at the display's frame rate).
  virtual void present(const Image& frame) = 0;
  // Next pending event, waiting at most timeoutSeconds (0 = poll). Returns
  // nullopt when none arrived in time. Headless: returns nullopt at once when
  // the script is used up (exhausted() then tells so).
  virtual std::optional<InputEvent> nextEvent(double timeoutSeconds) = 0;
  virtual bool exhausted() const = 0;
  virtual void beep() = 0;
  // The secondary window "form2" with its list box "list1".
  virtual void showList(const std::vector<std::string>& entries, int selected) = 0;
  virtual void hideList() = 0;
  // Mouse position in cells and buttons held (bit 0 left, bit 1 right).
  virtual void mouse(int& col, int& row, int& buttons) const = 0;
  // 1 turns the input method on (a field takes double-byte text); other modes turn it off.
  virtual void setInputMethodMode(int mode) = 0;
  // Where the input method's candidate window belongs (client pixels): the field's cursor.
  virtual void setTextInputRect(int /*x*/, int /*y*/, int /*w*/, int /*h*/) {}
};

}  // namespace vorn
