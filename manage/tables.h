#pragma once
// The module's table screens: device names ("NCNA", 16 rows of name and
// connection) and code tables ("NCG", 15 rows of G and M codes the
// interpreter reads after the module returns).
#include <string>
#include <vector>

#include "store/work_files.h"

namespace vorn {

struct Session;
struct ModuleState;

// What a typed device name does to the table.
inline constexpr const char* kDeleteRow = ">DEL";  // deletes the row (rows below move up, row 16 keeps its text)
inline constexpr const char* kInsertRow = ">INS";  // inserts a copy of the row (rows below move down, the last is lost)

// The two edits on a table of kDeviceNames rows; row from 1.
void deleteDeviceRow(std::vector<DeviceName>& rows, int row);
void insertDeviceRow(std::vector<DeviceName>& rows, int row);

// The screens (menu choices 5 and 4).
void deviceNameScreen(Session& session, ModuleState& module);
void codeTableScreen(Session& session, ModuleState& module);

}  // namespace vorn
