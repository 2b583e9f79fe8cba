#pragma once
// Pictures of a run without a window: the same drawing code as the trajectory
// screen, on a headless raster written as PNG, and recorded as SVG paths.
#include <string>
#include <vector>

#include "display/path_drawing.h"
#include "interp/runner.h"

namespace vorn {

struct PictureOptions {
  std::string pngPath;  // "" writes no PNG
  std::string svgPath;  // "" writes no SVG
  int width = 640;      // picture size in pixels; the drawing keeps 16:10 inside it
  int height = 400;
  bool wanted() const { return !pngPath.empty() || !svgPath.empty(); }
};

// Takes "--png PATH", "--svg PATH" or "--size WxH" at args[i] and moves i onto
// its value. False when args[i] is none of them; throws std::invalid_argument
// for a missing or bad value.
bool takePictureOption(const std::vector<std::string>& args, size_t& i, PictureOptions& options);

// Runs the program and draws every block as the trajectory screen does, then
// writes the pictures. Raises RuntimeError when a picture cannot be written.
RunResult drawPicture(const ProgramSource& program, const CodeTable& codes,
                      const RunSettings& settings, const DrawingSetup& setup,
                      const PictureOptions& options, IncludeReader includes = {},
                      long maxBlocks = 0);

}  // namespace vorn
