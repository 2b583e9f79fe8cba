#pragma once
// The NC communication screen: the five transfer modes, the "ＮＣ操作" wait,
// the status word, the line counter and the elapsed minutes, on the engine
// of comm/transfer.h over channel 8.
#include "comm/transfer.h"
#include "editor/program_buffer.h"
#include "shell/session.h"

namespace vorn {

inline constexpr int kNcChannel = 8;  // the NC line's channel

// State the screen keeps between visits.
struct CommState {
  int lastMode = 5;  // the mode chosen last, the menu's default
};

// Opens the NC line on channel 8 from the environment's derived values
// (closing it first). Raises RuntimeError for a missing or busy port.
void openNcLine(Session& session);

// The engine's settings from the environment and the settings file.
ProtocolOptions protocolOptions(const Session& session);

// Runs the screen until Esc, or until a receive ends normally.
void commScreen(Session& session, ProgramBuffer& buffer, CommState& state);

}  // namespace vorn
