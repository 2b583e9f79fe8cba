#pragma once
// The options every program and every vornt-cli subcommand answers the same way.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "interp/code_table.h"
#include "interp/runner.h"

namespace vorn {

// The package's version ("0.1.0").
std::string_view packageVersion();

// When the arguments (after the program's name) hold "--help"/"-h" or
// "--version", prints the usage or "<program> <version>" on out and returns
// the exit status 0; otherwise nullopt and the program parses as usual.
std::optional<int> answerHelpOrVersion(std::string_view program, std::string_view usage, int argc,
                                       const char* const* argv, std::ostream& out);

// One line of a command's option list: the option as it is typed, with its
// value, and what it does.
struct OptionHelp {
  std::string option;   // "--work-dir DIR"
  std::string meaning;  // "the working directory (default: the current one)"
};

// The "options:" block of a usage text (or another heading's): one line per
// option, in the order given, the meanings starting in one column.
std::string optionLines(const std::vector<OptionHelp>& options, std::string_view heading = "options:");

// The arguments of a command that runs the interpreter for its own output
// (plot, machine): its own options with their values, in the order given, and
// what simulate's parser reads (the program and the options shared with it).
struct CommandArguments {
  bool help = false;                                     // "--help" or "-h" was given
  std::vector<std::pair<std::string, std::string>> own;  // "-o"/"--output" and the command's options: name, value
  std::vector<std::string> shared;                       // the program and the shared options with their values
};

// The names a command accepts: its options taking a value, its options
// without one, and simulate's options it shares (all of which take a value).
struct CommandOptionNames {
  std::vector<std::string_view> valued;
  std::vector<std::string_view> flags;
  std::vector<std::string_view> shared;
};

// Splits args by names; "--name=value" and "--name value" are both read. False
// with a message for an option of neither kind or a missing value.
bool splitCommandArguments(const std::vector<std::string>& args, const CommandOptionNames& names,
                           std::string_view command, CommandArguments& out, std::string* error);

// A file a command reads when none is named: name in the current folder if it
// is there, else the shipped one.
std::string localOrShippedFile(const char* name);

// The code table a command that runs programs uses: the file given, else "NCG"
// as localOrShippedFile finds it. A file given must exist (a typing slip would
// otherwise run with no G code defined). nullopt with a message when it
// cannot be read or parsed.
std::optional<CodeTable> loadCommandCodeTable(const std::string& given, std::string* error);

// The comma-separated numbers of an option's value ("10,20.5"), each within
// [lo, hi]; false for an empty or unreadable part or one out of range.
bool readNumberList(const std::string& text, float lo, float hi, std::vector<float>& out);

// The exit status of plot and machine after their run, with a line on err for
// anything but a normal end: 1 an unreadable included file, 2 a block error,
// 3 a run stopped by the command's block limit after blocks.
int runExitStatus(const RunResult& r, std::string_view command, long blocks, std::ostream& err);

class Screen;

// A headless run's screen written as text and/or PNG (an empty path writes
// nothing); false after a message on err naming the program when one failed.
bool writeScreenDumps(Screen& screen, const std::string& textPath, const std::string& pngPath,
                      std::string_view program, std::ostream& err);

}  // namespace vorn
