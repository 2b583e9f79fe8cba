// Program buffer and editor screen speeds: insert and delete at line 1 of a
// full buffer, loading a 28,912-line NC file, rebuilding the program-number
// index, redrawing the text area.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "editor/editor_screen.h"
#include "editor/editor_state.h"
#include "editor/load.h"
#include "editor/program_buffer.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/screen.h"

#include "bench/bench_programs.h"

namespace {

namespace fs = std::filesystem;

// The generated 28,912-line milling program, made once per run in a temp folder.
const std::string& benchProgramPath() {
  static const std::string path =
      bench::program(bench::programFolder("vorn_bench_editor"), 28912, ".nc").string();
  return path;
}

vorn::ProgramBuffer fullBuffer() {
  vorn::ProgramBuffer buffer;
  vorn::loadProgramFile(buffer, benchProgramPath());
  std::vector<std::string> lines;
  for (int n = 1; n <= buffer.capacity(); ++n) {
    lines.push_back(n % 50 == 1 ? "O" + std::to_string(n) : "G01 X" + std::to_string(n % 300) + ". Y5. F200");
  }
  buffer.assign(std::move(lines));
  return buffer;
}

void BM_DeleteAndInsertAtLine1OfFullBuffer(benchmark::State& state) {
  vorn::ProgramBuffer buffer = fullBuffer();
  for (auto _ : state) {
    buffer.deleteLines(1, 1);
    buffer.insertLine(1, "G00 X0 Y0");
    benchmark::DoNotOptimize(buffer.lineCount());
  }
  state.SetLabel("one delete + one insert, 28912 lines");
}
BENCHMARK(BM_DeleteAndInsertAtLine1OfFullBuffer)->Unit(benchmark::kMicrosecond);

void BM_LoadNcFile28912(benchmark::State& state) {
  const std::string& path = benchProgramPath();
  vorn::ProgramBuffer buffer;
  for (auto _ : state) {
    vorn::loadProgramFile(buffer, path);
    benchmark::DoNotOptimize(buffer.lineCount());
  }
}
BENCHMARK(BM_LoadNcFile28912)->Unit(benchmark::kMillisecond);

void BM_LoadNcBytes28912(benchmark::State& state) {
  const std::string bytes = bench::readBytes(benchProgramPath());
  vorn::ProgramBuffer buffer;
  for (auto _ : state) {
    vorn::loadProgramBytes(buffer, "bench.nc", bytes);
    benchmark::DoNotOptimize(buffer.lineCount());
  }
}
BENCHMARK(BM_LoadNcBytes28912)->Unit(benchmark::kMillisecond);

void BM_RebuildIndexFullBuffer(benchmark::State& state) {
  vorn::ProgramBuffer buffer = fullBuffer();
  for (auto _ : state) {
    buffer.rebuildIndex();
    benchmark::DoNotOptimize(buffer.index().X);
  }
  state.SetLabel(std::to_string(buffer.index().X) + " O lines");
}
BENCHMARK(BM_RebuildIndexFullBuffer)->Unit(benchmark::kMicrosecond);

void BM_RedrawTextArea(benchmark::State& state) {
  vorn::VirtualClock clock;
  vorn::HeadlessBackend backend;
  backend.maximize();
  vorn::Screen screen(backend, clock);
  screen.syncSize();
  vorn::ProgramBuffer buffer = fullBuffer();
  vorn::EditorState editor;
  editor.reset();
  editor.M = 1000;
  const int CMMF = screen.rows() - 5;
  for (auto _ : state) {
    vorn::redrawTextArea(screen, buffer, editor, CMMF);
    benchmark::DoNotOptimize(screen.cell(0, 1).ch);
  }
  state.SetLabel(std::to_string(CMMF) + " rows");
}
BENCHMARK(BM_RedrawTextArea)->Unit(benchmark::kMicrosecond);

}  // namespace
