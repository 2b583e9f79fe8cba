#pragma once
// A headless screen, a working folder of its own in /tmp and a session on
// it, with the module's state, for the module's screen tests.
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <string_view>

#include "manage/module.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "shell/session.h"

namespace vorn::testing {

struct ModuleRig {
  // `serialLine`, when given, is the device COM1 maps to.
  explicit ModuleRig(std::string_view script, const std::string& serialLine = {})
      : dir(makeDir()), backend(HeadlessBackend::fromScript(script)), screen(backend, clock),
        paths(config(dir, serialLine)), channels(paths), session(screen, channels, paths) {
    backend.maximize();
    screen.syncSize();
  }
  ~ModuleRig() { std::filesystem::remove_all(dir); }
  static std::filesystem::path makeDir() {
    char pattern[] = "/tmp/vornt-module-XXXXXX";
    return mkdtemp(pattern);
  }
  static DeviceConfig config(const std::filesystem::path& d, const std::string& serialLine) {
    DeviceConfig c;
    c.workDir = d;
    c.configDir = d / "config";
    if (!serialLine.empty()) c.serialPorts[1] = serialLine;
    return c;
  }
  bool shows(std::string_view text) const { return screen.dumpText().find(text) != std::string::npos; }

  std::filesystem::path dir;
  VirtualClock clock;
  HeadlessBackend backend;
  Screen screen;
  PathMap paths;
  ChannelTable channels;
  Session session;
  ModuleState module;
};

}  // namespace vorn::testing
