#include "editor/program_list.h"

#include "runtime/numtext.h"
#include "runtime/text.h"

namespace vorn {

std::string programListEntry(float programNumber, const std::string& nextLine, int lineIndex) {
  return formatTemplate("###### ", {double(programNumber)}) +
         padToWidth(nextLine + " ;", kListTitleWidth) + '\x01' + numberText(lineIndex);
}

}  // namespace vorn
