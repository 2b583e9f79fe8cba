#include "painter.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>

namespace vorn {

namespace {

// Pixel coordinates further out than this are treated as this far: any line
// through them is clipped long before, and int conversion stays defined.
constexpr double kFar = 1e9;

double tame(double v) { return std::isnan(v) ? v : std::clamp(v, -kFar, kFar); }

// Liang-Barsky clipping of (x1,y1)-(x2,y2) to [xmin,xmax] x [ymin,ymax].
// Returns false when nothing of the segment is inside. NaN input is rejected.
bool clipSegment(double& x1, double& y1, double& x2, double& y2, double xmin, double ymin,
                 double xmax, double ymax) {
  if (std::isnan(x1) || std::isnan(y1) || std::isnan(x2) || std::isnan(y2)) return false;
  double dx = x2 - x1, dy = y2 - y1;
  double t0 = 0, t1 = 1;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {x1 - xmin, xmax - x1, y1 - ymin, ymax - y1};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;  // parallel to this edge and outside it
      continue;
    }
    double t = q[i] / p[i];
    if (p[i] < 0) {
      if (t > t1) return false;
      t0 = std::max(t0, t);
    } else {
      if (t < t0) return false;
      t1 = std::min(t1, t);
    }
  }
  double nx1 = x1 + t0 * dx, ny1 = y1 + t0 * dy;
  double nx2 = x1 + t1 * dx, ny2 = y1 + t1 * dy;
  // Rounding noise can leave an end a hair outside; pull it back in.
  x1 = std::clamp(nx1, xmin, xmax);
  y1 = std::clamp(ny1, ymin, ymax);
  x2 = std::clamp(nx2, xmin, xmax);
  y2 = std::clamp(ny2, ymin, ymax);
  return true;
}

// std::lround without the library call (pixels are rounded by the million):
// halves away from zero. Callers pass finite values within +-1e9, where the
// truncation and the remainder below are exact.
int roundPixel(double v) {
  const long whole = long(v);
  const double rest = v - double(whole);
  return int(whole + (rest >= 0.5) - (rest <= -0.5));
}

}  // namespace

void Framebuffer::resize(int w, int h) {
  width = std::max(0, w);
  height = std::max(0, h);
  pixels.assign(size_t(width) * height, 0);
}

Painter::Painter(Framebuffer& fb) : fb_(fb) {
  resetViewport();
}

void Painter::setViewport(int x1, int y1, int x2, int y2) {
  vx1_ = std::min(x1, x2);
  vx2_ = std::max(x1, x2);
  vy1_ = std::min(y1, y2);
  vy2_ = std::max(y1, y2);
  updateMapping();
}

void Painter::resetViewport() {
  vx1_ = 0;
  vy1_ = 0;
  vx2_ = std::max(0, fb_.width - 1);
  vy2_ = std::max(0, fb_.height - 1);
  updateMapping();
}

void Painter::setWindow(float x1, float y1, float x2, float y2, bool yUp) {
  wx1_ = std::min(x1, x2);
  wx2_ = std::max(x1, x2);
  wy1_ = std::min(y1, y2);
  wy2_ = std::max(y1, y2);
  yUp_ = yUp;
  windowSet_ = true;
  updateMapping();
}

void Painter::resetWindow() {
  windowSet_ = false;
  updateMapping();
}

void Painter::updateMapping() {
  if (!windowSet_) {
    sx_ = sy_ = 1;
    ox_ = float(vx1_);
    oy_ = float(vy1_);
    return;
  }
  // An empty window extent would divide by zero; it maps onto one pixel line.
  float spanX = wx2_ - wx1_, spanY = wy2_ - wy1_;
  sx_ = spanX > 0 ? float(vx2_ - vx1_) / spanX : 0;
  float scaleY = spanY > 0 ? float(vy2_ - vy1_) / spanY : 0;
  ox_ = float(vx1_) - wx1_ * sx_;
  if (yUp_) {
    sy_ = -scaleY;
    oy_ = float(vy2_) + wy1_ * scaleY;
  } else {
    sy_ = scaleY;
    oy_ = float(vy1_) - wy1_ * scaleY;
  }
}

PixelPoint Painter::toPixel(float x, float y) const {
  double px = tame(double(x) * sx_ + ox_), py = tame(double(y) * sy_ + oy_);
  // NaN has no pixel; report it far outside every framebuffer.
  return {std::isnan(px) ? int(-kFar) : roundPixel(px), std::isnan(py) ? int(-kFar) : roundPixel(py)};
}

void Painter::setPenWidth(int pixels) { pen_ = std::clamp(pixels, 1, 256); }

void Painter::clear() { std::fill(fb_.pixels.begin(), fb_.pixels.end(), uint8_t(0)); }

// The clip rectangle is the viewport limited to the framebuffer.
static bool clipRect(const Framebuffer& fb, int vx1, int vy1, int vx2, int vy2, int& x1, int& y1,
                     int& x2, int& y2) {
  x1 = std::max(vx1, 0);
  y1 = std::max(vy1, 0);
  x2 = std::min(vx2, fb.width - 1);
  y2 = std::min(vy2, fb.height - 1);
  return x1 <= x2 && y1 <= y2;
}

// One Bresenham line in pixel space, clipped first so that the loop only
// visits pixels inside the clip rectangle.
static void clippedLine(Framebuffer& fb, int cx1, int cy1, int cx2, int cy2, double x1, double y1,
                        double x2, double y2, uint8_t color) {
  const auto inside = [&](double x, double y) { return x >= cx1 && x <= cx2 && y >= cy1 && y <= cy2; };
  if (inside(x1, y1) && inside(x2, y2)) {
    // Nothing to clip (most segments): the far end as the clipping arithmetic
    // gives it, so that the pixels stay the same.
    x2 = std::clamp(x1 + (x2 - x1), double(cx1), double(cx2));
    y2 = std::clamp(y1 + (y2 - y1), double(cy1), double(cy2));
  } else if (!clipSegment(x1, y1, x2, y2, cx1, cy1, cx2, cy2)) {
    return;
  }
  int ax = roundPixel(x1), ay = roundPixel(y1), bx = roundPixel(x2), by = roundPixel(y2);
  int dx = std::abs(bx - ax), dy = -std::abs(by - ay);
  int stepX = ax < bx ? 1 : -1, stepY = ay < by ? 1 : -1;
  int err = dx + dy;
  // Every step moves one pixel along the longer axis, so the line has
  // max(dx, |dy|) + 1 pixels; a pointer walks them.
  uint8_t* p = fb.pixels.data() + size_t(ay) * size_t(fb.width) + size_t(ax);
  const std::ptrdiff_t rowStep = stepY * std::ptrdiff_t(fb.width);
  // The steps are chosen by selection, not by branches: along a slanted line
  // they follow no pattern a branch predictor could learn.
  for (int left = std::max(dx, -dy);; --left) {
    *p = color;
    if (left == 0) break;
    const int e2 = 2 * err;
    const int across = -int(e2 >= dy), down = -int(e2 <= dx);  // all ones or none
    err += (dy & across) + (dx & down);
    p += (stepX & across) + (rowStep & std::ptrdiff_t(down));
  }
}

// A line pen pixels wide: pen parallel lines offset across the main direction.
static void bandLine(Framebuffer& fb, int cx1, int cy1, int cx2, int cy2, double x1, double y1,
                     double x2, double y2, int pen, uint8_t color) {
  bool xMajor = std::abs(x2 - x1) >= std::abs(y2 - y1);
  int first = -(pen - 1) / 2;
  for (int k = first; k < first + pen; ++k) {
    if (xMajor)
      clippedLine(fb, cx1, cy1, cx2, cy2, x1, y1 + k, x2, y2 + k, color);
    else
      clippedLine(fb, cx1, cy1, cx2, cy2, x1 + k, y1, x2 + k, y2, color);
  }
}

void Painter::pixelLine(int x1, int y1, int x2, int y2, int color) {
  int cx1, cy1, cx2, cy2;
  if (!clipRect(fb_, vx1_, vy1_, vx2_, vy2_, cx1, cy1, cx2, cy2)) return;
  bandLine(fb_, cx1, cy1, cx2, cy2, x1, y1, x2, y2, pen_, uint8_t(color));
}

void Painter::pixelSpan(int x1, int x2, int y, int color) {
  int cx1, cy1, cx2, cy2;
  if (!clipRect(fb_, vx1_, vy1_, vx2_, vy2_, cx1, cy1, cx2, cy2)) return;
  if (y < cy1 || y > cy2) return;
  if (x1 > x2) std::swap(x1, x2);
  x1 = std::max(x1, cx1);
  x2 = std::min(x2, cx2);
  if (x1 > x2) return;
  auto row = fb_.pixels.begin() + std::ptrdiff_t(y) * fb_.width;
  std::fill(row + x1, row + x2 + 1, uint8_t(color));
}

void Painter::line(float x1, float y1, float x2, float y2, int color) {
  const float xy[] = {x1, y1, x2, y2};
  polyline(xy, color);
}

void Painter::polyline(std::span<const float> xy, int color) {
  int cx1, cy1, cx2, cy2;
  if (xy.size() < 4 || !clipRect(fb_, vx1_, vy1_, vx2_, vy2_, cx1, cy1, cx2, cy2)) return;
  double px1 = tame(double(xy[0]) * sx_ + ox_), py1 = tame(double(xy[1]) * sy_ + oy_);
  for (size_t i = 2; i + 1 < xy.size(); i += 2) {
    const double px2 = tame(double(xy[i]) * sx_ + ox_), py2 = tame(double(xy[i + 1]) * sy_ + oy_);
    if (pen_ == 1)  // the band of one line, without its offsets
      clippedLine(fb_, cx1, cy1, cx2, cy2, px1, py1, px2, py2, uint8_t(color));
    else
      bandLine(fb_, cx1, cy1, cx2, cy2, px1, py1, px2, py2, pen_, uint8_t(color));
    px1 = px2;
    py1 = py2;
  }
}

void Painter::box(float x1, float y1, float x2, float y2, int color) {
  line(x1, y1, x2, y1, color);
  line(x2, y1, x2, y2, color);
  line(x2, y2, x1, y2, color);
  line(x1, y2, x1, y1, color);
}

void Painter::fillBox(float x1, float y1, float x2, float y2, int color) {
  double px1 = tame(double(x1) * sx_ + ox_), py1 = tame(double(y1) * sy_ + oy_);
  double px2 = tame(double(x2) * sx_ + ox_), py2 = tame(double(y2) * sy_ + oy_);
  if (std::isnan(px1) || std::isnan(py1) || std::isnan(px2) || std::isnan(py2)) return;
  int top = roundPixel(std::min(py1, py2)), bottom = roundPixel(std::max(py1, py2));
  int left = roundPixel(std::min(px1, px2)), right = roundPixel(std::max(px1, px2));
  top = std::max(top, vy1_);
  bottom = std::min(bottom, vy2_);
  for (int y = top; y <= bottom; ++y) pixelSpan(left, right, y, color);
}

void Painter::point(float x, float y, int color) {
  PixelPoint p = toPixel(x, y);
  if (p.x < vx1_ || p.x > vx2_ || p.y < vy1_ || p.y > vy2_ || !fb_.contains(p.x, p.y)) return;
  fb_.pixels[size_t(p.y) * fb_.width + p.x] = uint8_t(color);
}

void Painter::circle(float cx, float cy, float r, int color, float start, float end,
                     float aspect) {
  constexpr double kTwoPi = 6.283185307179586;
  double pcx = double(cx) * sx_ + ox_, pcy = double(cy) * sy_ + oy_;
  double rx = std::abs(double(r) * sx_), ry = rx * std::abs(double(aspect));
  if (!std::isfinite(pcx) || !std::isfinite(pcy) || !std::isfinite(rx) || !std::isfinite(ry) ||
      !std::isfinite(start) || !std::isfinite(end))
    return;
  // A negative angle means: draw the radius line to that end of the arc too.
  bool radiusAtStart = start < 0, radiusAtEnd = end < 0;
  double a0 = std::fmod(std::abs(double(start)), kTwoPi);
  double a1 = std::fmod(std::abs(double(end)), kTwoPi);
  double sweep = a1 - a0;
  if (sweep <= 0) sweep += kTwoPi;  // equal angles give the full circle
  // Counter-clockwise in logical space: on a screen-axes window that turns
  // clockwise on the screen, as the logical y axis points down there.
  double turn = sy_ < 0 ? -1.0 : 1.0;
  auto at = [&](double a) {
    return std::pair<double, double>{pcx + rx * std::cos(a), pcy + turn * ry * std::sin(a)};
  };
  // Segments about two pixels long, bounded so that huge radii stay cheap.
  int steps = int(std::clamp(std::ceil(sweep * std::max(rx, ry) / 2), 8.0, 4096.0));
  int cx1, cy1, cx2, cy2;
  if (!clipRect(fb_, vx1_, vy1_, vx2_, vy2_, cx1, cy1, cx2, cy2)) return;
  auto [px, py] = at(a0);
  auto first = std::pair{px, py};
  for (int i = 1; i <= steps; ++i) {
    auto [nx, ny] = at(a0 + sweep * i / steps);
    bandLine(fb_, cx1, cy1, cx2, cy2, px, py, nx, ny, pen_, uint8_t(color));
    px = nx;
    py = ny;
  }
  if (radiusAtStart)
    bandLine(fb_, cx1, cy1, cx2, cy2, pcx, pcy, first.first, first.second, pen_, uint8_t(color));
  if (radiusAtEnd) bandLine(fb_, cx1, cy1, cx2, cy2, pcx, pcy, px, py, pen_, uint8_t(color));
}

int Painter::colorAt(float x, float y) const {
  PixelPoint p = toPixel(x, y);
  return fb_.contains(p.x, p.y) ? fb_.at(p.x, p.y) : -1;
}

}  // namespace vorn
