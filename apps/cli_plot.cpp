#include "apps/cli_plot.h"

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <functional>
#include <optional>
#include <ostream>

#include "apps/cli_simulate.h"
#include "apps/command_line.h"
#include "editor/load.h"
#include "editor/normalize.h"
#include "editor/program_stream.h"
#include "interp/text_program.h"
#include "output/hpgl_plot.h"
#include "runtime/channels.h"
#include "runtime/error.h"
#include "runtime/paths.h"
#include "runtime/text.h"
#include "shell/environment.h"
#include "shell/numeric.h"

namespace vorn {

namespace {

// The title of a ".wf" file's header ("" for other files or an unreadable one).
std::string wfTitle(const std::string& file) {
  const std::string path = unquotePath(file);
  if (!isWfPath(path)) return "";
  std::ifstream in(path, std::ios::binary);
  std::vector<std::string> lines;
  std::string line;
  while (lines.size() < 3 && std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return readWfHeader(lines).title;
}

constexpr int kPlotChannel = 9;
constexpr long kProgressBlocks = 10000;

struct PlotCommand {
  SimulateOptions run;   // program, unit, view, angle, start, tools, skip, codes, work, base
  PlotJob job;
  PlotLabel label;
  std::string output;    // -o
  std::string workDir;   // --work-dir: relative names are taken from here
  bool help = false;
};

bool readNumber(const std::string& text, float lo, float hi, bool whole, float& value) {
  std::vector<float> n;
  if (!readNumberList(text, lo, hi, n) || n.size() != 1 || (whole && n[0] != std::floor(n[0]))) return false;
  value = n[0];
  return true;
}

using Apply = std::function<bool(PlotCommand&, const std::string&)>;

// A setting of the plot settings: a number in [lo, hi].
Apply setting(float PlotSettings::*member, float lo, float hi, bool whole) {
  return [=](PlotCommand& c, const std::string& v) {
    return readNumber(v, lo, hi, whole, c.job.settings.*member);
  };
}

struct Option {
  const char* name;
  const char* value;    // the value as --help names it
  const char* meaning;  // the option's line in --help
  const char* expects;  // for the message of a bad value
  Apply apply;
};

const std::vector<Option>& plotOptions() {
  static const std::vector<Option> options = {
      {"--paper", "a4|a3", "the paper (default a4)",
       "a4 or a3", [](PlotCommand& c, const std::string& v) {
         if (v != "a4" && v != "a3" && v != "A4" && v != "A3") return false;
         c.job.settings.S2 = (v == "a3" || v == "A3") ? 2 : 1;
         return true;
       }},
      {"--scale", "S", "the plot scale, 0.01 to 99.99 (default 1)",
       "0.01 to 99.99", setting(&PlotSettings::YYB, 0.01f, 99.99f, false)},
      {"--zratio", "Z", "the side views' vertical stretch, 0.01 to 99.99 (default 1)",
       "0.01 to 99.99", setting(&PlotSettings::F6P3, 0.01f, 99.99f, false)},
      {"--dash", "N", "the dash length of rapid moves in mm, 0 to 9; 0 leaves them out (default 2)",
       "0 to 9", setting(&PlotSettings::PAS, 0, 9, true)},
      {"--outline", "0|1|2", "the work outline: 0 corners only, 1 dotted (default), 2 dashed",
       "0, 1 or 2", setting(&PlotSettings::X4, 0, 2, true)},
      {"--label", "1|2", "the name label: 1 written (default), 2 left out",
       "1 or 2", setting(&PlotSettings::WR, 1, 2, true)},
      {"--speed", "N", "the pen speed in cm/s, 1 to 99 (default 99)",
       "1 to 99", setting(&PlotSettings::V1, 1, 99, true)},
      {"--pen", "N", "a fixed pen 1 to 9; 0 lets the pen follow the tool number (default)",
       "0 to 9", setting(&PlotSettings::X7, 0, 9, true)},
      {"--pitch", "N", "the circle pitch, 1 to 60: more chords per arc as it grows (default 9)",
       "1 to 60", [](PlotCommand& c, const std::string& v) {
         return readNumber(v, 1, 60, false, c.job.ZC1);
       }},
      {"--centre", "X,Y,Z", "the drawing centre in mm (default 0,0,0)",
       "X,Y,Z", [](PlotCommand& c, const std::string& v) {
         std::vector<float> values;
         if (!readNumberList(v, -9999, 9999, values) || values.size() > 3) return false;
         for (size_t i = 0; i < values.size(); ++i) c.job.centre[i] = values[i];
         return true;
       }},
      {"--title", "TEXT", "the title in the label (default: a .wf file's title)",
       "a text", [](PlotCommand& c, const std::string& v) {
         c.label.H0X = v;
         return true;
       }},
      {"--mark", "N", "the program mark in the label, 0 to 99 (written when above 9)",
       "0 to 99", [](PlotCommand& c, const std::string& v) {
         return readNumber(v, 0, 99, true, c.label.YGW);
       }},
      {"--date", "YY.MM.DD", "the date in the label (default: today)",
       "a date stamp", [](PlotCommand& c, const std::string& v) {
         c.label.PCUSE = v;
         return true;
       }},
      {"--work-dir", "DIR", "where a relative OUT and included files are found (default: the current folder)",
       "a folder", [](PlotCommand& c, const std::string& v) {
         c.workDir = v;
         return true;
       }},
  };
  return options;
}

std::string plotUsage() {
  std::vector<OptionHelp> options = {{"-o OUT.plt", "the HP-GL output file"}};
  for (const Option& o : plotOptions()) options.push_back({std::string(o.name) + " " + o.value, o.meaning});
  for (OptionHelp& shared : simulateOptionHelp({"--view", "--angle", "--work", "--base", "--unit", "--start", "--tools",
                                                "--skip", "--codes"}))
    options.push_back(std::move(shared));
  options.push_back({"--help", "print this text"});
  options.push_back({"--version", "print the version"});
  return "usage: vornt-cli plot FILE -o OUT.plt [OPTIONS]\n"
         "Plots the tool path of the NC program FILE as HP-GL, with the two label lines\n"
         "at a normal end; a block error stops the plot.\n" +
         optionLines(options) +
         "Exit status: 0 plotted, 1 a usage or file error, 2 a block error.\n";
}

bool parse(const std::vector<std::string>& args, PlotCommand& c, std::string* error) {
  CommandOptionNames names;
  for (const Option& o : plotOptions()) names.valued.push_back(o.name);
  names.shared = {"--unit", "--view", "--angle", "--start", "--tools", "--skip", "--codes", "--work", "--base"};
  CommandArguments split;
  if (!splitCommandArguments(args, names, "plot", split, error)) return false;
  if ((c.help = split.help)) return true;
  for (const auto& [name, value] : split.own) {
    if (name == "-o") {
      c.output = value;
      continue;
    }
    const Option& option = *std::find_if(plotOptions().begin(), plotOptions().end(),
                                         [&](const Option& o) { return name == o.name; });
    if (!option.apply(c, value)) return *error = name + " takes " + option.expects, false;
  }
  c.run.settings.IDMX = 10;
  if (!parseSimulateArgs(split.shared, c.run, error)) return false;
  if (c.output.empty()) return *error = "no output file given (-o OUT.plt)", false;
  return true;
}

}  // namespace

int runPlotCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  PlotCommand c;
  c.job.settings.fillFirstVisitDefaults();
  c.label.PCUSE = dateStamp(std::time(nullptr));
  std::string error;
  if (!parse(args, c, &error) || c.help) {
    if (!c.help) err << "vornt-cli plot: " << error << "\n";
    (c.help ? out : err) << plotUsage();
    return c.help ? 0 : 1;
  }
  c.job.H0V = c.run.settings.H0V;
  c.job.angle = c.run.angle;
  c.job.workSize = c.run.drawing.workSize;
  c.job.basePoint = c.run.drawing.basePoint;

  std::optional<StreamProgram> program;
  try {
    program.emplace(c.run.file);
  } catch (const RuntimeError& e) {
    err << "vornt-cli plot: " << e.what() << "\n";
    return 1;
  }
  if (c.label.H0X.empty()) c.label.H0X = wfTitle(c.run.file);
  c.label.OSDATE = programNameFromPath(unquotePath(c.run.file));
  const std::optional<CodeTable> codes = loadCommandCodeTable(c.run.codesFile, &error);
  if (!codes) {
    err << "vornt-cli plot: " << error << "\n";
    return 1;
  }

  DeviceConfig config;
  config.workDir = c.workDir.empty() ? std::filesystem::current_path() : std::filesystem::path(c.workDir);
  PathMap paths(config);
  ChannelTable channels(paths);
  long blocks = 0;
  PlotOutcome outcome;
  try {
    channels.open(kPlotChannel, c.output, OpenMode::Output);
    ChannelSink sink(channels, kPlotChannel);
    HpglWriter out(sink);
    outcome = plotProgram(
        *program, *codes, c.run.settings, c.job, c.label, out,
        [&paths](const std::string& name) { return streamIncludedFile(paths.resolve(name).string(), name); },
        normalizeIncludedLine,
        [&](const Move&) {
          if (++blocks % kProgressBlocks == 0) err << "vornt-cli plot: " << blocks << " blocks\n";
          return true;
        });
    sink.flush();
    channels.close(kPlotChannel);
  } catch (const RuntimeError& e) {
    err << "vornt-cli plot: " << e.what() << "\n";
    return 1;
  }
  return runExitStatus(outcome.run, "plot", blocks, err);
}

}  // namespace vorn
