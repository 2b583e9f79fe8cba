// The storage screen's program list on a volume of 557 programs: one page
// forward in the list window, the page's lines built from the index and the
// directory records and printed on a headless screen.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "shell/session.h"
#include "store/storage_screen.h"
#include "store/store.h"

namespace {

namespace fs = std::filesystem;

struct ListRig {
  fs::path dir = fs::temp_directory_path() / ("vorn_bench_store_screen_" + std::to_string(::getpid()));
  vorn::VirtualClock clock;
  vorn::HeadlessBackend backend = vorn::HeadlessBackend::fromScript("");
  vorn::Screen screen{backend, clock};
  vorn::PathMap paths{config()};
  vorn::ChannelTable channels{paths};
  vorn::Session session{screen, channels, paths};
  vorn::Store store{channels, paths};
  vorn::ProgramBuffer buffer{1000};
  vorn::StorageScreenState state;
  vorn::StorageContext context{session, buffer, store, state, {}, {}};
  vorn::StorageVariant variant = vorn::mainStorageVariant();

  ListRig() {
    screen.syncSize();
    store.select("A:", "M1");
    std::vector<std::string> lines;
    for (int i = 0; i < 200; ++i) lines.push_back("N" + std::to_string(i) + " G01 X" + std::to_string(i) + ". Y-12.5 F300");
    buffer.assign(lines);
    for (int i = 0; i < 557; ++i) {
      vorn::SaveRequest r;
      r.name = "P" + std::to_string(10000 + i * 7);
      r.title = "ﾍﾞﾝﾁ 加工";
      r.date = "06. 6. 5";
      r.settings.trajectory[0] = 150;
      store.save(buffer, r);
    }
    store.openVolume();
    store.readIndex();
    state.list.setCount(store.index().count());
    state.list.buildFrom(1);
  }
  ~ListRig() {
    store.closeVolume();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  vorn::DeviceConfig config() {
    fs::remove_all(dir);
    fs::create_directories(dir);
    vorn::DeviceConfig c;
    c.workDir = dir;
    c.configDir = dir / "config";
    return c;
  }
};

// Page Down in the list window: the view moves 15 entries and the 16 lines
// are rebuilt and printed; at the end of the index the list starts again.
void BM_ListPageForwardOf557(benchmark::State& state) {
  ListRig rig;
  vorn::StorageScreen screen(rig.context, rig.variant);
  vorn::ProgramListView& list = rig.state.list;
  for (auto _ : state) {
    if (list.top + list.lastLine() - 1 >= list.count) list.buildFrom(1);
    list.key(20);
    screen.drawList();
  }
  benchmark::DoNotOptimize(rig.screen.rowText(5));
}
BENCHMARK(BM_ListPageForwardOf557)->Unit(benchmark::kMicrosecond);

}  // namespace
