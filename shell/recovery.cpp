#include "shell/recovery.h"

#include <algorithm>

#include "runtime/channels.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/session.h"

namespace vorn {

namespace {

constexpr int kMessageColor = 3;
constexpr int kChoiceColor = 6;
constexpr int kMessageCol = 28;    // columns from 0
constexpr int kQuestionCol = 39;
constexpr int kChoicesCol = 59;
constexpr int kChoiceWidth = 6;
constexpr const char* kChoices = " ﾘﾄﾗｲ  ﾒﾆｭｰ  ﾘﾗﾝ ";

void printAt(Screen& screen, int col, int row, std::string_view text) {
  screen.locate(col, row);
  screen.print(text);
}

}  // namespace

namespace {

// The room of the message on the row: left of the question.
constexpr int kMessageRoom = kQuestionCol - 1;

// where cut to width cells, keeping its operation word and the end of the
// file name (the part that tells one file from another).
std::string fitWhere(std::string_view where, int width) {
  if (textWidth(where) <= width) return std::string(where);
  const size_t blank = where.find(' ');
  const std::string head = blank == std::string_view::npos ? "" : std::string(where.substr(0, blank + 1)) + "..";
  std::string tail(where.substr(blank == std::string_view::npos ? 0 : blank + 1));
  while (!tail.empty() && textWidth(head) + textWidth(tail) > width) {
    size_t pos = 0;
    nextCodePoint(tail, pos);
    tail.erase(0, pos);
  }
  return cutToWidth(head + tail, width);
}

}  // namespace

RecoveryTexts recoveryTextsFor(std::string_view missingFile) {
  RecoveryTexts texts;
  texts.missingFile = missingFile;
  return texts;
}

std::string recoveryMessage(int code, std::string_view where, std::string_view missingFile) {
  return recoveryMessage(code, where, recoveryTextsFor(missingFile));
}

std::string recoveryMessage(int code, std::string_view where, const RecoveryTexts& texts) {
  auto numbered = [&] {
    const std::string number = formatTemplate(texts.numberTemplate, {double(code)});
    const std::string memo = " ﾒﾓする";
    return number + fitWhere(where, kMessageRoom - textWidth(number) - textWidth(memo)) + memo;
  };
  if (code == 75 && !texts.netPathMessage) return numbered();
  switch (code) {
    case 7: return "ﾒﾓﾘ 不足 ";
    case 27: return "SYSTEM内部異常";
    case 53: case 59: return "入出力エラー";
    case 60: return "指定の装置は使えない";
    case 61: return "回線用ﾊﾞｯﾌｧｰ ｵｰﾊﾞｰ";
    case 63: return texts.missingFile;
    case 67: return "FD 領域に空きがない";
    case 71: return "FD ﾒﾃﾞｨｱ 異常";
    case 72: return "FD 装着してない";
    case 73: return "書込禁止ｼｰﾙあり";
    case 75: return "ﾈｯﾄﾊﾟｽが見つからない";
    case 78: return "NC 接続不良";
    default: return numbered();
  }
}

int recoveryChoiceAfterKey(int X8, char key) {
  const unsigned char c = static_cast<unsigned char>(key);
  if (c >= '1' && c <= '3') return c - '1';
  if (c == 28 || c == ' ' || c == '+' || c > '/') return (X8 + 1) % 3;
  if (c == 29 || c == '-' || c == 8) return std::max(X8 - 1, 0);
  return X8;
}

int recoveryScreen(Screen& screen, const RuntimeError& error, const RecoveryTexts& texts) {
  const int row = 0;
  const std::string message = recoveryMessage(error.code(), error.where(), texts);
  // A long message starts further left so that the question stays readable.
  const int messageCol = std::max(0, std::min(kMessageCol, kQuestionCol - 1 - textWidth(message)));
  screen.color(kMessageColor);
  printAt(screen, messageCol, row, message);
  screen.beep();
  screen.color(7);
  screen.flushKeys();
  int X8 = 0;
  printAt(screen, kQuestionCol, row, "回復をどうしますか" + std::string(20, ' '));
  for (;;) {
    screen.color(kChoiceColor);
    printAt(screen, kChoicesCol, row, kChoices);
    screen.color(0, kChoiceColor);
    printAt(screen, kChoicesCol + X8 * kChoiceWidth, row, midByWidth(kChoices, X8 * kChoiceWidth, kChoiceWidth));
    screen.color(7, 0);
    const std::string k = screen.waitKey();
    if (k == "!") {
      screen.color(7, 0);
      throw ShellUnwind{ShellUnwind::To::End};
    }
    if (k == "\r") break;
    // A key is judged by its first byte: typed Japanese (any byte above "/")
    // moves on like any other character, a function key (code 1) does nothing.
    if (!k.empty()) X8 = recoveryChoiceAfterKey(X8, k[0]);
  }
  screen.locate(0, row);
  screen.printSpaces(77);
  return X8;
}

Recovery recoverFromError(Session& session, const RuntimeError& error) {
  return recoverFromError(session, error, recoveryTextsFor(session.edition.missingFileText));
}

Recovery recoverFromError(Session& session, const RuntimeError& error, const RecoveryTexts& texts) {
  Screen& screen = session.screen;
  const int col = screen.cursorCol(), row = screen.cursorRow();
  const int X8 = recoveryScreen(screen, error, texts);
  if (X8 == 0) {
    screen.locate(col, row);
    return Recovery::Retry;
  }
  try {
    session.channels.closeAll();
  } catch (const RuntimeError&) {
    // A channel that cannot be finished is dropped all the same; its failure
    // must not end the program on the way back to the menu.
  }
  if (X8 == 1) screen.resetTextWindow();
  throw ShellUnwind{X8 == 1 ? ShellUnwind::To::Menu : ShellUnwind::To::Restart};
}

}  // namespace vorn
