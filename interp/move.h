#pragma once
// The move record: what one block did to the tool, written by the interpreter
// after each block and read by path drawing, the plotter, the machine output
// and the command line. Positions are millimetres in the frame of the start
// point; in lathe mode the first coordinate is Z and the second X as a radius.
#include <array>
#include <string_view>

namespace vorn {

using Point3 = std::array<float, 3>;

struct Point2 {
  float x = 0;
  float y = 0;
  friend bool operator==(const Point2&, const Point2&) = default;
};

// One element of the tool-centre path under cutter compensation: a programmed
// line or arc moved sideways by the compensation radius.
struct CompElement {
  float GL2 = 0;     // motion mode of its block: 2, 3 arc; anything else a line
  Point2 start;      // offset start point
  Point2 end;        // offset end point
  float phi = 0;     // direction of a line, radians (point angle of its end about its start)
  Point2 centre;     // arc centre
  float rho = 0;     // offset radius of an arc
  float CO = 0;      // arc start angle, radians
  float CP = 0;      // arc end angle, radians
  Point2 programmedEnd;  // end of the programmed element (the programmed corner)
  Point3 to;         // the block's end position (third coordinate used by the 3D view)
  Point3 delta;      // the block's move deltas
};

struct Move {
  // Where the block came from.
  int line = 0;              // program line; for an included file, the including line
  bool included = false;     // the block is a line of an included file
  std::string_view text;     // block text as read (valid until the next block is read)
  std::string_view I1M;      // block error text; empty when the block is sound

  // The run loop's drawing condition: a delta or the arc radius is not 0, or
  // the one-shot code is 28 or 92.
  bool draws = false;

  Point3 from{};             // previous position: where the move starts
  Point3 to{};               // current position at block completion; G28: the intermediate
                             // point; G12/G13: the circle's start point
  Point3 rest{};             // where the tool is left after the block: cycles the last hole
                             // at the return level, G12/G13 the centre, G28 the reference
                             // point, G92 (lathe) thread cycle the block's start
  Point3 delta{};            // ZTR, ZMZ, ZTT: current minus previous, per coordinate

  float GL2 = 0;             // motion mode {0 rapid, 1 feed, 2 cw, 3 ccw, 12/13 full circle,
                             //  32/33 thread, 39 lathe thread cycle, 70-89 canned cycles}
  float Y1 = 0;              // one-shot code: last G of the block {4 dwell, 28, 92, 12, 13 ...}
  float plane = 17;          // modal group 2 {17, 18, 19}
  float distance = 90;       // modal group 3 {90 absolute, 91 incremental}
  float returnLevel = 98;    // modal group 10 {98 initial Z, 99 R plane}
  float compensation = 0;    // modal group 7 {40, 41, 42}
  float compRadius = 0;      // compensation radius, mm
  float toolNumber = 0;      // tool number of the T word
  float WN2H = 0;            // current tool radius, mm
  float CG = 1;              // pen width in pixels (2 x tool radius x scale in views 1 and 4)
  float XF = 100;            // feed, mm/min

  // Arcs (motion 2, 3) and full circles (12, 13).
  Point3 centre{};           // YO, CF and the third coordinate, in the screen frame
  float ZSC = 0;             // arc radius; 0 when the block made no arc
  float CO = 0;              // start angle, radians, after direction adjustment
  float CP = 0;              // end angle, radians, after direction adjustment

  // Canned cycles (motion 70-89): hole i (1-based) is at `to` plus (i - 1)
  // times holeStep, added one step at a time.
  float initialZ = 0;        // Z at the start of the block
  float CJ = 0;              // R plane, absolute Z
  float TXF = 0;             // bottom Z (also the thread end value)
  float peck = 0;            // peck depth (Q)
  float ZD0 = 1;             // repeat count
  int repeats = 0;           // holes actually made (0 when the block made no cycle)
  Point2 holeStep;           // X and Y advance per repeat (G91), else 0

  Point3 offset{};           // ZVV, GLT, OFS: work offsets (the program origin; G92 marker)

  // Cutter compensation: the element held back one block, to be drawn now.
  bool compensatedDrawing = false;  // group 7 is 41/42, radius > 0, corner computed, view 1 or 4
  CompElement element;       // the element to draw (the one the new corner ends)
  int corner = 0;            // 0 none, 1 one corner point, 2 two corner points
  Point2 C1;                 // first corner point (the target of the element)
  Point2 C2;                 // second corner point (a feed line from C1 to it)

  std::array<float, 4> mCodes{};  // M values read in the block, in order
  int mCount = 0;            // how many of mCodes are set
  bool programEnd = false;   // the block ended the program (M02, M30)
};

}  // namespace vorn
