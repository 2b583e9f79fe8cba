#include "apps/cli_picture.h"

#include <cstdio>
#include <stdexcept>

#include "editor/normalize.h"
#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/png.h"
#include "runtime/screen.h"

namespace vorn {

bool takePictureOption(const std::vector<std::string>& args, size_t& i, PictureOptions& options) {
  const std::string& name = args[i];
  if (name != "--png" && name != "--svg" && name != "--size") return false;
  if (i + 1 >= args.size()) throw std::invalid_argument(name + " needs a value");
  const std::string& value = args[++i];
  if (name == "--png") {
    options.pngPath = value;
  } else if (name == "--svg") {
    options.svgPath = value;
  } else {
    int w = 0, h = 0;
    char x = 0, rest = 0;
    if (std::sscanf(value.c_str(), "%d%c%d%c", &w, &x, &h, &rest) != 3 || (x != 'x' && x != 'X') ||
        w < 16 || h < 10 || w > 16384 || h > 16384)
      throw std::invalid_argument("--size wants WxH, 16x10 to 16384x16384: " + value);
    options.width = w;
    options.height = h;
  }
  return true;
}

namespace {

Image toImage(const Framebuffer& fb, const std::array<Rgb, 16>& palette) {
  Image image;
  image.width = fb.width;
  image.height = fb.height;
  image.pixels.reserve(fb.pixels.size());
  for (uint8_t p : fb.pixels) image.pixels.push_back(palette[p & 15]);
  return image;
}

}  // namespace

RunResult drawPicture(const ProgramSource& program, const CodeTable& codes,
                      const RunSettings& settings, const DrawingSetup& setup,
                      const PictureOptions& options, IncludeReader includes, long maxBlocks) {
  RecordingCanvas canvas(options.width, options.height, !options.svgPath.empty());
  PathDrawing drawing(canvas, setup);
  Runner runner(program, codes, settings, std::move(includes),
                normalizeIncludedLine);
  runner.setBlockLimit(maxBlocks);
  const InterpState& state = runner.interpreter().state();
  drawing.start({state.ZVY, state.WT, state.UW});
  while (runner.step()) {
    const Move& m = runner.move();
    if (m.I1M.empty() && m.draws) drawing.drawBlock(m);
  }
  // The colours the window shows.
  const std::array<Rgb, 16> palette = standardPalette();
  if (!options.pngPath.empty()) writePng(options.pngPath, toImage(canvas.framebuffer(), palette));
  if (!options.svgPath.empty()) replaceFileBytes(options.svgPath, canvas.svg(palette));
  return runner.result();
}

}  // namespace vorn
