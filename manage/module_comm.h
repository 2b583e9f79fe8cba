#pragma once
// The module's NC communication and paper tape: the main program's
// communication screen and the paper tape screen with the module's own
// variant — channel 9, the first port digit of its own settings at 4800
// bit/s always, four modes, "[Esc]:中止", the send's counter "####" without
// minutes, no log, a send always closed with "%", a stop by the NC shown as
// "止" without its code, DC3 after a receive.
#include "comm/comm_screen.h"
#include "comm/tape_screen.h"
#include "shell/environment.h"

namespace vorn {

struct ModuleState;
struct Session;

inline constexpr int kModuleNcChannel = 9;      // the module's line channel
inline constexpr int kModuleLineSpeed = 4800;   // bit/s, whatever the settings say

// What the module's communication screens keep between visits.
struct ModuleCommState {
  CommState comm{1};  // the mode chosen last; the first visit offers "送信PC>>"
  TapeState tape;     // the feed count
};

// The module's variant over its environment values (kept by reference: the
// paper tape's end-of-block condition and the environment screen change them).
CommVariant moduleCommVariant(const Environment& env);

// Opens channel 9 on the NC port of env at 4800 bit/s.
void openModuleLine(Session& session, const Environment& env);

// Menu entries 6 "ＮＣ通信" and 9 "PTP,PTR" (the paper tape screen "紙ﾃｰﾌﾟ").
void moduleCommScreen(Session& session, ModuleState& module);
void modulePaperTapeScreen(Session& session, ModuleState& module);

}  // namespace vorn
