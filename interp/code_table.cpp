#include "interp/code_table.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "interp/text_program.h"
#include "runtime/text.h"

namespace vorn {
namespace {

constexpr int kGroupLines = 12;  // lines 1-12: groups 0-11
constexpr int kMLine = 15;       // line 15: M codes in use

// The standard table: the modal groups everyday milling and lathe programs use.
constexpr const char* kStandardLines[16] = {
    "04 09 10 11 27 28 29 30 31 50 52 53 60 65 92",  // 0 one-shot
    "00 01 02 03 12 13 32 33",                       // 1 motion
    "17 18 19",                                      // 2 plane
    "90 91",                                         // 3 absolute / incremental
    "22 23",                                         // 4 stroke check
    "93 94 95 96 97",                                // 5 feed and speed modes
    "20 21",                                         // 6 inch / metric
    "40 41 42",                                      // 7 cutter compensation
    "43 44 49",                                      // 8 length offset
    "73 74 75 76 77 78 79 80 81 82 83 84 85 86 87 88 89",  // 9 canned cycles
    "98 99",                                         // 10 cycle return level
    "51 54 55 56 57 58 59 61 63 64",                 // 11 work systems, scaling, path modes
    "", "",
    "00 01 02 03 04 05 06 07 08 09 19 29 30 48 49 98 99",  // M codes in use
    "",
};

// The string of a line written as a list item: the text between the quotes
// (a line without quotes is taken as it stands).
std::string_view unquote(std::string_view line) {
  while (!line.empty() && line.front() == ' ') line.remove_prefix(1);
  if (line.empty() || line.front() != '"') return line;
  line.remove_prefix(1);
  size_t close = line.find('"');
  return close == std::string_view::npos ? line : line.substr(0, close);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the two-digit codes at positions 1, 4, 7 ... of a group line.
bool readCodes(std::string_view s, std::vector<int>& codes) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  for (size_t p = 0; p < s.size(); p += 3) {
    if (p + 2 > s.size() || !isDigit(s[p]) || !isDigit(s[p + 1])) return false;
    if (p + 2 < s.size() && s[p + 2] != ' ') return false;
    codes.push_back((s[p] - '0') * 10 + (s[p + 1] - '0'));
  }
  return true;
}

}  // namespace

CodeTable CodeTable::undefined() {
  CodeTable t;
  t.NDS1.fill(kUnsupportedGroup);
  for (int g = 0; g <= 4; ++g) t.NDS1[g] = 0;
  return t;
}

std::optional<CodeTable> parseCodeTable(std::string_view text, std::string* error) {
  CodeTable table = CodeTable::undefined();
  if (text.size() < 2) return table;
  const std::vector<std::string> lines = splitLines(text);
  for (int i = 0; i < kGroupLines && i < static_cast<int>(lines.size()); ++i) {
    std::vector<int> codes;
    if (!readCodes(unquote(lines[i]), codes)) {
      if (error) *error = "NCG line " + std::to_string(i + 1) + ": codes must be two digits, one every three characters";
      return std::nullopt;
    }
    for (int g : codes) table.NDS1[g] = i;
  }
  if (static_cast<int>(lines.size()) >= kMLine) table.allowedM = std::string(unquote(lines[kMLine - 1]));
  return table;
}

std::optional<CodeTable> loadCodeTable(const std::string& path, std::string* error) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return CodeTable::undefined();
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    if (error) *error = "cannot read " + path;
    return std::nullopt;
  }
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return parseCodeTable(fromCp932(bytes.str()), error);
}

std::string standardCodeTableText() {
  std::string text;
  for (const char* line : kStandardLines) text += std::string("\"") + line + "\"\r\n";
  return text;
}

const CodeTable& standardCodeTable() {
  static const CodeTable table = *parseCodeTable(standardCodeTableText(), nullptr);
  return table;
}

}  // namespace vorn
