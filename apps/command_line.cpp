#include "apps/command_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string_view>

#include "apps/app.h"
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

std::string localOrShippedFile(const char* name) {
  std::error_code ec;
  return std::filesystem::exists(name, ec) ? std::string(name) : (dataDirectory() / name).string();
}

std::optional<CodeTable> loadCommandCodeTable(const std::string& given, std::string* error) {
  const std::string path = given.empty() ? localOrShippedFile("NCG") : given;
  std::string problem;
  std::optional<CodeTable> codes;
  std::error_code ec;
  if (given.empty() || std::filesystem::exists(path, ec)) codes = loadCodeTable(path, &problem);
  if (!codes) *error = "cannot read " + path + (problem.empty() ? "" : ": " + problem);
  return codes;
}

bool readNumberList(const std::string& text, float lo, float hi, std::vector<float>& out) {
  out.clear();
  size_t from = 0;
  while (from <= text.size()) {
    const size_t comma = std::min(text.find(',', from), text.size());
    const std::string part = text.substr(from, comma - from);
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(part.c_str(), &end);
    if (part.empty() || *end != '\0' || errno != 0 || !(v >= lo && v <= hi)) return false;
    out.push_back(float(v));
    from = comma + 1;
  }
  return true;
}

int runExitStatus(const RunResult& r, std::string_view command, long blocks, std::ostream& err) {
  switch (r.ZVZ) {
    case RunState::FileError:
      err << "vornt-cli " << command << ": line " << r.FILE << ": " << r.fileError << "\n";
      return 1;
    case RunState::Error:
      err << "vornt-cli " << command << ": line " << r.FILE << ":" << r.I1M << "\n";
      return 2;
    case RunState::Stopped:
      err << "vornt-cli " << command << ": stopped after " << blocks << " blocks (--max-blocks)\n";
      return 3;
    default:
      return 0;
  }
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
