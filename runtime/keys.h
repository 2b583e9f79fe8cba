#pragma once
// The one table from physical keys to the key strings the screens read:
// control codes (13 Enter, 27 Esc, 28-31 arrows, 8, 9, 127 ...) and function
// keys as code 1 + "A".."L". Window back ends translate their key events into
// PhysicalKey + modifiers; key scripts name the same keys. Users find the
// table in docs/KEYS.md.
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace vorn {

enum class PhysicalKey {
  Enter, Esc, Tab, Backspace, Delete, Insert, Home, End, PageUp, PageDown,
  Up, Down, Left, Right,
  F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
};

// Modifier bits held with a key.
enum KeyMods : unsigned { ModNone = 0, ModShift = 1, ModCtrl = 2, ModAlt = 4 };

struct KeyBinding {
  std::string_view name;   // as written in key scripts, e.g. "Shift+Home"
  PhysicalKey key;
  unsigned mods;           // exact KeyMods combination
  std::string_view code;   // the key string the screens receive
};

std::span<const KeyBinding> keyTable();

// The key string for a physical key with modifiers, or nullopt when the
// combination means nothing. Alt is ignored; Shift is ignored when the table
// has no entry with Shift.
std::optional<std::string> keyCode(PhysicalKey key, unsigned mods);
// Ctrl with a letter gives the letter's control code (Ctrl+B = 2 ... Ctrl+Z = 26).
// Ctrl+A is refused: code 1 would read as the start of a function key.
std::optional<std::string> ctrlLetterCode(char letter);
// A key name as in key scripts ("Enter", "F5", "Shift+Home", "Ctrl+L"),
// case-insensitive; nullopt when unknown.
std::optional<std::string> keyCodeByName(std::string_view name);

}  // namespace vorn
