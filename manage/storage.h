#pragma once
// The module's storage screen: the store's storage screen with the module's
// nine entries, its warning, and three more actions: list printing, delete
// all (confirmation word "QZX") and index repair (confirmation word "KWV").
#include <string>
#include <vector>

#include "store/storage_screen.h"

namespace vorn {

class Screen;
struct Session;
struct ModuleState;

inline constexpr const char* kDeleteAllWord = "QZX";  // confirms delete all
inline constexpr const char* kRepairWord = "KWV";     // confirms index repair

StorageVariant moduleStorageVariant();

// The storage screen of the module's variant on its buffer, settings and the
// drive and volume of its "NVOL" values: the whole screen (menu entry 1), or
// its save alone (the end of an import).
void runModuleStorageScreen(Session& s, ModuleState& m);
void runModuleSave(Session& s, ModuleState& m);

// The printed program list: a line with the date stamp, one line per index
// entry through "### &     & &               & &      & ######" (entry
// number, name, title, date stamp, size), then a form feed.
std::vector<std::string> programListPrint(Store& store, const std::string& dateStamp);

// Asks for a confirmation word beside `label` on one row (a 3-character
// field preset to the word's first letter); a wrong word beeps and asks
// again. True for the word, false for Esc or up.
bool askConfirmationWord(Screen& screen, int row, int col, const std::string& label, const std::string& word);

}  // namespace vorn
