#pragma once
// The communication and printing screens in the application: menu codes 3
// (listing print), 5 (NC communication) and 7 (environment settings).
#include <map>

#include "apps/editor_wiring.h"
#include "comm/comm_screen.h"
#include "comm/print_screen.h"
#include "shell/shell.h"

namespace vorn {

struct CommParts {
  CommState comm;    // the last transfer mode
  PrintState print;  // the page length, 99 from start-up
};

void wireComm(Session& session, std::map<int, MenuAction>& menu, EditorParts& editor, CommParts& comm);

}  // namespace vorn
