// Drawing speed: the 28,912-line program on the trajectory screen at full
// speed (1024x768, headless, from "1)開始" to the report), and 200,000 lines
// through the picture path to a PNG.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "apps/cli_picture.h"
#include "display/trajectory_screen.h"
#include "editor/editor_state.h"
#include "editor/program_buffer.h"
#include "interp/text_program.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "shell/session.h"

namespace fs = std::filesystem;
using namespace vorn;

namespace {

// The generated programs, written once per benchmark run into a temp folder.
const fs::path& programDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / "vorn_bench_display";
    fs::create_directories(d);
    if (!fs::exists(d / "bench_200000.ngc")) {
      const std::string cmd = "python3 /work/shared/bench/gen_program.py --standard " + d.string();
      if (std::system(cmd.c_str()) != 0) std::abort();
    }
    return d;
  }();
  return dir;
}

std::vector<std::string> programLines(const char* name) {
  std::ifstream in(programDir() / name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return splitLines(text.str());
}

void BM_ScreenRunFullSpeed(benchmark::State& st) {
  const std::vector<std::string> lines = programLines("bench_28912.ngc");
  for (auto _ : st) {
    // "1)開始", then "0" at the first block: full speed, block text off.
    VirtualClock clock;
    HeadlessBackend backend = HeadlessBackend::fromScript("{Enter}0");
    backend.maximize();  // 1024x768
    Screen screen(backend, clock);
    screen.syncSize();
    DeviceConfig config;
    config.workDir = programDir();
    PathMap paths(config);
    ChannelTable channels(paths);
    Session session(screen, channels, paths);
    session.geometry.CMMF = float(screen.rows() - 5);
    ProgramBuffer buffer;
    buffer.assign(lines);
    EditorState editor;
    editor.reset();
    TrajectorySettings settings;
    settings.workSize = {200, 150, 30};
    TrajectoryContext context{session, buffer, editor, settings, standardCodeTable()};
    try {
      trajectoryScreen(context);  // ends at the hard-copy prompt: the script is used up
    } catch (const InputExhausted&) {
    }
    benchmark::DoNotOptimize(editor.FILE);
    if (editor.FILE < 28000) st.SkipWithError("the run did not reach the end");
  }
}
BENCHMARK(BM_ScreenRunFullSpeed)->Unit(benchmark::kMillisecond);

void BM_Picture200000(benchmark::State& st) {
  const fs::path png = programDir() / "bench.png";
  for (auto _ : st) {
    // Reading the file is part of the command's work.
    TextProgram program(programLines("bench_200000.ngc"));
    PictureOptions options;
    options.pngPath = png.string();
    options.width = 1024;
    options.height = 640;
    RunSettings settings;
    DrawingSetup setup;
    const RunResult r = drawPicture(program, standardCodeTable(), settings, setup, options);
    benchmark::DoNotOptimize(r.blocks);
  }
}
BENCHMARK(BM_Picture200000)->Unit(benchmark::kMillisecond);

}  // namespace
