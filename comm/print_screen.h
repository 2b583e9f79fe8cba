#pragma once
// The listing print screen: "ﾒﾓﾘｰ内容" prints the program in memory on
// printer "LPT3:" (the device mapping sends it to a CUPS queue or a file),
// "改行変更" sets the page length.
#include "comm/listing.h"
#include "editor/program_buffer.h"
#include "shell/session.h"

namespace vorn {

inline constexpr int kPrinterChannel = 9;

struct PrintState {
  int FITK = 99;  // lines per page; above 90 pages end with a form feed
};

// The header of a listing of buffer now: name, title, mark, date stamp and time.
ListingHeader listingHeaderFor(const Session& session, const ProgramBuffer& buffer, float YGW);

// Runs the screen until Esc or "→ ﾒﾆｭｰ". YGW is the program mark.
void printScreen(Session& session, const ProgramBuffer& buffer, PrintState& state, float YGW = 0);

}  // namespace vorn
