#include "interp/accounting.h"

#include <cmath>

#include "runtime/numtext.h"

namespace vorn {

std::string reportLine(const Totals& t) {
  float rapid = std::floor(t.TNA);
  float cut = std::floor(t.lineCut + t.arcCut);
  // Integer division and remainder truncate toward zero, so a negative time
  // (a negative feed) reads as minus minutes, not as minus one hour.
  double minutes = std::nearbyint(static_cast<double>(t.CE));
  double hours = std::trunc(minutes / 60);
  double rest = std::fmod(minutes, 60.0);
  return "移動" + numberText(rapid) + " 切削" + numberText(cut) + " " +
         formatTemplate(" :##H##M", {hours, rest});
}

}  // namespace vorn
