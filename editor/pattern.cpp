#include "editor/pattern.h"

#include <cmath>
#include <cstdlib>

#include "editor/normalize.h"
#include "interp/word_reader.h"
#include "runtime/numtext.h"

namespace vorn {
namespace {

constexpr float kDegreesPerRadian = 57.296f;

// Cosine and sine of an angle in degrees; whole multiples of 90 degrees give
// exact 0 and +-1 so that axis points carry no rounding noise.
void cosSin(float degrees, float& c, float& s) {
  const float quarter = degrees / 90.0f;
  if (quarter == std::floor(quarter) && std::fabs(quarter) < 1e7f) {
    static constexpr float kCos[] = {1, 0, -1, 0};
    static constexpr float kSin[] = {0, 1, 0, -1};
    const int q = int(((long long)quarter % 4 + 4) % 4);
    c = kCos[q];
    s = kSin[q];
    return;
  }
  const float radians = degrees / kDegreesPerRadian;
  c = std::cos(radians);
  s = std::sin(radians);
}

// "1.5E-07" -> ".00000015", "1E+08" -> "100000000"; other texts unchanged.
// Like the plain form, a value below 1 has no "0" before its point.
std::string expandExponent(const std::string& text) {
  const size_t e = text.find_first_of("ED");
  if (e == std::string::npos) return text;
  std::string mantissa = text.substr(0, e);
  const int exponent = std::atoi(text.c_str() + e + 1);
  std::string sign;
  if (!mantissa.empty() && mantissa[0] == '-') {
    sign = "-";
    mantissa.erase(0, 1);
  }
  size_t point = mantissa.find('.');
  if (point == std::string::npos) point = mantissa.size();
  std::string digits = mantissa.substr(0, point) + (point < mantissa.size() ? mantissa.substr(point + 1) : "");
  int pointAt = int(point) + exponent;  // digits before the point
  if (pointAt <= 0) return sign + "." + std::string(size_t(-pointAt), '0') + digits;
  if (size_t(pointAt) >= digits.size()) return sign + digits + std::string(size_t(pointAt) - digits.size(), '0');
  return sign + digits.substr(0, size_t(pointAt)) + "." + digits.substr(size_t(pointAt));
}

std::string blockText(const char* prefix, float x, float y, int V2) {
  return std::string(prefix) + "X" + coordinateText(x, V2) + " Y" + coordinateText(y, V2);
}

}  // namespace

bool isPatternLine(std::string_view text) { return text.size() >= 2 && text.substr(0, 2) == "(!"; }

PatternParameters readPattern(std::string_view text) {
  PatternParameters p;
  const std::string block = normalizeBlock(text);
  std::string_view words = block;
  if (isPatternLine(words)) words.remove_prefix(2);
  forEachWord(words, [&](const Word& w) {
    switch (w.letter) {
      case 'X': p.I0A = w.value; break;
      case 'Y': p.JR = w.value; break;
      case 'R': p.W0M = w.value; break;
      case 'I': p.N = w.value; break;
      case 'J': p.Z2 = w.value; break;
      case 'K': p.ZD0 = w.value; break;
      case 'Q': p.U = w.value; break;
      case 'V': p.GR = w.value; break;
      case 'Z': p.TIM1 = w.value; break;
      default: break;
    }
  });
  return p;
}

std::vector<std::string> patternBlocks(const PatternParameters& p, int V2, int maxBlocks) {
  std::vector<std::string> blocks;
  const bool fullTurn = int(p.ZD0) == 0;
  if (fullTurn && p.N == 0) return blocks;  // a full turn of 0-degree steps never ends
  const float turns = fullTurn ? 360.0f / p.N : p.ZD0;
  const int count = int(std::fmin(std::fabs(turns), float(maxBlocks)));
  const bool stroke = p.TIM1 != 0;
  const char* prefix = stroke ? "G0 " : "";
  auto add = [&](std::string block) {
    if (int(blocks.size()) < maxBlocks) blocks.push_back(std::move(block));
  };

  float angle = p.Z2;
  float xRadius = p.U > 0 ? p.U : p.W0M;
  float yRadius = p.W0M;
  if (p.W0M != 0) {
    for (int k = 0; k < count; ++k) {
      float c, s;
      cosSin(angle, c, s);
      add(blockText(prefix, p.I0A + xRadius * c, p.JR + yRadius * s, V2));
      if (stroke) add(blockText("G1 ", p.I0A + (xRadius + p.TIM1) * c, p.JR + (yRadius + p.TIM1) * s, V2));
      angle += p.N;
      xRadius += p.GR;
      yRadius += p.GR;
    }
    if (fullTurn && !stroke && !blocks.empty()) add(std::string(blocks.front()));  // close the figure
    return blocks;
  }

  // A straight row along the start angle, the distance growing per point.
  float c, s, pc, ps;
  cosSin(angle, c, s);
  cosSin(p.N, pc, ps);
  for (int k = 0; k < count; ++k) {
    const float x = p.I0A + xRadius * c;
    const float y = p.JR + yRadius * s;
    add(blockText(prefix, x, y, V2));
    if (stroke) add(blockText("G1 ", x + p.TIM1 * pc, y + p.TIM1 * ps, V2));
    xRadius += p.GR;
    yRadius += p.GR;
  }
  return blocks;
}

std::string coordinateText(float v, int V2) {
  if (std::fabs(v) < 1.0f / std::pow(10.0f, float(V2))) return "0";
  const float magnitude = std::fabs(v);
  if (magnitude - std::trunc(magnitude) > 0.989f) v = std::copysign(std::trunc(magnitude + 0.1f), v);
  std::string text = expandExponent(numberTextTrim(v));
  const size_t point = text.find('.');
  if (point == std::string::npos) {
    text += '.';
  } else if (text.size() > point + 1 + size_t(V2)) {
    text.resize(point + 1 + size_t(V2));
  }
  while (text.size() > 1 && text.back() == '0') text.pop_back();
  return text;
}

}  // namespace vorn
