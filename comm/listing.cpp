#include "comm/listing.h"

#include "runtime/numtext.h"
#include "runtime/text.h"

namespace vorn {

int listingIndent(std::string_view line) {
  if (!line.empty() && line.front() == '/') line.remove_prefix(1);
  if (line.empty()) return 0;
  const char c = line.front();
  const size_t p = std::string_view("]]]TNO").rfind(c);
  int blanks = 6 - (p == std::string_view::npos ? 0 : int(p) + 1);
  if (std::string_view("GMNOT(/").find(c) == std::string_view::npos) blanks += 4;
  return blanks;
}

std::string listingHeaderLine(const ListingHeader& h) {
  std::string s = std::string(5, ' ') + h.name + " " + h.title;
  if (h.YGW > 9) s += numberText(h.YGW);
  const int width = textWidth(s);
  s += std::string(size_t(width < 49 ? 49 - width : 1), ' ');
  return s + h.date + " " + h.time;
}

int writeListing(const ProgramSource& program, const ListingHeader& header, int FITK,
                 const std::function<void(std::string_view)>& out, const std::function<bool(int)>& stop) {
  int onPage = 2;  // the header and its empty line
  out(listingHeaderLine(header) + "\r\n\r\n");
  auto endPage = [&] {
    if (FITK > 90) {
      out("\f");
    } else {
      for (; onPage < FITK; ++onPage) out("\r\n");
    }
    onPage = 0;
  };
  int n = 1;
  for (; program.hasLine(n); ++n) {
    const std::string_view line = program.line(n);
    out(formatTemplate("#####  ", {double(n)}) + std::string(size_t(listingIndent(line)), ' ') + std::string(line) +
        "\r\n");
    if (++onPage >= kListingLinesPerPage) endPage();
    if (stop && stop(n)) {
      ++n;
      break;
    }
  }
  if (onPage > 0) endPage();
  return n - 1;
}

}  // namespace vorn
