#pragma once
// One run of VORN-T: the screen, paths, channels and the session the screens
// share, the menu table that ties menu codes to screens, and the shipped
// files a fresh working directory receives.
#include <filesystem>
#include <map>
#include <string>

#include "apps/comm_wiring.h"
#include "apps/display_wiring.h"
#include "apps/editor_wiring.h"
#include "apps/learner_wiring.h"
#include "apps/plot_wiring.h"
#include "apps/store_wiring.h"
#include "runtime/channels.h"
#include "runtime/paths.h"
#include "runtime/screen.h"
#include "shell/session.h"
#include "shell/shell.h"

namespace vorn {

struct App {
  // The edition chooses the program: VORN-T or the learner's VORN_s.
  App(Backend& backend, Clock& clock, DeviceConfig config, Edition edition = vorntEdition());

  Screen screen;
  PathMap paths;
  ChannelTable channels;
  Session session;
  // Menu code -> screen. A code without an entry returns to the menu at once.
  std::map<int, MenuAction> menu;
  EditorParts editor;  // the program buffer and the editor (menu code 1)
  DisplayParts display;  // the trajectory screen's settings (the editor's F10)
  PlotParts plot;        // the plot settings (menu code 10)
  StoreParts store;  // the program store and the storage screen (menu code 2, the editor's F9)
  CommParts comm;        // communication and listing print (menu codes 5 and 3), environment (7)
  LearnerParts learner;  // the learner's edition: the learner's number for submit
};

// Fills app.menu and the start-up hooks with the screens built so far.
void wireScreens(App& app);

// The folder of the shipped files, found from the running executable:
// "../share/vornt" beside its "bin" (or beside the build's "apps" folder).
std::filesystem::path dataDirectory();
// The same for the executable at the given path.
std::filesystem::path dataDirectoryFor(const std::filesystem::path& executable);
// Copies "vorntc.ini", "UsFolder", "NCG" and the sample programs into workDir
// (the samples also into its folder "samples", which the shipped "UsFolder"
// lists) where they are missing; an existing file is never touched.
void installShippedFiles(const std::filesystem::path& dataDir, const std::filesystem::path& workDir);

}  // namespace vorn
