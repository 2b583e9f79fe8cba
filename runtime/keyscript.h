#pragma once
// Key scripts: the input of headless runs. Typed text (UTF-8, one key per
// character) and names in braces: {Enter} {F5} {Shift+Home} {Ctrl+L}
// {Code:N[,N...]} {Wait:ms} {Click:col,row} {RClick:col,row} {Resize:w,h}
// {Close} {ListSelect:n} {ListResize}, and the input method's {Compose:text}
// (text being composed; {Compose:} ends it) and {Text:text} (composed text
// delivered as one key); "{{" is a literal "{". Line breaks in
// the script are ignored. The notation is documented in docs/KEYS.md.
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "backend.h"

namespace vorn {

class KeyScriptError : public std::runtime_error {
 public:
  KeyScriptError(size_t position, const std::string& message);
  size_t position() const { return position_; }  // byte offset in the script
 private:
  size_t position_;
};

// Parses a whole script into events in order. Throws KeyScriptError with the
// byte position of the first fault (unknown name, bad number, missing "}").
std::vector<InputEvent> parseKeyScript(std::string_view script);

}  // namespace vorn
