#pragma once
// The whole program on a headless screen: a working folder of its own, a
// command-line file, and a key script run to its end.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "apps/app.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"

namespace vorn {

struct ProgramRun {
  explicit ProgramRun(std::string_view script) : backend(HeadlessBackend::fromScript(script)) {
    dir = std::filesystem::temp_directory_path() / ("vorn_program_run_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "config");
  }
  ~ProgramRun() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }

  std::filesystem::path write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  }
  // Starts the program with commandFile and runs the script to its end.
  // capacity 0 keeps the edition's buffer.
  App& start(const std::filesystem::path& commandFile, int capacity = kVorntProgramCapacity) {
    DeviceConfig config;
    config.configDir = dir / "config";
    config.workDir = dir;
    if (configure) configure(config);
    app = std::make_unique<App>(backend, clock, config, edition);
    if (capacity) app->editor.buffer = ProgramBuffer(capacity);
    wireScreens(*app);
    if (prepare) prepare(*app);
    app->session.hooks.prepareWorkDir = [this](Session&) { installShippedFiles(dataDirectory(), dir); };
    StartOptions options;
    options.commandFile = commandFile.string();
    try {
      runShell(app->session, options, app->menu);
    } catch (const InputExhausted&) {
    }
    return *app;
  }
  std::string row(int r) const { return app->screen.rowText(r); }
  int statusRow() const { return int(app->session.geometry.CMMF) + 1; }
  // The editor row showing program line n.
  std::string lineRow(int n) const { return row(n - app->editor.state.M + 1); }

  std::filesystem::path dir;
  std::function<void(DeviceConfig&)> configure;  // device mapping of the run (serial ports, printers)
  std::function<void(App&)> prepare;             // after the wiring, before the run (hooks, settings)
  Edition edition = vorntEdition();              // the program run: VORN-T unless a test picks VORN_s
  VirtualClock clock;
  HeadlessBackend backend;
  std::unique_ptr<App> app;
};

}  // namespace vorn
