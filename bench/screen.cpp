// Screen speed: compositing and presenting a full 1024x768 screen (headless
// and in a real window), and drawing many short line segments into the
// framebuffer. The window benchmarks need a display (Xvfb is enough) and are
// skipped without one.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <stdexcept>

#include "runtime/headless_backend.h"
#include "runtime/screen.h"
#include "runtime/sdl/sdl_backend.h"

namespace vorn {
namespace {

// A screen full of text in every colour with graphics over it.
void fillScreen(Screen& screen) {
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

// A 1024x768 window, or nullptr (the benchmark skipped) without a display.
std::unique_ptr<SdlBackend> openWindow(benchmark::State& state) {
  try {
    auto window = std::make_unique<SdlBackend>(1024, 768);
    if (window->clientWidth() != 1024 || window->clientHeight() != 768) {
      state.SkipWithError("the window manager did not give 1024x768");
      return nullptr;
    }
    return window;
  } catch (const std::runtime_error& e) {
    state.SkipWithError(e.what());
    return nullptr;
  }
}

struct FullScreen {
  HeadlessBackend backend{{}, HeadlessSize{1024, 768, 1024, 768}};
  VirtualClock clock{0};
  Screen screen{backend, clock};
  FullScreen() { fillScreen(screen); }
};

void BM_Composite1024x768(benchmark::State& state) {
  FullScreen s;
  (void)s.screen.composite();   // glyph cache warm, as in a running program
  for (auto _ : state) benchmark::DoNotOptimize(s.screen.composite());
}
BENCHMARK(BM_Composite1024x768)->Unit(benchmark::kMillisecond);

// The worst case: one cell changes before every composite, so the text layer
// is drawn again each time (a run listing its blocks).
void BM_CompositeTextChanged1024x768(benchmark::State& state) {
  FullScreen s;
  int n = 0;
  for (auto _ : state) {
    s.screen.locate(0, 0);
    s.screen.print(std::string(1, char('A' + n++ % 26)));
    benchmark::DoNotOptimize(s.screen.composite());
  }
}
BENCHMARK(BM_CompositeTextChanged1024x768)->Unit(benchmark::kMillisecond);

void BM_PresentForced1024x768(benchmark::State& state) {
  FullScreen s;
  for (auto _ : state) s.screen.present(true);
}
BENCHMARK(BM_PresentForced1024x768)->Unit(benchmark::kMillisecond);

// Handing a finished frame to the window: texture upload and copy to the screen.
void BM_WindowShowFrame1024x768(benchmark::State& state) {
  std::unique_ptr<SdlBackend> window = openWindow(state);
  if (!window) return;
  FullScreen s;
  const Image frame = s.screen.composite();
  for (auto _ : state) window->present(frame);
}
BENCHMARK(BM_WindowShowFrame1024x768)->Unit(benchmark::kMillisecond);

// The whole present in a window: composite text and graphics, then show it.
void BM_WindowPresentForced1024x768(benchmark::State& state) {
  std::unique_ptr<SdlBackend> window = openWindow(state);
  if (!window) return;
  VirtualClock clock{0};
  Screen screen(*window, clock);
  fillScreen(screen);
  screen.present(true);
  for (auto _ : state) screen.present(true);
}
BENCHMARK(BM_WindowPresentForced1024x768)->Unit(benchmark::kMillisecond);

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
