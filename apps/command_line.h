#pragma once
// The options every program and every vornt-cli subcommand answers the same way.
#include <optional>
#include <ostream>
#include <string>
#include <string_view>

namespace vorn {

// The package's version ("0.1.0").
std::string_view packageVersion();

// When the arguments (after the program's name) hold "--help"/"-h" or
// "--version", prints the usage or "<program> <version>" on out and returns
// the exit status 0; otherwise nullopt and the program parses as usual.
std::optional<int> answerHelpOrVersion(std::string_view program, std::string_view usage, int argc,
                                       const char* const* argv, std::ostream& out);

class Screen;

// A headless run's screen written as text and/or PNG (an empty path writes
// nothing); false after a message on err naming the program when one failed.
bool writeScreenDumps(Screen& screen, const std::string& textPath, const std::string& pngPath,
                      std::string_view program, std::ostream& err);

}  // namespace vorn
