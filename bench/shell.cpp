// Start-up to the main menu, headless, in a working directory that already
// holds the shipped files (the speed calibration is cut to 1 ms here).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <unistd.h>

#include "apps/app.h"
#include "runtime/headless_backend.h"

namespace {

namespace fs = std::filesystem;

void BM_StartUpToMenu(benchmark::State& state) {
  const fs::path work = fs::temp_directory_path() / ("vorn_bench_shell_" + std::to_string(::getpid()));
  fs::create_directories(work);
  vorn::installShippedFiles(VORN_SOURCE_DIR "/data", work);
  vorn::DeviceConfig config;
  config.configDir = work / "config";
  config.workDir = work;
  for (auto _ : state) {
    vorn::VirtualClock clock;
    vorn::HeadlessBackend backend;
    vorn::App app(backend, clock, config);
    vorn::wireScreens(app);
    vorn::StartOptions start;
    start.calibrationSeconds = 0.001;
    try {
      vorn::runShell(app.session, start, app.menu);
    } catch (const vorn::InputExhausted&) {
      // waiting at the main menu
    }
    benchmark::DoNotOptimize(app.screen.rowText(2));
  }
  fs::remove_all(work);
}
BENCHMARK(BM_StartUpToMenu)->Unit(benchmark::kMillisecond);

}  // namespace
