// Interpreter throughput: whole generated milling programs (lines, arcs,
// rapids) through the runner with a counting sink. Programs are written by
// ../shared/bench/gen_program.py into a temporary folder when the benchmark
// starts; reading them is not timed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "interp/code_table.h"
#include "interp/runner.h"
#include "interp/text_program.h"

#include "bench/bench_programs.h"

namespace {

namespace fs = std::filesystem;

// The three standard programs, generated once per process.
const vorn::TextProgram& program(int lines) {
  static const std::map<int, vorn::TextProgram> programs = [] {
    const fs::path dir = bench::programFolder("vornt_bench_interp");
    std::map<int, vorn::TextProgram> out;
    for (int n : {2000, 28912, 200000})
      out.emplace(n, vorn::TextProgram(vorn::splitLines(bench::readBytes(bench::program(dir, n)))));
    return out;
  }();
  return programs.at(lines);
}

struct CountingSink final : vorn::MoveSink {
  long blocks = 0, draws = 0;
  bool block(const vorn::Move& move) override {
    ++blocks;
    draws += move.draws;
    return true;
  }
};

void BM_RunProgram(benchmark::State& state) {
  const vorn::TextProgram& p = program(static_cast<int>(state.range(0)));
  vorn::RunSettings settings;
  long blocks = 0;
  for (auto _ : state) {
    CountingSink sink;
    vorn::RunResult r = vorn::runProgram(p, vorn::standardCodeTable(), settings, sink);
    if (r.ZVZ != vorn::RunState::Ended) state.SkipWithError(("run stopped: " + r.I1M).c_str());
    blocks = sink.blocks;
    benchmark::DoNotOptimize(r.totals);
  }
  state.counters["blocks"] = static_cast<double>(blocks);
  state.SetItemsProcessed(state.iterations() * blocks);
}
BENCHMARK(BM_RunProgram)->Arg(2000)->Arg(28912)->Arg(200000)->Unit(benchmark::kMillisecond);

}  // namespace
