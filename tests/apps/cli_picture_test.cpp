#include "apps/cli_picture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "interp/text_program.h"
#include "runtime/png.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

TEST(CliPicture, Options) {
  const std::vector<std::string> args = {"--png", "a.png", "--size", "320x200", "--svg", "b.svg", "-x"};
  PictureOptions o;
  size_t i = 0;
  for (; i < args.size(); ++i)
    if (!takePictureOption(args, i, o)) break;
  EXPECT_EQ(i, 6u);  // stopped at "-x"
  EXPECT_EQ(o.pngPath, "a.png");
  EXPECT_EQ(o.svgPath, "b.svg");
  EXPECT_EQ(o.width, 320);
  EXPECT_EQ(o.height, 200);
  for (const char* bad : {"0x0", "320", "320x200x", "axb"}) {
    const std::vector<std::string> a = {"--size", bad};
    size_t j = 0;
    EXPECT_THROW(takePictureOption(a, j, o), std::invalid_argument) << bad;
  }
  const std::vector<std::string> missing = {"--png"};
  size_t j = 0;
  EXPECT_THROW(takePictureOption(missing, j, o), std::invalid_argument);
}

TEST(CliPicture, PngAndSvgShowTheSameDrawing) {
  const fs::path dir = fs::temp_directory_path() / ("vorn_picture_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  PictureOptions o;
  o.pngPath = (dir / "p.png").string();
  o.svgPath = (dir / "p.svg").string();
  // A radius-10 full circle at scale 2 and pitch 9, then a feed line.
  TextProgram program({"G90 G00 X10. Y0", "G03 X10. Y0 I-10. J0 F100", "G01 X40.", "M30"});
  RunSettings settings;
  DrawingSetup setup;
  const RunResult r = drawPicture(program, standardCodeTable(), settings, setup, o);
  EXPECT_EQ(r.ZVZ, RunState::Ended);

  const Image png = readPng(o.pngPath);
  ASSERT_EQ(png.width, 640);
  ASSERT_EQ(png.height, 400);
  // The feed line from (10, 0) to (40, 0) in colour 7 at the window's centre row.
  const Rgb feed = png.pixels[size_t(200) * 640 + size_t(320 + 50)];
  const Rgb black = png.pixels[0];
  EXPECT_FALSE(feed.r == black.r && feed.g == black.g && feed.b == black.b);

  std::ifstream in(o.svgPath);
  std::stringstream svg;
  svg << in.rdbuf();
  const std::string text = svg.str();
  // Lines are drawn as one path per colour and pen width, never one element each.
  size_t paths = 0;
  for (size_t at = text.find("<path"); at != std::string::npos; at = text.find("<path", at + 1)) ++paths;
  EXPECT_EQ(text.find("<line"), std::string::npos);
  EXPECT_GE(paths, 2u);  // at least the rapid and the feed colours
  EXPECT_LE(paths, 16u);
  fs::remove_all(dir);
}

// Pixels that are not the background (a dim anti-aliased edge counts as not drawn).
std::vector<bool> drawnPixels(const Image& image) {
  std::vector<bool> drawn(image.pixels.size());
  for (size_t i = 0; i < drawn.size(); ++i) {
    const Rgb p = image.pixels[i];
    drawn[i] = p.r + p.g + p.b > 96;
  }
  return drawn;
}

// How many drawn pixels of `a` have no drawn pixel of `b` within one pixel.
int unmatched(const std::vector<bool>& a, const std::vector<bool>& b, int width, int height) {
  int misses = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (!a[size_t(y * width + x)]) continue;
      bool near = false;
      for (int dy = -1; dy <= 1 && !near; ++dy) {
        for (int dx = -1; dx <= 1 && !near; ++dx) {
          const int u = x + dx, v = y + dy;
          near = u >= 0 && v >= 0 && u < width && v < height && b[size_t(v * width + u)];
        }
      }
      misses += !near;
    }
  }
  return misses;
}

// The SVG, drawn by a real SVG renderer, shows the PNG's picture: the same
// pixels drawn, give or take one pixel of anti-aliasing.
TEST(CliPicture, SvgRenderedElsewhereMatchesThePng) {
  if (std::system("rsvg-convert --version > /dev/null 2>&1") != 0) {
    GTEST_SKIP() << "rsvg-convert is not installed (Debian package librsvg2-bin): the SVG is not compared";
  }
  const fs::path dir = fs::temp_directory_path() / ("vorn_picture_svg_" + std::to_string(::getpid()));
  fs::create_directories(dir);
  PictureOptions o;
  o.pngPath = (dir / "p.png").string();
  o.svgPath = (dir / "p.svg").string();
  // Rapids, feed lines in every direction, arcs both ways, a full circle, and
  // a move that leaves the picture (clipped alike).
  TextProgram program({"G90 G00 X0 Y0", "G01 X30. Y10. F200", "G02 X50. Y-10. I10. J-10.",
                       "G03 X20. Y-30. R25.", "G00 X-40. Y20.", "G01 X-60. Y-35.", "G02 X-60. Y-35. I15. J0",
                       "G01 X-5. Y-5.", "G01 X-5. Y35.", "G01 X300. Y35.", "G00 X0 Y0", "M30"});
  RunSettings settings;
  DrawingSetup setup;
  ASSERT_EQ(drawPicture(program, standardCodeTable(), settings, setup, o).ZVZ, RunState::Ended);
  const std::string rendered = (dir / "svg.png").string();
  const std::string command = "rsvg-convert -w 640 -h 400 -o '" + rendered + "' '" + o.svgPath + "'";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;

  const Image png = readPng(o.pngPath), svg = readPng(rendered);
  ASSERT_EQ(svg.width, png.width);
  ASSERT_EQ(svg.height, png.height);
  const std::vector<bool> fromPng = drawnPixels(png), fromSvg = drawnPixels(svg);
  const auto count = [](const std::vector<bool>& d) { return int(std::count(d.begin(), d.end(), true)); };
  ASSERT_GT(count(fromPng), 500);
  EXPECT_GT(count(fromSvg), count(fromPng) / 2);
  // A few stray pixels at line ends and arc joins are allowed, no more.
  EXPECT_LE(unmatched(fromPng, fromSvg, png.width, png.height), count(fromPng) / 100);
  EXPECT_LE(unmatched(fromSvg, fromPng, png.width, png.height), count(fromSvg) / 100);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vorn
