#include "display/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace vorn {

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

RecordingCanvas::RecordingCanvas(int width, int height)
    : fb_(blankFramebuffer(width, height)),
      painter_(fb_),
      raster_(painter_, drawingViewport(0, 0, width, height)) {}

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
  Element e{Element::Kind::Line, 0, 0, 0, 0, raster_.penWidth(), color};
  pixelOf(u1, v1, e.x1, e.y1);
  pixelOf(u2, v2, e.x2, e.y2);
  elements_.push_back(e);
}

void RecordingCanvas::dot(float u, float v, int pixels, int color) {
  raster_.dot(u, v, pixels, color);
  Element e{Element::Kind::Dot, 0, 0, 0, 0, pixels, color};
  pixelOf(u, v, e.x1, e.y1);
  elements_.push_back(e);
}

void RecordingCanvas::circle(float u, float v, float r, int color) {
  raster_.circle(u, v, r, color);
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
  out.reserve(elements_.size() * 90 + 400);
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
  for (const Element& e : elements_) {
    const std::string color = hexColor(palette[e.color & 15]);
    switch (e.kind) {
      case Element::Kind::Line:
        std::snprintf(buf, sizeof buf,
                      "<line x1=\"%.1f\" y1=\"%.1f\" x2=\"%.1f\" y2=\"%.1f\" stroke=\"%s\" "
                      "stroke-width=\"%d\"/>\n",
                      e.x1 + 0.5f, e.y1 + 0.5f, e.x2 + 0.5f, e.y2 + 0.5f, color.c_str(), e.width);
        break;
      case Element::Kind::Dot:
        std::snprintf(buf, sizeof buf, "<circle cx=\"%.1f\" cy=\"%.1f\" r=\"%.1f\" fill=\"%s\"/>\n",
                      e.x1 + 0.5f, e.y1 + 0.5f, e.width / 2.0f, color.c_str());
        break;
      case Element::Kind::Circle:
        std::snprintf(buf, sizeof buf,
                      "<ellipse cx=\"%.1f\" cy=\"%.1f\" rx=\"%.2f\" ry=\"%.2f\" stroke=\"%s\" "
                      "stroke-width=\"%d\"/>\n",
                      e.x1 + 0.5f, e.y1 + 0.5f, e.x2, e.y2, color.c_str(), e.width);
        break;
    }
    out += buf;
  }
  out += "</g>\n</svg>\n";
  return out;
}

}  // namespace vorn
