#pragma once
// The one mapping from the interpreter's three coordinates to drawing
// coordinates, the window set-up that fixes scale and centre, and the corner
// the work outline starts from. Shared by the screen drawing and the plotter.
// Pure: no screen dependency.
#include <array>

namespace vorn {

// The five views of the trajectory settings.
namespace view {
inline constexpr int XY = 1;
inline constexpr int XZ = 2;
inline constexpr int ZY = 3;
inline constexpr int ThreeD = 4;
inline constexpr int Lathe = 5;
}  // namespace view

// A projected point in drawing coordinates (millimetres, vertical axis up).
struct DrawPoint {
  float ZBB = 0;  // horizontal drawing coordinate u
  float ZMX = 0;  // vertical drawing coordinate v
};

// The projection for one run: the view and the 3D rotation computed once.
struct ViewTransform {
  int H0V = view::XY;  // view: 1 XY, 2 XZ, 3 ZY, 4 3D, 5 lathe
  float CU = 1;        // cosine of the 3D rotation angle
  float W1 = 0;        // sine of the 3D rotation angle

  // Sets CU and W1 from whole degrees; multiples of 90 give exact 0 and +-1.
  // Run at interpreter reset.
  void setRotation(int degrees);
  // Projects (first, second, third coordinate) for the current view.
  DrawPoint project(float p1, float p2, float p3) const;
  // The vertical stretch of the view: zRatio for the side and lathe views, 1 otherwise.
  float verticalFactor(float zRatio) const;
};

// A logical window in millimetres, vertical axis pointing up.
struct DrawWindow {
  float u1 = 0, v1 = 0;  // lower-left
  float u2 = 0, v2 = 0;  // upper-right
};

// Window set-up: 640/s by 400/(s*f) millimetres round the projected draw
// centre, f = the view's vertical factor. scale must be above 0.
DrawWindow windowSetUp(const ViewTransform& view, float scale, float zRatio,
                       const std::array<float, 3>& centre);

// A pixel rectangle, corners inclusive.
struct PixelRect {
  int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int width() const { return x2 - x1 + 1; }
  int height() const { return y2 - y1 + 1; }
};

// The largest 640:400 rectangle centred in the area (x, y, width, height), so
// that the window's millimetres map to square pixels and circles stay round.
PixelRect drawingViewport(int x, int y, int width, int height);

// Pixels per nominal pixel of a viewport: 1 at 640 pixels wide.
float pixelScale(const PixelRect& viewport);

// The first and second coordinate of the corner the work outline starts from,
// for base point b (1-9 as on a numeric keypad; anything else counts as 1)
// and work size wx by wy.
std::array<float, 2> workReferenceCorner(int basePoint, float wx, float wy);

}  // namespace vorn
