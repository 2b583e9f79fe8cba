#include "display/canvas.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace vorn {

void Canvas::polyline(std::span<const DrawPoint> points, int color) {
  for (size_t i = 1; i < points.size(); ++i)
    line(points[i - 1].ZBB, points[i - 1].ZMX, points[i].ZBB, points[i].ZMX, color);
}

PainterCanvas::PainterCanvas(Painter& painter, PixelRect viewport)
    : painter_(painter), viewport_(viewport) {
  painter_.setViewport(viewport.x1, viewport.y1, viewport.x2, viewport.y2);
}

void PainterCanvas::setWindow(const DrawWindow& w) {
  painter_.setViewport(viewport_.x1, viewport_.y1, viewport_.x2, viewport_.y2);
  painter_.setWindow(w.u1, w.v1, w.u2, w.v2, true);
}

void PainterCanvas::setPenWidth(int pixels) { painter_.setPenWidth(std::max(1, pixels)); }
int PainterCanvas::penWidth() const { return painter_.penWidth(); }

void PainterCanvas::line(float u1, float v1, float u2, float v2, int color) {
  painter_.line(u1, v1, u2, v2, color);
}

void PainterCanvas::polyline(std::span<const DrawPoint> points, int color) {
  xy_.resize(2 * points.size());
  float* out = xy_.data();
  for (const DrawPoint& p : points) {
    *out++ = p.ZBB;
    *out++ = p.ZMX;
  }
  painter_.polyline(xy_, color);
}

void PainterCanvas::dot(float u, float v, int pixels, int color) {
  const PixelPoint c = painter_.toPixel(u, v);
  const float r = float(pixels) / 2.0f;
  const int reach = int(std::ceil(r));
  for (int dy = -reach; dy <= reach; ++dy) {
    const float half = std::sqrt(std::max(0.0f, r * r - float(dy * dy)));
    const int dx = int(std::floor(half));
    if (half <= 0 && dy != 0) continue;
    const int y = c.y + dy;
    if (y < viewport_.y1 || y > viewport_.y2) continue;
    const int x1 = std::max(viewport_.x1, c.x - dx), x2 = std::min(viewport_.x2, c.x + dx);
    if (x1 <= x2) painter_.pixelSpan(x1, x2, y, color);
  }
}

void PainterCanvas::circle(float u, float v, float r, int color) {
  painter_.circle(u, v, r, color);
}

int PainterCanvas::colorAt(float u, float v) const { return painter_.colorAt(u, v); }

void PainterCanvas::clear() {
  const int width = viewport_.width();
  for (int y = viewport_.y1; y <= viewport_.y2; ++y) painter_.pixelSpan(viewport_.x1, viewport_.x1 + width - 1, y, 0);
}

// --- recording canvas

namespace {
Framebuffer blankFramebuffer(int width, int height) {
  Framebuffer fb;
  fb.resize(width, height);
  return fb;
}
}  // namespace

RecordingCanvas::RecordingCanvas(int width, int height, bool keepElements)
    : fb_(blankFramebuffer(width, height)),
      painter_(fb_),
      raster_(painter_, drawingViewport(0, 0, width, height)),
      keepElements_(keepElements) {}

void RecordingCanvas::setWindow(const DrawWindow& window) {
  raster_.setWindow(window);
  const PixelRect& vp = raster_.viewport();
  pixelsPerUnitX_ = float(vp.width()) / (window.u2 - window.u1);
  pixelsPerUnitY_ = float(vp.height()) / (window.v2 - window.v1);
}

void RecordingCanvas::pixelOf(float u, float v, float& x, float& y) const {
  const PixelPoint p = painter_.toPixel(u, v);
  x = float(p.x);
  y = float(p.y);
}

void RecordingCanvas::line(float u1, float v1, float u2, float v2, int color) {
  raster_.line(u1, v1, u2, v2, color);
  if (keepElements_) recordLine(u1, v1, u2, v2, color);
}

void RecordingCanvas::polyline(std::span<const DrawPoint> points, int color) {
  raster_.polyline(points, color);
  if (!keepElements_) return;
  for (size_t i = 1; i < points.size(); ++i)
    recordLine(points[i - 1].ZBB, points[i - 1].ZMX, points[i].ZBB, points[i].ZMX, color);
}

void RecordingCanvas::recordLine(float u1, float v1, float u2, float v2, int color) {
  Element e{Element::Kind::Line, 0, 0, 0, 0, raster_.penWidth(), color};
  pixelOf(u1, v1, e.x1, e.y1);
  pixelOf(u2, v2, e.x2, e.y2);
  elements_.push_back(e);
}

void RecordingCanvas::dot(float u, float v, int pixels, int color) {
  raster_.dot(u, v, pixels, color);
  if (!keepElements_) return;
  Element e{Element::Kind::Dot, 0, 0, 0, 0, pixels, color};
  pixelOf(u, v, e.x1, e.y1);
  elements_.push_back(e);
}

void RecordingCanvas::circle(float u, float v, float r, int color) {
  raster_.circle(u, v, r, color);
  if (!keepElements_) return;
  Element e{Element::Kind::Circle, 0, 0, r * pixelsPerUnitX_, r * pixelsPerUnitY_,
            raster_.penWidth(), color};
  pixelOf(u, v, e.x1, e.y1);
  elements_.push_back(e);
}

void RecordingCanvas::clear() {
  raster_.clear();
  elements_.clear();
}

namespace {
std::string hexColor(Rgb c) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", c.r, c.g, c.b);
  return text;
}
}  // namespace

std::string RecordingCanvas::svg(const std::array<Rgb, 16>& palette) const {
  const PixelRect& vp = raster_.viewport();
  std::string out;
  out.reserve(elements_.size() * 12 + 400);
  char buf[256];
  std::snprintf(buf, sizeof buf,
                "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
                "viewBox=\"%d %d %d %d\">\n",
                fb_.width, fb_.height, 0, 0, fb_.width, fb_.height);
  out += buf;
  out += "<rect width=\"100%\" height=\"100%\" fill=\"" + hexColor(palette[0]) + "\"/>\n";
  std::snprintf(buf, sizeof buf,
                "<clipPath id=\"view\"><rect x=\"%d\" y=\"%d\" width=\"%d\" height=\"%d\"/></clipPath>\n"
                "<g clip-path=\"url(#view)\" fill=\"none\" stroke-linecap=\"square\">\n",
                vp.x1, vp.y1, vp.width(), vp.height());
  out += buf;
  // Lines become one path per colour and pen width, in the order each style
  // first appears, written as relative moves and lines: pixel positions are
  // whole numbers, so every step is a short integer pair, and after a "m" or
  // "l" further pairs need no letter. Dots and circles (few) follow as their
  // own elements.
  struct Style {
    int color, width;
    std::string d;         // the path data so far
    int x = 0, y = 0;      // the path's current point (pixels)
    bool drawn = false;    // a segment was drawn since the last move
    bool dot = false;      // a dot at the current point is still to be written
    size_t lastAt = 0;     // where the last segment's pair starts in d
    int dx = 0, dy = 0;    // the last segment
  };
  std::vector<Style> styles;
  std::string marks;
  auto styleFor = [&](int color, int width) -> Style& {
    for (Style& s : styles)
      if (s.color == color && s.width == width) return s;
    styles.push_back({color, width, {}});
    return styles.back();
  };
  // Appends an integer pair, separated from the digits before it only where needed.
  auto pair = [](std::string& d, int a, int b) {
    for (int v : {a, b}) {
      if (v >= 0 && !d.empty() && std::isdigit(static_cast<unsigned char>(d.back()))) d += ' ';
      char text[16];
      d.append(text, std::to_chars(text, text + sizeof text, v).ptr);
    }
  };
  for (const Element& e : elements_) {
    if (e.kind == Element::Kind::Line) {
      Style& s = styleFor(e.color & 15, e.width);
      const int x1 = int(std::lround(e.x1)), y1 = int(std::lround(e.y1));
      const int x2 = int(std::lround(e.x2)), y2 = int(std::lround(e.y2));
      if (s.d.empty()) {
        std::snprintf(buf, sizeof buf, "M%d.5 %d.5l", x1, y1);
        s.d += buf;
      } else if (x1 != s.x || y1 != s.y) {
        if (s.dot) pair(s.d, 0, 0);  // the lone dot the last move left
        s.d += 'm';
        pair(s.d, x1 - s.x, y1 - s.y);  // the pairs after it are lines
        s.drawn = s.dot = false;
      }
      s.x = x1;
      s.y = y1;
      if (x2 == x1 && y2 == y1) {
        // A dot: on a drawn point its square cap is already there; after a
        // move it waits, as the next segment from here covers it too.
        s.dot = !s.drawn;
        continue;
      }
      s.dot = false;
      int dx = x2 - x1, dy = y2 - y1;
      if (s.drawn && s.dx * dy == s.dy * dx && s.dx * dx + s.dy * dy > 0) {
        s.d.resize(s.lastAt);  // straight on: one longer segment covers both
        dx += s.dx;
        dy += s.dy;
      }
      s.lastAt = s.d.size();
      s.dx = dx;
      s.dy = dy;
      pair(s.d, dx, dy);
      s.x = x2;
      s.y = y2;
      s.drawn = true;
      continue;
    }
    const std::string color = hexColor(palette[e.color & 15]);
    if (e.kind == Element::Kind::Dot) {
      std::snprintf(buf, sizeof buf, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\" fill=\"%s\"/>\n",
                    e.x1 + 0.5f, e.y1 + 0.5f, e.width / 2.0f, color.c_str());
    } else {
      std::snprintf(buf, sizeof buf,
                    "<ellipse cx=\"%.1f\" cy=\"%.1f\" rx=\"%.2f\" ry=\"%.2f\" stroke=\"%s\" "
                    "stroke-width=\"%d\"/>\n",
                    e.x1 + 0.5f, e.y1 + 0.5f, e.x2, e.y2, color.c_str(), e.width);
    }
    marks += buf;
  }
  for (Style& s : styles) {
    if (s.dot) pair(s.d, 0, 0);
    out += "<path stroke=\"" + hexColor(palette[s.color]) + "\" stroke-width=\"" + std::to_string(s.width) +
           "\" d=\"" + s.d + "\"/>\n";
  }
  out += marks;
  out += "</g>\n</svg>\n";
  return out;
}

}  // namespace vorn
