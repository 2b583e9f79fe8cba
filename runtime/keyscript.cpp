#include "keyscript.h"

#include <cctype>
#include <charconv>

#include "keys.h"
#include "text.h"

namespace vorn {

KeyScriptError::KeyScriptError(size_t position, const std::string& message)
    : std::runtime_error("key script, position " + std::to_string(position) + ": " + message),
      position_(position) {}

namespace {

InputEvent keyEvent(std::string text) {
  InputEvent e;
  e.kind = InputEvent::Kind::Key;
  e.text = std::move(text);
  return e;
}

bool startsWithNoCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (size_t i = 0; i < prefix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
      return false;
  return true;
}

// The comma-separated whole numbers after "Name:"; exactly `count` of them
// unless count is 0 (one or more).
std::vector<long> numbers(std::string_view args, size_t count, size_t pos, std::string_view name) {
  std::vector<long> values;
  size_t start = 0;
  for (;;) {
    size_t comma = args.find(',', start);
    std::string_view item = args.substr(start, comma == std::string_view::npos ? args.npos : comma - start);
    while (!item.empty() && item.front() == ' ') item.remove_prefix(1);
    while (!item.empty() && item.back() == ' ') item.remove_suffix(1);
    long v = 0;
    auto [end, ec] = std::from_chars(item.data(), item.data() + item.size(), v);
    if (item.empty() || ec != std::errc() || end != item.data() + item.size() || v < 0)
      throw KeyScriptError(pos, "{" + std::string(name) + ":...} needs whole numbers >= 0, got \"" +
                                    std::string(item) + "\"");
    values.push_back(v);
    if (comma == std::string_view::npos) break;
    start = comma + 1;
  }
  if (count != 0 && values.size() != count)
    throw KeyScriptError(pos, "{" + std::string(name) + ":...} takes " + std::to_string(count) +
                                  " number(s)");
  return values;
}

InputEvent namedItem(std::string_view body, size_t pos) {
  using Kind = InputEvent::Kind;
  InputEvent e;
  size_t colon = body.find(':');
  std::string_view name = body.substr(0, colon);
  std::string_view args = colon == std::string_view::npos ? std::string_view{} : body.substr(colon + 1);
  auto is = [&](std::string_view n) { return name.size() == n.size() && startsWithNoCase(name, n); };
  if (colon == std::string_view::npos) {
    if (is("Close")) return e.kind = Kind::CloseRequest, e;
    if (is("ListResize")) return e.kind = Kind::ListResize, e;
    if (auto code = keyCodeByName(name)) return keyEvent(*code);
    throw KeyScriptError(pos, "unknown key name {" + std::string(body) + "}");
  }
  if (is("Compose")) return e.kind = Kind::Compose, e.text = std::string(args), e.index = charCount(args), e;
  if (is("Text")) {
    if (args.empty()) throw KeyScriptError(pos, "{Text:...} needs the text the input method delivers");
    return keyEvent(std::string(args));
  }
  if (is("Code")) {
    std::string text;
    for (long v : numbers(args, 0, pos, name)) {
      if (v > 0x10FFFF) throw KeyScriptError(pos, "{Code:" + std::to_string(v) + "} is out of range");
      if (v < 128) text += char(v);
      else appendUtf8(text, char32_t(v));
    }
    return keyEvent(text);
  }
  if (is("Wait")) return e.kind = Kind::Wait, e.ms = int(numbers(args, 1, pos, name)[0]), e;
  if (is("Click") || is("RClick")) {
    auto v = numbers(args, 2, pos, name);
    e.kind = Kind::Click;
    e.col = int(v[0]);
    e.row = int(v[1]);
    e.button = is("Click") ? 1 : 2;
    return e;
  }
  if (is("Resize")) {
    auto v = numbers(args, 2, pos, name);
    if (v[0] == 0 || v[1] == 0) throw KeyScriptError(pos, "{Resize:w,h} needs a size above 0");
    e.kind = Kind::Resize;
    e.width = int(v[0]);
    e.height = int(v[1]);
    return e;
  }
  if (is("ListSelect")) return e.kind = Kind::ListSelect, e.index = int(numbers(args, 1, pos, name)[0]), e;
  throw KeyScriptError(pos, "unknown key name {" + std::string(body) + "}");
}

}  // namespace

std::vector<InputEvent> parseKeyScript(std::string_view script) {
  std::vector<InputEvent> events;
  size_t pos = 0;
  while (pos < script.size()) {
    char c = script[pos];
    if (c == '\r' || c == '\n') {
      ++pos;
    } else if (c == '{' && pos + 1 < script.size() && script[pos + 1] == '{') {
      events.push_back(keyEvent("{"));
      pos += 2;
    } else if (c == '{') {
      size_t close = script.find('}', pos);
      size_t nextOpen = script.find('{', pos + 1);
      if (close == std::string_view::npos || nextOpen < close)
        throw KeyScriptError(pos, "\"{\" without \"}\" (write \"{{\" for a literal brace)");
      events.push_back(namedItem(script.substr(pos + 1, close - pos - 1), pos));
      pos = close + 1;
    } else {
      std::string text;
      appendUtf8(text, nextCodePoint(script, pos));
      events.push_back(keyEvent(text));
    }
  }
  return events;
}

}  // namespace vorn
