#pragma once
// The program listing for the printer: a header, numbered lines indented by
// the kind of block, 60 printed lines a page (the header counts), pages ended by a form feed (page length
// above 90) or filled with empty lines to the page length. Pure text out.
#include <functional>
#include <string>
#include <string_view>

#include "interp/program_source.h"

namespace vorn {

inline constexpr int kListingLinesPerPage = 60;

struct ListingHeader {
  std::string name;    // program name OSDATE
  std::string title;   // program title H0X
  float YGW = 0;       // program mark, printed when above 9
  std::string date;    // date stamp PCUSE
  std::string time;    // "HH:MM:SS"
};

// Blanks before a listed block: 0 for "O", 1 "N", 2 "T", 6 "G", "M", "(",
// 10 for any other first character; a leading "/" is looked through.
int listingIndent(std::string_view line);

// The header line (without its line end).
std::string listingHeaderLine(const ListingHeader& h);

// Writes the listing of program through out (UTF-8 text, lines ending in
// CR LF, form feeds as code 12). FITK is the page length. After each line n,
// stop(n) is asked whether to end there (Esc; it may also show progress).
// Returns the number of program lines written.
int writeListing(const ProgramSource& program, const ListingHeader& header, int FITK,
                 const std::function<void(std::string_view)>& out,
                 const std::function<bool(int)>& stop = {});

}  // namespace vorn
