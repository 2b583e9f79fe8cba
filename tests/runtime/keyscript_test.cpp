#include "runtime/keyscript.h"

#include <gtest/gtest.h>

#include "runtime/keys.h"
#include "runtime/screen.h"

namespace vorn {
namespace {

// Key strings of a script that holds only keys.
std::vector<std::string> keysOf(std::string_view script) {
  std::vector<std::string> out;
  for (const InputEvent& e : parseKeyScript(script)) {
    EXPECT_EQ(e.kind, InputEvent::Kind::Key) << script;
    out.push_back(e.text);
  }
  return out;
}

TEST(KeyScript, TypedTextAndNamedKeys) {
  struct Case { std::string_view script; std::vector<std::string> keys; };
  const Case cases[] = {
      {"ab", {"a", "b"}},
      {"日本ｶﾅ", {"日", "本", "ｶ", "ﾅ"}},
      {"{Enter}{Esc}{Tab}{BS}{Del}{Ins}", {"\r", "\x1b", "\t", "\b", "\x7f", "\x12"}},
      {"{Right}{Left}{Up}{Down}", {"\x1c", "\x1d", "\x1e", "\x1f"}},
      {"{Home}{Shift+Home}{End}{Ctrl+End}{PgUp}{PgDn}", {"\x0b", "\x0c", "\x15", "\x05", "\x13", "\x14"}},
      {"{F1}{f10}{F12}", {key::fn(1), key::fn(10), key::fn(12)}},
      {"{Ctrl+L}{ctrl+o}", {"\x0c", "\x0f"}},
      {"{Code:4}{Code:0,72}{Code:65377}", {"\x04", std::string("\0H", 2), "｡"}},
      {"{{x}", {"{", "x", "}"}},
      {"a\r\nb\n", {"a", "b"}},
  };
  for (const Case& c : cases) EXPECT_EQ(keysOf(c.script), c.keys) << c.script;
}

TEST(KeyScript, EventItems) {
  auto events = parseKeyScript("{Wait:250}{Click:3,4}{RClick:0,1}{Resize:640,480}{Close}{ListSelect:2}{ListResize}");
  ASSERT_EQ(events.size(), 7u);
  using Kind = InputEvent::Kind;
  EXPECT_EQ(events[0].kind, Kind::Wait);
  EXPECT_EQ(events[0].ms, 250);
  EXPECT_EQ(events[1].kind, Kind::Click);
  EXPECT_EQ(events[1].col, 3);
  EXPECT_EQ(events[1].row, 4);
  EXPECT_EQ(events[1].button, 1);
  EXPECT_EQ(events[2].button, 2);
  EXPECT_EQ(events[3].kind, Kind::Resize);
  EXPECT_EQ(events[3].width, 640);
  EXPECT_EQ(events[3].height, 480);
  EXPECT_EQ(events[4].kind, Kind::CloseRequest);
  EXPECT_EQ(events[5].kind, Kind::ListSelect);
  EXPECT_EQ(events[5].index, 2);
  EXPECT_EQ(events[6].kind, Kind::ListResize);
}

TEST(KeyScript, FaultsNameTheirPosition) {
  struct Case { std::string_view script; size_t position; };
  const Case cases[] = {
      {"ab{Bogus}", 2}, {"{Enter", 0}, {"x{Wait:}", 1}, {"{Wait:-5}", 0}, {"{Click:1}", 0},
      {"{Click:1,2,3}", 0}, {"{Code:1114112}", 0}, {"{Resize:0,5}", 0}, {"{Ent{er}", 0}, {"{}", 0},
      {"{Ctrl+A}", 0}, {"{Wait:12x}", 0},
  };
  for (const Case& c : cases) {
    try {
      parseKeyScript(c.script);
      ADD_FAILURE() << "accepted: " << c.script;
    } catch (const KeyScriptError& e) {
      EXPECT_EQ(e.position(), c.position) << c.script << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find("position"), std::string::npos);
    }
  }
}

TEST(KeyTable, PhysicalKeysGiveTheirCodes) {
  EXPECT_EQ(keyCode(PhysicalKey::Enter, ModNone), "\r");
  EXPECT_EQ(keyCode(PhysicalKey::Enter, ModShift), "\r");   // Shift without an entry is ignored
  EXPECT_EQ(keyCode(PhysicalKey::Home, ModShift), "\x0c");
  EXPECT_EQ(keyCode(PhysicalKey::Tab, ModShift), std::string("\0\x0f", 2));   // back-tab
  EXPECT_EQ(keyCode(PhysicalKey::Tab, ModNone), "\t");
  EXPECT_EQ(keyCode(PhysicalKey::End, ModCtrl), "\x05");
  EXPECT_EQ(keyCode(PhysicalKey::F5, ModAlt), key::fn(5));
  EXPECT_EQ(keyCode(PhysicalKey::Up, ModCtrl), std::nullopt);
  EXPECT_EQ(ctrlLetterCode('d'), "\x04");
  EXPECT_EQ(ctrlLetterCode('a'), std::nullopt);
  // Every table entry is reachable by its own name and physical key.
  for (const KeyBinding& b : keyTable()) {
    EXPECT_EQ(keyCodeByName(b.name), std::string(b.code)) << b.name;
    EXPECT_EQ(keyCode(b.key, b.mods), std::string(b.code)) << b.name;
  }
  for (int n = 1; n <= 12; ++n) EXPECT_EQ(key::fnNumber(key::fn(n)), n);
  EXPECT_EQ(key::fnNumber("\x01M"), 0);
  EXPECT_EQ(key::fnNumber("A"), 0);
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

TEST(KeyScriptInputMethod, ComposeAndTextItems) {
  const auto events = parseKeyScript("{Compose:にほ}{Compose:}{Text:日本}");
  ASSERT_EQ(events.size(), 3u);
  EXPECT_EQ(events[0].kind, InputEvent::Kind::Compose);
  EXPECT_EQ(events[0].text, "にほ");
  EXPECT_EQ(events[0].index, 2);
  EXPECT_EQ(events[1].kind, InputEvent::Kind::Compose);
  EXPECT_EQ(events[1].text, "");
  EXPECT_EQ(events[2].kind, InputEvent::Kind::Key);
  EXPECT_EQ(events[2].text, "日本");   // delivered as one key
  EXPECT_THROW(parseKeyScript("{Text:}"), KeyScriptError);
}

}  // namespace
}  // namespace vorn
