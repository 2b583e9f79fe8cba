#include "headless_backend.h"

#include "keyscript.h"

namespace vorn {

HeadlessBackend::HeadlessBackend(std::vector<InputEvent> script, HeadlessSize size)
    : script_(script.begin(), script.end()),
      size_(size),
      width_(size.restoredWidth),
      height_(size.restoredHeight) {}

HeadlessBackend HeadlessBackend::fromScript(std::string_view script, HeadlessSize size) {
  return HeadlessBackend(parseKeyScript(script), size);
}

void HeadlessBackend::append(std::vector<InputEvent> events) {
  script_.insert(script_.end(), events.begin(), events.end());
}

void HeadlessBackend::restore() {
  maximized_ = false;
  width_ = size_.restoredWidth;
  height_ = size_.restoredHeight;
}

void HeadlessBackend::maximize() {
  maximized_ = true;
  width_ = size_.maximizedWidth;
  height_ = size_.maximizedHeight;
}

void HeadlessBackend::present(const Image& frame) {
  ++presents_;
  lastFrame_ = frame;
}

std::optional<InputEvent> HeadlessBackend::nextEvent(double) {
  mouseButtons_ = 0;  // a scripted click is released when the next event is taken
  if (script_.empty()) return std::nullopt;
  InputEvent e = std::move(script_.front());
  script_.pop_front();
  if (e.kind == InputEvent::Kind::Click) {
    mouseCol_ = e.col;
    mouseRow_ = e.row;
    mouseButtons_ = e.button == 2 ? 2 : 1;
  } else if (e.kind == InputEvent::Kind::Resize) {
    width_ = e.width;
    height_ = e.height;
  }
  return e;
}

void HeadlessBackend::showList(const std::vector<std::string>& entries, int) {
  listEntries_ = entries;
  listVisible_ = true;
}

void HeadlessBackend::mouse(int& col, int& row, int& buttons) const {
  col = mouseCol_;
  row = mouseRow_;
  buttons = mouseButtons_;
}

}  // namespace vorn
