#include "manage/environment_screen.h"

#include "comm/environment_screen.h"
#include "manage/module.h"
#include "runtime/screen.h"
#include "shell/session.h"
#include "store/work_files.h"

namespace vorn {

void moduleEnvironmentScreen(Session& s, ModuleState& m) {
  s.screen.clearText();
  // The screen edits a copy: Esc leaves the module's values as they were,
  // drives included, so its screens never disagree about the volume.
  Environment env = m.environment;
  if (runEnvironmentForm(s.screen, env, moduleEnvironmentLayout()) != 1) return;
  if (env.ZDX != m.environment.ZDX || env.USEL != m.environment.USEL) m.storage.list.clear();
  m.environment = env;
  // The store screens open the session's drive and volume: they follow the module's.
  s.environment = env;
  s.guarded([&] { writeEnvironmentFile(s.channels, env, systemDateText(s.screen.clock().wallTime())); });
}

}  // namespace vorn
