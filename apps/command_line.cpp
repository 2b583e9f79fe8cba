#include "apps/command_line.h"

#include <algorithm>
#include <exception>
#include <string_view>

#include "runtime/channels.h"
#include "runtime/screen.h"

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

std::string optionLines(const std::vector<OptionHelp>& options, std::string_view heading) {
  size_t width = 0;
  for (const OptionHelp& o : options) width = std::max(width, o.option.size());
  std::string text(heading);
  text += '\n';
  for (const OptionHelp& o : options) {
    text += "  ";
    text += o.option;
    text.append(width - o.option.size() + 3, ' ');
    text += o.meaning;
    text += '\n';
  }
  return text;
}

bool splitCommandArguments(const std::vector<std::string>& args, const CommandOptionNames& names,
                           std::string_view command, CommandArguments& out, std::string* error) {
  auto among = [](const std::vector<std::string_view>& list, std::string_view name) {
    return std::find(list.begin(), list.end(), name) != list.end();
  };
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    if (name == "--help" || name == "-h") {
      out.help = true;
      return true;
    }
    if (among(names.flags, name)) {
      out.own.emplace_back(name, "");
      continue;
    }
    if (name != "-o" && !(name.size() > 2 && name.starts_with("--"))) {
      out.shared.push_back(name);  // the program
      continue;
    }
    std::string value;
    const size_t eq = name.find('=');
    const bool inlineValue = eq != std::string::npos;
    if (inlineValue) value = name.substr(eq + 1), name.resize(eq);
    const bool own = name == "-o" || name == "--output" || among(names.valued, name);
    if (!own && !among(names.shared, name)) {
      *error = name + " is not an option of vornt-cli " + std::string(command);
      return false;
    }
    if (!inlineValue) {
      if (i + 1 >= args.size()) return *error = name + " needs a value", false;
      value = args[++i];
    }
    if (own) {
      out.own.emplace_back(name == "--output" ? "-o" : name, value);
    } else {
      out.shared.push_back(name);
      out.shared.push_back(value);
    }
  }
  return true;
}

bool writeScreenDumps(Screen& screen, const std::string& textPath, const std::string& pngPath,
                      std::string_view program, std::ostream& err) {
  bool ok = true;
  if (!textPath.empty()) {
    try {
      replaceFileBytes(textPath, screen.dumpText());
    } catch (const std::exception& e) {
      err << program << ": cannot write " << textPath << ": " << e.what() << "\n";
      ok = false;
    }
  }
  if (!pngPath.empty()) {
    try {
      screen.hardCopy(pngPath);
    } catch (const std::exception& e) {
      err << program << ": cannot write " << pngPath << ": " << e.what() << "\n";
      ok = false;
    }
  }
  return ok;
}

}  // namespace vorn
