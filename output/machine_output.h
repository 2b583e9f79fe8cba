#pragma once
// Modelling-machine output: the six command dialects, the machine type and
// the machining conditions, and the translation of every interpreted block
// into the machine's absolute pen moves, arcs and Z commands. Screen-free:
// the machining screen and `vornt-cli machine` both run it.
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "interp/runner.h"
#include "output/hpgl_writer.h"

namespace vorn {

// One command dialect; the prefix goes in front of "PA", "PU", "PD", "PR",
// "VS", "IN", "DF;", "IP" and "SC". An empty command is one the dialect lacks.
struct MachineDialect {
  int ZN = 0;                // dialect number 0-5
  std::string prefix;        // put before the plotter commands
  std::string zPair;         // Z pair command (pen-down Z, pen-up Z)
  std::string zSpeed;        // Z speed command
  std::string motor;         // motor command (1 on, 0 off)
  std::string move3d;        // 3D move command (x, y, z)
  bool lineEnd = false;      // commands end with a line end instead of ";"
};
// The dialect of a number; numbers outside 0-5 give dialect 1 (no Z at all).
MachineDialect machineDialect(int ZN);

// A machine type (records 2 onward of the machine file).
struct MachineType {
  int ZN = 1;           // command dialect 0-5
  std::string CAM;      // machine name, nine characters
  float RX = 0;         // X travel, mm
  float RY = 0;         // Y travel, mm
  float F6DZ = 0;       // lowest Z, mm
  float ZC = 0;         // highest Z, mm
  float ERDE = 10;      // scaling span: user units for the 10 device units between P1 and P2
  float XW = 0;         // speed for pen-up moves
  float AWX = 0;        // Z speed for pen-up 3D moves
  float S2 = 1;         // size code (shared with the plot paper setting)
};

// The machine settings that the output reads (record 1 of the machine file).
struct MachineOptions {
  bool serial = false;  // communication method 2 or 3: device-control sequences, DC1/DC3
  float FIXT = 0.1f;    // arc resolution, mm (0.01 to 0.5)
  float E = 50;         // Z limit, mm
  int ZC = 2;           // CAM mode 1, 2 or 3 ("1D 2D 3D ")
  int IDXA = 1;         // pen number (dialect 1)
};

// The machining conditions, kept in memory until the program ends.
struct MachiningConditions {
  float ZDT = 0;        // position X on the table, mm
  float ZDTY = 0;       // position Y on the table, mm
  float ZD3 = 0;        // XY scale ("##.####", 0: not yet set)
  float IDMXU = 1;      // Z scale ("#.###")
  float PAP = 9;        // spindle speed (K), 1-90 (shown, not used by the output)
  float E0 = 0.5f;      // depth of cut (shown, not used by the output)
  float WN = 20;        // cutting speed; 0: the program's feed
  int Z22 = 1;          // X mirror: 1 no, 2 yes
  float PFZ = 0;        // depth adjust, mm (two decimals)
  // Sets the defaults when the XY scale is 0 or above 20 (and resets it to 0).
  void fillDefaults();
};

// Where the work is: what the mirror offset and the end need of it.
struct MachineWork {
  float workX = 0;      // work X size, mm
  int basePoint = 1;    // work reference point 1-9
};

// Called with each command's text (without its ";" or line end) once it is written.
using MachineEcho = std::function<void(std::string_view)>;

// Writes machine commands: the text and ";" (a line end in dialect 0); raw
// text for the device-control sequences, which are not echoed.
class MachineWriter {
 public:
  MachineWriter(PlotSink& sink, bool lineEnd) : sink_(sink), lineEnd_(lineEnd) {}
  void command(std::string_view text);
  void raw(std::string_view text) { sink_.send(text); }
  // A "((" line without its "((": a label ("LB...") ends with code 3, anything else as a command.
  void passThrough(std::string_view text);
  void setEcho(MachineEcho echo) { echo_ = std::move(echo); }

 private:
  PlotSink& sink_;
  bool lineEnd_;
  MachineEcho echo_;
};

// How a move of the tool is drawn: a pen-up move, a straight cut, an arc.
enum class MachineStroke { Rapid, Feed, Arc };

// Where the tool goes on the machine table, for a drawing of the run.
// Coordinates are table millimetres: the position on the table plus the
// scaled program coordinates, X turned round when the mirror is on.
class MachineTrace {
 public:
  virtual ~MachineTrace() = default;
  // A straight move in the plan to (x, y).
  virtual void moveTo(float x, float y, MachineStroke stroke) = 0;
  // A hole drilled at (x, y) by a tool of radius r.
  virtual void hole(float x, float y, float r) = 0;
};

class MachineOutput {
 public:
  MachineOutput(PlotSink& sink, const MachineType& type, const MachineOptions& options,
                const MachiningConditions& conditions, const MachineWork& work);

  // Device-control sequences (serial), DF and IP, the scaling window, pen, Z speed, Z bounds.
  void initialise();
  // Remembers the pen-up speed, sends the Z pair, moves up to the start, sets the speed, motor on.
  void start(const Point3& p, float feed);
  // One interpreted block: spindle codes, a changed feed, and the move.
  void block(const Move& m);
  // A "((" line: sent unchanged without the "((".
  void rawLine(std::string_view line);
  // Sends the compensated element still held back (pending: the interpreter's
  // stored element) to its own offset end; nothing when none is held.
  void releaseHeld(const CompElement& pending, float feed);
  // Motor off, Z up, pen up to the greatest Y reached, then "SP" or motor off and "IN".
  void endSequence();
  // Initialise, motor off, Z up, pen-up move to X 0 Y 0, pen-up speed.
  void moveToOrigin();

  void motor(bool on);
  void speed(float value);

  // Every command written from now on is also given to echo.
  void setEcho(MachineEcho echo) { out_.setEcho(std::move(echo)); }
  // Every move sent from now on is also given to trace (not owned; may be null).
  void setTrace(MachineTrace* trace) { trace_ = trace; }

  int PBB = 0;          // pen state: 0 up, 1 down, 2 in an arc
  float ZZ = 0;         // pen-down Z of the current Z pair
  float MF1 = 0;        // pen-up Z of the current Z pair
  float MZM = 0;        // upper Z bound
  float MDM = -999;     // greatest Y reached (scaled)
  float XW = 0;         // the machine's pen-up speed, remembered at the start

 private:
  float scaledZ(float z) const;
  void zMove(float z, bool up = false);
  void sendZPair();
  void linear(const Point3& to, const Point3& delta, const std::string& command, float feed);
  void move3d(float x, float y, float z, float feed);
  void penTo(const std::string& command, float x, float y, MachineStroke stroke);
  float tableX(float x) const { return cond_.Z22 == 2 ? px_ - x : px_ + x; }
  void traceTo(float x, float y, MachineStroke stroke);
  void traceArc(const Point3& centre, float r, float CO, float CP);
  void arc(const Move& m);
  void arcOf(const Point3& centre, float radius, float CO, float CP, bool clockwise, int plane,
             const Point3& end, const Point3& delta, float feed);
  void arcChords(const Point3& centre, float radius, float CO, float CP, bool clockwise,
                 int plane, const Point3& end, float feed);
  void cycle(const Move& m);
  void compensated(const Move& m);
  void straightTo(Point2 p, float z, const std::string& command, float feed);
  void heldArc(const CompElement& e, float feed);
  float cuttingSpeed(float feed) const;
  int chordAngle(float r) const;

  MachineWriter out_;
  MachineDialect d_;
  MachineType type_;
  MachineOptions options_;
  MachiningConditions cond_;
  MachineWork work_;
  float px_ = 0;                    // X position after the mirror offset
  std::optional<std::pair<float, float>> lastPair_;  // the last Z pair sent
  float lastFeed_ = -1;             // the feed sent last (cutting speed 0)
  Point3 at_{};                     // machine position (unscaled)
  MachineTrace* trace_ = nullptr;   // sees the moves sent, for the table drawing
  bool holding_ = false;            // a compensated element waits for the next block
  bool elementSent_ = false;        // a Z-only block already took the tool to the held element's end
};

// Runs the program through the interpreter and machines it: initialisation,
// start, every block ("((" lines sent raw), and the end sequence whatever
// happened. afterBlock (optional) sees every block; false stops the run.
struct MachineOutcome {
  RunResult run;
  float MDM = -999;  // greatest Y reached, for "MAX:Y="
};
MachineOutcome machineProgram(const ProgramSource& program, const CodeTable& codes,
                              RunSettings settings, MachineOutput& output,
                              IncludeReader includes = {}, BlockNormalizer normalize = {},
                              const std::function<bool(const Move&)>& afterBlock = {});

}  // namespace vorn
