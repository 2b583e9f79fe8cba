#include "interp/accounting.h"

#include <cmath>

#include "runtime/numtext.h"

namespace vorn {

std::string reportLine(const Totals& t) {
  float rapid = std::floor(t.TNA);
  float cut = std::floor(t.lineCut + t.arcCut);
  double minutes = std::nearbyint(static_cast<double>(t.CE));
  double hours = std::floor(minutes / 60);
  double rest = minutes - hours * 60;
  return "移動" + numberText(rapid) + " 切削" + numberText(cut) + " " +
         formatTemplate(" :##H##M", {hours, rest});
}

}  // namespace vorn
