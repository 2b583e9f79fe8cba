#pragma once
// `vornt-cli machine FILE -o OUT [options]`: machines a program into a file
// (or a device path) in the command dialect of a machine type of "NCMM", the
// way the machining screen does, with the machining conditions and the
// trajectory settings as options.
#include <iosfwd>
#include <string>
#include <vector>

namespace vorn {

// Exit status: 0 normal end, 2 block error (the file still holds the start
// and the end sequence), 3 block limit, 1 bad usage or an unreadable file.
int runMachineCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vorn
