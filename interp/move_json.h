#pragma once
// One move record as a single-line JSON object: what `vornt-cli simulate
// --moves` prints per drawing block and what the golden traces hold.
#include <string>

#include "interp/move.h"

namespace vorn {

// Line, motion mode, one-shot code, from/to/rest positions, and only what
// applies: arc centre, radius and angles; cycle values; work offsets of a
// coordinate set; compensated corner points. Numbers in shortest form; a
// value that is not finite is written null.
std::string moveJson(const Move& move);
// The same appended to `out`, whose room is reused from move to move.
void appendMoveJson(std::string& out, const Move& move);

// Appends v in its shortest form that reads back as the same single (the
// text std::to_chars gives), "null" when not finite, never "-0".
void appendJsonNumber(std::string& out, float v);

}  // namespace vorn
