#include "apps/cli_machine.h"

#include <cmath>
#include <filesystem>
#include <optional>
#include <ostream>

#include "apps/cli_simulate.h"
#include "apps/command_line.h"
#include "editor/normalize.h"
#include "editor/program_stream.h"
#include "output/machine_file.h"
#include "output/machine_output.h"
#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/paths.h"

namespace vorn {

namespace {

constexpr int kMachineOutChannel = 9;
constexpr long kProgressBlocks = 10000;

struct MachineCommand {
  SimulateOptions run;          // program, unit, start, tools, skip, codes, work, base
  MachiningConditions cond;     // position, scales, speed, mirror, depth adjust
  int type = 0;                 // --type: record number of the machine type (0: the selected one)
  int dialect = -1;             // --dialect: the first type of this dialect
  std::string machineFile;      // --machine-file; empty: ./NCMM, else the shipped file
  std::string output;           // -o
  std::string workDir;          // --work-dir
  bool help = false;
};

std::string machineUsage() {
  std::vector<OptionHelp> options = {
      {"-o OUT", "the command file to write"},
      {"--type N", "the machine type by its record number in the machine file, from 2 (default: the selected one)"},
      {"--dialect 0-5", "the first machine type of this command dialect"},
      {"--position X,Y", "the work's position on the table in mm, 0 to 999.99 (default 0,0)"},
      {"--scale XY,Z", "the XY scale (above 0 up to 20) and the Z scale (0 to 9.999) (default 1,1)"},
      {"--speed N", "the cutting speed, 0 to 999; 0 takes the program's feed (default 20)"},
      {"--mirror", "mirror X"},
      {"--depth D", "the depth adjust in mm, -99.99 to 99.99 (default 0)"},
      {"--machine-file NCMM", "the machine file (default: ./NCMM, else the shipped one)"},
  };
  for (OptionHelp& shared : simulateOptionHelp({"--unit", "--start", "--tools", "--skip", "--codes", "--work", "--base",
                                                "--max-blocks"}))
    options.push_back(std::move(shared));
  options.push_back({"--work-dir DIR", "where a relative OUT and included files are found (default: the current folder)"});
  options.push_back({"--help", "print this text"});
  options.push_back({"--version", "print the version"});
  return "usage: vornt-cli machine FILE -o OUT [OPTIONS]\n"
         "Turns the NC program FILE into the commands of a modelling machine type, as\n"
         "the machining screen does, and says on standard error which type it used.\n" +
         optionLines(options) +
         "Exit status: 0 done, 1 a usage or file error, 2 a block error (OUT still ends\n"
         "properly), 3 stopped by --max-blocks.\n";
}

// count numbers in [lo, hi], separated by commas.
bool readNumbers(const std::string& text, size_t count, float lo, float hi, std::vector<float>& out) {
  return readNumberList(text, lo, hi, out) && out.size() == count;
}

// A machining option; false when the value is bad.
bool applyOption(MachineCommand& c, const std::string& name, const std::string& v, std::string* expects) {
  std::vector<float> n;
  if (name == "--type") {
    *expects = "a record number from 2";
    if (!readNumbers(v, 1, 2, 9999, n) || n[0] != std::floor(n[0])) return false;
    c.type = int(n[0]);
  } else if (name == "--dialect") {
    *expects = "0 to 5";
    if (!readNumbers(v, 1, 0, 5, n) || n[0] != std::floor(n[0])) return false;
    c.dialect = int(n[0]);
  } else if (name == "--position") {
    *expects = "X,Y in mm (0 to 999.99)";
    if (!readNumbers(v, 2, 0, 999.99f, n)) return false;
    c.cond.ZDT = n[0], c.cond.ZDTY = n[1];
  } else if (name == "--scale") {
    *expects = "XY,Z (XY above 0 up to 20, Z 0 to 9.999)";
    if (!readNumbers(v, 2, 0, 20, n) || !(n[0] > 0) || n[1] > 9.999f) return false;
    c.cond.ZD3 = n[0], c.cond.IDMXU = n[1];
  } else if (name == "--speed") {
    *expects = "0 to 999 (0: the program's feed)";
    if (!readNumbers(v, 1, 0, 999, n)) return false;
    c.cond.WN = n[0];
  } else if (name == "--depth") {
    *expects = "a depth adjust in mm (-99.99 to 99.99)";
    if (!readNumbers(v, 1, -99.99f, 99.99f, n)) return false;
    c.cond.PFZ = std::trunc(n[0] * 100) / 100;
  } else if (name == "--machine-file") {
    c.machineFile = v;
  } else if (name == "--work-dir") {
    c.workDir = v;
  } else {
    *expects = "";
    return false;
  }
  return true;
}

bool parse(const std::vector<std::string>& args, MachineCommand& c, std::string* error) {
  const CommandOptionNames names{
      {"--type", "--dialect", "--position", "--scale", "--speed", "--depth", "--machine-file", "--work-dir"},
      {"--mirror"},
      {"--unit", "--start", "--tools", "--skip", "--codes", "--work", "--base", "--max-blocks"}};
  CommandArguments split;
  if (!splitCommandArguments(args, names, "machine", split, error)) return false;
  if ((c.help = split.help)) return true;
  for (const auto& [name, value] : split.own) {
    std::string expects;
    if (name == "-o") {
      c.output = value;
    } else if (name == "--mirror") {
      c.cond.Z22 = 2;
    } else if (!applyOption(c, name, value, &expects)) {
      return *error = name + " takes " + expects, false;
    }
  }
  if (c.type > 0 && c.dialect >= 0) return *error = "--type and --dialect exclude each other", false;
  c.run.settings.IDMX = 10;
  if (!parseSimulateArgs(split.shared, c.run, error)) return false;
  if (c.output.empty()) return *error = "no output file given (-o OUT)", false;
  return true;
}

// The machine file at path, read through a channel table rooted at its folder;
// false after a message on err.
bool readMachineFileAt(const std::string& path, MachineFile& file, std::ostream& err) {
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    err << "vornt-cli machine: cannot read " << path << "\n";
    return false;
  }
  DeviceConfig config;
  config.workDir = std::filesystem::absolute(path, ec).parent_path();
  PathMap paths(config);
  ChannelTable channels(paths);
  try {
    file = readMachineFile(channels, std::filesystem::path(path).filename().string());
  } catch (const RuntimeError& e) {
    err << "vornt-cli machine: " << path << ": " << e.what() << "\n";
    return false;
  }
  return true;
}

// The type --type or --dialect names, else the selected one; nullptr when there is none.
const MachineType* chosenType(const MachineCommand& c, const MachineFile& file) {
  if (c.type > 0) return size_t(c.type - 2) < file.types.size() ? &file.types[size_t(c.type - 2)] : nullptr;
  if (c.dialect < 0) return file.selected();
  for (const MachineType& t : file.types)
    if (t.ZN == c.dialect) return &t;
  return nullptr;
}

}  // namespace

int runMachineCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  MachineCommand c;
  c.cond.ZD3 = 1;
  std::string error;
  if (!parse(args, c, &error) || c.help) {
    if (!c.help) err << "vornt-cli machine: " << error << "\n";
    (c.help ? out : err) << machineUsage();
    return c.help ? 0 : 1;
  }

  const std::string machinePath = c.machineFile.empty() ? localOrShippedFile(kMachineFile) : c.machineFile;
  MachineFile file;
  if (!readMachineFileAt(machinePath, file, err)) return 1;
  const MachineType* type = chosenType(c, file);
  if (!type) {
    err << "vornt-cli machine: " << machinePath << " has no such machine type\n";
    return 1;
  }
  if (c.cond.ZDT > type->RX || c.cond.ZDTY > type->RY) {
    err << "vornt-cli machine: the position is beyond the machine's travel (" << type->RX << " x " << type->RY
        << " mm)\n";
    return 1;
  }
  MachineOptions options = file.settings.options();
  options.serial = false;  // a file gets no device-control sequences

  std::optional<StreamProgram> program;
  try {
    program.emplace(c.run.file);
  } catch (const RuntimeError& e) {
    err << "vornt-cli machine: " << e.what() << "\n";
    return 1;
  }
  const std::optional<CodeTable> codes = loadCommandCodeTable(c.run.codesFile, &error);
  if (!codes) {
    err << "vornt-cli machine: " << error << "\n";
    return 1;
  }

  DeviceConfig config;
  config.workDir = c.workDir.empty() ? std::filesystem::current_path() : std::filesystem::path(c.workDir);
  PathMap paths(config);
  ChannelTable channels(paths);
  MachineWork work{c.run.drawing.workSize[0], c.run.drawing.basePoint};
  long blocks = 0;
  MachineOutcome outcome;
  try {
    channels.open(kMachineOutChannel, c.output, OpenMode::Output);
    ChannelSink sink(channels, kMachineOutChannel);
    MachineOutput output(sink, *type, options, c.cond, work);
    outcome = machineProgram(
        *program, *codes, c.run.settings, output,
        [&paths](const std::string& name) { return streamIncludedFile(paths.resolve(name).string(), name); },
        normalizeIncludedLine,
        [&](const Move&) {
          if (++blocks % kProgressBlocks == 0) err << "vornt-cli machine: " << blocks << " blocks\n";
          return c.run.maxBlocks == 0 || blocks < c.run.maxBlocks;
        });
    sink.flush();
    channels.close(kMachineOutChannel);
  } catch (const RuntimeError& e) {
    err << "vornt-cli machine: " << e.what() << "\n";
    return 1;
  }
  err << "vornt-cli machine: " << type->CAM << " (dialect " << type->ZN << "), MAX:Y=" << outcome.MDM << "\n";
  return runExitStatus(outcome.run, "machine", blocks, err);
}

}  // namespace vorn
