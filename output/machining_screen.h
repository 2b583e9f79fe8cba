#pragma once
// The machining screen: the machine table drawn with the work on it, the
// machining conditions (asked in order on the first visit), the work's
// scaled extent and the menu "1)開始 2)ｽﾃｯﾌﾟ3)移動0" that machines the
// program on the selected machine type or moves the tool to the origin.
// Also the machine settings screen of the environment screen's "3)CAMM ".
#include "display/trajectory_screen.h"
#include "output/machine_file.h"
#include "output/machine_output.h"

namespace vorn {

// What the screen works on; apps/ fills it in.
struct MachiningContext {
  Session& session;
  ProgramBuffer& buffer;
  EditorState& editor;
  TrajectorySettings& trajectory;  // work size, base point, tools and unit (shared)
  const CodeTable& codes;
  MachiningConditions& conditions; // kept from the first visit to the end of the program
};

// mm per pixel of the table drawing: the smaller of X travel / 350 and
// Y travel / 270, rounded up to hundredths.
float machineTableScale(float RX, float RY);

void machiningScreen(MachiningContext& context);

// The machine settings screen: edits and saves record 1 of "NCMM".
void machineSettingsScreen(Session& session);

}  // namespace vorn
