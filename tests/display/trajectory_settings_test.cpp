#include "display/trajectory_settings.h"

#include <gtest/gtest.h>

#include <cmath>

#include "runtime/text.h"

namespace vorn {
namespace {

TEST(TrajectoryForm, TableShape) {
  const auto& fields = trajectoryFormFields();
  ASSERT_EQ(fields.size(), 26u);
  ASSERT_EQ(trajectoryFormLabels().size(), 13u);
  // Every choice text is a whole number of choices of the field's width.
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].type == 0 && !fields[i].text.empty()) {
      EXPECT_EQ(textWidth(fields[i].text) % fields[i].width, 0) << "field " << i + 1;
    }
  }
  // No field overlaps its row's label text.
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string label = trajectoryFormLabels()[size_t(fields[i].row - 1)];
    const std::string under = midByWidth(label, fields[i].col - 1, fields[i].width);
    EXPECT_EQ(under.find_first_not_of(' '), std::string::npos) << "field " << i + 1 << " over '" << label << "'";
  }
}

TEST(TrajectoryForm, RoundTripAndCorrections) {
  TrajectorySettings s;
  s.workSize = {90, 60, 20};
  s.basePoint = 5;
  s.centre = {10, -5, 0};
  s.toolRadius = {3, 0, 0, 0, 0, 0, 0, 2.5f};
  s.unitChoice = 3;
  s.H0V = 4;
  s.angle = 30;
  s.zRatio = 1.5f;
  s.scale = 0.75f;
  s.skipMode = 0;
  s.coordinateDisplay = 2;
  s.ZU = 2;
  s.textDisplay = 2;
  Form form = loadForm(trajectoryFormFields(), 1, 0);
  settingsToForm(s, form);
  TrajectorySettings back;
  formToSettings(form, back);
  EXPECT_EQ(back.workSize, s.workSize);
  EXPECT_EQ(back.basePoint, 5);
  EXPECT_EQ(back.centre, s.centre);
  EXPECT_EQ(back.toolRadius, s.toolRadius);
  EXPECT_EQ(back.unitChoice, 3);
  EXPECT_FLOAT_EQ(back.unitDivisor(), 100);
  EXPECT_EQ(back.H0V, 4);
  EXPECT_EQ(back.angle, 30);
  EXPECT_FLOAT_EQ(back.zRatio, 1.5f);
  EXPECT_FLOAT_EQ(back.scale, 0.75f);
  EXPECT_EQ(back.skipMode, 0);
  EXPECT_EQ(back.coordinateDisplay, 2);
  EXPECT_EQ(back.ZU, 2);
  EXPECT_EQ(back.textDisplay, 2);

  form.field(4).ZM = "0";   // base point outside 1-9
  form.field(19).ZM = "7";  // no such view
  formToSettings(form, back);
  EXPECT_EQ(back.basePoint, 1);
  EXPECT_EQ(back.H0V, 1);
}

TEST(TrajectoryForm, FirstUseDefaultsOnlyWhenWorkUnset) {
  TrajectorySettings s;
  s.unitChoice = 4;
  s.scale = 7;
  s.fillFirstUseDefaults();
  EXPECT_EQ(s.unitChoice, 2);
  EXPECT_EQ(s.scale, 2);
  EXPECT_EQ(s.angle, 10);
  s.workSize[0] = 50;
  s.scale = 7;
  s.fillFirstUseDefaults();
  EXPECT_EQ(s.scale, 7);
}

}  // namespace
}  // namespace vorn

namespace vorn {
TEST(TrajectoryForm, ExportedSettingsOutOfRangeKeepTheOldValues) {
  TrajectorySettings s;
  s.workSize = {50, 40, 10};
  s.scale = 3;
  // Work X of 0, a base point of 12, a NaN centre and a scale of 60 are refused; the rest is taken.
  applyExportedSettings({0, 70, 299.5f, 12, NAN, -5, 7, 60}, s);
  EXPECT_EQ(s.workSize, (std::array<float, 3>{50, 70, 299.5f}));
  EXPECT_EQ(s.basePoint, 1);
  EXPECT_EQ(s.centre, (std::array<float, 3>{0, -5, 7}));
  EXPECT_EQ(s.scale, 3);
  applyExportedSettings({120}, s);  // a short line sets what it has
  EXPECT_EQ(s.workSize[0], 120);
}
}  // namespace vorn

namespace vorn {
TEST(TrajectoryForm, ExportedSettingsGoOutAndComeBackInTheSameOrder) {
  TrajectorySettings s;
  s.workSize = {100, 80, 30};
  s.basePoint = 7;
  s.centre = {10, -20, 5};
  s.scale = 2.5f;
  const std::array<float, 8> out = exportedSettings(s);
  EXPECT_EQ(out, (std::array<float, 8>{100, 80, 30, 7, 10, -20, 5, 2.5f}));
  TrajectorySettings back;
  applyExportedSettings(std::vector<float>(out.begin(), out.end()), back);
  EXPECT_EQ(exportedSettings(back), out);
}
}  // namespace vorn
