#pragma once
// The one place where the program's DOS-style names become paths of this
// machine: "\" separators, drive letters "A:".."F:", the remembered-directory
// file "c:\vornt", serial ports "COMn" and printers "LPTn".
#include <array>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Where a printer "LPTn" goes: a CUPS queue when `queue` is set, else a file.
struct PrinterTarget {
  std::string queue;           // CUPS queue name handed to `lp -d`; empty = print to file
  std::filesystem::path file;  // file the output is appended to when no queue is set
};

// The device and folder configuration, read from "devices.conf" in the
// configuration folder; every member has a default that works on a fresh machine.
struct DeviceConfig {
  std::filesystem::path configDir;  // user's configuration folder ($XDG_CONFIG_HOME/vornt or ~/.config/vornt)
  std::filesystem::path workDir;    // folder that relative names and default drives are taken from
  std::array<std::filesystem::path, 6> drives;  // folders of "A:".."F:"; empty = default (see driveFolder)
  std::map<int, std::filesystem::path> serialPorts;  // COMn -> device path, overriding /dev/ttyS{n-1}
  std::map<int, PrinterTarget> printers;             // LPTn -> queue or file, overriding lptN.txt
  std::string printCommand = "lp";                   // program that takes "-d QUEUE FILE"
  std::vector<std::string> problems;                 // lines of the file that were not understood
};

// The configuration folder from $XDG_CONFIG_HOME and $HOME (either may be null).
std::filesystem::path configFolder(const char* xdgConfigHome, const char* home);
// The configuration of configDir/devices.conf (defaults when the file is missing).
DeviceConfig loadDeviceConfig(const std::filesystem::path& configDir, const std::filesystem::path& workDir);
// Reads the text of a devices.conf into config (later lines win).
void parseDeviceConfig(std::string_view text, DeviceConfig& config);

// Maps names using a configuration it holds; owned by the application.
class PathMap {
 public:
  explicit PathMap(DeviceConfig config) : config_(std::move(config)) {}
  const DeviceConfig& config() const { return config_; }

  // The path of a file name as the program writes it ("A:M1.D", "A:M1\PROG1",
  // "c:\vornt", "sub\x.nc"). Never touches the disk.
  std::filesystem::path resolve(std::string_view name) const;
  // resolve(), creating the folder of a default drive when it is missing, so
  // that a fresh machine needs no set-up (configured drives are never created).
  std::filesystem::path resolveForWriting(std::string_view name) const;
  // The folder of drive letter 'A'..'F' (configured, or A = working directory,
  // B..F = a same-named subfolder of it).
  std::filesystem::path driveFolder(char letter) const;

  // Port number of "COMn", "COMn:" or "COMn:(...)", or nullopt for other names.
  static std::optional<int> serialPortNumber(std::string_view name);
  // Printer number of "LPTn" or "LPTn:", or nullopt.
  static std::optional<int> printerNumber(std::string_view name);
  std::filesystem::path serialDevice(int port) const;  // configured path or /dev/ttyS{port-1}
  PrinterTarget printer(int number) const;             // configured target or workDir/lptN.txt

 private:
  DeviceConfig config_;
};

}  // namespace vorn
