#include "comm/print_screen.h"

#include "comm/listing.h"
#include "runtime/channels.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "shell/field.h"
#include "shell/menu.h"

namespace vorn {

namespace {

constexpr int kFrameRow = 5;  // frame top-left, counted from 1
constexpr int kFrameCol = 20;
constexpr int kFrameWidth = 35;
constexpr int kFrameInner = 7;
constexpr int kMenuCol = kFrameCol + 3;
constexpr int kPageRow = kFrameRow + 3;
constexpr int kMessageRow = kFrameRow + 6;

void showPageLength(Screen& screen, int FITK) {
  printAtPosition(screen, kFrameCol + 20, kPageRow, formatTemplate("改行 ##", {double(FITK)}), 5);
}

void changePageLength(Screen& screen, PrintState& state) {
  FieldCall call;
  call.Y = kPageRow;
  call.F1 = kFrameCol + 25;
  call.ZP = 2;
  call.ZDN = 10;
  call.W0L = "##";
  call.text = std::to_string(state.FITK);
  const FieldResult r = fieldInput(screen, call);
  if (r.FDP == ending::Enter) state.FITK = int(r.value);
  showPageLength(screen, state.FITK);
}

bool confirmPrint(Screen& screen) {
  FieldCall call;
  call.Y = kMessageRow;
  call.F1 = kMenuCol;
  call.ZP = 10;
  call.ZDN = 0;
  call.W0L = "1:印字開始  2:取消  ";
  call.text = "1";
  const FieldResult r = fieldInput(screen, call);
  printAtPosition(screen, kMenuCol, kMessageRow, std::string(28, ' '));
  return r.FDP == ending::Enter && numberValue(call.text) == 1;
}

void printListing(Session& s, const ProgramBuffer& buffer, const PrintState& state, float YGW) {
  Screen& screen = s.screen;
  if (buffer.lineCount() == 0) {
    printAtPosition(screen, kMenuCol, kMessageRow, " ﾅ ｼ ");
    screen.beep();
    return;
  }
  if (!confirmPrint(screen)) return;
  const ListingHeader header = listingHeaderFor(s, buffer, YGW);
  s.guarded([&] {
    s.channels.close(kPrinterChannel);
    s.channels.openDevice(kPrinterChannel, "LPT3:");
    writeListing(
        buffer, header, state.FITK, [&](std::string_view text) { s.channels.print(kPrinterChannel, text); },
        [&](int n) {
          printAtPosition(screen, kMenuCol, kMessageRow, formatTemplate("#####", {double(n)}));
          screen.present();
          return screen.trapKey(std::string(1, key::Esc));
        });
    s.channels.close(kPrinterChannel);
  });
}

}  // namespace

ListingHeader listingHeaderFor(const Session& s, const ProgramBuffer& buffer, float YGW) {
  const std::time_t now = s.screen.clock().wallTime();
  return {buffer.OSDATE, buffer.H0X, YGW, s.shell.PCUSE, timeString(now)};
}

void printScreen(Session& s, const ProgramBuffer& buffer, PrintState& state, float YGW) {
  Screen& screen = s.screen;
  screen.resetTextWindow();
  screen.color(7, 0);
  framedBox(screen, kFrameRow, kFrameCol, kFrameWidth, kFrameInner);
  showPageLength(screen, state.FITK);
  const std::vector<MenuEntry> entries = {{"ﾒﾓﾘｰ内容", "1"}, {"改行変更", "2"}, {"→ ﾒﾆｭｰ ", "-1"}};
  for (;;) {
    MenuLayout layout{kFrameRow + 1, kMenuCol, 3, 1, 1};
    const MenuResult chosen = verticalMenu(screen, entries, layout);
    if (chosen.FDP == ending::Esc || chosen.code == "-1") break;
    if (chosen.FDP != ending::Enter) {
      screen.beep();
    } else if (chosen.code == "1") {
      printListing(s, buffer, state, YGW);
    } else {
      changePageLength(screen, state);
    }
  }
  eraseBox(screen, kFrameRow, kFrameCol, kFrameWidth, kFrameInner);
}

}  // namespace vorn
