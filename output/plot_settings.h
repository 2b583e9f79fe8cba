#pragma once
// The plot settings the user sets on the plotter screen (paper, scale, Z
// ratio, rapid dash, outline type, name label, pen speed, pen), what is
// derived from them, and the plotter letter from the environment.
// Pure: no screen.
#include <array>
#include <string>

namespace vorn {

struct Environment;

struct PlotSettings {
  float S2 = 1;     // paper: 1 A4, 2 A3
  float YYB = 0;    // plot scale, two decimals, above 0 (0: the screen not visited yet)
  float F6P3 = 1;   // Z ratio of the side views, two decimals, above 0
  float PAS = 2;    // G0 dash length in whole mm, one digit; 0 leaves rapid moves undrawn
  float X4 = 1;     // work outline: 0 corners only, 1 dotted, 2 dashed
  float WR = 1;     // name label: 1 written, 2 not written
  float V1 = 99;    // pen speed, cm/s, 1-99
  float X7 = 0;     // fixed pen 1-9; 0 lets the pen follow the tool number

  // Sets the first-visit defaults while the scale is still 0.
  void fillFirstVisitDefaults();

  // Settings 1-8 in the order they are kept with a stored program.
  std::array<float, 8> toFloats() const;
  // Takes stored settings back; a value outside its range (or not a number)
  // leaves that setting as it was.
  void fromFloats(const std::array<float, 8>& values);
};

// The paper's drawable area in mm: A4 276 x 192, A3 402 x 276.
struct PaperArea {
  float RX = 276;  // width, mm
  float RY = 192;  // height, mm
};
PaperArea paperArea(float S2);

// The letter shown for the plotter interface: "R" serial, "P" parallel.
std::string plotterLetter(const Environment& env);

}  // namespace vorn
