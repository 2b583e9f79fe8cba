// dirmark: names up to nine shared folders and registers them in "UsFolder",
// which VORN-T's shared-folder screen lists. Runs in VORN-T's remembered
// working directory (or --work-dir), in a window or headless from a key script.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <system_error>

#include "apps/command_line.h"
#include "dirmark/main_form.h"
#include "runtime/channels.h"
#include "runtime/headless_backend.h"
#include "runtime/keyscript.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "runtime/sdl/sdl_backend.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kUsage =
    "usage: dirmark [--work-dir DIR]\n"
    "       dirmark --headless [--keys SCRIPT | --keys-file PATH] [--dump-text FILE] [--dump-png FILE] [--work-dir DIR]\n"
    "Names up to nine shared folders and registers them for VORN-T's shared-folder screen.\n"
    "options:\n"
    "  --work-dir DIR     work in DIR (made if missing) instead of VORN-T's remembered working directory\n"
    "  --headless         run without a window, reading keys from a key script\n"
    "  --keys SCRIPT      the key script itself (with --headless)\n"
    "  --keys-file PATH   the key script from a file\n"
    "  --dump-text FILE   write the screen as text when the script is used up\n"
    "  --dump-png FILE    write the screen as a PNG picture when the script is used up\n"
    "  --help             print this text\n"
    "  --version          print the version\n";

struct Options {
  std::string workDir;   // "" = VORN-T's remembered working directory, else the current one
  bool headless = false;
  std::optional<std::string> keys;
  std::string dumpText, dumpPng;
};

std::string absoluteOf(const std::string& p) {
  std::error_code ec;
  fs::path a = fs::absolute(p, ec);
  return ec ? p : a.string();
}

std::optional<std::string> readWhole(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<Options> parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    std::string v;
    auto value = [&] {
      if (i + 1 >= argc) return false;
      v = argv[++i];
      return true;
    };
    if (a == "--headless") {
      o.headless = true;
    } else if (a == "--keys" && value()) {
      o.keys = v;
    } else if (a == "--keys-file" && value()) {
      o.keys = readWhole(v);
      if (!o.keys) {
        std::cerr << "dirmark: cannot read the key script " << v << "\n";
        return std::nullopt;
      }
    } else if (a == "--dump-text" && value()) {
      o.dumpText = absoluteOf(v);
    } else if (a == "--dump-png" && value()) {
      o.dumpPng = absoluteOf(v);
    } else if (a == "--work-dir" && value()) {
      o.workDir = v;
    } else {
      std::cerr << "dirmark: unexpected argument " << a << "\n" << kUsage;
      return std::nullopt;
    }
  }
  if (o.headless && !o.keys) o.keys = "";
  if (!o.headless && o.keys) {
    std::cerr << "dirmark: --keys needs --headless\n";
    return std::nullopt;
  }
  return o;
}

// The folder VORN-T last ran in (its remembered-directory file), if any.
std::string rememberedWorkDir(const fs::path& configDir) {
  const vorn::PathMap paths(vorn::loadDeviceConfig(configDir, fs::current_path()));
  std::optional<std::string> text = readWhole(paths.resolve("c:\\vornt"));
  if (!text) return {};
  std::string line = text->substr(0, text->find_first_of("\r\n"));
  std::error_code ec;
  return fs::is_directory(line, ec) ? line : std::string();
}

int run(const Options& o, const fs::path& configDir, vorn::Backend& backend, vorn::Clock& clock) {
  vorn::Screen screen(backend, clock);
  const vorn::PathMap paths(vorn::loadDeviceConfig(configDir, fs::current_path()));
  vorn::ChannelTable channels(paths);
  screen.setTitle("VORN共用フォルダ設定");
  screen.mapStandardPalette();
  try {
    vorn::runMainForm(screen, channels, clock.wallTime());
  } catch (const vorn::InputExhausted&) {
    // The key script is used up: nothing was registered.
  }
  if (o.headless && !vorn::writeScreenDumps(screen, o.dumpText, o.dumpPng, "dirmark", std::cerr)) return 1;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (auto status = vorn::answerHelpOrVersion("dirmark", kUsage, argc, argv, std::cout)) return *status;
  std::optional<Options> options = parse(argc, argv);
  if (!options) return 1;
  const Options& o = *options;
  const fs::path configDir = vorn::configFolder(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
  const std::string workDir = o.workDir.empty() ? rememberedWorkDir(configDir) : o.workDir;
  if (!workDir.empty()) {
    std::error_code ec;
    if (!o.workDir.empty()) fs::create_directories(workDir, ec);
    fs::current_path(workDir, ec);
    if (ec) {
      std::cerr << "dirmark: cannot use the working directory " << workDir << ": " << ec.message() << "\n";
      return 1;
    }
  }
  try {
    if (o.headless) {
      vorn::VirtualClock clock;
      vorn::HeadlessBackend backend = vorn::HeadlessBackend::fromScript(*o.keys);
      return run(o, configDir, backend, clock);
    }
    vorn::RealClock clock;
    vorn::SdlBackend backend;
    return run(o, configDir, backend, clock);
  } catch (const vorn::KeyScriptError& e) {
    std::cerr << "dirmark: key script: " << e.what() << "\n";
    return 2;
  } catch (const std::exception& e) {
    std::cerr << "dirmark: " << e.what() << "\n";
    return 1;
  }
}
