// vornt-cli: the package's libraries without a window. One subcommand per
// task; each lives in apps/cli_<name>.{h,cpp} and is listed here.
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "apps/cli_plot.h"
#include "apps/cli_machine.h"
#include "apps/command_line.h"
#include "apps/cli_comm.h"
#include "apps/cli_simulate.h"
#include "apps/cli_store.h"

namespace {

struct Command {
  std::string_view name;
  std::string_view summary;
  int (*run)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
};

constexpr Command kCommands[] = {
    {"simulate", "run an NC program through the interpreter and report distance and time",
     vorn::runSimulate},
    {"plot", "plot an NC program as HP-GL into a file", vorn::runPlotCommand},
    {"machine", "machine an NC program into a file in a modelling machine's commands", vorn::runMachineCommand},
    {"store", "list, import, export, delete, repair and copy programs of the program store", vorn::runStore},
    {"send", "send an NC program to the NC machine over a serial line", vorn::runSend},
    {"receive", "receive an NC program from the NC machine over a serial line", vorn::runReceive},
    {"print", "print the program listing (to the printer or a file)", vorn::runPrint},
};

std::string usageText() {
  std::vector<vorn::OptionHelp> commands;
  for (const Command& c : kCommands) commands.push_back({std::string(c.name), std::string(c.summary)});
  return "usage: vornt-cli COMMAND [ARGS]   (vornt-cli COMMAND --help for a command's options)\n" +
         vorn::optionLines(commands, "commands:") +
         vorn::optionLines({{"--help", "print this text"}, {"--version", "print the version"}});
}

int usage(std::ostream& err) {
  err << usageText();
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage(std::cerr);
  std::string_view name = argv[1];
  if (name.starts_with("-")) {
    if (auto status = vorn::answerHelpOrVersion("vornt-cli", usageText(), 2, argv, std::cout)) return *status;
  }
  std::vector<std::string> args(argv + 2, argv + argc);
  for (const Command& c : kCommands) {
    if (c.name != name) continue;
    // Each command answers --help with its own usage; --version is the package's.
    for (const std::string& a : args) {
      if (a != "--version") continue;
      std::cout << "vornt-cli " << name << " " << vorn::packageVersion() << "\n";
      return 0;
    }
    return c.run(args, std::cout, std::cerr);
  }
  std::cerr << "vornt-cli: unknown command " << name << "\n";
  return usage(std::cerr);
}
