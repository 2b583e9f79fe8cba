#pragma once
// Plots a few program lines to a string, and renders HP-GL text through
// hp2xx to a bitmap whose ink the tests measure.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "interp/code_table.h"
#include "interp/text_program.h"
#include "output/hpgl_plot.h"

namespace vorn::test {

// A 100 x 60 x 20 work in the XY plane, millimetre input, A4 at scale 1.
inline PlotJob smallJob() {
  PlotJob job;
  job.settings.fillFirstVisitDefaults();
  job.workSize = {100, 60, 20};
  job.centre = {-50, 30, 0};
  return job;
}

inline PlotLabel sampleLabel() { return {"ﾃｽﾄ ﾌﾟﾛｸﾞﾗﾑ", "O1234", 0, "2026/12/08"}; }


struct Plotted {
  std::string hpgl;
  PlotOutcome outcome;
};

inline Plotted plotLines(const std::vector<std::string>& lines, const PlotJob& job,
                         const PlotLabel& label = sampleLabel()) {
  TextProgram program(lines);
  RunSettings settings;
  settings.IDMX = 1;
  settings.H0V = job.H0V;
  for (int t = 1; t <= 8; ++t) settings.toolRadius[size_t(t)] = float(t);
  StringSink sink;
  HpglWriter out(sink);
  Plotted p;
  p.outcome = plotProgram(program, standardCodeTable(), settings, job, label, out);
  p.hpgl = sink.text();
  return p;
}

// A monochrome bitmap (1 = ink) read from a plain or raw PBM file.
struct Bitmap {
  int width = 0, height = 0;
  std::vector<char> ink;
  bool at(int x, int y) const { return ink[size_t(y) * size_t(width) + size_t(x)] != 0; }
  long inkCount() const {
    long n = 0;
    for (char c : ink) n += c != 0;
    return n;
  }
};

inline Bitmap readPbm(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::string magic;
  in >> magic;
  auto next = [&in] {
    int v = 0;
    while (in >> std::ws && in.peek() == '#') {
      std::string comment;
      std::getline(in, comment);
    }
    in >> v;
    return v;
  };
  Bitmap b;
  b.width = next();
  b.height = next();
  b.ink.assign(size_t(b.width) * size_t(b.height), 0);
  if (magic == "P1") {
    for (auto& c : b.ink) c = char(next());
  } else if (magic == "P4") {
    in.get();
    const int rowBytes = (b.width + 7) / 8;
    std::vector<unsigned char> row(static_cast<size_t>(rowBytes));
    for (int y = 0; y < b.height; ++y) {
      in.read(reinterpret_cast<char*>(row.data()), rowBytes);
      for (int x = 0; x < b.width; ++x)
        b.ink[size_t(y) * size_t(b.width) + size_t(x)] = (row[size_t(x / 8)] >> (7 - x % 8)) & 1;
    }
  }
  return b;
}

// What hp2xx made of a plot: its exit status, its messages and the picture.
struct Rendered {
  int status = -1;
  std::string log;
  Bitmap picture;
  // A count hp2xx reports after "label: " (-1 when it is missing).
  int count(const std::string& label) const {
    const size_t at = log.find(label);
    return at == std::string::npos ? -1 : std::atoi(log.c_str() + at + label.size());
  }
  int ignored() const { return count("HPGL command(s) ignored:"); }
  int unexpected() const { return count("Unexpected event(s):"); }
};

// Renders HP-GL through hp2xx into a PBM of the paper's drawable area (in
// plotter units of 0.025 mm from P1 = the lower-left corner), 2 pixels per mm.
inline Rendered renderHpgl(const std::string& hpgl, float RX = 276, float RY = 192) {
  const std::string extraOptions = "-t -d 51 -x 0 -X " + std::to_string(int(RX * 40)) + " -y 0 -Y " +
                                   std::to_string(int(RY * 40));
  const auto dir = std::filesystem::temp_directory_path() /
                   ("vorn_hp2xx_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto in = dir / "plot.hpgl", out = dir / "plot.pbm", log = dir / "log.txt";
  std::ofstream(in, std::ios::binary) << hpgl;
  std::filesystem::remove(out);
  const std::string command = "hp2xx -m pbm " + extraOptions + " -f " + out.string() + " " +
                              in.string() + " > " + log.string() + " 2>&1";
  Rendered r;
  r.status = std::system(command.c_str());
  std::stringstream text;
  text << std::ifstream(log).rdbuf();
  r.log = text.str();
  if (std::filesystem::exists(out)) r.picture = readPbm(out);
  std::filesystem::remove_all(dir);
  return r;
}

inline bool haveHp2xx() { return std::system("command -v hp2xx > /dev/null 2>&1") == 0; }

}  // namespace vorn::test
