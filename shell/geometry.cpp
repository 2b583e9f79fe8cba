#include "shell/geometry.h"

namespace vorn {

float tallWindowFlag(int restoredHeight) { return restoredHeight > 600 ? -1.0f : 0.0f; }

int rowsForHeight(int heightPixels, float SY_EML) {
  float height = float(heightPixels);
  if (SY_EML != 0) height /= 1.23f;
  return int(height) / 18 - 1;
}

void updateRows(ScreenGeometry& geometry, int heightPixels) {
  int rows = rowsForHeight(heightPixels, geometry.SY_EML);
  if (rows > 0 && float(rows) != geometry.S_FM1RS) {
    geometry.S_FM1RS = float(rows);
    geometry.CMMF = geometry.S_FM1RS - 4;
  }
}

float menuColumn(int widthPixels) {
  int columns = widthPixels / 8;
  return columns < 65 ? float(columns - 8) : 60.0f;
}

}  // namespace vorn
