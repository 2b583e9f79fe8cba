#include "manage/module_comm.h"

#include "comm/line.h"
#include "manage/module.h"
#include "runtime/channels.h"
#include "shell/session.h"

namespace vorn {

void openModuleLine(Session& s, const Environment& env) {
  const LineValues v = deriveLineValues(env);
  s.channels.close(kModuleNcChannel);
  const int port = v.ncPort - '0';
  if (port >= 1 && port <= 9) s.channels.setPortSpeed(port, kModuleLineSpeed);
  // The one device-string grammar of the serial service: the frame (data
  // bits, parity, stop bits) and the RTS/DTR letters come from the settings.
  s.channels.openDevice(kModuleNcChannel, v.ncDeviceString());
}

CommVariant moduleCommVariant(const Environment& env) {
  CommVariant v;
  v.modes = {
      {"送信PC>>", TransferMode::Tape, true},
      {"ﾒﾓﾘ-受信", TransferMode::Replace, false},
      {"連結受信", TransferMode::Append, false},
      {"送信>>G ", TransferMode::Now, true},
  };
  v.stopHint = "[Esc]:中止";
  v.sendCounter = "####";
  v.showMinutes = false;
  v.logSends = false;
  v.channel = kModuleNcChannel;
  v.openLine = [&env](Session& s) { openModuleLine(s, env); };
  ProtocolOptions& o = v.options;
  o.eob = deriveLineValues(env).V0R;
  o.charDelayMs = 0;
  o.closingPercent = true;
  o.errorStatus = linestatus::Stopped;
  o.errorShowsCode = false;
  o.pauseAbove = 1090;
  o.endPolls = 0;
  o.skipToPercent = true;
  o.stopAtEnd = true;
  o.showFinish = false;
  o.pauseAfterSend = false;
  return v;
}

void moduleCommScreen(Session& s, ModuleState& m) {
  commScreen(s, m.buffer, m.comm.comm, moduleCommVariant(m.environment));
}

void modulePaperTapeScreen(Session& s, ModuleState& m) {
  const char port = deriveLineValues(m.environment).ncPort;
  paperTapeScreen(s, m.buffer, m.comm.tape, m.environment.endOfBlock, port, moduleCommVariant(m.environment));
}

}  // namespace vorn
