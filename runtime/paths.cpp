#include "runtime/paths.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <system_error>

namespace vorn {

namespace {

std::string upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

// The number after `prefix` in "PREFIXn", "PREFIXn:" or "PREFIXn:(...)".
std::optional<int> deviceNumber(std::string_view name, std::string_view prefix) {
  std::string u = upper(trim(name));
  if (u.rfind(prefix, 0) != 0) return std::nullopt;
  size_t i = prefix.size();
  int n = 0;
  size_t digits = 0;
  for (; i < u.size() && std::isdigit(static_cast<unsigned char>(u[i])) && digits < 3; ++i, ++digits) {
    n = n * 10 + (u[i] - '0');
  }
  if (digits == 0 || n == 0) return std::nullopt;
  if (i == u.size() || u[i] == ':') return n;
  return std::nullopt;
}

// Drive letter index 0..5 of "A:".."F:" at the start of name, or -1.
int driveIndex(std::string_view name) {
  if (name.size() < 2 || name[1] != ':') return -1;
  char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
  return letter >= 'A' && letter <= 'F' ? letter - 'A' : -1;
}

std::string slashes(std::string_view name) {
  std::string out(name);
  for (char& c : out) {
    if (c == '\\') c = '/';
  }
  return out;
}

// Names of the remembered-directory file, as the program spells it.
bool isRememberedDirectoryFile(std::string_view name) {
  std::string u = upper(slashes(trim(name)));
  return u == "C:/VORNT";
}

}  // namespace

std::filesystem::path configFolder(const char* xdgConfigHome, const char* home) {
  if (xdgConfigHome && *xdgConfigHome) return std::filesystem::path(xdgConfigHome) / "vornt";
  if (home && *home) return std::filesystem::path(home) / ".config" / "vornt";
  return std::filesystem::path(".vornt");
}

void parseDeviceConfig(std::string_view text, DeviceConfig& config) {
  std::istringstream lines{std::string(text)};
  std::string raw;
  while (std::getline(lines, raw)) {
    std::string_view line = trim(raw);
    if (line.empty() || line[0] == '#') continue;
    size_t eq = line.find('=');
    std::string key = eq == std::string_view::npos ? "" : upper(trim(line.substr(0, eq)));
    std::string_view value = eq == std::string_view::npos ? "" : trim(line.substr(eq + 1));
    int drive = driveIndex(key);
    std::optional<int> com = PathMap::serialPortNumber(key);
    std::optional<int> lpt = PathMap::printerNumber(key);
    if (drive >= 0 && key.size() == 2 && !value.empty()) {
      config.drives[static_cast<size_t>(drive)] = std::filesystem::path(std::string(value));
    } else if (com && !value.empty()) {
      config.serialPorts[*com] = std::filesystem::path(std::string(value));
    } else if (lpt && value.rfind("queue ", 0) == 0) {
      config.printers[*lpt] = PrinterTarget{std::string(trim(value.substr(6))), {}};
    } else if (lpt && value.rfind("file ", 0) == 0) {
      config.printers[*lpt] = PrinterTarget{{}, std::filesystem::path(std::string(trim(value.substr(5))))};
    } else if (key == "PRINT-COMMAND" && !value.empty()) {
      config.printCommand = std::string(value);
    } else {
      config.problems.push_back(std::string(line));
    }
  }
}

DeviceConfig loadDeviceConfig(const std::filesystem::path& configDir, const std::filesystem::path& workDir) {
  DeviceConfig config;
  config.configDir = configDir;
  config.workDir = workDir;
  std::ifstream in(configDir / "devices.conf", std::ios::binary);
  if (in) {
    std::ostringstream text;
    text << in.rdbuf();
    parseDeviceConfig(text.str(), config);
  }
  return config;
}

std::filesystem::path PathMap::driveFolder(char letter) const {
  int index = std::toupper(static_cast<unsigned char>(letter)) - 'A';
  if (index < 0 || index >= 6) return config_.workDir;
  const std::filesystem::path& configured = config_.drives[static_cast<size_t>(index)];
  if (!configured.empty()) return configured;
  return index == 0 ? config_.workDir : config_.workDir / std::string(1, static_cast<char>('A' + index));
}

std::filesystem::path PathMap::resolve(std::string_view name) const {
  if (isRememberedDirectoryFile(name)) return config_.configDir / "workdir";
  int drive = driveIndex(name);
  std::string rest = slashes(drive >= 0 ? name.substr(2) : name);
  if (drive >= 0) {
    while (!rest.empty() && rest[0] == '/') rest.erase(0, 1);
    return driveFolder(static_cast<char>('A' + drive)) / rest;
  }
  std::filesystem::path p(rest);
  return p.is_absolute() ? p : config_.workDir / p;
}

std::filesystem::path PathMap::resolveForWriting(std::string_view name) const {
  if (isRememberedDirectoryFile(name)) {
    std::error_code ignored;  // a failure shows up when the file itself is opened
    std::filesystem::create_directories(config_.configDir, ignored);
  } else if (int drive = driveIndex(name); drive >= 0 && config_.drives[static_cast<size_t>(drive)].empty()) {
    std::error_code ignored;
    std::filesystem::create_directories(driveFolder(static_cast<char>('A' + drive)), ignored);
  }
  return resolve(name);
}

std::optional<int> PathMap::serialPortNumber(std::string_view name) {
  std::string_view head = name.substr(0, name.find('('));
  return deviceNumber(head, "COM");
}

std::optional<int> PathMap::printerNumber(std::string_view name) { return deviceNumber(name, "LPT"); }

std::filesystem::path PathMap::serialDevice(int port) const {
  auto it = config_.serialPorts.find(port);
  if (it != config_.serialPorts.end()) return it->second;
  return "/dev/ttyS" + std::to_string(port - 1);
}

PrinterTarget PathMap::printer(int number) const {
  auto it = config_.printers.find(number);
  if (it != config_.printers.end()) {
    PrinterTarget t = it->second;
    if (t.queue.empty() && t.file.is_relative()) t.file = config_.workDir / t.file;
    return t;
  }
  return PrinterTarget{{}, config_.workDir / ("lpt" + std::to_string(number) + ".txt")};
}

}  // namespace vorn
