#include "keys.h"

#include <array>
#include <cctype>

namespace vorn {

namespace {

using K = PhysicalKey;

// Codes 11, 12, 5, 19, 20, 21 follow the classic keyboard: Home (11), clear
// screen (12), erase to end of line (5), roll down/up (19, 20) and end (21).
constexpr std::array<KeyBinding, 29> kTable{{
    {"Enter", K::Enter, ModNone, "\r"},
    {"Esc", K::Esc, ModNone, "\x1b"},
    {"Tab", K::Tab, ModNone, "\t"},
    // Back-tab: code 0 and scan character 15, as the classic keyboard sends it.
    {"Shift+Tab", K::Tab, ModShift, std::string_view("\0\x0f", 2)},
    {"BS", K::Backspace, ModNone, "\b"},
    {"Del", K::Delete, ModNone, "\x7f"},
    {"Ins", K::Insert, ModNone, "\x12"},
    {"Home", K::Home, ModNone, "\x0b"},
    {"Shift+Home", K::Home, ModShift, "\x0c"},
    {"End", K::End, ModNone, "\x15"},
    {"Ctrl+End", K::End, ModCtrl, "\x05"},
    {"PgUp", K::PageUp, ModNone, "\x13"},
    {"PgDn", K::PageDown, ModNone, "\x14"},
    {"Right", K::Right, ModNone, "\x1c"},
    {"Left", K::Left, ModNone, "\x1d"},
    {"Up", K::Up, ModNone, "\x1e"},
    {"Down", K::Down, ModNone, "\x1f"},
    {"F1", K::F1, ModNone, "\x01" "A"},
    {"F2", K::F2, ModNone, "\x01" "B"},
    {"F3", K::F3, ModNone, "\x01" "C"},
    {"F4", K::F4, ModNone, "\x01" "D"},
    {"F5", K::F5, ModNone, "\x01" "E"},
    {"F6", K::F6, ModNone, "\x01" "F"},
    {"F7", K::F7, ModNone, "\x01" "G"},
    {"F8", K::F8, ModNone, "\x01" "H"},
    {"F9", K::F9, ModNone, "\x01" "I"},
    {"F10", K::F10, ModNone, "\x01" "J"},
    {"F11", K::F11, ModNone, "\x01" "K"},
    {"F12", K::F12, ModNone, "\x01" "L"},
}};

bool equalNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  return true;
}

}  // namespace

std::span<const KeyBinding> keyTable() { return kTable; }

std::optional<std::string> keyCode(PhysicalKey key, unsigned mods) {
  mods &= ModShift | ModCtrl;
  for (unsigned tryMods : {mods, mods & ~unsigned(ModShift)})
    for (const KeyBinding& b : kTable)
      if (b.key == key && b.mods == tryMods) return std::string(b.code);
  return std::nullopt;
}

std::optional<std::string> ctrlLetterCode(char letter) {
  int upper = std::toupper(static_cast<unsigned char>(letter));
  if (upper < 'B' || upper > 'Z') return std::nullopt;
  return std::string(1, char(upper - 'A' + 1));
}

std::optional<std::string> keyCodeByName(std::string_view name) {
  for (const KeyBinding& b : kTable)
    if (equalNoCase(b.name, name)) return std::string(b.code);
  if (name.size() == 6 && equalNoCase(name.substr(0, 5), "Ctrl+")) return ctrlLetterCode(name[5]);
  return std::nullopt;
}

}  // namespace vorn
