#pragma once
// The environment settings: data drive and folder of the program store,
// trajectory display speed, pitch, start coordinates and colours, and the
// serial line and plotter interface. Kept in the store's environment record;
// these are the values of a fresh install.
#include <string>

namespace vorn {

struct Environment {
  std::string ZDX = "A:";     // data drive "A:".."F:", or "" for the working directory
  std::string UC = "B:";      // second drive, partner of the copy screen; never equal to ZDX
  std::string USEL = "M1";    // store folder (volume) "M1".."M6"
  float GL1 = 50;             // trajectory display speed, 5-322
  float ZC1 = 9;              // circle pitch, 1-60 (segments per half turn scale with it)
  float G = 0;                // trajectory start coordinate X
  float CD = 0;               // trajectory start coordinate Y
  float ZZS = 0;              // trajectory start coordinate Z
  float NNT = 7;              // text colour of the run screen, 0-7
  float CR = 3;               // rapid-move colour, 0-15
  float Y6 = 11;              // wide-path (tool) colour, 0-15
  // Serial line and plotter interface, each stored as its menu digit.
  int lineSpeed = 4;          // 1 1200, 2 2400, 3 4800, 4 9600 bit/s
  int PAX = 1;                // character code: 1 ISO, 2 ASCII, 3 the other code CT1
  int V1R = 2;                // stop bits 1 or 2
  int endOfBlock = 3;         // 1 CR, 2 LF, 3 CR LF
  int Y8 = 1;                 // plotter interface: 1 serial, 2 parallel
  std::string RCALC = "12";   // port digits: NC port, then plotter port
  std::string IKDSP = "NN";   // RTS and DTR control letters of the serial device string
  std::string CT1 = "12";     // other code "xy": parity digit, data-bit digit

  // The program-store location shown on the menu's top row: drive + folder.
  std::string storeLocation() const { return ZDX + USEL; }
  // The plotter's device string: "LPT3:" on the parallel interface, else the
  // plotter port (second digit of RCALC) at 9600 bit/s, 8 bits, no parity.
  std::string plotterDevice() const {
    if (Y8 == 2) return "LPT3:";
    return std::string("COM") + (RCALC.size() >= 2 ? RCALC[1] : '2') + ":(S8N1N8NN?)";
  }
};

}  // namespace vorn
