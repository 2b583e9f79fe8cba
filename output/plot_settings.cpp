#include "output/plot_settings.h"

#include <cmath>

#include "shell/environment.h"

namespace vorn {

void PlotSettings::fillFirstVisitDefaults() {
  if (YYB != 0) return;
  S2 = 1;
  YYB = 1;
  V1 = 99;
  PAS = 2;
  X4 = 1;
}

std::array<float, 8> PlotSettings::toFloats() const { return {S2, YYB, F6P3, PAS, X4, WR, V1, X7}; }

void PlotSettings::fromFloats(const std::array<float, 8>& v) {
  auto take = [](float value, float lo, float hi, bool whole, float& into) {
    if (!std::isfinite(value) || value < lo || value > hi) return;
    if (whole && value != std::floor(value)) return;
    into = value;
  };
  take(v[0], 1, 2, true, S2);
  take(v[1], 0.01f, 99.99f, false, YYB);
  take(v[2], 0.01f, 99.99f, false, F6P3);
  take(v[3], 0, 9, true, PAS);
  take(v[4], 0, 2, true, X4);
  take(v[5], 1, 2, true, WR);
  take(v[6], 1, 99, true, V1);
  take(v[7], 0, 9, true, X7);
}

PaperArea paperArea(float S2) { return S2 == 2 ? PaperArea{402, 276} : PaperArea{276, 192}; }

std::string plotterLetter(const Environment& env) { return env.Y8 == 2 ? "P" : "R"; }

}  // namespace vorn
