#pragma once
// `vornt-cli simulate FILE [options]`: runs a program through the interpreter
// with the trajectory settings given as options and prints what the
// trajectory screen reports at the end (error text, stop line, "移動",
// "切削" and the " :##H##M" time).
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "apps/cli_picture.h"
#include "apps/command_line.h"
#include "interp/runner.h"

namespace vorn {

struct SimulateOptions {
  std::string file;            // the program file (code page 932)
  RunSettings settings;        // unit divisor, view, scale, start point, tool radii, skip
  int unitChoice = 2;          // "単位1/n" choice 1-4
  int angle = 10;              // 3D rotation angle, degrees (for drawing options)
  std::string codesFile;       // code-table file; empty: ./NCG, else the shipped table
  long maxBlocks = 0;          // stop after this many blocks (0: no limit)
  bool moves = false;          // print one JSON object per drawing block
  PictureOptions picture;      // --png, --svg, --size: pictures drawn as the screen draws
  DrawingSetup drawing;        // --work, --base, --zratio, --rapid: the pictures' settings
};

// One option of the command: its name, the value it takes, its line in
// --help, and what it does with the value (false with *error set when the
// value is bad). Drawing options are added to this table.
struct SimulateOption {
  std::string name;     // "--unit"
  std::string value;    // the value as --help names it ("1-4"); "" for a flag
  std::string meaning;  // what the option does, for --help
  std::function<bool(SimulateOptions&, const std::string& value, std::string* error)> apply;
  bool takesValue() const { return !value.empty(); }
};
const std::vector<SimulateOption>& simulateOptionTable();

// The --help lines of the named options of the table, in the order named
// (every option when names is empty); plot and machine share these options.
std::vector<OptionHelp> simulateOptionHelp(const std::vector<std::string_view>& names = {});

// Parses the arguments after "simulate"; false with *error on bad usage.
bool parseSimulateArgs(const std::vector<std::string>& args, SimulateOptions& options,
                       std::string* error);

// Runs the command on the program read as a stream (editor/program_stream.h),
// in constant memory whatever its size. Exit status: 0 normal end, 2 block
// error, 3 block limit, 1 bad usage or an unreadable file. Words the
// interpreter ignored and lines cut while reading are each reported in one
// warning line on `err`.
int runSimulate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vorn
