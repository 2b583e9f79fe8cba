#pragma once
// A trajectory screen on a headless session: a program in the buffer, a 100 x
// 60 x 20 work, and a working folder of its own that is removed afterwards.
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "display/trajectory_screen.h"
#include "editor/editor_state.h"
#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "shell/session.h"

namespace vorn {

struct TrajectoryRig {
  TrajectoryRig(Backend& backend, std::vector<std::string> program)
      : dir(uniqueFolder(this)),
        screen(backend, clock),
        paths(config(dir)),
        channels(paths),
        session(screen, channels, paths) {
    screen.syncSize();
    screen.mapStandardPalette();
    session.geometry.CMMF = float(screen.rows() - 5);
    buffer.assign(std::move(program));
    editor.reset();
    settings.workSize = {100, 60, 20};
  }
  ~TrajectoryRig() {
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
  }
  RunReport run() {
    TrajectoryContext context{session, buffer, editor, settings, standardCodeTable()};
    return trajectoryScreen(context);
  }

  std::filesystem::path dir;
  VirtualClock clock;
  Screen screen;
  PathMap paths;
  ChannelTable channels;
  Session session;
  ProgramBuffer buffer;
  EditorState editor;
  TrajectorySettings settings;

 private:
  // Two rigs may live at once (a run and its reference), each with its folder.
  static std::filesystem::path uniqueFolder(const void* self) {
    std::ostringstream name;
    name << "vorn_trajectory_" << ::getpid() << "_" << self;
    return std::filesystem::temp_directory_path() / name.str();
  }
  static DeviceConfig config(const std::filesystem::path& dir) {
    std::filesystem::create_directories(dir);
    DeviceConfig c;
    c.workDir = dir;
    c.configDir = dir;
    return c;
  }
};

// A headless back end at 1024x768 reading the given key script.
inline HeadlessBackend maximizedBackend(std::string_view script) {
  HeadlessBackend b = HeadlessBackend::fromScript(script);
  b.maximize();
  return b;
}

}  // namespace vorn
