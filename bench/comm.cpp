// Communication speeds against a pseudo-terminal peer: how fast the engine
// feeds the line while checking for control bytes before every character
// (compare with 115200 bit/s, about 11,520 characters a second), and how long
// receiving a 28,912-line program at full speed takes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "comm/program_lines.h"
#include "comm/transfer.h"
#include "editor/load.h"
#include "editor/program_buffer.h"
#include "runtime/clock.h"
#include "tests/comm/nc_peer.h"

#include "bench/bench_programs.h"

namespace {

namespace fs = std::filesystem;
using vorn::test::NcPeer;

// The generated 28,912-line milling program, made once per run in a temp folder.
const vorn::ProgramBuffer& benchProgram() {
  static const vorn::ProgramBuffer program = [] {
    const fs::path file = bench::program(bench::programFolder("vorn_bench_comm"), 28912, ".nc");
    vorn::ProgramBuffer b;
    vorn::loadProgramBytes(b, file.string(), bench::readBytes(file));
    return b;
  }();
  return program;
}

vorn::LineSettings ptyLine() { return vorn::parseDeviceString("COM1:(S8N1N8NN?)"); }

vorn::ProtocolOptions quickEnd() {
  vorn::ProtocolOptions o;
  o.endPauseSeconds = 0;
  return o;
}

// Sends the whole program (mode "now") to a peer that reads as fast as it can.
void BM_SendToPty(benchmark::State& state) {
  const vorn::ProgramBuffer& program = benchProgram();
  int64_t bytes = 0;
  for (auto _ : state) {
    NcPeer nc;
    size_t received = 0;
    // The peer takes what arrived every 200 microseconds, as a UART driver
    // hands bytes on in bursts; it stops at the closing NUL.
    nc.start([&](NcPeer& p) {
      std::string all;
      for (int idle = 0; idle < 10000 && !(all.size() > 16 && all.back() == '\0');) {
        NcPeer::pause(0.0002);
        const std::string got = p.readWaiting();
        idle = got.empty() ? idle + 1 : 0;
        all += got;
      }
      received = all.size();
    });
    auto port = vorn::openSerialPort(nc.slavePath, ptyLine());
    vorn::VirtualClock clock;
    vorn::TransferObserver quiet;
    vorn::Transfer t(*port, clock, quickEnd(), quiet);
    vorn::BufferSource src(program);
    t.run(vorn::TransferMode::Now, &src, nullptr);
    nc.join();
    port->close();
    bytes += int64_t(received);
  }
  state.SetBytesProcessed(bytes);
  state.counters["x115200"] = benchmark::Counter(double(bytes) / 11520.0, benchmark::Counter::kIsRate);
}
// Rates are per second of the sending thread's CPU time: the engine's own
// cost, apart from waiting for a shared machine's processors.
BENCHMARK(BM_SendToPty)->Unit(benchmark::kMillisecond)->Iterations(3);

// Receives the whole program from a peer writing at full speed.
void BM_Receive28912Lines(benchmark::State& state) {
  const vorn::ProgramBuffer& program = benchProgram();
  std::string wire = "%\r\n";
  for (int n = 1; n <= program.lineCount(); ++n) wire += std::string(program.line(n)) + "\r\n";
  wire += "%";
  for (auto _ : state) {
    NcPeer nc;
    nc.start([&](NcPeer& p) {
      if (p.waitFor(vorn::ctl::DC1)) p.write(wire);
    });
    auto port = vorn::openSerialPort(nc.slavePath, ptyLine());
    vorn::VirtualClock clock;
    vorn::TransferObserver quiet;
    vorn::ProgramBuffer b;
    vorn::BufferReceiver sink(b, false);
    vorn::Transfer t(*port, clock, quickEnd(), quiet);
    t.run(vorn::TransferMode::Replace, nullptr, &sink);
    nc.join();
    port->close();
    if (b.lineCount() != program.lineCount()) state.SkipWithError("lines lost");
  }
  state.counters["lines"] = double(program.lineCount());
}
BENCHMARK(BM_Receive28912Lines)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
