// The trajectory run in a window that changes size while it draws, and
// included files read quickly (split on bytes, converted line by line).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "harness.h"


namespace vorn {
namespace {

namespace fs = std::filesystem;

// Passes everything to a headless back end; the first look at the input after
// the run's first present brings a resize (as a window resized while a block
// waits with its pace mark).
class ResizeWhileWaiting final : public Backend {
 public:
  ResizeWhileWaiting(HeadlessBackend& inner, int width, int height) : inner_(inner), width_(width), height_(height) {}
  bool headless() const override { return true; }
  int clientWidth() const override { return resized_ ? width_ : inner_.clientWidth(); }
  int clientHeight() const override { return resized_ ? height_ : inner_.clientHeight(); }
  void restore() override { inner_.restore(); }
  void maximize() override { inner_.maximize(); }
  void setTitle(const std::string& t) override { inner_.setTitle(t); }
  void present(const Image& frame) override {
    presented_ = true;
    inner_.present(frame);
  }
  std::optional<InputEvent> nextEvent(double timeout) override {
    if (presented_ && !resized_ && inner_.exhausted()) {
      resized_ = true;
      InputEvent e;
      e.kind = InputEvent::Kind::Resize;
      e.width = width_;
      e.height = height_;
      return e;
    }
    return inner_.nextEvent(timeout);
  }
  bool exhausted() const override { return resized_ && inner_.exhausted(); }
  void beep() override {}
  void showList(const std::vector<std::string>&, int) override {}
  void hideList() override {}
  void mouse(int& col, int& row, int& buttons) const override { inner_.mouse(col, row, buttons); }
  void setInputMethodMode(int) override {}

 private:
  HeadlessBackend& inner_;
  int width_, height_;
  bool presented_ = false, resized_ = false;
};

struct RunScreen : TrajectoryRig {
  using TrajectoryRig::TrajectoryRig;
  // Runs to the hard-copy prompt, where the script runs out.
  void toPrompt() { EXPECT_THROW(run(), InputExhausted); }
  int rowWith(std::string_view text) const {
    for (int r = 0; r < screen.rows(); ++r)
      if (screen.rowText(r).find(text) != std::string::npos) return r;
    return -1;
  }
};

const std::vector<std::string> kSquare = {"G90 G00 X0 Y0", "G01 X40. F100", "Y30.", "X0", "Y0", "G02 X20. Y0 R10."};

HeadlessBackend maximized(std::string_view script) { return maximizedBackend(script); }

TEST(TrajectoryResize, DrawingKeepsItsPlaceAndTheTextWindowMovesToTheBottom) {
  HeadlessBackend still = maximized("{Enter}");
  RunScreen reference(still, kSquare);
  reference.toPrompt();

  // Resized after the first block, while the run is paced.
  HeadlessBackend resized = maximized("{Enter}{Resize:800,600}");
  RunScreen run(resized, kSquare);
  run.toPrompt();

  const Framebuffer& fb = run.screen.framebuffer();
  const Framebuffer& whole = reference.screen.framebuffer();
  ASSERT_EQ(fb.width, 800);
  const int drawingBottom = (run.screen.rows() - 8) * kCellHeight;
  int differing = 0, drawn = 0;
  for (int y = 0; y < drawingBottom; ++y)
    for (int x = 0; x < fb.width; ++x) {
      differing += fb.at(x, y) != whole.at(x, y);
      drawn += fb.at(x, y) != 0;
    }
  EXPECT_GT(drawn, 100);
  EXPECT_EQ(differing, 0);

  // The listing and the report sit in the text window at the new bottom.
  EXPECT_GE(run.rowWith("移動"), run.screen.rows() - 8) << run.screen.dumpText();
  EXPECT_GE(run.rowWith("G02 X20. Y0 R10."), run.screen.rows() - 8) << run.screen.dumpText();
  // The editor lays itself out again when the run returns.
  EXPECT_TRUE(run.screen.events().resized);
}

TEST(TrajectoryResize, ShrinkingWhileThePaceMarkWaitsKeepsTheRunSound) {
  struct Case {
    int width, height;
  } const cases[] = {{8, 18}, {200, 40}, {1200, 900}};
  for (const Case& c : cases) {
    HeadlessBackend script = maximized("{Enter}");
    ResizeWhileWaiting window(script, c.width, c.height);
    RunScreen run(window, kSquare);
    run.toPrompt();
    EXPECT_EQ(run.editor.FILE, 6) << c.width << "x" << c.height;
    EXPECT_EQ(run.screen.framebuffer().width, c.width);
  }
}

TEST(TrajectoryIncludedFile, LinesWithCodePage932TextAreConverted) {
  HeadlessBackend script = maximized("{Enter}");
  RunScreen run(script, {"G90 G00 X0 Y0", "(:inc.nc", "G01 X50. F100"});
  // "(軌跡 ｶﾀｶﾅ)" in code page 932, between two plain lines ending in CR LF.
  std::ofstream(run.dir / "inc.nc", std::ios::binary)
      << "G01 X10. F100\r\n(\x8b\x4f\x90\xd5 \xb6\xc0\xb6\xc5)\r\nG01 X20.\r\n";
  run.toPrompt();
  EXPECT_NE(run.rowWith("(軌跡 ｶﾀｶﾅ)"), -1) << run.screen.dumpText();
  EXPECT_NE(run.rowWith("G01 X20."), -1) << run.screen.dumpText();
  EXPECT_EQ(run.editor.FILE, 3);
}

}  // namespace
}  // namespace vorn
