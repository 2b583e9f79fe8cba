#pragma once
// The program store as the application holds it, and its wiring: menu code 2
// and the editor's F9 open the storage screen; start-up reads the environment
// record and selects its data drive and volume, and the environment screen's
// save writes the record. A program loaded from the store brings its
// trajectory settings, tool radii and plot settings.
#include <array>
#include <map>

#include "apps/display_wiring.h"
#include "apps/editor_wiring.h"
#include "apps/plot_wiring.h"
#include "store/storage_screen.h"
#include "store/store.h"

namespace vorn {

struct StoreParts {
  StoreParts(ChannelTable& channels, const PathMap& paths) : store(channels, paths) {}

  Store store;                  // the selected drive and volume and its name index
  StorageScreenState screen;    // last menu choice and the program list, kept between visits
};

// The settings saved with a program: trajectory settings 1-9 and 18-22, the
// eight tool radii and plot settings 1-8.
StoredSettings storedSettings(const TrajectorySettings& trajectory, const std::array<float, 8>& plot);
// Takes a stored program's settings back. A trajectory value outside its
// form field's range (a work size of 0 included: the program was saved
// before the form was filled) leaves that setting as it was.
void applyStoredSettings(const StoredSettings& stored, TrajectorySettings& trajectory, std::array<float, 8>& plot);

// Reads "NVOL" into the session's environment and selects its drive and
// volume; the shell's start-up step that opens the store.
void openStoreAtStart(Session& session, Store& store);

// One visit of the storage screen as the variant has it; a load puts the
// editor on line 1 and a load problem becomes the editor's notice.
void storageVisit(Session& session, EditorParts& editor, DisplayParts& display, PlotParts& plot, StoreParts& parts,
                  const StorageVariant& variant);

// Menu code 2, the editor's F9 and the start-up hook.
void wireStore(Session& session, std::map<int, MenuAction>& menu, EditorParts& editor, DisplayParts& display,
               PlotParts& plot, StoreParts& store);

}  // namespace vorn
