#pragma once
// The module's NC communication: the main program's communication screen
// with the module's own variant — channel 9, the first port digit of its own settings at 4800
// bit/s always, four modes, "[Esc]:中止", the send's counter "####" without
// minutes, no log, a send always closed with "%", a stop by the NC shown as
// "止" without its code, DC3 after a receive.
#include "comm/comm_screen.h"
#include "shell/environment.h"

namespace vorn {

struct ModuleState;
struct Session;

inline constexpr int kModuleNcChannel = 9;      // the module's line channel
inline constexpr int kModuleLineSpeed = 4800;   // bit/s, whatever the settings say

// What the module's communication screens keep between visits.
struct ModuleCommState {
  CommState comm{1};  // the mode chosen last; the first visit offers "送信PC>>"
};

// The module's variant over its environment values (kept by reference: the
// paper tape's end-of-block condition and the environment screen change them).
CommVariant moduleCommVariant(const Environment& env);

// Opens channel 9 on the NC port of env at 4800 bit/s.
void openModuleLine(Session& session, const Environment& env);

// Menu entry 6 "ＮＣ通信".
void moduleCommScreen(Session& session, ModuleState& module);

}  // namespace vorn
