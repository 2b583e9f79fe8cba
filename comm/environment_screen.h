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

enum class EnvironmentOutcome {
  Left,     // Esc: nothing saved (a data drive entered stays in effect)
  Saved,    // saved through the hook; the caller redraws the editor
  Machine,  // "3)CAMM": the machine-type screen's turn
};

// Runs the screen; returns how it was left.
EnvironmentOutcome environmentScreen(Session& session);

}  // namespace vorn
