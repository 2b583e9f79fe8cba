#pragma once
// The module's import screen "外部ファイル 読み込み" (menu choice 3): a text
// file read into the module's buffer, new or appended, its lines rolling past
// in six rows, then the store's save screen for what was read.
#include <string>

namespace vorn {

struct Session;
struct ModuleState;

// The module's open-dialog filter.
inline constexpr const char* kImportFilter = "(*.nc*,*.dnc);(*.txt);(*.csv);(*.*)";

void importScreen(Session& session, ModuleState& module);

}  // namespace vorn
