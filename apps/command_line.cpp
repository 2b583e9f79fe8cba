#include "apps/command_line.h"

#include <string_view>

namespace vorn {

std::string_view packageVersion() { return VORNT_VERSION; }

std::optional<int> answerHelpOrVersion(std::string_view program, std::string_view usage, int argc,
                                       const char* const* argv, std::ostream& out) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    if (a == "--help" || a == "-h") {
      out << usage;
      return 0;
    }
    if (a == "--version") {
      out << program << " " << packageVersion() << "\n";
      return 0;
    }
  }
  return std::nullopt;
}

}  // namespace vorn
