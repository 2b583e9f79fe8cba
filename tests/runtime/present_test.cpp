// Presenting: the picture handed to the window always shows the current
// cells, palette, cursor and graphics (the text layer is kept between
// presents), a picture already shown is not sent again, and a window that is
// slow to show frames gets fewer of them.
#include <gtest/gtest.h>

#include <functional>

#include "runtime/headless_backend.h"
#include "runtime/screen.h"

namespace vorn {
namespace {

bool samePicture(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return false;
  for (size_t i = 0; i < a.pixels.size(); ++i)
    if (a.pixels[i].r != b.pixels[i].r || a.pixels[i].g != b.pixels[i].g || a.pixels[i].b != b.pixels[i].b)
      return false;
  return true;
}

struct TestScreen {
  HeadlessBackend backend{{}, HeadlessSize{320, 180, 320, 180}};
  VirtualClock clock{0};
  Screen screen{backend, clock};
  TestScreen() {
    screen.mapStandardPalette();
    screen.locate(2, 1);
    screen.print("G01 X10. 軌跡");
    screen.gfx().line(0, 0, 100, 100, 4);
  }
};

TEST(Present, FrameFollowsEveryChangeAfterAnEarlierPresent) {
  struct Case {
    const char* what;
    std::function<void(Screen&)> change;
  };
  const Case cases[] = {
      {"print", [](Screen& s) { s.locate(0, 3), s.print("Z"); }},
      {"overwrite half of a wide character", [](Screen& s) { s.locate(12, 1), s.print("a"); }},
      {"colour of printed text", [](Screen& s) { s.locate(2, 1), s.color(6, 1), s.print("G"); }},
      {"palette slot", [](Screen& s) { s.setPaletteSlot(7, Rgb{10, 200, 30}); }},
      {"cursor shown", [](Screen& s) { s.showCursor(true); }},
      {"cursor moved", [](Screen& s) { s.showCursor(true), s.locate(5, 4); }},
      {"clear text", [](Screen& s) { s.clearText(); }},
      {"scroll", [](Screen& s) { s.setTextWindow(0, 3), s.locate(0, 2), s.print("\n\n"); }},
      {"graphics", [](Screen& s) { s.gfx().fillBox(10, 10, 30, 30, 2); }},
      {"clear graphics", [](Screen& s) { s.clearGraphics(); }},
  };
  for (const Case& c : cases) {
    TestScreen presented, fresh;
    presented.screen.showCursor(false);
    presented.screen.present(true);   // the text layer is drawn and kept
    const Image before = presented.backend.lastFrame();
    c.change(presented.screen);
    c.change(fresh.screen);
    presented.screen.present(true);
    EXPECT_FALSE(samePicture(presented.backend.lastFrame(), before)) << c.what;
    EXPECT_TRUE(samePicture(presented.backend.lastFrame(), fresh.screen.composite())) << c.what;
  }
}

TEST(Present, FrameFollowsAResizeAfterAnEarlierPresent) {
  TestScreen s;
  s.screen.present(true);
  s.backend.append({InputEvent{InputEvent::Kind::Resize, {}, 0, 0, 0, 160, 90}});
  (void)s.screen.inkey();
  s.screen.present(true);
  EXPECT_EQ(s.backend.lastFrame().width, s.screen.framebuffer().width);
  EXPECT_TRUE(samePicture(s.backend.lastFrame(), s.screen.composite()));
}

// The pictures are made with the screen and with each size: a blank black
// screen is still sent as the first frame, and again after every resize.
TEST(Present, BlankScreenIsSentFirstAndAfterEachResize) {
  HeadlessBackend backend{{}, HeadlessSize{320, 180, 160, 90}};
  VirtualClock clock{0};
  Screen screen{backend, clock};
  EXPECT_EQ(backend.lastFrame().width, 0);   // nothing presented yet
  screen.present(true);
  EXPECT_EQ(backend.presentCount(), 1);
  screen.present(true);
  EXPECT_EQ(backend.presentCount(), 1);      // the same picture is not sent again
  for (const InputEvent& e : {InputEvent{InputEvent::Kind::Resize, {}, 0, 0, 0, 320, 180},
                              InputEvent{InputEvent::Kind::Resize, {}, 0, 0, 0, 160, 90}}) {
    const int before = backend.presentCount();
    backend.append({e});
    (void)screen.inkey();
    screen.present(true);
    EXPECT_EQ(backend.presentCount(), before + 1) << e.width;
    EXPECT_EQ(backend.lastFrame().width, e.width);
    EXPECT_TRUE(samePicture(backend.lastFrame(), screen.composite()));
  }
}

// A window whose frames take `cost` seconds of the clock to show.
class SlowWindow final : public Backend {
 public:
  SlowWindow(Clock& clock, double cost) : clock_(clock), cost_(cost) {}
  int presents = 0;
  bool headless() const override { return true; }
  int clientWidth() const override { return 160; }
  int clientHeight() const override { return 90; }
  void restore() override {}
  void maximize() override {}
  void setTitle(const std::string&) override {}
  void present(const Image&) override {
    ++presents;
    clock_.sleep(cost_);
  }
  std::optional<InputEvent> nextEvent(double) override { return std::nullopt; }
  bool exhausted() const override { return true; }
  void beep() override {}
  void showList(const std::vector<std::string>&, int) override {}
  void hideList() override {}
  void mouse(int& col, int& row, int& buttons) const override { col = row = buttons = 0; }
  void setInputMethodMode(int) override {}

 private:
  Clock& clock_;
  double cost_;
};

// Unforced presents over one second of running, polled every millisecond.
int presentsInOneSecond(double frameCost) {
  VirtualClock clock{0};
  SlowWindow window(clock, frameCost);
  Screen screen(window, clock);
  for (int n = 0; clock.seconds() < 1; ++n) {
    screen.gfx().point(float(n % 160), float(n / 160 % 90), 1 + n % 15);   // a new picture each time
    screen.present();
    clock.sleep(0.001);
  }
  return window.presents;
}

TEST(Present, AtMostTheFrameRateAndAtMostASmallShareOfTheTime) {
  struct Case {
    double frameCost;
    int least, most;
  } const cases[] = {
      {0.0, 55, 61},     // free frames: the frame rate
      {0.002, 25, 31},   // 2 ms frames: 40 ms apart, 5 % of the time
      {0.010, 5, 6},     // very slow frames: still five a second
  };
  for (const Case& c : cases) {
    const int presents = presentsInOneSecond(c.frameCost);
    EXPECT_GE(presents, c.least) << "frame cost " << c.frameCost;
    EXPECT_LE(presents, c.most) << "frame cost " << c.frameCost;
  }
}

TEST(Present, ForcedPresentsShowEveryNewPictureOnce) {
  VirtualClock clock{0};
  SlowWindow window(clock, 0.010);
  Screen screen(window, clock);
  for (int i = 0; i < 5; ++i) {
    screen.locate(i, 0);
    screen.print("x");
    screen.present(true);
    screen.present(true);   // the same picture again: the window already shows it
  }
  EXPECT_EQ(window.presents, 5);
}

}  // namespace
}  // namespace vorn
