#pragma once
// Machining time: the distance and time totals of a run and the report line
// that the trajectory screen and the command line print at the end.
#include <string>

namespace vorn {

// Accumulators, single precision, set to 0 at the start point of every run.
struct Totals {
  float TNA = 0;      // rapid distance, mm (rapids, cycle positioning, thread cuts)
  float lineCut = 0;  // line cutting distance, mm
  float arcCut = 0;   // arc cutting distance, mm
  float CE = 0;       // cutting time, minutes
};

// "移動" and the whole rapid distance, "切削" and the whole cutting distance,
// then the time through " :##H##M" (minutes rounded, hours = minutes div 60).
std::string reportLine(const Totals& totals);

}  // namespace vorn
