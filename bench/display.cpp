// Drawing speed: the 28,912-line program on the trajectory screen at full
// speed (1024x768, headless, from "1)開始" to the report), the same run in a
// real window (needs a display; Xvfb is enough), the longest time between two
// looks at the keyboard during runs, 1,000,000 lines through an included
// file, and 200,000 lines through the picture path to a PNG.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <ctime>
#include <memory>
#include <sstream>
#include <stdexcept>

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
#include "runtime/sdl/sdl_backend.h"
#include "shell/session.h"

#include "bench/bench_programs.h"

namespace fs = std::filesystem;
using namespace vorn;

namespace {

// The generated programs, written once per benchmark run into a temp folder.
const fs::path& programDir() {
  static const fs::path dir = [] {
    const fs::path d = bench::programFolder("vorn_bench_display");
    for (long lines : {2000, 28912, 200000}) bench::program(d, lines);
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

// The trajectory screen on `lines` from its menu, on a 200x150x30 work,
// until the key script runs out; returns the line where the run stopped.
int runTrajectory(Backend& backend, Clock& clock, const std::vector<std::string>& lines) {
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
    trajectoryScreen(context);  // ends at a key wait the script cannot answer
  } catch (const InputExhausted&) {
  }
  return editor.FILE;
}

void BM_ScreenRunFullSpeed(benchmark::State& st) {
  const std::vector<std::string> lines = programLines("bench_28912.ngc");
  for (auto _ : st) {
    // "1)開始", then "0" at the first block: full speed, block text off.
    VirtualClock clock;
    HeadlessBackend backend = HeadlessBackend::fromScript("{Enter}0");
    backend.maximize();  // 1024x768
    const int stoppedAt = runTrajectory(backend, clock, lines);
    benchmark::DoNotOptimize(stoppedAt);
    if (stoppedAt < 28000) st.SkipWithError("the run did not reach the end");
  }
}
BENCHMARK(BM_ScreenRunFullSpeed)->Unit(benchmark::kMillisecond);

// The same run at the default pace (no key after "1)開始"): headless, the pace
// waits pass on the virtual clock, so it should cost about the full-speed run.
void BM_ScreenRunDefaultPace(benchmark::State& st) {
  const std::vector<std::string> lines = programLines("bench_28912.ngc");
  for (auto _ : st) {
    VirtualClock clock;
    HeadlessBackend backend = HeadlessBackend::fromScript("{Enter}");
    backend.maximize();  // 1024x768
    const int stoppedAt = runTrajectory(backend, clock, lines);
    benchmark::DoNotOptimize(stoppedAt);
    if (stoppedAt < 28000) st.SkipWithError("the run did not reach the end");
  }
}
BENCHMARK(BM_ScreenRunDefaultPace)->Unit(benchmark::kMillisecond)->Iterations(1);


double threadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Stands between the screen and a back end: hands out keys at chosen times
// (milliseconds after the first look at the input, which gets the first key),
// records the longest time the screen spends away from the input between two
// looks (a wait inside the back end ends at once when a key comes, so it does
// not count), in wall-clock time and in this thread's CPU time (the work done,
// whatever else the machine runs), and ends the run's final key wait (a long
// blocking wait after the last key) with InputExhausted, as a used-up key
// script does.
class PollWatch final : public Backend {
 public:
  PollWatch(Backend& inner, std::multimap<int, std::string> keys) : inner_(inner), keys_(std::move(keys)) {}

  double longestGapMs() const { return longestWall_ * 1000; }
  double longestCpuGapMs() const { return longestCpu_ * 1000; }
  // The CPU time between the looks around the first frame (its text layer
  // drawn, the font's glyphs found), which once held the run's longest gap.
  double firstFrameCpuGapMs() const { return firstFrameCpu_ * 1000; }
  // From the second key (the run's first, which sets its pace) to the wait
  // for the key after the report.
  // 0 when the run ended without that wait (ESC returns to the editor).
  double runMs() const { return end_ > 0 ? (end_ - paced_) * 1000 : 0; }
  int presents() const { return presents_; }

  bool headless() const override { return inner_.headless(); }
  int clientWidth() const override { return inner_.clientWidth(); }
  int clientHeight() const override { return inner_.clientHeight(); }
  void restore() override { inner_.restore(); }
  void maximize() override { inner_.maximize(); }
  void setTitle(const std::string& t) override { inner_.setTitle(t); }
  void present(const Image& frame) override {
    ++presents_;
    inner_.present(frame);
  }
  std::optional<InputEvent> nextEvent(double timeoutSeconds) override {
    const double wall = seconds(), cpu = threadCpuSeconds();
    if (started_) {
      longestWall_ = std::max(longestWall_, wall - lastWall_);
      longestCpu_ = std::max(longestCpu_, cpu - lastCpu_);
      if (presents_ > 0 && firstFrameCpu_ < 0) firstFrameCpu_ = cpu - lastCpu_;
    } else {
      started_ = true;
      start_ = wall;
    }
    std::optional<InputEvent> e = lookAtInput(wall, timeoutSeconds);
    lastWall_ = seconds();
    lastCpu_ = threadCpuSeconds();
    return e;
  }
  bool exhausted() const override { return false; }
  void beep() override {}
  void showList(const std::vector<std::string>&, int) override {}
  void hideList() override {}
  void mouse(int& col, int& row, int& buttons) const override { inner_.mouse(col, row, buttons); }
  void setInputMethodMode(int) override {}

 private:
  static double seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  }
  std::optional<InputEvent> lookAtInput(double now, double timeoutSeconds) {
    if (keys_.empty()) {
      if (timeoutSeconds > 0.1) {
        end_ = now;
        throw InputExhausted{};
      }
      return inner_.nextEvent(timeoutSeconds);
    }
    const double due = start_ + keys_.begin()->first / 1000.0;
    if (now < due) return inner_.nextEvent(std::min(timeoutSeconds, due - now));
    InputEvent e;
    e.text = keys_.begin()->second;
    keys_.erase(keys_.begin());
    if (++handedOut_ == 2) paced_ = now;
    return e;
  }

  Backend& inner_;
  std::multimap<int, std::string> keys_;
  bool started_ = false;
  int handedOut_ = 0;
  double start_ = 0, paced_ = 0, end_ = 0, lastWall_ = 0, lastCpu_ = 0;
  double longestWall_ = 0, longestCpu_ = 0;
  double firstFrameCpu_ = -1;  // -1 until the look after the first frame
  int presents_ = 0;
};

// A 1024x768 window, or nullptr (the benchmark skipped) without a display.
std::unique_ptr<SdlBackend> openWindow(benchmark::State& st) {
  try {
    auto window = std::make_unique<SdlBackend>(1024, 768);
    if (window->clientWidth() == 1024 && window->clientHeight() == 768) return window;
    st.SkipWithError("the window manager did not give 1024x768");
  } catch (const std::runtime_error& e) {
    st.SkipWithError(e.what());
  }
  return nullptr;
}

struct WatchedRun {
  int stoppedAt = 0;           // line where the run stopped
  double longestGapMs = 0;     // longest time between two looks at the keys
  double longestCpuGapMs = 0;  // the same in CPU time of the run's thread
  double firstFrameCpuGapMs = 0;  // CPU time between the looks around the first frame
  double runMs = 0;            // from "1)開始" to the wait after the report
  int presents = 0;            // frames handed to the back end
};

// One trajectory run on a real clock from "1)開始" (the first look at the
// input) with the given keys.
WatchedRun watchedRun(Backend& backend, const std::vector<std::string>& lines, std::multimap<int, std::string> keys) {
  RealClock clock;
  keys.emplace(0, "\r");
  PollWatch watch(backend, std::move(keys));
  const int stoppedAt = runTrajectory(watch, clock, lines);
  return {stoppedAt,     watch.longestGapMs(), watch.longestCpuGapMs(), std::max(0.0, watch.firstFrameCpuGapMs()),
          watch.runMs(), watch.presents()};
}

enum class Where { Headless, Window };

std::unique_ptr<Backend> backendFor(Where where, benchmark::State& st) {
  if (where == Where::Window) return openWindow(st);
  auto headless = std::make_unique<HeadlessBackend>();
  headless->maximize();  // 1024x768
  return headless;
}

// Runs `lines` with `keys` on a real clock; counters: the longest gap between
// two looks at the keys (must stay under 5 ms of CPU at full speed), the one
// around the first frame, the frames presented and the
// time of the run itself from its first key (the settings screen and the
// wait for that key left out).
void runWatched(benchmark::State& st, Where where, const std::vector<std::string>& lines,
                const std::multimap<int, std::string>& keys, int reachLine) {
  std::unique_ptr<Backend> backend = backendFor(where, st);
  if (!backend) return;
  double longest = 0, longestCpu = 0, firstFrameCpu = 0;
  double presents = 0, runMs = 0;
  for (auto _ : st) {
    const WatchedRun run = watchedRun(*backend, lines, keys);
    if (run.stoppedAt < reachLine) st.SkipWithError("the run stopped early");
    longest = std::max(longest, run.longestGapMs);
    longestCpu = std::max(longestCpu, run.longestCpuGapMs);
    firstFrameCpu = std::max(firstFrameCpu, run.firstFrameCpuGapMs);
    presents += run.presents;
    runMs += run.runMs;
  }
  st.counters["run_ms"] = benchmark::Counter(runMs, benchmark::Counter::kAvgIterations);
  st.counters["longest_poll_gap_ms"] = longest;
  st.counters["longest_poll_gap_cpu_ms"] = longestCpu;
  st.counters["first_frame_gap_cpu_ms"] = firstFrameCpu;
  st.counters["presents_per_run"] = benchmark::Counter(presents, benchmark::Counter::kAvgIterations);
}

// The 28,912-line program at full speed ("0" at the first block): headless
// and in a window that shows frames as they come. The window run must stay
// within 10 % of the headless one.
void BM_RunFullSpeedRealClock(benchmark::State& st, Where where) {
  runWatched(st, where, programLines("bench_28912.ngc"), {{1, "0"}}, 28000);
}
BENCHMARK_CAPTURE(BM_RunFullSpeedRealClock, headless, Where::Headless)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunFullSpeedRealClock, window, Where::Window)->Unit(benchmark::kMillisecond);

// Full speed with the block text listed ("1": no pause, text display kept on).
void BM_RunListingRealClock(benchmark::State& st, Where where) {
  runWatched(st, where, programLines("bench_28912.ngc"), {{1, "1"}}, 28000);
}
BENCHMARK_CAPTURE(BM_RunListingRealClock, headless, Where::Headless)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunListingRealClock, window, Where::Window)->Unit(benchmark::kMillisecond);

// Paced at display speed "8" (6.35 s per block), space after 300 ms, any
// key 300 ms later, then ESC: the keys must be seen at once while a block waits.
void BM_RunPacedThenEsc(benchmark::State& st, Where where) {
  runWatched(st, where, programLines("bench_28912.ngc"), {{1, "8"}, {300, " "}, {600, "x"}, {900, "\x1b"}}, 1);
}
BENCHMARK_CAPTURE(BM_RunPacedThenEsc, headless, Where::Headless)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_CAPTURE(BM_RunPacedThenEsc, window, Where::Window)->Unit(benchmark::kMillisecond)->Iterations(1);

// 200,000 lines at full speed through an included file: the buffer holds
// only the line that includes it.
void BM_RunIncluded200000(benchmark::State& st, Where where) {
  runWatched(st, where, {"(:bench_200000.ngc"}, {{1, "0"}}, 1);
}
BENCHMARK_CAPTURE(BM_RunIncluded200000, headless, Where::Headless)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_RunIncluded200000, window, Where::Window)->Unit(benchmark::kMillisecond);

// A million lines at full speed, headless, through an included file: the run
// must stay under half a second and still look at the keys every 5 ms.
void BM_RunIncluded1000000(benchmark::State& st) {
  bench::program(programDir(), 1000000);
  runWatched(st, Where::Headless, {"(:bench_1000000.ngc"}, {{1, "0"}}, 1);
}
BENCHMARK(BM_RunIncluded1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

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
