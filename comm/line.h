#pragma once
// The line values derived from the environment settings: speed text, code
// pair, the NC line's parameter list and device string, the end-of-block
// text, the ports and the plotter's device string. Pure; computed at start-up
// and after the environment screen saves.
#include <string>

#include "runtime/serial.h"
#include "shell/environment.h"

namespace vorn {

struct LineValues {
  std::string X21;       // speed text "1200", "2400", "4800" or "9600"
  std::string codePair;  // "11" ISO, "32" ASCII, or the other code CT1: parity digit, data-bit digit
  std::string dataBits;  // "7" or "8" ("" when the code pair's digit has no meaning)
  std::string parity;    // "E", "O" or "N" ("" likewise)
  std::string XA;        // NC line parameters, e.g. "(S7E2N7NN?,CS0,DS0)"
  std::string V0R;       // end-of-block text: CR, LF or CR LF
  char ncPort = '1';     // NC port digit (first of RCALC)
  char XXA = '2';        // plotter port digit (second of RCALC)
  std::string XB;        // plotter device string: "COMn:(S8N1N8NN?)" or "LPT3:"

  // "COM" + NC port + ":" + XA: what the NC line is opened on.
  std::string ncDeviceString() const { return std::string("COM") + ncPort + ":" + XA; }
  // The speed text as bit/s (0 when it is not a number).
  int bitsPerSecond() const;
};

// Derives every value from the settings (never fails; a setting out of its
// range gives a value the serial service refuses when the line is opened).
LineValues deriveLineValues(const Environment& env);

// The end-of-block text of a menu digit: 1 CR, 2 LF, 3 CR LF; anything else LF.
std::string endOfBlockText(int endOfBlock);

// The NC line's settings as the serial service reads them from the device
// string. Throws RuntimeError(err::DeviceUnavailable) for settings that make
// no valid string.
LineSettings ncLineSettings(const LineValues& v);

}  // namespace vorn
