#pragma once
// Block normalisation: NC words spaced apart, runs of blanks collapsed, the
// result cut to 70 display cells. Applied to typed lines, NC-type files and
// received programs. Pure text, no screen.
#include <string>
#include <string_view>

namespace vorn {

class ProgramBuffer;

inline constexpr int kNormalizedWidth = 70;  // display cells a normalised block keeps

// Normalises one block (already upper-cased by the caller). A blank is put
// before every character above "@" that follows "+", ",", "-", ".", "/" or a
// digit; blanks collapse to one; a leading blank and a trailing blank go;
// cells past 70 are dropped. With collapseDots every run of "." becomes one
// "." afterwards (the editor's rule; file loading skips it). *cut is set when
// cells past the width were dropped. A width other than 70 keeps that many
// cells instead; 0 keeps the whole block.
std::string normalizeBlock(std::string_view text, bool collapseDots = true, bool* cut = nullptr,
                           int width = kNormalizedWidth);
// The same into `out` (replaced), which keeps its capacity: loaders reuse one
// string for every line. `upcase` first upper-cases ASCII letters outside
// parentheses (other tools' files).
void normalizeBlockInto(std::string_view text, std::string& out, bool collapseDots = true,
                        bool* cut = nullptr, int width = kNormalizedWidth, bool upcase = false);

// normalizeBlockInto with its defaults: what a run gives the lines of
// included files (the runner's block normaliser).
void normalizeIncludedLine(std::string_view text, std::string& out);

// The same for ASCII text only: false (and `out` untouched) when the text
// holds any other byte, so that callers holding code page 932 bytes convert
// only the lines that need it.
bool normalizeAsciiBlockInto(std::string_view text, std::string& out, bool collapseDots = true,
                             bool* cut = nullptr, int width = kNormalizedWidth, bool upcase = false);

// Applies normalizeBlock (with the ".." rule and the width) to every line
// 1..Z whose first character is not "(". Used after a program is received.
void normalizeProgram(ProgramBuffer& buffer, int width = kNormalizedWidth);

}  // namespace vorn
