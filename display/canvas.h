#pragma once
// What the path drawing draws on: the screen's painter, or a recorder that
// keeps the same drawing as vector paths (and a raster beside it, so that the
// colour read back at a point is the same as on screen). Coordinates are the
// logical drawing millimetres of the window set-up; pen widths are pixels.
#include <array>
#include <span>
#include <string>
#include <vector>

#include "display/view.h"
#include "runtime/backend.h"
#include "runtime/painter.h"

namespace vorn {

class Canvas {
 public:
  virtual ~Canvas() = default;
  // Maps the logical window (vertical axis up) onto the drawing viewport.
  virtual void setWindow(const DrawWindow& window) = 0;
  virtual const PixelRect& viewport() const = 0;
  virtual void setPenWidth(int pixels) = 0;   // >= 1
  virtual int penWidth() const = 0;
  virtual void line(float u1, float v1, float u2, float v2, int color) = 0;
  // Lines from each point to the next: line() on every pair.
  virtual void polyline(std::span<const DrawPoint> points, int color);
  // A filled round dot `pixels` across, centred on the point.
  virtual void dot(float u, float v, int pixels, int color) = 0;
  // Circle outline of radius r (logical units) at the current pen width.
  virtual void circle(float u, float v, float r, int color) = 0;
  virtual int colorAt(float u, float v) const = 0;  // -1 outside
  virtual void clear() = 0;                          // the drawing to colour 0
};

// Draws through the runtime painter into its framebuffer.
class PainterCanvas : public Canvas {
 public:
  PainterCanvas(Painter& painter, PixelRect viewport);
  void setWindow(const DrawWindow& window) override;
  const PixelRect& viewport() const override { return viewport_; }
  void setPenWidth(int pixels) override;
  int penWidth() const override;
  void line(float u1, float v1, float u2, float v2, int color) override;
  void polyline(std::span<const DrawPoint> points, int color) override;
  void dot(float u, float v, int pixels, int color) override;
  void circle(float u, float v, float r, int color) override;
  int colorAt(float u, float v) const override;
  void clear() override;
  Painter& painter() { return painter_; }

 private:
  Painter& painter_;
  PixelRect viewport_;
  std::vector<float> xy_;  // a polyline's coordinates in the painter's form (reused)
};

// Draws into its own raster like PainterCanvas and records every element in
// pixel coordinates for an SVG picture of the same drawing.
class RecordingCanvas : public Canvas {
 public:
  // Without `keepElements` only the raster is drawn (a picture wanted as PNG
  // only), so that memory stays the same however long the run.
  RecordingCanvas(int width, int height, bool keepElements = true);
  void setWindow(const DrawWindow& window) override;
  const PixelRect& viewport() const override { return raster_.viewport(); }
  void setPenWidth(int pixels) override { raster_.setPenWidth(pixels); }
  int penWidth() const override { return raster_.penWidth(); }
  void line(float u1, float v1, float u2, float v2, int color) override;
  void polyline(std::span<const DrawPoint> points, int color) override;
  void dot(float u, float v, int pixels, int color) override;
  void circle(float u, float v, float r, int color) override;
  int colorAt(float u, float v) const override { return raster_.colorAt(u, v); }
  void clear() override;

  const Framebuffer& framebuffer() const { return fb_; }
  // The recorded drawing as an SVG document; colours from the palette, the
  // background in palette colour 0.
  std::string svg(const std::array<Rgb, 16>& palette) const;

 private:
  struct Element {
    enum class Kind { Line, Dot, Circle } kind;
    float x1, y1, x2, y2;  // pixels; a circle's radius in x2 (pixels) and y2 (vertical pixels)
    int width;             // pen pixels, or a dot's diameter
    int color;
  };
  Framebuffer fb_;
  Painter painter_;
  PainterCanvas raster_;
  std::vector<Element> elements_;
  bool keepElements_ = true;  // elements are recorded for svg()
  float pixelsPerUnitX_ = 1, pixelsPerUnitY_ = 1;
  void pixelOf(float u, float v, float& x, float& y) const;
  void recordLine(float u1, float v1, float u2, float v2, int color);  // a line element for svg()
};

}  // namespace vorn
