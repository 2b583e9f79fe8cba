#include "runtime/sdl/sdl_backend.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "runtime/keys.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace vorn {

namespace {

constexpr int kListWidth = 280, kListHeight = 360;   // list window, pixels
constexpr Rgb kListInk{0, 0, 0}, kListPaper{255, 255, 255};
constexpr Rgb kListChosenInk{255, 255, 255}, kListChosenPaper{0, 80, 200};

// The SDL half of the key table: SDL key symbols to physical keys.
std::optional<PhysicalKey> physicalKey(SDL_Keycode sym) {
  switch (sym) {
    case SDLK_RETURN: case SDLK_KP_ENTER: return PhysicalKey::Enter;
    case SDLK_ESCAPE: return PhysicalKey::Esc;
    case SDLK_TAB: return PhysicalKey::Tab;
    case SDLK_BACKSPACE: return PhysicalKey::Backspace;
    case SDLK_DELETE: return PhysicalKey::Delete;
    case SDLK_INSERT: return PhysicalKey::Insert;
    case SDLK_HOME: return PhysicalKey::Home;
    case SDLK_END: return PhysicalKey::End;
    case SDLK_PAGEUP: return PhysicalKey::PageUp;
    case SDLK_PAGEDOWN: return PhysicalKey::PageDown;
    case SDLK_UP: return PhysicalKey::Up;
    case SDLK_DOWN: return PhysicalKey::Down;
    case SDLK_LEFT: return PhysicalKey::Left;
    case SDLK_RIGHT: return PhysicalKey::Right;
    default: break;
  }
  if (sym >= SDLK_F1 && sym <= SDLK_F12) return PhysicalKey(int(PhysicalKey::F1) + (sym - SDLK_F1));
  return std::nullopt;
}

unsigned modifiers(Uint16 mod) {
  unsigned mods = ModNone;
  if (mod & KMOD_SHIFT) mods |= ModShift;
  if (mod & KMOD_CTRL) mods |= ModCtrl;
  if (mod & KMOD_ALT) mods |= ModAlt;
  return mods;
}

InputEvent keyEvent(std::string text) {
  InputEvent e;
  e.kind = InputEvent::Kind::Key;
  e.text = std::move(text);
  return e;
}

[[noreturn]] void fail(const std::string& what) { throw std::runtime_error(what + ": " + SDL_GetError()); }

// Draws one line of text with the cell font into an RGB picture.
void drawText(Image& img, int x, int y, std::string_view utf8, Rgb ink, Rgb paper, Font& font) {
  size_t pos = 0;
  while (pos < utf8.size() && x < img.width) {
    char32_t ch = nextCodePoint(utf8, pos);
    int cells = cellWidth(ch);
    const Glyph& g = font.glyph(ch, cells);
    for (int row = 0; row < kCellHeight; ++row) {
      int py = y + row;
      if (py < 0 || py >= img.height) continue;
      uint16_t bits = row >= 1 && row <= 16 ? g.rows[size_t(row - 1)] : 0;
      for (int col = 0; col < cells * kCellWidth && x + col < img.width; ++col)
        img.pixels[size_t(py) * img.width + x + col] = (bits & (0x8000 >> col)) ? ink : paper;
    }
    x += cells * kCellWidth;
  }
}

}  // namespace

SdlBackend::SdlBackend(int restoredWidth, int restoredHeight) {
  // Stop signals end the program (runtime/signals.h); SDL must not turn them into close requests.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) fail("cannot open the display");
  // Large displays get whole-number scaling so that 8x18 cells stay readable.
  SDL_Rect usable{0, 0, 1024, 768};
  if (SDL_GetDisplayUsableBounds(0, &usable) == 0)
    scale_ = std::max(1, std::min(usable.w / 1600, usable.h / 1000));
  window_ = SDL_CreateWindow("", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, restoredWidth * scale_,
                             restoredHeight * scale_, SDL_WINDOW_RESIZABLE);
  if (!window_) fail("cannot open the main window");
  renderer_ = SDL_CreateRenderer(window_, -1, 0);
  if (!renderer_) fail("cannot draw into the main window");
  listWindow_ = SDL_CreateWindow("form2", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, kListWidth * scale_,
                                 kListHeight * scale_, SDL_WINDOW_RESIZABLE | SDL_WINDOW_HIDDEN);
  if (listWindow_) listRenderer_ = SDL_CreateRenderer(listWindow_, -1, 0);
  SDL_StartTextInput();
}

SdlBackend::~SdlBackend() {
  if (audioDevice_) SDL_CloseAudioDevice(audioDevice_);
  if (texture_) SDL_DestroyTexture(texture_);
  if (listRenderer_) SDL_DestroyRenderer(listRenderer_);
  if (listWindow_) SDL_DestroyWindow(listWindow_);
  if (renderer_) SDL_DestroyRenderer(renderer_);
  if (window_) SDL_DestroyWindow(window_);
  SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_EVENTS | (audioDevice_ ? SDL_INIT_AUDIO : 0));
}

int SdlBackend::clientWidth() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  return w / scale_;
}

int SdlBackend::clientHeight() const {
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  return h / scale_;
}

// The window manager resizes asynchronously; callers read the new size at once.
void SdlBackend::waitForSizeChange(int oldWidth, int oldHeight) {
  for (int i = 0; i < 30 && clientWidth() == oldWidth && clientHeight() == oldHeight; ++i) {
    SDL_PumpEvents();
    SDL_Delay(10);
  }
}

void SdlBackend::restore() {
  if (!(SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED)) return;
  int w = clientWidth(), h = clientHeight();
  SDL_RestoreWindow(window_);
  waitForSizeChange(w, h);
}

void SdlBackend::maximize() {
  if (SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) return;
  int w = clientWidth(), h = clientHeight();
  SDL_MaximizeWindow(window_);
  waitForSizeChange(w, h);
}

void SdlBackend::setTitle(const std::string& utf8) { SDL_SetWindowTitle(window_, utf8.c_str()); }

void SdlBackend::present(const Image& frame) {
  if (frame.width <= 0 || frame.height <= 0) return;
  if (!texture_ || textureWidth_ != frame.width || textureHeight_ != frame.height) {
    if (texture_) SDL_DestroyTexture(texture_);
    // 32-bit pixels are what renderers keep natively: no conversion inside SDL.
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_RGB888, SDL_TEXTUREACCESS_STREAMING, frame.width,
                                 frame.height);
    if (!texture_) return;   // nothing to show into; the next frame tries again
    textureWidth_ = frame.width;
    textureHeight_ = frame.height;
  }
  void* pixels = nullptr;
  int pitch = 0;
  if (SDL_LockTexture(texture_, nullptr, &pixels, &pitch) != 0) return;
  for (int y = 0; y < frame.height; ++y) {
    const Rgb* in = frame.pixels.data() + size_t(y) * size_t(frame.width);
    auto* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(pixels) + ptrdiff_t(y) * pitch);
    for (int x = 0; x < frame.width; ++x) out[x] = uint32_t(in[x].r) << 16 | uint32_t(in[x].g) << 8 | in[x].b;
  }
  SDL_UnlockTexture(texture_);
  hasFrame_ = true;
  showFrameAgain();
}

void SdlBackend::showFrameAgain() {
  SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  SDL_RenderClear(renderer_);
  if (hasFrame_) {
    SDL_Rect to{0, 0, textureWidth_ * scale_, textureHeight_ * scale_};
    SDL_RenderCopy(renderer_, texture_, nullptr, &to);
  }
  SDL_RenderPresent(renderer_);
}

std::optional<InputEvent> SdlBackend::nextEvent(double timeoutSeconds) {
  Uint64 deadline = SDL_GetTicks64() + Uint64(std::max(0.0, timeoutSeconds) * 1000);
  while (pending_.empty()) {
    SDL_Event e;
    Uint64 now = SDL_GetTicks64();
    bool got = now >= deadline ? SDL_PollEvent(&e) : SDL_WaitEventTimeout(&e, int(deadline - now));
    if (!got) break;
    translate(e);
  }
  if (pending_.empty()) return std::nullopt;
  InputEvent e = std::move(pending_.front());
  pending_.pop_front();
  return e;
}

void SdlBackend::translate(const SDL_Event& e) {
  Uint32 mainId = SDL_GetWindowID(window_);
  Uint32 listId = listWindow_ ? SDL_GetWindowID(listWindow_) : 0;
  switch (e.type) {
    case SDL_QUIT: {
      InputEvent q;
      q.kind = InputEvent::Kind::CloseRequest;
      pending_.push_back(q);
      break;
    }
    case SDL_WINDOWEVENT:
      if (e.window.windowID == mainId) {
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          InputEvent q;
          q.kind = InputEvent::Kind::CloseRequest;
          pending_.push_back(q);
        } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          InputEvent r;
          r.kind = InputEvent::Kind::Resize;
          r.width = e.window.data1 / scale_;
          r.height = e.window.data2 / scale_;
          pending_.push_back(r);
        } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
          showFrameAgain();
        }
      } else if (e.window.windowID == listId) {
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          hideList();
        } else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          InputEvent r;
          r.kind = InputEvent::Kind::ListResize;
          pending_.push_back(r);
          drawList();
        } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
          drawList();
        }
      }
      break;
    case SDL_KEYDOWN:
      if (e.key.windowID == listId)
        listKey(e);
      else
        translateKey(e);
      break;
    case SDL_TEXTEDITING: {
      // Shown only where a field takes double-byte text; elsewhere the field refuses what comes.
      if (e.edit.windowID == listId || imeMode_ != 1) break;
      InputEvent c;
      c.kind = InputEvent::Kind::Compose;
      c.text = e.edit.text;
      c.index = e.edit.start;
      pending_.push_back(c);
      break;
    }
    case SDL_TEXTINPUT: {
      if (e.text.windowID == listId) break;
      std::string_view text(e.text.text);
      size_t pos = 0;
      while (pos < text.size()) {
        std::string one;
        appendUtf8(one, nextCodePoint(text, pos));
        pending_.push_back(keyEvent(one));
      }
      break;
    }
    case SDL_MOUSEBUTTONDOWN:
      if (e.button.windowID == listId) {
        if (e.button.button == SDL_BUTTON_LEFT) listClick(e.button.y / scale_);
      } else if (e.button.windowID == mainId &&
                 (e.button.button == SDL_BUTTON_LEFT || e.button.button == SDL_BUTTON_RIGHT)) {
        InputEvent c;
        c.kind = InputEvent::Kind::Click;
        c.col = e.button.x / scale_ / kCellWidth;
        c.row = e.button.y / scale_ / kCellHeight;
        c.button = e.button.button == SDL_BUTTON_LEFT ? 1 : 2;
        pending_.push_back(c);
      }
      break;
    case SDL_MOUSEWHEEL:
      if (e.wheel.windowID == listId) {
        listTop_ = std::max(0, listTop_ - e.wheel.y * 3);
        drawList();
      }
      break;
    default:
      break;
  }
}

// Control keys go through the key table; printable keys arrive as text input.
void SdlBackend::translateKey(const SDL_Event& e) {
  unsigned mods = modifiers(e.key.keysym.mod);
  if (auto physical = physicalKey(e.key.keysym.sym)) {
    if (auto code = keyCode(*physical, mods)) pending_.push_back(keyEvent(*code));
    return;
  }
  SDL_Keycode sym = e.key.keysym.sym;
  if ((mods & ModCtrl) && !(mods & ModAlt) && sym >= SDLK_a && sym <= SDLK_z)
    if (auto code = ctrlLetterCode(char('a' + (sym - SDLK_a)))) pending_.push_back(keyEvent(*code));
}

// Typed characters of every kind arrive as SDL text input, so it stays on;
// turning the input method off ends a composition in progress, and its
// editing events are no longer shown.
void SdlBackend::setInputMethodMode(int mode) {
  if (mode == imeMode_) return;
  imeMode_ = mode;
  if (mode != 1) {
    SDL_StopTextInput();
    SDL_StartTextInput();
    InputEvent ended;
    ended.kind = InputEvent::Kind::Compose;
    pending_.push_back(ended);
  }
}

void SdlBackend::setTextInputRect(int x, int y, int w, int h) {
  SDL_Rect r{x * scale_, y * scale_, w * scale_, h * scale_};
  SDL_SetTextInputRect(&r);
}

// --- the list window "form2" with its list box "list1"

void SdlBackend::showList(const std::vector<std::string>& entries, int selected) {
  if (!listWindow_) return;
  listEntries_ = entries;
  listSelected_ = selected < int(entries.size()) ? selected : -1;
  listTop_ = std::max(0, listSelected_ - 5);
  SDL_ShowWindow(listWindow_);
  SDL_RaiseWindow(listWindow_);
  drawList();
}

void SdlBackend::hideList() {
  if (listWindow_) SDL_HideWindow(listWindow_);
  SDL_RaiseWindow(window_);
}

void SdlBackend::chooseListEntry(int index) {
  if (index < 0 || index >= int(listEntries_.size())) return;
  listSelected_ = index;
  drawList();
  InputEvent s;
  s.kind = InputEvent::Kind::ListSelect;
  s.index = index;
  pending_.push_back(s);
}

void SdlBackend::listClick(int y) { chooseListEntry(listTop_ + y / kCellHeight); }

void SdlBackend::listKey(const SDL_Event& e) {
  int count = int(listEntries_.size());
  switch (e.key.keysym.sym) {
    case SDLK_UP:
      listSelected_ = std::max(0, listSelected_ - 1);
      break;
    case SDLK_DOWN:
      listSelected_ = std::min(count - 1, listSelected_ + 1);
      break;
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
      chooseListEntry(listSelected_);
      return;
    case SDLK_ESCAPE:
      hideList();
      return;
    default:
      return;
  }
  int w = 0, h = 0;
  SDL_GetWindowSize(listWindow_, &w, &h);
  int visible = std::max(1, h / scale_ / kCellHeight);
  if (listSelected_ < listTop_) listTop_ = listSelected_;
  if (listSelected_ >= listTop_ + visible) listTop_ = listSelected_ - visible + 1;
  drawList();
}

void SdlBackend::drawList() {
  if (!listRenderer_ || !(SDL_GetWindowFlags(listWindow_) & SDL_WINDOW_SHOWN)) return;
  int w = 0, h = 0;
  SDL_GetWindowSize(listWindow_, &w, &h);
  Image img;
  img.width = std::max(1, w / scale_);
  img.height = std::max(1, h / scale_);
  img.pixels.assign(size_t(img.width) * img.height, kListPaper);
  listTop_ = std::clamp(listTop_, 0, std::max(0, int(listEntries_.size()) - 1));
  for (int i = listTop_, y = 0; i < int(listEntries_.size()) && y < img.height; ++i, y += kCellHeight) {
    bool chosen = i == listSelected_;
    Rgb paper = chosen ? kListChosenPaper : kListPaper;
    for (int row = y; row < std::min(img.height, y + kCellHeight); ++row)
      std::fill_n(img.pixels.begin() + ptrdiff_t(row) * img.width, img.width, paper);
    // Entries may hold control codes (the program-number marker); show them as blanks.
    std::string shown;
    for (char c : listEntries_[size_t(i)]) shown += (static_cast<unsigned char>(c) < 32) ? ' ' : c;
    drawText(img, 2, y, shown, chosen ? kListChosenInk : kListInk, paper, font_);
  }
  SDL_Texture* t = SDL_CreateTexture(listRenderer_, SDL_PIXELFORMAT_RGB24, SDL_TEXTUREACCESS_STATIC, img.width,
                                     img.height);
  if (!t) return;
  SDL_UpdateTexture(t, nullptr, img.pixels.data(), img.width * 3);
  SDL_RenderClear(listRenderer_);
  SDL_RenderCopy(listRenderer_, t, nullptr, nullptr);
  SDL_RenderPresent(listRenderer_);
  SDL_DestroyTexture(t);
}

void SdlBackend::mouse(int& col, int& row, int& buttons) const {
  int x = 0, y = 0;
  Uint32 state = SDL_GetMouseState(&x, &y);
  SDL_Window* focus = SDL_GetMouseFocus();
  col = x / scale_ / kCellWidth;
  row = y / scale_ / kCellHeight;
  buttons = focus == window_ ? int(((state & SDL_BUTTON_LMASK) ? 1 : 0) | ((state & SDL_BUTTON_RMASK) ? 2 : 0)) : 0;
}

// --- beep: a short tone, or a flash of the window when there is no audio

bool SdlBackend::playTone() {
  if (audioFailed_) return false;
  if (!audioDevice_) {
    SDL_AudioSpec want{}, have{};
    want.freq = 22050;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 512;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0 ||
        (audioDevice_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0)) == 0) {
      audioFailed_ = true;
      return false;
    }
    SDL_PauseAudioDevice(audioDevice_, 0);
  }
  if (SDL_GetQueuedAudioSize(audioDevice_) > 0) return true;   // still sounding
  constexpr int kRate = 22050, kSamples = kRate / 8;            // 125 ms at 880 Hz
  std::vector<int16_t> tone(kSamples);
  for (int i = 0; i < kSamples; ++i) {
    double fade = std::min(1.0, double(kSamples - i) / 200);   // no click at the end
    tone[size_t(i)] = int16_t(6000 * fade * std::sin(2 * M_PI * 880 * i / kRate));
  }
  return SDL_QueueAudio(audioDevice_, tone.data(), Uint32(tone.size() * sizeof(int16_t))) == 0;
}

void SdlBackend::flash() {
  SDL_SetRenderDrawColor(renderer_, 255, 255, 255, 255);
  SDL_RenderClear(renderer_);
  SDL_RenderPresent(renderer_);
  SDL_Delay(40);
  showFrameAgain();
}

void SdlBackend::beep() {
  if (!playTone()) flash();
}

}  // namespace vorn
