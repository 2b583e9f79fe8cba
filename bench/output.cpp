// Plotting speed: the 28,912-line benchmark program through the plot run to
// an HP-GL file (CPU time per plot), and the output size against the number
// of moves for 2,000, 28,912 and 200,000 lines (bytes per drawing block
// should stay about the same).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "interp/code_table.h"
#include "interp/text_program.h"
#include "output/hpgl_plot.h"
#include "runtime/channels.h"
#include "runtime/paths.h"

#include "bench/bench_programs.h"

namespace fs = std::filesystem;
using namespace vorn;

namespace {

const fs::path& programDir() {
  static const fs::path dir = [] {
    const fs::path d = bench::programFolder("vorn_bench_output");
    for (long lines : {2000, 28912, 200000}) bench::program(d, lines);
    return d;
  }();
  return dir;
}

TextProgram program(const std::string& name) {
  std::ifstream in(programDir() / name, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return TextProgram(splitLines(text.str()));
}

PlotJob benchJob() {
  PlotJob job;
  job.settings.fillFirstVisitDefaults();
  job.workSize = {200, 150, 30};
  job.centre = {100, 75, 0};
  return job;
}

double cpuSeconds() { return double(std::clock()) / CLOCKS_PER_SEC; }

// One plot of a program to a file through a channel, as the plotter screen
// writes it to a parallel plotter mapped to a file.
void plotToFile(benchmark::State& state, const std::string& name) {
  const TextProgram text = program(name);
  DeviceConfig config;
  config.workDir = programDir();
  PathMap paths(config);
  ChannelTable channels(paths);
  const CodeTable codes = standardCodeTable();
  RunSettings settings;
  long blocks = 0, bytes = 0;
  double cpu = 0;
  for (auto _ : state) {
    const double start = cpuSeconds();
    channels.open(9, "plot.plt", OpenMode::Output);
    ChannelSink sink(channels, 9);
    HpglWriter out(sink);
    blocks = 0;
    plotProgram(text, codes, settings, benchJob(), {"BENCH", "O1", 0, "26.12. 8"}, out, {}, {},
                [&blocks](const Move& m) {
                  blocks += m.draws;
                  return true;
                });
    sink.flush();
    channels.close(9);
    cpu += cpuSeconds() - start;
    bytes = long(fs::file_size(programDir() / "plot.plt"));
  }
  state.counters["cpu_ms_per_plot"] = 1000 * cpu / double(state.iterations());
  state.counters["drawing_blocks"] = double(blocks);
  state.counters["bytes"] = double(bytes);
  state.counters["bytes_per_block"] = blocks ? double(bytes) / double(blocks) : 0;
}

void BM_Plot2000(benchmark::State& state) { plotToFile(state, "bench_2000.ngc"); }
void BM_Plot28912(benchmark::State& state) { plotToFile(state, "bench_28912.ngc"); }
void BM_Plot200000(benchmark::State& state) { plotToFile(state, "bench_200000.ngc"); }

}  // namespace

BENCHMARK(BM_Plot2000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plot28912)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Plot200000)->Unit(benchmark::kMillisecond)->Iterations(2);
