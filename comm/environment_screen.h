#pragma once
// The environment screen "環境": data drive, store folder, trajectory
// display settings, the serial line and the plotter interface. It edits
// session.environment and saves through the session's saveEnvironment hook.
#include <string>
#include <vector>

#include "shell/form.h"
#include "shell/session.h"

namespace vorn {

// The 17 fields of the form, relative to the frame's top-left corner.
// The edition sets the volume choice and ranges; VORN_s has no communication fields.
std::vector<FieldDef> environmentFormFields(const Edition& edition = vorntEdition());

// Form texts from the settings and back (pure; values outside a field's
// choices keep the setting as it was).
void environmentToForm(const Environment& env, Form& form);
void formToEnvironment(const Form& form, Environment& env, int volumes = 6);

// The data-drive step's rule: "A".."F" sets that drive, "" clears it; false
// for anything else (beep, ask again). When the new drive equals the second
// drive UC, that becomes "B:" for an entry "A", else "A:".
bool applyDataDrive(Environment& env, const std::string& entry);
// The second drive's rule ("複写DD"): "A".."F" or "" as for the data drive,
// but false (beep, ask again) when it would equal the data drive.
bool applySecondDrive(Environment& env, const std::string& entry);

// What differs between the program parts' environment screens.
struct EnvironmentLayout {
  int innerRows = 14;                   // rows inside the frame
  std::vector<std::string> labels;      // the label of each row inside the frame, from the first
  std::string colourLabels = "m    l";  // beside the text colour, 16 columns right of the labels
  std::vector<FieldDef> fields;         // the 17 fields (hidden ones: width 0, never edited)
  std::string menu;                     // the closing choice
  bool secondDrive = false;             // "複写DD": the second drive is asked after the data drive
  int volumes = 6;                      // volumes the folder choice offers
};

// The main program's screen (VORN_s without the communication rows).
EnvironmentLayout environmentLayout(const Edition& edition = vorntEdition());
// The transfer and management module's screen: two drive fields, "ﾌｧｨﾙ区分",
// the circle pitch shown but not editable, two display colours, no plotter,
// port or control-line fields (their values pass through unchanged).
EnvironmentLayout moduleEnvironmentLayout();

// Runs a screen over env: the drive step (and the second drive), the form,
// the closing choice; "2" goes back to the drive step. Returns 0 when Esc
// left it, else the choice taken with Enter; on 1 the form is in env.
int runEnvironmentForm(Screen& screen, Environment& env, const EnvironmentLayout& layout);

enum class EnvironmentOutcome {
  Left,     // Esc: nothing saved (a data drive entered stays in effect)
  Saved,    // saved through the hook; the caller redraws the editor
  Machine,  // "3)CAMM": the machine-type screen's turn
};

// Runs the screen; returns how it was left.
EnvironmentOutcome environmentScreen(Session& session);

}  // namespace vorn
