// Speed of the text and number-text paths the editor and files use constantly.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/numtext.h"
#include "runtime/text.h"

namespace {

// A screen-wide editor line mixing ASCII, half-width katakana and full-width text.
const std::string kLine = "N0010 G01 X123.456 Y-78.9 F300 (ｶｺｳ 加工プログラム) M03 S1200 T0101 ";

void BM_TextWidth(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(vorn::textWidth(kLine));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLine.size()));
}
BENCHMARK(BM_TextWidth);

void BM_PadToWidth(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(vorn::padToWidth(kLine, 60));
}
BENCHMARK(BM_PadToWidth);

void BM_MidByWidth(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(vorn::midByWidth(kLine, 20, 30));
}
BENCHMARK(BM_MidByWidth);

void BM_ToCp932(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(vorn::toCp932(kLine));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kLine.size()));
}
BENCHMARK(BM_ToCp932);

void BM_FromCp932(benchmark::State& state) {
  const std::string bytes = vorn::toCp932(kLine);
  for (auto _ : state) benchmark::DoNotOptimize(vorn::fromCp932(bytes));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_FromCp932);

void BM_NumberText(benchmark::State& state) {
  float v = 123.4567f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(vorn::numberText(v));
    v += 0.001f;
  }
}
BENCHMARK(BM_NumberText);

void BM_FormatTemplate(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(vorn::formatTemplate("X####.### Y####.###", {12.5, -3.25}));
}
BENCHMARK(BM_FormatTemplate);

}  // namespace
