#pragma once
// The entry point the package's window programs share: options, window or
// headless run, key scripts, dumps and the stop signals. Each program names
// itself and its edition.
#include <string>

#include "shell/edition.h"

namespace vorn {

struct ProgramKind {
  std::string name;   // the executable's name, used in messages and the remembered directory
  Edition edition;    // VORN-T or VORN_s
};

int programMain(int argc, char** argv, const ProgramKind& kind);

}  // namespace vorn
