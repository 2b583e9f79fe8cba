#pragma once
// The module's volume copy screen (menu choice 2): a range of programs, by
// name, copied between the data drive and the second drive, same volume on
// both, on the store's volume copy. An existing name on the target keeps its
// record and gets the copied text and values; a new one is appended.
#include <string>

namespace vorn {

struct Session;
struct ModuleState;

// The direction choice "1)A:->B: 2)B:-> A:" for the data drive and the
// second drive; an empty drive shows as two blanks.
std::string copyDirectionChoices(const std::string& dataDrive, const std::string& secondDrive);

void volumeCopyScreen(Session& session, ModuleState& module);

}  // namespace vorn
