#pragma once
// The error recovery screen: a message for the runtime error on the top row
// and the choice retry / menu / restart; "!" ends the program.
#include <string>

#include "runtime/error.h"

namespace vorn {

class Screen;
struct Session;

// Thrown to leave the running screen for the shell's loop, which closes every
// channel and resumes at the right start-up step (or ends the program).
struct ShellUnwind {
  enum class To { Menu, Restart, End };
  To to;
};

// The texts in which the recovery screens of the program parts differ: the
// main program's (the defaults), the learner's edition's missing-file text
// and the management module's.
struct RecoveryTexts {
  std::string missingFile = "ﾄﾞﾗｲﾌﾞ,ﾊﾟｽ,ﾌｧｲﾙが見付らない";  // code 63, a file that is not found
  bool netPathMessage = true;                 // code 75 has a message of its own
  std::string numberTemplate = "ｴﾗｰ#### ";   // any other code: its number, then where it happened
};

// The message for an error code. An unknown code shows its number and the
// failing operation or file (`where`, its end kept when it is long) within
// the room left of the question on the same row.
std::string recoveryMessage(int code, std::string_view where, const RecoveryTexts& texts);
// The same with the main program's texts and missingFile for code 63.
std::string recoveryMessage(int code, std::string_view where,
                            std::string_view missingFile = "ﾄﾞﾗｲﾌﾞ,ﾊﾟｽ,ﾌｧｲﾙが見付らない");

// Choice X8: 0 retry, 1 menu, 2 restart. A key moves or selects (pure).
int recoveryChoiceAfterKey(int X8, char key);

// Shows the screen and returns the choice (0 retry, 1 menu, 2 restart);
// throws ShellUnwind{End} on "!".
int recoveryScreen(Screen& screen, const RuntimeError& error, const RecoveryTexts& texts = {});

// The main program's texts for an edition's missing-file text.
RecoveryTexts recoveryTextsFor(std::string_view missingFile);

// The handler installed in Session::onError: Retry, or closes every channel
// and throws ShellUnwind to the menu or the restart.
// The texts are the edition's unless given (the module passes its own).
Recovery recoverFromError(Session& session, const RuntimeError& error);
Recovery recoverFromError(Session& session, const RuntimeError& error, const RecoveryTexts& texts);

}  // namespace vorn
