#pragma once
// `vornt-cli plot FILE -o OUT.plt [options]`: plots a program to an HP-GL
// file the way the plotter screen plots it, with the plot settings and the
// trajectory settings as options.
#include <iosfwd>
#include <string>
#include <vector>

namespace vorn {

// Runs the command. Exit status: 0 normal end, 2 block error (the file still
// holds the start and the end sequence), 1 bad usage or an unreadable file.
int runPlotCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vorn
