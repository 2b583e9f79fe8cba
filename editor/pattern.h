#pragma once
// The pattern calculator: a line beginning "(!" describes points on a circle,
// an ellipse, a spiral or a straight row; it becomes positioning blocks. Pure:
// the editor writes the blocks into the lines after the pattern line.
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

// Parameters read from the pattern line's words (values as written, no unit rule).
struct PatternParameters {
  float I0A = 0;   // centre X (word X)
  float JR = 0;    // centre Y (word Y)
  float W0M = 0;   // radius (word R); 0 makes a straight row
  float N = 0;     // angle pitch in degrees (word I)
  float Z2 = 0;    // start angle in degrees (word J)
  float ZD0 = 1;   // point count (word K); 0 means a full turn of N-degree steps
  float U = 0;     // X radius of an ellipse (word Q), used when above 0
  float GR = 0;    // radius increase per point (word V)
  float TIM1 = 0;  // stroke length (word Z); when set each point gets a G0 and a G1 block
};

bool isPatternLine(std::string_view text);  // begins with "(!"
// Reads the words after "(!" (the text is normalised first so "X0Y0" splits).
PatternParameters readPattern(std::string_view text);

// The blocks for a pattern, at most maxBlocks of them. A full turn with a pitch
// of 0 gives no blocks (it would never end).
std::vector<std::string> patternBlocks(const PatternParameters& p, int V2, int maxBlocks);

// Coordinate text with V2 decimals: "0" below 10^-V2, near-whole values
// rounded (9.995 -> "10."), always a ".", cut V2 places after it, trailing zeros removed.
std::string coordinateText(float v, int V2);

}  // namespace vorn
