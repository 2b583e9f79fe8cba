#pragma once
// The graphics layer: a framebuffer of palette indices (0 lets the text show
// through) and the one painter that draws into it through a logical window
// mapped onto a pixel viewport, with a pen width and clipping.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace vorn {

struct Framebuffer {
  int width = 0;                 // pixels
  int height = 0;                // pixels
  std::vector<uint8_t> pixels;   // palette index per pixel, row-major; 0 = transparent

  void resize(int w, int h);     // clears to 0
  uint8_t at(int x, int y) const { return pixels[std::size_t(y) * width + x]; }
  bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

struct PixelPoint {
  int x;
  int y;
};

// Draws into a framebuffer it does not own. Coordinates are logical (float)
// and go through window -> viewport; the viewport is in pixels.
class Painter {
 public:
  explicit Painter(Framebuffer& fb);

  // Viewport in pixels (inclusive corners). Default: the whole framebuffer.
  void setViewport(int x1, int y1, int x2, int y2);
  void resetViewport();
  // Logical window. yUp = true puts y2 at the top (mathematical axes);
  // false puts y1 at the top (screen axes, y grows downwards).
  void setWindow(float x1, float y1, float x2, float y2, bool yUp);
  void resetWindow();            // logical = pixel coordinates of the viewport
  PixelPoint toPixel(float x, float y) const;

  void setPenWidth(int pixels);  // >= 1; lines are drawn as bands this wide
  int penWidth() const { return pen_; }

  void clear();                                          // whole framebuffer to 0
  void line(float x1, float y1, float x2, float y2, int color);
  // Lines from each point to the next; `xy` holds each point's x and y in
  // turn. The pixels of line() on every pair, with each point mapped once.
  void polyline(std::span<const float> xy, int color);
  void box(float x1, float y1, float x2, float y2, int color);       // outline
  void fillBox(float x1, float y1, float x2, float y2, int color);
  void point(float x, float y, int color);
  // Circle or arc around (cx, cy); radius in logical x units; angles in radians
  // counter-clockwise from the x axis (start == end == 0: full circle);
  // aspect = vertical radius / horizontal radius in pixels.
  void circle(float cx, float cy, float r, int color, float start = 0, float end = 0,
              float aspect = 1.0f);
  int colorAt(float x, float y) const;                   // -1 outside the framebuffer

  // Pixel-level primitives used by the above and by fast paths.
  void pixelLine(int x1, int y1, int x2, int y2, int color);
  void pixelSpan(int x1, int x2, int y, int color);

 private:
  Framebuffer& fb_;
  int vx1_, vy1_, vx2_, vy2_;          // viewport, pixels, inclusive
  float wx1_, wy1_, wx2_, wy2_;        // logical window
  bool yUp_ = false;
  bool windowSet_ = false;
  float sx_ = 1, sy_ = 1, ox_ = 0, oy_ = 0;  // cached mapping
  int pen_ = 1;
  void updateMapping();
};

}  // namespace vorn
