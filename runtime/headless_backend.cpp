#include "headless_backend.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "keyscript.h"

namespace vorn {

HeadlessBackend::HeadlessBackend(std::vector<InputEvent> script, HeadlessSize size)
    : script_(script.begin(), script.end()),
      size_(size),
      width_(size.restoredWidth),
      height_(size.restoredHeight) {
  holdFrames();
}

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
  holdFrames();
}

void HeadlessBackend::maximize() {
  maximized_ = true;
  width_ = size_.maximizedWidth;
  height_ = size_.maximizedHeight;
  holdFrames();
}

// The copy of each presented frame goes into storage made with the client
// size (a copy keeps the storage it fits in), so no present waits for fresh
// memory. Nothing counts as presented yet.
void HeadlessBackend::holdFrames() {
  const size_t pixels = size_t(width_) * size_t(height_);
  if (lastFrame_.pixels.capacity() >= pixels) return;
  lastFrame_.pixels.assign(pixels, Rgb{});
  lastFrame_.pixels.clear();
}

void HeadlessBackend::present(const Image& frame) {
  ++presents_;
  lastFrame_ = frame;
}

// Waits for more of a followed script; complete lines are parsed and queued
// (an item never spans lines), the rest when the writer closes its end.
void HeadlessBackend::readLive(double timeoutSeconds) {
  pollfd p{liveFd_, POLLIN, 0};
  if (::poll(&p, 1, int(timeoutSeconds * 1000)) <= 0) return;   // nothing yet, or a signal
  char buffer[4096];
  ssize_t n = ::read(liveFd_, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
  if (n <= 0) {
    liveFd_ = -1;
    append(parseKeyScript(livePart_));
    livePart_.clear();
    return;
  }
  livePart_.append(buffer, size_t(n));
  size_t end = livePart_.rfind('\n');
  if (end == std::string::npos) return;
  append(parseKeyScript(std::string_view(livePart_).substr(0, end + 1)));
  livePart_.erase(0, end + 1);
}

std::optional<InputEvent> HeadlessBackend::nextEvent(double timeoutSeconds) {
  mouseButtons_ = 0;  // a scripted click is released when the next event is taken
  if (script_.empty() && liveFd_ >= 0) readLive(timeoutSeconds);
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
    holdFrames();
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
