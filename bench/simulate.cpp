// `vornt-cli simulate` as a user runs it: the whole process (CPU time of the
// child, its peak memory) on the 28,912-line and 1,000,000-line programs,
// the same pipeline inside this process, the `--moves` JSON rate, and the
// PNG and SVG pictures. Programs come from ../shared/bench/gen_program.py,
// written once into a temporary folder (not timed).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "apps/cli_simulate.h"

extern char** environ;

#include "bench/bench_programs.h"

namespace {

namespace fs = std::filesystem;

const fs::path& benchDir() {
  static const fs::path dir = [] {
    fs::path d = fs::temp_directory_path() / ("vorn_bench_simulate_" + std::to_string(::getpid()));
    fs::create_directories(d);
    std::atexit([] { fs::remove_all(fs::temp_directory_path() / ("vorn_bench_simulate_" + std::to_string(::getpid()))); });
    return d;
  }();
  return dir;
}

// The generated milling program of `lines` lines (".ngc", as other tools write it).
std::string program(int lines) {
  static std::map<int, std::string> made;
  auto it = made.find(lines);
  if (it != made.end()) return it->second;
  return made[lines] = bench::program(benchDir(), lines).string();
}

// Counts what is written and keeps nothing.
class CountingBuffer : public std::streambuf {
 public:
  long long bytes = 0;

 protected:
  int overflow(int c) override {
    ++bytes;
    return c;
  }
  std::streamsize xsputn(const char*, std::streamsize n) override {
    bytes += n;
    return n;
  }
};

double seconds(const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) / 1e6; }

#ifdef VORN_CLI_PATH
// Runs vornt-cli with `args` (standard output to /dev/null); the iteration
// time is the child's CPU time (user + system), steadier than the wall clock
// on a busy machine. Counters: peak memory of the child.
void timeProcess(benchmark::State& state, const std::vector<std::string>& args) {
  std::vector<const char*> argv = {VORN_CLI_PATH};
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);
  long peakKiB = 0;
  for (auto _ : state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawn(&pid, VORN_CLI_PATH, &actions, nullptr, const_cast<char**>(argv.data()), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) {
      state.SkipWithError("cannot start vornt-cli");
      break;
    }
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("vornt-cli simulate failed");
      break;
    }
    state.SetIterationTime(seconds(usage.ru_utime) + seconds(usage.ru_stime));
    peakKiB = std::max(peakKiB, long(usage.ru_maxrss));
  }
  state.counters["peak_KiB"] = double(peakKiB);
}

void BM_SimulateProcess(benchmark::State& state) {
  timeProcess(state, {"simulate", program(int(state.range(0)))});
}
BENCHMARK(BM_SimulateProcess)->Arg(28912)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_SimulatePngProcess(benchmark::State& state) {
  const std::string png = (benchDir() / "picture.png").string();
  timeProcess(state, {"simulate", program(int(state.range(0))), "--png", png});
  state.counters["png_bytes"] = double(fs::file_size(png));
}
BENCHMARK(BM_SimulatePngProcess)->Arg(1000000)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_SimulateSvgProcess(benchmark::State& state) {
  const std::string svg = (benchDir() / "picture.svg").string();
  timeProcess(state, {"simulate", program(int(state.range(0))), "--svg", svg});
  state.counters["svg_bytes"] = double(fs::file_size(svg));
}
BENCHMARK(BM_SimulateSvgProcess)->Arg(200000)->UseManualTime()->Unit(benchmark::kMillisecond);
#endif

// The pipeline without the process start: reading, interpreting, the report.
void BM_SimulateInProcess(benchmark::State& state) {
  const std::vector<std::string> args = {program(int(state.range(0)))};
  for (auto _ : state) {
    CountingBuffer sink;
    std::ostream out(&sink);
    if (vorn::runSimulate(args, out, out) != 0) state.SkipWithError("simulate failed");
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SimulateInProcess)->Arg(28912)->Arg(1000000)->Unit(benchmark::kMillisecond);

// `--moves`: bytes of JSON written per second (the whole run included).
void BM_SimulateMovesJson(benchmark::State& state) {
  const std::vector<std::string> args = {program(int(state.range(0))), "--moves"};
  long long bytes = 0;
  for (auto _ : state) {
    CountingBuffer sink;
    std::ostream out(&sink);
    if (vorn::runSimulate(args, out, out) != 0) state.SkipWithError("simulate failed");
    bytes += sink.bytes;
  }
  state.SetBytesProcessed(bytes);
}
BENCHMARK(BM_SimulateMovesJson)->Arg(28912)->Arg(1000000)->Unit(benchmark::kMillisecond);

}  // namespace
