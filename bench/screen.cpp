// Screen speed: compositing a full 1024x768 screen and drawing many short
// line segments into the framebuffer.
#include <benchmark/benchmark.h>

#include "runtime/headless_backend.h"
#include "runtime/screen.h"

namespace vorn {
namespace {

struct FullScreen {
  HeadlessBackend backend{{}, HeadlessSize{1024, 768, 1024, 768}};
  VirtualClock clock{0};
  Screen screen{backend, clock};
  FullScreen() {
    screen.mapStandardPalette();
    for (int r = 0; r < screen.rows(); ++r) {
      screen.locate(0, r);
      screen.color(1 + r % 7);
      screen.print(r % 2 ? "N0010 G01 X12.345 Y-6.789 F200 ＮＣプログラム ｶﾀｶﾅ 0123456789 "
                         : "G02 X10. Y20. R5. 軌跡 作図 abcdefghijklmnopqrstuvwxyz ABC ");
    }
    screen.gfx().setWindow(0, 0, 800, 600, false);
    for (int i = 0; i < 400; ++i) screen.gfx().line(float(i * 2), 0, 800 - float(i * 2), 600, 2 + i % 13);
    screen.gfx().circle(400, 300, 200, 14);
  }
};

void BM_Composite1024x768(benchmark::State& state) {
  FullScreen s;
  (void)s.screen.composite();   // glyph cache warm, as in a running program
  for (auto _ : state) benchmark::DoNotOptimize(s.screen.composite());
}
BENCHMARK(BM_Composite1024x768)->Unit(benchmark::kMillisecond);

void BM_PresentForced1024x768(benchmark::State& state) {
  FullScreen s;
  for (auto _ : state) s.screen.present(true);
}
BENCHMARK(BM_PresentForced1024x768)->Unit(benchmark::kMillisecond);

void BM_MillionShortSegments(benchmark::State& state) {
  Framebuffer fb;
  fb.resize(1024, 768);
  Painter p(fb);
  p.setWindow(0, 0, 800, 600, true);
  for (auto _ : state) {
    float x = 400, y = 300;
    for (int i = 0; i < 1'000'000; ++i) {
      float nx = x + float((i * 7) % 11) - 5, ny = y + float((i * 13) % 9) - 4;
      if (nx < -50 || nx > 850) nx = 400;
      if (ny < -50 || ny > 650) ny = 300;
      p.line(x, y, nx, ny, 1 + i % 15);
      x = nx;
      y = ny;
    }
    benchmark::DoNotOptimize(fb.pixels.data());
  }
}
BENCHMARK(BM_MillionShortSegments)->Unit(benchmark::kMillisecond);

void BM_FirstGlyphsAfterStart(benchmark::State& state) {
  for (auto _ : state) {
    Font font;
    for (char32_t c : U"VORNT ＮＣプログラム編集,軌跡,作図 ﾄﾚｰﾆﾝｸﾞ") benchmark::DoNotOptimize(font.glyph(c, 1));
  }
}
BENCHMARK(BM_FirstGlyphsAfterStart)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vorn
