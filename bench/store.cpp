// The program store on a volume of 557 programs: a save (text file,
// directory record and index write), one page of the program list, and the
// whole `vornt-cli store list` process.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>

#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/paths.h"
#include "store/store.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// A working directory whose volume M1 holds 557 programs of 200 lines.
struct FullVolume {
  fs::path dir;
  std::unique_ptr<vorn::PathMap> paths;
  std::unique_ptr<vorn::ChannelTable> channels;
  std::unique_ptr<vorn::Store> store;
  vorn::ProgramBuffer program{1000};

  FullVolume() {
    dir = fs::temp_directory_path() / ("vorn_bench_store_" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    vorn::DeviceConfig config;
    config.workDir = dir;
    config.configDir = dir / "config";
    paths = std::make_unique<vorn::PathMap>(config);
    channels = std::make_unique<vorn::ChannelTable>(*paths);
    store = std::make_unique<vorn::Store>(*channels, *paths);
    store->select("A:", "M1");
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i) lines.push_back("N" + std::to_string(i) + " G01 X" + std::to_string(i) + ". Y-12.5 F300");
    program.assign(lines);
    for (int i = 0; i < 557; ++i) save("P" + std::to_string(10000 + i * 7));
  }
  ~FullVolume() {
    store.reset();
    channels.reset();
    fs::remove_all(dir);
  }
  vorn::SaveResult save(const std::string& name) {
    vorn::SaveRequest r;
    r.name = name;
    r.title = "ﾍﾞﾝﾁ 加工";
    r.date = "06. 6. 5";
    r.settings.trajectory[0] = 150;
    return store->save(program, r);
  }
};

void BM_SaveNewNameInto557(benchmark::State& state) {
  FullVolume v;
  for (auto _ : state) {
    vorn::SaveResult r = v.save("P12000");  // lands mid-index: about half the blocks are rewritten
    state.PauseTiming();
    v.store->deleteEntry(r.position);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SaveNewNameInto557)->Unit(benchmark::kMillisecond);

void BM_SaveOverwriteIn557(benchmark::State& state) {
  FullVolume v;
  for (auto _ : state) benchmark::DoNotOptimize(v.save("P10000"));
}
BENCHMARK(BM_SaveOverwriteIn557)->Unit(benchmark::kMillisecond);

void BM_ListPageOf557(benchmark::State& state) {
  FullVolume v;
  v.store->readIndex();
  int first = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(v.store->listPage(first, 16));
    first = first > 500 ? 1 : first + 15;
  }
}
BENCHMARK(BM_ListPageOf557)->Unit(benchmark::kMicrosecond);

void BM_ReadIndexOf557(benchmark::State& state) {
  FullVolume v;
  for (auto _ : state) {
    v.store->readIndex();
    benchmark::DoNotOptimize(v.store->index().count());
  }
}
BENCHMARK(BM_ReadIndexOf557)->Unit(benchmark::kMicrosecond);

#ifdef VORN_CLI_PATH
void BM_CliStoreListOf557(benchmark::State& state) {
  FullVolume v;
  v.store->closeVolume();
  const std::string work = v.dir.string();
  for (auto _ : state) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {VORN_CLI_PATH, "store", "list", "--work-dir", work.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, VORN_CLI_PATH, &actions, nullptr, const_cast<char**>(argv), environ) != 0) {
      state.SkipWithError("cannot start vornt-cli");
      break;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      state.SkipWithError("vornt-cli store list failed");
      break;
    }
  }
}
BENCHMARK(BM_CliStoreListOf557)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
