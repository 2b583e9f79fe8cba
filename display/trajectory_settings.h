#pragma once
// The trajectory settings the learner fills in before a run (work size and
// base point, view, scale, tool radii, display choices) and the form that
// edits them. Pure apart from the form's field table.
#include <array>
#include <vector>

#include "shell/form.h"

namespace vorn {

struct TrajectorySettings {
  std::array<float, 3> workSize{0, 0, 0};  // work X, Y (0-999 mm) and Z (0-300 mm); X 0 = never filled in
  int basePoint = 1;                        // work base point 1-9, keypad numbering
  std::array<float, 3> centre{0, 0, 0};     // draw centre X, Y, Z, mm
  std::array<float, 8> toolRadius{};        // tool radii 1-8, mm (T1-T8, D1-D8)
  int unitChoice = 2;                       // unit divisor choice: 1 /1, 2 /10, 3 /100, 4 /1000
  int H0V = 1;                              // view: 1 XY, 2 XZ, 3 ZY, 4 3D, 5 lathe
  int angle = 10;                           // 3D rotation angle, whole degrees
  float zRatio = 1;                         // vertical stretch of the side views, 0.2-8
  float scale = 2;                          // drawing scale, above 0 and below 60
  int skipMode = 1;                         // block skip: 1 skips blocks starting with "/"
  int coordinateDisplay = 1;                // 1 off, 2 coordinates listed during the run
  int ZU = 1;                               // rapid drawing: 1 drawn, 2 hidden
  int textDisplay = 1;                      // block text display: 1 on, 2 off
  int animation = 1;                        // learner's edition: 1 path, 2 the tool moves along each block

  // The divisor of coordinates written without a decimal point: 10^(choice - 1).
  float unitDivisor() const;
  // Fills the first-use defaults (unit 2, view 1, base point 1, scale 2, angle
  // 10, Z ratio 1) when the work size X is 0.
  void fillFirstUseDefaults();
};

// Takes the settings an exported program file carries (work size X, Y, Z,
// base point, draw centre X, Y, Z and scale, as many as given). A value
// outside its field's range, or not a number, leaves that setting as it was.
void applyExportedSettings(const std::vector<float>& values, TrajectorySettings& settings);
// The same eight settings as an exported program file carries them.
std::array<float, 8> exportedSettings(const TrajectorySettings& settings);

// The 26 field definitions of the settings form (rows from the form's first row).
const std::vector<FieldDef>& trajectoryFormFields();
// The learner's edition's form: "1)有 2)無 動画 " on row 12 and field 27,
// "1)軌跡 2)動画 ", on row 14.
const std::vector<FieldDef>& learnerTrajectoryFormFields();
// The 13 label rows of the form, row 1 first.
const std::vector<const char*>& trajectoryFormLabels();

// Copies the settings into the fields' value texts and back. Reading back
// brings a base point outside 1-9 to 1 and choices outside their range to 1.
void settingsToForm(const TrajectorySettings& settings, Form& form);
void formToSettings(const Form& form, TrajectorySettings& settings);

}  // namespace vorn
