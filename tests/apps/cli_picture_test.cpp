#include "apps/cli_picture.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace vorn
