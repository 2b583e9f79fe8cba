#include "manage/rolling_area.h"

#include "runtime/screen.h"
#include "runtime/text.h"

namespace vorn {

RollingArea::RollingArea(Screen& screen, int row, int col, int rows, int width)
    : screen_(screen), row_(row), col_(col), rows_(rows), width_(width) {}

void RollingArea::add(const std::string& line) {
  lines_.push_back(padToWidth(line, width_));
  if (static_cast<int>(lines_.size()) > rows_) lines_.pop_front();
  draw();
}

void RollingArea::clear() {
  lines_.clear();
  draw();
}

void RollingArea::draw() {
  screen_.color(7, 0);
  for (int i = 0; i < rows_; ++i) {
    screen_.locate(col_ - 1, row_ - 1 + i);
    screen_.print(i < static_cast<int>(lines_.size()) ? lines_[static_cast<size_t>(i)] : std::string(static_cast<size_t>(width_), ' '));
  }
  screen_.present();
}

}  // namespace vorn
