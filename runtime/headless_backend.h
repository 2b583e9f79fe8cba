#pragma once
// The window-less back end: a fixed client size and input from a key script.
// Used by every test and by --headless runs.
#include <deque>
#include <string>
#include <vector>

#include "backend.h"

namespace vorn {

struct HeadlessSize {
  int maximizedWidth = 1024, maximizedHeight = 768;  // client pixels when maximised
  int restoredWidth = 800, restoredHeight = 600;     // client pixels when restored
};

class HeadlessBackend final : public Backend {
 public:
  // Starts restored with the events of a parsed key script queued.
  explicit HeadlessBackend(std::vector<InputEvent> script = {}, HeadlessSize size = {});
  // Parses the script text (throws KeyScriptError).
  static HeadlessBackend fromScript(std::string_view script, HeadlessSize size = {});

  void append(std::vector<InputEvent> events);   // more script at the end
  size_t pendingEvents() const { return script_.size(); }
  // Reads more script from fd (a pipe or terminal) as it is written, line by
  // line, after the queued items; the script is used up only at its end of
  // file. nextEvent() waits on it up to its timeout. The fd stays the caller's.
  void followScript(int fd) { liveFd_ = fd; }

  bool headless() const override { return true; }
  int clientWidth() const override { return width_; }
  int clientHeight() const override { return height_; }
  void restore() override;
  void maximize() override;
  bool maximized() const { return maximized_; }
  void setTitle(const std::string& utf8) override { title_ = utf8; }
  const std::string& title() const { return title_; }
  void present(const Image& frame) override;
  int presentCount() const { return presents_; }
  const Image& lastFrame() const { return lastFrame_; }
  // Script events never wait: the next one comes at once, or nullopt when used up.
  std::optional<InputEvent> nextEvent(double timeoutSeconds) override;
  bool exhausted() const override { return script_.empty() && liveFd_ < 0; }
  void beep() override { ++beeps_; }
  int beepCount() const { return beeps_; }
  void showList(const std::vector<std::string>& entries, int selected) override;
  void hideList() override { listVisible_ = false; }
  bool listVisible() const { return listVisible_; }
  const std::vector<std::string>& listEntries() const { return listEntries_; }
  // Position of the last click; a button counts as held until the next event is taken.
  void mouse(int& col, int& row, int& buttons) const override;
  void setInputMethodMode(int mode) override { imeMode_ = mode; }
  int inputMethodMode() const { return imeMode_; }
  void setTextInputRect(int x, int y, int w, int h) override { textInputRect_ = {x, y, w, h}; }
  struct Rect {
    int x = 0, y = 0, w = 0, h = 0;
  };
  Rect textInputRect() const { return textInputRect_; }   // last one placed

 private:
  std::deque<InputEvent> script_;
  HeadlessSize size_;
  int width_, height_;
  bool maximized_ = false;
  std::string title_;
  int presents_ = 0;
  Image lastFrame_;
  int beeps_ = 0;
  std::vector<std::string> listEntries_;
  bool listVisible_ = false;
  int mouseCol_ = 0, mouseRow_ = 0, mouseButtons_ = 0;
  int imeMode_ = 0;
  Rect textInputRect_;
  int liveFd_ = -1;         // script still being written, -1 none
  std::string livePart_;    // its text after the last complete line

  void readLive(double timeoutSeconds);
  void holdFrames();   // storage for the client size's frame copy
};

}  // namespace vorn
