#pragma once
// The paper tape screen "紙ﾃｰﾌﾟ": punching the program in memory on a tape
// punch (DC2, a feed of NULs, the program, the feed again, DC4) and reading a
// tape from a reader started with DC1, on the line and protocol of a
// communication variant.
#include <string>

#include "comm/comm_screen.h"
#include "editor/program_buffer.h"
#include "shell/session.h"

namespace vorn {

// State kept between visits.
struct TapeState {
  int feed = 100;  // "ﾌｨｰﾄﾞ数": NULs of leader and of trailer
};

// The two characters shown after "区切  " for an end-of-block setting
// (1 CR, 2 LF, 3 CR LF): "CR", "LF" or "C+"; anything else is sent as LF.
std::string tapeEndOfBlockLabel(int endOfBlock);
// The conditions' choice "1)LF  2)CR  3)CRLF" lists LF first: the choice
// number of a setting, and the setting of a choice number.
int tapeChoiceOfEndOfBlock(int endOfBlock);
int endOfBlockOfTapeChoice(int choice);

// Runs the screen until Esc. `endOfBlock` is the setting "2)条件" edits;
// the line's end of block follows it. `port` is the digit shown after
// "ﾎﾟｰﾄNo ". A tape read replaces the program in `buffer`.
void paperTapeScreen(Session& session, ProgramBuffer& buffer, TapeState& state, int& endOfBlock, char port,
                     const CommVariant& variant);

}  // namespace vorn
