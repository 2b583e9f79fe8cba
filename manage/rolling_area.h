#pragma once
// A few screen rows that show the latest lines of a long piece of work (an
// import, a copy): each new line goes below the last one, and when the rows
// are full the older lines move up by one.
#include <deque>
#include <string>

namespace vorn {

class Screen;

class RollingArea {
 public:
  // rows lines from row `row`, column `col` (both from 1), each `width` cells.
  RollingArea(Screen& screen, int row, int col, int rows, int width);

  void add(const std::string& line);  // shows the line at the bottom, cut to the width
  void clear();                       // blanks the rows and forgets the lines

 private:
  void draw();

  Screen& screen_;
  int row_, col_, rows_, width_;
  std::deque<std::string> lines_;  // the shown lines, oldest first
};

}  // namespace vorn
