#pragma once
// Screen geometry the shell measures from the main window and every screen
// reads: usable rows, the editor's last text row, the menu column, the
// tall-window flag and the loop-speed figure.

namespace vorn {

struct ScreenGeometry {
  float S_FM1RS = 0;  // usable text rows, from the client height
  float SY_EML = 0;   // tall-window flag: -1 when the restored window is taller than 600 pixels
  float CMMF = 0;     // last row of the editor's text area: S_FM1RS - 4
  float CRTR = 60;    // column of the main menu, counted from 1
  float WWID = 0;     // counting-loop turns per second (speed calibration)
};

// Tall-window flag from the restored window's height in pixels.
float tallWindowFlag(int restoredHeight);
// Rows for a client height: /1.23 first when tall, then height \ 18 - 1.
int rowsForHeight(int heightPixels, float SY_EML);
// Replaces S_FM1RS (and CMMF) only when the new row count is > 0 and differs.
void updateRows(ScreenGeometry& geometry, int heightPixels);
// Menu column: width \ 8 columns; below 65 that count - 8, otherwise 60.
float menuColumn(int widthPixels);

}  // namespace vorn
