#include "apps/main/program_main.h"
#include <cstdlib>
#include <ctime>
#include <initializer_list>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include "apps/app.h"
#include "apps/learner_wiring.h"
#include "apps/recovery_file.h"
#include "runtime/headless_backend.h"
#include "runtime/keyscript.h"
#include "runtime/sdl/sdl_backend.h"
#include "runtime/signals.h"
#include "apps/command_line.h"

namespace {

namespace fs = std::filesystem;

std::string usage(const vorn::ProgramKind& kind) {
  const std::string n = kind.name;
  const std::string learner = kind.edition.learner ? " [--learner NUMBER]" : "";
  return "usage: " + n + " [FILE] [--work-dir DIR]" + learner + "\n" +
         "       " + n + " --headless [--keys SCRIPT | --keys-file PATH] [--dump-text FILE] [--dump-png FILE]" +
         learner + " [FILE]\n" +
         (kind.edition.learner ? "Writes, checks, plots and hands in NC programs on a character screen; FILE is "
                                 "loaded at start.\n"
                               : "Writes, checks and moves NC programs on a character screen; FILE is loaded at "
                                 "start.\n") +
         "options:\n"
         "  --work-dir DIR     run in DIR (made if missing) instead of the remembered working directory\n"
         "  --headless         run without a window, reading keys from a key script\n"
         "  --keys SCRIPT      the key script itself (with --headless)\n"
         "  --keys-file PATH   the key script from a file; \"-\" follows standard input until its end\n"
         "  --dump-text FILE   write the screen as text when the script is used up\n"
         "  --dump-png FILE    write the screen as a PNG picture when the script is used up\n" +
         (kind.edition.learner ? "  --learner NUMBER   the learner's number, which names submitted files\n" : "") +
         "  --help             print this text\n"
         "  --version          print the version\n";
}

struct Options {
  std::string file;       // NC program to load at start
  std::string workDir;    // run in this folder (no remembered directory)
  bool headless = false;
  std::optional<std::string> keys;
  bool followStdin = false;   // --keys-file -: the script is read as it is written
  std::string dumpText, dumpPng;
  int learner = 0;            // the learner's number (VORN_s), 0 for none
};

fs::path absoluteOf(const std::string& p) {
  std::error_code ec;
  fs::path a = fs::absolute(p, ec);
  return ec ? fs::path(p) : a;
}

std::optional<std::string> readWhole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Returns nullopt after printing a message when the arguments are wrong.
std::optional<Options> parse(int argc, char** argv, const vorn::ProgramKind& kind) {
  const std::string name = kind.name;
  const std::string kUsage = usage(kind);
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    auto value = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--headless") {
      o.headless = true;
    } else if (a == "--keys" && value(v)) {
      o.keys = v;
    } else if (a == "--keys-file" && value(v) && v == "-") {
      o.keys = "";
      o.followStdin = true;
    } else if (a == "--keys-file" && !v.empty()) {
      o.keys = readWhole(v);
      if (!o.keys) {
        std::cerr << name << ": cannot read the key script " << v << "\n";
        return std::nullopt;
      }
    } else if (a == "--dump-text" && value(v)) {
      o.dumpText = absoluteOf(v).string();
    } else if (a == "--dump-png" && value(v)) {
      o.dumpPng = absoluteOf(v).string();
    } else if (kind.edition.learner && a == "--learner" && value(v)) {
      if (!vorn::parseLearnerNumber(v, o.learner)) {
        std::cerr << name << ": --learner takes a number from 1 to " << vorn::kMaxLearnerNumber << "\n";
        return std::nullopt;
      }
    } else if (a == "--work-dir" && value(v)) {
      o.workDir = v;
    } else if (!a.empty() && a[0] != '-' && o.file.empty()) {
      // A quoted path stays quoted: the loader drops its first and last characters.
      o.file = a[0] == '"' ? "\"" + absoluteOf(a.substr(1)).string() : absoluteOf(a).string();
    } else {
      std::cerr << name << ": unexpected argument " << a << "\n" << kUsage;
      return std::nullopt;
    }
  }
  if (o.headless && !o.keys) o.keys = "";
  if (!o.headless && o.keys) {
    std::cerr << name << ": --keys needs --headless\n";
    return std::nullopt;
  }
  return o;
}

// A stop signal ends the run; the program's lines are kept in a recovery file.
void saveOnStop(vorn::App& app, const std::string& name) {
  std::error_code ec;
  const fs::path here = fs::current_path(ec);
  try {
    if (auto path = vorn::writeRecoveryFile(app.editor.buffer, here, std::time(nullptr)))
      std::cerr << name << ": stopped; the program's lines are saved in " << path->string() << "\n";
    else
      std::cerr << name << ": stopped\n";
  } catch (const std::exception& e) {
    std::cerr << name << ": stopped, and the program's lines could not be saved: " << e.what() << "\n";
  }
}

// A window needs a display: without one, say so instead of waiting for a
// window that never comes. SDL_VIDEODRIVER names a display of SDL's own.
bool displayAvailable() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}) {
    const char* v = std::getenv(name);
    if (v && *v) return true;
  }
  return false;
}

int run(const Options& o, vorn::Backend& backend, vorn::Clock& clock, const vorn::ProgramKind& kind) {
  const std::string name = kind.name;
  const fs::path configDir = vorn::configFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  std::error_code ec;
  vorn::App app(backend, clock, vorn::loadDeviceConfig(configDir, fs::current_path(ec)), kind.edition);
  app.learner.number = o.learner;
  for (const std::string& line : app.paths.config().problems)
    std::cerr << name << ": " << (configDir / "devices.conf").string() << ": line not understood: " << line << "\n";
  vorn::wireScreens(app);
  const fs::path dataDir = vorn::dataDirectory();
  app.session.hooks.prepareWorkDir = [&app, &configDir, &dataDir](vorn::Session&) {
    std::error_code e;
    const fs::path here = fs::current_path(e);
    app.paths = vorn::PathMap(vorn::loadDeviceConfig(configDir, here));
    vorn::installShippedFiles(dataDir, here);
  };
  vorn::StartOptions start;
  start.commandFile = o.file;
  // An explicit working directory wins over the remembered one.
  if (o.workDir.empty()) start.rememberedDirFile = app.paths.resolve("c:\\" + name).string();
  int status = 0;
  try {
    status = vorn::runShell(app.session, start, app.menu);
  } catch (const vorn::InputExhausted&) {
    status = 0;   // the key script is used up
  } catch (const vorn::StopRequested& stop) {
    status = 128 + stop.signal;
    saveOnStop(app, name);
  }
  if (o.headless && !vorn::writeScreenDumps(app.screen, o.dumpText, o.dumpPng, name, std::cerr)) status = 1;
  return status;
}

}  // namespace

namespace vorn {

int programMain(int argc, char** argv, const ProgramKind& kind) {
  const std::string name = kind.name;
  if (auto status = answerHelpOrVersion(name, usage(kind), argc, argv, std::cout)) return *status;
  std::optional<Options> options = parse(argc, argv, kind);
  if (!options) return 1;
  const Options& o = *options;
  if (!o.headless && !displayAvailable()) {
    std::cerr << name << ": no display found (neither DISPLAY nor WAYLAND_DISPLAY is set).\n"
              << "       Run it on a desktop, or without a window: " << name << " --headless --keys SCRIPT\n";
    return 1;
  }
  vorn::installStopSignals();
  if (!o.workDir.empty()) {
    std::error_code ec;
    fs::create_directories(o.workDir, ec);
    fs::current_path(o.workDir, ec);
    if (ec) {
      std::cerr << name << ": cannot use the working directory " << o.workDir << ": " << ec.message() << "\n";
      return 1;
    }
  }
  try {
    if (o.headless) {
      // SOURCE_DATE_EPOCH fixes the date shown, for pictures that must not change.
      const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
      vorn::VirtualClock clock(epoch && *epoch ? std::time_t(std::atoll(epoch)) : std::time(nullptr));
      vorn::HeadlessBackend backend = vorn::HeadlessBackend::fromScript(*o.keys);
      if (o.followStdin) backend.followScript(0);
      return run(o, backend, clock, kind);
    }
    vorn::RealClock clock;
    vorn::SdlBackend backend;
    return run(o, backend, clock, kind);
  } catch (const vorn::KeyScriptError& e) {
    std::cerr << name << ": key script: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << name << ": " << e.what() << "\n";
    return 1;
  }
}

}  // namespace vorn
