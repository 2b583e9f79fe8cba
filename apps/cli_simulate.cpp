#include "apps/cli_simulate.h"

#include <algorithm>
#include <cerrno>
#include <limits>
#include <optional>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <sstream>

#include "apps/app.h"
#include "editor/load.h"
#include "editor/normalize.h"
#include "editor/program_stream.h"
#include "interp/move_json.h"
#include "interp/text_program.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vorn {
namespace {

bool readNumber(const std::string& text, float lo, float hi, float& value) {
  char* end = nullptr;
  errno = 0;
  double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || errno != 0 || !(v >= lo && v <= hi)) return false;
  value = static_cast<float>(v);
  return true;
}

// A comma list of at most n numbers; missing trailing values stay as they are.
bool readList(const std::string& text, int n, float* values) {
  std::stringstream in(text);
  std::string item;
  int i = 0;
  while (std::getline(in, item, ',')) {
    if (i == n || !readNumber(item, -1e6f, 1e6f, values[i])) return false;
    ++i;
  }
  return i > 0;
}

bool bad(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

std::vector<SimulateOption> makeTable() {
  using O = SimulateOptions;
  return {
      {"--unit", "1-4",
       "coordinates without a decimal point are divided by 1, 10, 100 or 1000 (default 2: by 10)",
       [](O& o, const std::string& v, std::string* e) {
         float c;
         if (!readNumber(v, 1, 4, c) || c != std::floor(c)) return bad(e, "--unit takes 1 to 4");
         o.unitChoice = static_cast<int>(c);
         o.settings.IDMX = std::pow(10.0f, c - 1);
         return true;
       }},
      {"--view", "1-5",
       "the view: 1 XY (default), 2 XZ, 3 ZY, 4 3D, 5 lathe",
       [](O& o, const std::string& v, std::string* e) {
         float c;
         if (!readNumber(v, 1, 5, c) || c != std::floor(c)) return bad(e, "--view takes 1 to 5");
         o.settings.H0V = static_cast<int>(c);
         return true;
       }},
      {"--angle", "DEG",
       "the 3D view's rotation in whole degrees (default 10)",
       [](O& o, const std::string& v, std::string* e) {
         float a;
         if (!readNumber(v, -999, 999, a)) return bad(e, "--angle takes whole degrees");
         o.angle = static_cast<int>(a);
         return true;
       }},
      {"--scale", "S",
       "the drawing scale, above 0 and below 60 (default 2)",
       [](O& o, const std::string& v, std::string* e) {
         float s;
         if (!readNumber(v, 0, 60, s) || s <= 0 || s >= 60) return bad(e, "--scale takes a value above 0 and below 60");
         o.settings.scale = s;
         return true;
       }},
      {"--start", "X,Y,Z",
       "the tool's start point in mm (default 0,0,0)",
       [](O& o, const std::string& v, std::string* e) {
         if (!readList(v, 3, o.settings.start.data())) return bad(e, "--start takes X,Y,Z");
         return true;
       }},
      {"--tools", "R1,...,R8",
       "the radii of tools 1 to 8 in mm",
       [](O& o, const std::string& v, std::string* e) {
         if (!readList(v, 8, o.settings.toolRadius.data() + 1)) return bad(e, "--tools takes up to 8 radii R1,R2,...");
         return true;
       }},
      {"--skip", "N",
       "1 skips the blocks that begin with \"/\" (default); another number runs them",
       [](O& o, const std::string& v, std::string* e) {
         float s;
         if (!readNumber(v, 0, 999, s)) return bad(e, "--skip takes 0 to 999");
         o.settings.skipMode = static_cast<int>(s);
         return true;
       }},
      {"--codes", "NCG",
       "the code table (default: ./NCG, else the shipped one)",
       [](O& o, const std::string& v, std::string*) {
         o.codesFile = v;
         return true;
       }},
      {"--max-blocks", "N",
       "stop after N blocks (exit status 3)",
       [](O& o, const std::string& v, std::string* e) {
         float n;
         if (!readNumber(v, 1, 1e15f, n)) return bad(e, "--max-blocks takes a count above 0");
         o.maxBlocks = static_cast<long>(n);
         return true;
       }},
      {"--moves", "",
       "print each drawn move as one JSON object per line",
       [](O& o, const std::string&, std::string*) {
         o.moves = true;
         return true;
       }},
      {"--png", "OUT.png",
       "draw the tool path into a PNG picture, as the trajectory screen does",
       [](O& o, const std::string& v, std::string*) {
         o.picture.pngPath = v;
         return true;
       }},
      {"--svg", "OUT.svg",
       "draw the tool path into an SVG picture",
       [](O& o, const std::string& v, std::string*) {
         o.picture.svgPath = v;
         return true;
       }},
      {"--size", "WxH",
       "the pictures' size in pixels (default 640x400)",
       [](O& o, const std::string& v, std::string* e) {
         const std::vector<std::string> args = {"--size", v};
         size_t i = 0;
         try {
           takePictureOption(args, i, o.picture);
         } catch (const std::invalid_argument& x) {
           return bad(e, x.what());
         }
         return true;
       }},
      {"--work", "X,Y,Z",
       "the work size in mm, drawn as its outline",
       [](O& o, const std::string& v, std::string* e) {
         if (!readList(v, 3, o.drawing.workSize.data())) return bad(e, "--work takes X,Y,Z");
         return true;
       }},
      {"--base", "1-9",
       "the work's base point, numbered as the keypad (default 1)",
       [](O& o, const std::string& v, std::string* e) {
         float b;
         if (!readNumber(v, 1, 9, b)) return bad(e, "--base takes 1 to 9");
         o.drawing.basePoint = static_cast<int>(b);
         return true;
       }},
      {"--zratio", "Z",
       "the side views' vertical stretch, 0.2 to 8 (default 1)",
       [](O& o, const std::string& v, std::string* e) {
         if (!readNumber(v, 0.2f, 8, o.drawing.zRatio)) return bad(e, "--zratio takes 0.2 to 8");
         return true;
       }},
      {"--rapid", "1|2",
       "rapid moves: 1 drawn (default), 2 hidden",
       [](O& o, const std::string& v, std::string* e) {
         float r;
         if (!readNumber(v, 1, 2, r)) return bad(e, "--rapid takes 1 (drawn) or 2 (hidden)");
         o.drawing.ZU = static_cast<int>(r);
         return true;
       }},
  };
}

// Included files are named as the program writes them ("\" separators) and
// read as a stream, like the program.
IncludedFile readInclude(const std::string& name) {
  std::string path = name;
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return streamIncludedFile(path, name);
}

CodeTable loadCodes(const SimulateOptions& o, std::string* error, bool* ok) {
  std::string path = o.codesFile;
  std::error_code ec;
  if (path.empty()) path = std::filesystem::exists("NCG", ec) ? "NCG" : (dataDirectory() / "NCG").string();
  // A table named on the command line must be there: a typing slip would
  // otherwise run with no G code defined. (An empty file gives that table.)
  if (!o.codesFile.empty() && !std::filesystem::exists(path, ec)) {
    *error = "cannot read " + path;
    *ok = false;
    return CodeTable::undefined();
  }
  auto table = loadCodeTable(path, error);
  *ok = table.has_value();
  return table ? *table : CodeTable::undefined();
}

// One line each for words the interpreter ignored (it says nothing on the
// screen) and for lines cut while reading, so that a program from another
// tool that runs as nothing does not pass unnoticed.
void warnAboutInput(const RunResult& r, const StreamProgram& program, std::ostream& err) {
  if (r.ignoredWords > 0) {
    err << "vornt-cli simulate: warning: " << r.ignoredWords
        << " words ignored (lower-case letters or letters without a routine), first on line "
        << r.firstIgnoredLine << "\n";
  }
  if (program.linesCut() > 0) {
    err << "vornt-cli simulate: warning: " << program.linesCut() << " lines cut while reading, first line "
        << program.firstCutLine() << "\n";
  }
}

void printReport(const RunResult& r, std::ostream& out) {
  if (!r.I1M.empty()) out << r.I1M << "\n";
  out << "line " << r.FILE << "\n";
  out << reportLine(r.totals) << "\n";
}

}  // namespace

const std::vector<SimulateOption>& simulateOptionTable() {
  static const std::vector<SimulateOption> table = makeTable();
  return table;
}

std::vector<OptionHelp> simulateOptionHelp(const std::vector<std::string_view>& names) {
  auto helpOf = [](const SimulateOption& o) {
    return OptionHelp{o.value.empty() ? o.name : o.name + " " + o.value, o.meaning};
  };
  std::vector<OptionHelp> lines;
  for (const SimulateOption& o : simulateOptionTable()) {
    if (names.empty()) lines.push_back(helpOf(o));
  }
  for (std::string_view name : names) {
    for (const SimulateOption& o : simulateOptionTable()) {
      if (o.name == name) lines.push_back(helpOf(o));
    }
  }
  return lines;
}

bool parseSimulateArgs(const std::vector<std::string>& args, SimulateOptions& options,
                       std::string* error) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() > 2 && arg.starts_with("--")) {
      std::string name = arg, value;
      size_t eq = arg.find('=');
      if (eq != std::string::npos) name = arg.substr(0, eq), value = arg.substr(eq + 1);
      const SimulateOption* option = nullptr;
      for (const SimulateOption& o : simulateOptionTable()) {
        if (o.name == name) option = &o;
      }
      if (!option) return bad(error, "unknown option " + name);
      if (option->takesValue() && eq == std::string::npos) {
        if (i + 1 >= args.size()) return bad(error, name + " needs a value");
        value = args[++i];
      }
      if (!option->apply(options, value, error)) return false;
    } else if (options.file.empty()) {
      options.file = arg;
    } else {
      return bad(error, "more than one program file: " + arg);
    }
  }
  if (options.file.empty()) return bad(error, "no program file given");
  return true;
}

namespace {
// The run drawn as the trajectory screen draws it, written as PNG and/or SVG.
int drawPictures(const StreamProgram& program, const CodeTable& codes, SimulateOptions& options,
                 std::ostream& out, std::ostream& err) {
  options.drawing.H0V = options.settings.H0V;
  options.drawing.angle = options.angle;
  options.drawing.scale = options.settings.scale;
  RunResult r;
  try {
    r = drawPicture(program, codes, options.settings, options.drawing, options.picture, readInclude,
                    options.maxBlocks);
  } catch (const RuntimeError& e) {
    err << "vornt-cli simulate: " << e.what() << "\n";
    return 1;
  }
  warnAboutInput(r, program, err);
  if (r.ZVZ == RunState::FileError) {
    err << "vornt-cli simulate: line " << r.FILE << ": " << r.fileError << "\n";
    return 1;
  }
  printReport(r, out);
  if (r.ZVZ == RunState::Limit) return 3;
  return r.ZVZ == RunState::Error ? 2 : 0;
}
std::string simulateUsage() {
  std::vector<OptionHelp> options = simulateOptionHelp();
  options.push_back({"--help", "print this text"});
  options.push_back({"--version", "print the version"});
  return "usage: vornt-cli simulate FILE [OPTIONS]\n"
         "Runs the NC program FILE through the interpreter and prints the block error\n"
         "text (when a block stops the run), the last line run and the rapid and\n"
         "cutting distances with the cutting time.\n" +
         optionLines(options) +
         "Exit status: 0 the program ran to its end, 1 a usage or file error, 2 a block\n"
         "error, 3 stopped by --max-blocks.\n";
}
}  // namespace

int runSimulate(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  SimulateOptions options;
  std::string error;
  const std::string kUsage = simulateUsage();
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      out << kUsage;
      return 0;
    }
  }
  if (!parseSimulateArgs(args, options, &error)) {
    err << "vornt-cli simulate: " << error << "\n" << kUsage;
    return 1;
  }
  bool codesOk = false;
  CodeTable codes = loadCodes(options, &error, &codesOk);
  if (!codesOk) {
    err << "vornt-cli simulate: " << error << "\n";
    return 1;
  }
  std::optional<StreamProgram> read;
  try {
    read.emplace(options.file);
  } catch (const RuntimeError& e) {
    err << "vornt-cli simulate: " << e.what() << "\n";
    return 1;
  }
  const StreamProgram& program = *read;
  if (options.picture.wanted()) return drawPictures(program, codes, options, out, err);
  Runner runner(program, codes, options.settings, readInclude,
                normalizeIncludedLine);
  runner.setBlockLimit(options.maxBlocks);
  // Move lines gather in one buffer written out in large pieces.
  constexpr size_t kFlushBytes = 1 << 16;
  std::string moves;
  try {
    while (runner.step()) {
      const Move& m = runner.move();
      if (!options.moves || !m.draws || !m.I1M.empty()) continue;
      appendMoveJson(moves, m);
      moves += '\n';
      if (moves.size() >= kFlushBytes) {
        out.write(moves.data(), std::streamsize(moves.size()));
        moves.clear();
      }
    }
    out.write(moves.data(), std::streamsize(moves.size()));
  } catch (const RuntimeError& e) {
    out.write(moves.data(), std::streamsize(moves.size()));
    // A read error in the program, or a jump a pipe cannot make.
    err << "vornt-cli simulate: line " << runner.result().FILE << ": " << e.what() << "\n";
    return 1;
  }
  const RunResult& r = runner.result();
  warnAboutInput(r, program, err);
  if (r.ZVZ == RunState::FileError) {
    err << "vornt-cli simulate: line " << r.FILE << ": " << r.fileError << "\n";
    return 1;
  }
  printReport(r, out);
  if (r.ZVZ == RunState::Limit) {
    err << "vornt-cli simulate: stopped after " << r.blocks << " blocks (--max-blocks)\n";
    return 3;
  }
  return r.ZVZ == RunState::Error ? 2 : 0;
}

}  // namespace vorn
