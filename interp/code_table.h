#pragma once
// The code table: the G-code group of every G code 0-99 and the list of M
// codes in use, built from the code-table file "NCG" (16 lines, each a quoted
// string of two-digit codes at positions 1, 4, 7 ...).
#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace vorn {

inline constexpr int kUnsupportedGroup = 200;  // NDS1 value of a G code the table does not list

struct CodeTable {
  std::array<int, 100> NDS1{};  // group 0-11 of G code 0-99, or 200 when not supported
  std::string allowedM;         // line 15: M codes in use; empty accepts every M code

  // The table of a missing file: G0-G4 in group 0, every other G unsupported.
  static CodeTable undefined();
};

// Builds the table from the file's text (UTF-8, CR LF or LF). Text shorter
// than 2 bytes gives CodeTable::undefined(). A line whose codes are not
// two-digit numbers one every three characters sets *error to a message
// naming the line and gives nullopt.
std::optional<CodeTable> parseCodeTable(std::string_view text, std::string* error);

// Reads and parses a code-table file (code page 932). A missing file gives the
// undefined table; an unreadable or malformed one nullopt with *error set.
std::optional<CodeTable> loadCodeTable(const std::string& path, std::string* error);

// The standard table shipped as data/NCG (the same text, parsed).
const CodeTable& standardCodeTable();
// The text of the standard "NCG" file (UTF-8, CR LF line ends).
std::string standardCodeTableText();

}  // namespace vorn
