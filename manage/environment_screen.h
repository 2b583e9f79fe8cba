#pragma once
// The module's environment screen (menu choice 7): the main program's
// environment screen with the module's layout ("複写DD", "ﾌｧｨﾙ区分", no
// plotter, port or control-line fields), saved to "NVOL" on "1)設定".
namespace vorn {

struct Session;
struct ModuleState;

void moduleEnvironmentScreen(Session& session, ModuleState& module);

}  // namespace vorn
