#include "display/trajectory_settings.h"

#include <cmath>
#include <string>

#include "runtime/numtext.h"

namespace vorn {

float TrajectorySettings::unitDivisor() const {
  return std::pow(10.0f, float(unitChoice - 1));
}

void TrajectorySettings::fillFirstUseDefaults() {
  if (workSize[0] != 0) return;
  unitChoice = 2;
  H0V = 1;
  basePoint = 1;
  scale = 2;
  angle = 10;
  zRatio = 1;
}

void applyExportedSettings(const std::vector<float>& values, TrajectorySettings& s) {
  auto take = [&](size_t i, float lo, float hi, bool loOpen, bool hiOpen, auto&& store) {
    if (i >= values.size() || !std::isfinite(values[i])) return;
    const float v = values[i];
    if ((loOpen ? v <= lo : v < lo) || (hiOpen ? v >= hi : v > hi)) return;
    store(v);
  };
  take(0, 0, 999, true, true, [&](float v) { s.workSize[0] = v; });
  take(1, 0, 999, true, true, [&](float v) { s.workSize[1] = v; });
  take(2, 0, 300, false, true, [&](float v) { s.workSize[2] = v; });
  take(3, 1, 9, false, false, [&](float v) { s.basePoint = int(v); });
  for (size_t k = 0; k < 3; ++k) {
    take(4 + k, -9999, 9999, false, false, [&](float v) { s.centre[k] = v; });
  }
  take(7, 0, 60, true, true, [&](float v) { s.scale = v; });
}

std::array<float, 8> exportedSettings(const TrajectorySettings& s) {
  return {s.workSize[0], s.workSize[1], s.workSize[2], float(s.basePoint),
          s.centre[0],   s.centre[1],   s.centre[2],   s.scale};
}

namespace {
// Field types of the form engine.
constexpr float kChoice = 0;
constexpr float kInteger = 10;
constexpr float kOneDecimal = 10.1f;
constexpr float kTwoDecimals = 10.2f;
constexpr float kSigned = 12;

constexpr int kToolRadiusFirstField = 10;

std::string text(float v) { return numberTextTrim(v); }
float value(const Form& form, int n) { return float(numberValue(form.field(n).ZM)); }
int choice(const Form& form, int n, int count) {
  const int v = int(value(form, n));
  return (v >= 1 && v <= count) ? v : 1;
}
}  // namespace

const std::vector<FieldDef>& trajectoryFormFields() {
  static const std::vector<FieldDef> fields = {
      {1, 12, 5, kOneDecimal, ">0 <999", 0},  // 1 work X
      {1, 20, 5, kOneDecimal, ">0 <999", 0},  // 2 work Y
      {1, 28, 5, kOneDecimal, "0 <300", 0},   // 3 work Z
      {2, 15, 1, kInteger, "", 0},            // 4 base point
      // Two fields without choices: shown, never edited (a choice field with
      // nothing to choose cannot be edited sensibly).
      {2, 20, 5, kChoice, "", 1},             // 5
      {2, 28, 4, kChoice, "", 1},             // 6
      {3, 12, 4, kSigned, "", 0},             // 7 draw centre X
      {3, 20, 4, kSigned, "", 0},             // 8 draw centre Y
      {3, 28, 4, kSigned, "", 0},             // 9 draw centre Z
      {4, 9, 4, kOneDecimal, "", 0},          // 10-13 tool radii 1-4
      {4, 16, 4, kOneDecimal, "", 0},
      {4, 23, 4, kOneDecimal, "", 0},
      {4, 30, 4, kOneDecimal, "", 0},
      {5, 9, 4, kOneDecimal, "", 0},          // 14-17 tool radii 5-8
      {5, 16, 4, kOneDecimal, "", 0},
      {5, 23, 4, kOneDecimal, "", 0},
      {5, 30, 4, kOneDecimal, "", 0},
      {6, 11, 6, kChoice, "1) 1  2)10  3)100 4)1000", 0},   // 18 unit divisor
      {7, 11, 5, kChoice, "1)XY 2)XZ 3)ZY 4)3D 5ﾚｲｽﾞ", 0},  // 19 view
      {8, 15, 3, kInteger, "", 0},            // 20 rotation angle
      {8, 25, 4, kTwoDecimals, ".2 8", 0},    // 21 Z ratio
      {9, 12, 5, kTwoDecimals, ">0 <60", 0},  // 22 scale
      {10, 12, 4, kInteger, "0 999", 0},      // 23 block skip
      {11, 11, 5, kChoice, "1)無 2)有 ", 0},   // 24 coordinate display
      {12, 11, 5, kChoice, "1)有 2)無 ", 0},   // 25 rapid drawing
      {13, 11, 5, kChoice, "1)有 2)無 ", 0},   // 26 block text display
  };
  return fields;
}

const std::vector<FieldDef>& learnerTrajectoryFormFields() {
  static const std::vector<FieldDef> fields = [] {
    std::vector<FieldDef> f = trajectoryFormFields();
    f[24].text = "1)有 2)無 動画 ";
    f.push_back({14, 11, 7, kChoice, "1)軌跡 2)動画 ", 0});  // 27 path or animation
    return f;
  }();
  return fields;
}

const std::vector<const char*>& trajectoryFormLabels() {
  static const std::vector<const char*> labels = {
      "ﾜｰｸ寸法 ﾖｺ      ﾀﾃ      z",
      "ﾜｰｸ基準(1-9)",
      "描画中心 X      Y       Z",
      "ﾂｰﾙ径 1      2      3      4",
      "  (R) 5      6      7      8",
      "単位1/n",
      "描画平面",
      "  3D回転 角度     Z比",
      "描画倍率",
      "/ ｽｷｯﾌﾟ",
      "座標表示",
      "G0 軌跡",
      "ﾃｷｽﾄ表示",
  };
  return labels;
}

void settingsToForm(const TrajectorySettings& s, Form& form) {
  for (int i = 0; i < 3; ++i) form.field(1 + i).ZM = text(s.workSize[i]);
  form.field(4).ZM = text(float(s.basePoint));
  form.field(5).ZM = "1";
  form.field(6).ZM = "1";
  for (int i = 0; i < 3; ++i) form.field(7 + i).ZM = text(s.centre[i]);
  for (int i = 0; i < 8; ++i) form.field(kToolRadiusFirstField + i).ZM = text(s.toolRadius[i]);
  form.field(18).ZM = text(float(s.unitChoice));
  form.field(19).ZM = text(float(s.H0V));
  form.field(20).ZM = text(float(s.angle));
  form.field(21).ZM = text(s.zRatio);
  form.field(22).ZM = text(s.scale);
  form.field(23).ZM = text(float(s.skipMode));
  form.field(24).ZM = text(float(s.coordinateDisplay));
  form.field(25).ZM = text(float(s.ZU));
  form.field(26).ZM = text(float(s.textDisplay));
  if (form.count() >= 27) form.field(27).ZM = text(float(s.animation));
}

void formToSettings(const Form& form, TrajectorySettings& s) {
  for (int i = 0; i < 3; ++i) s.workSize[i] = value(form, 1 + i);
  const int base = int(value(form, 4));
  s.basePoint = (base >= 1 && base <= 9) ? base : 1;
  for (int i = 0; i < 3; ++i) s.centre[i] = value(form, 7 + i);
  for (int i = 0; i < 8; ++i) s.toolRadius[i] = value(form, kToolRadiusFirstField + i);
  s.unitChoice = choice(form, 18, 4);
  s.H0V = choice(form, 19, 5);
  s.angle = int(value(form, 20));
  s.zRatio = value(form, 21);
  s.scale = value(form, 22);
  s.skipMode = int(value(form, 23));
  s.coordinateDisplay = choice(form, 24, 2);
  s.ZU = choice(form, 25, 2);
  s.textDisplay = choice(form, 26, 2);
  if (form.count() >= 27) s.animation = choice(form, 27, 2);
}

}  // namespace vorn
