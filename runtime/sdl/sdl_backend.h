#pragma once
// The window back end: an SDL2 main window showing the composited screen,
// keyboard (IME text input for printable text, the key table for control
// keys), mouse, resize and close, the secondary list window "form2" with its
// list box "list1", and the beep.
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "runtime/backend.h"
#include "runtime/font.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace vorn {

class SdlBackend final : public Backend {
 public:
  // Opens the main window restored at the given client size (pixels) and the
  // hidden list window. Throws std::runtime_error when no display can be used.
  explicit SdlBackend(int restoredWidth = 800, int restoredHeight = 600);
  ~SdlBackend() override;
  SdlBackend(const SdlBackend&) = delete;
  SdlBackend& operator=(const SdlBackend&) = delete;

  bool headless() const override { return false; }
  int clientWidth() const override;
  int clientHeight() const override;
  void restore() override;
  void maximize() override;
  void setTitle(const std::string& utf8) override;
  void present(const Image& frame) override;
  std::optional<InputEvent> nextEvent(double timeoutSeconds) override;
  bool exhausted() const override { return false; }
  void beep() override;
  void showList(const std::vector<std::string>& entries, int selected) override;
  void hideList() override;
  void mouse(int& col, int& row, int& buttons) const override;
  void setInputMethodMode(int mode) override;
  void setTextInputRect(int x, int y, int w, int h) override;

 private:
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureWidth_ = 0, textureHeight_ = 0;
  int scale_ = 1;                      // window pixels per screen pixel (large displays)
  bool hasFrame_ = false;              // texture_ holds a frame to show again on expose

  SDL_Window* listWindow_ = nullptr;
  SDL_Renderer* listRenderer_ = nullptr;
  std::vector<std::string> listEntries_;
  int listSelected_ = -1;              // highlighted entry, -1 none
  int listTop_ = 0;                    // first entry shown

  Font font_;
  std::deque<InputEvent> pending_;     // translated events not yet taken
  uint32_t audioDevice_ = 0;           // 0: not opened
  bool audioFailed_ = false;           // no audio: beep flashes the window instead
  int imeMode_ = 0;

  void translate(const SDL_Event& e);
  void translateKey(const SDL_Event& e);
  void listKey(const SDL_Event& e);
  void listClick(int y);
  void chooseListEntry(int index);
  void drawList();
  void showFrameAgain();
  void waitForSizeChange(int oldWidth, int oldHeight);
  bool playTone();
  void flash();
};

}  // namespace vorn
