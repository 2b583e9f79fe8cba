#include "runtime/screen.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "runtime/error.h"
#include "runtime/headless_backend.h"
#include "runtime/png.h"

namespace vorn {
namespace {

// A headless screen of a chosen size driven by a key script.
struct Rig {
  HeadlessBackend backend;
  VirtualClock clock{0};
  Screen screen{backend, clock};
  explicit Rig(std::string_view script = "", int width = 80, int height = 90)
      : backend(HeadlessBackend::fromScript(script, HeadlessSize{width, height, width, height})) {}
};

TEST(Screen, GridFollowsClientSize) {
  Rig r("", 800, 600);
  EXPECT_EQ(r.screen.cols(), 100);
  EXPECT_EQ(r.screen.rows(), 33);
  EXPECT_EQ(r.screen.framebuffer().width, 800);
  r.screen.print("keep");
  r.backend.maximize();
  r.screen.syncSize();
  EXPECT_EQ(r.screen.cols(), 100);   // same size: 800x600 both ways here
  Rig big("{Resize:1024,768}", 800, 600);
  big.screen.print("keep");
  big.screen.inkey();   // a read takes the script's resize
  EXPECT_TRUE(big.screen.events().resized);
  EXPECT_EQ(big.screen.cols(), 128);
  EXPECT_EQ(big.screen.rows(), 42);
  EXPECT_EQ(big.screen.rowText(0).substr(0, 4), "keep");
}

TEST(Screen, PrintWrapsAndScrollsInsideTheTextWindow) {
  Rig r;   // 10 columns x 5 rows
  ASSERT_EQ(r.screen.cols(), 10);
  ASSERT_EQ(r.screen.rows(), 5);
  r.screen.locate(0, 4);
  r.screen.print("bottom");
  r.screen.setTextWindow(1, 3);
  EXPECT_EQ(r.screen.cursorRow(), 1);
  r.screen.print("0123456789abc\nline2\nline3\nline4");
  // "0123456789" filled row 1 exactly, "abc" wrapped to row 2, then two scrolls.
  EXPECT_EQ(r.screen.dumpText(), "\nline2\nline3\nline4\nbottom\n");
  // Text ending at the right edge does not scroll until more follows.
  r.screen.locate(0, 3);
  r.screen.print("ABCDEFGHIJ");
  EXPECT_EQ(r.screen.rowText(3), "ABCDEFGHIJ");
  EXPECT_EQ(r.screen.rowText(2), "line3     ");
  r.screen.clearText();
  EXPECT_EQ(r.screen.dumpText(), "\n\n\n\nbottom\n");
  EXPECT_EQ(r.screen.cursorRow(), 1);
}

TEST(Screen, KeyLineRowIsNotScrolledOrCleared) {
  Rig r;
  r.screen.setTextWindow(0, 5, /*keyLine=*/true);
  r.screen.locate(0, 4);
  r.screen.print("F1 F2");
  r.screen.locate(0, 0);
  r.screen.print("a\nb\nc\nd\ne");
  EXPECT_EQ(r.screen.dumpText(), "b\nc\nd\ne\nF1 F2\n");
  r.screen.clearText();
  EXPECT_EQ(r.screen.rowText(4), "F1 F2     ");
}

TEST(Screen, WideCharactersTakeTwoCells) {
  Rig r;
  r.screen.print("A日ｶ");
  EXPECT_EQ(r.screen.cell(1, 0).ch, U'日');
  EXPECT_TRUE(r.screen.cell(2, 0).wideTail);
  EXPECT_EQ(r.screen.cell(3, 0).ch, U'ｶ');
  EXPECT_EQ(r.screen.cursorCol(), 4);
  // Overwriting either half of a wide character blanks the other half.
  r.screen.locate(2, 0);
  r.screen.print("x");
  EXPECT_EQ(r.screen.rowText(0), "A xｶ      ");
  r.screen.locate(0, 1);
  r.screen.print("本");
  r.screen.locate(0, 1);
  r.screen.print("y");
  EXPECT_FALSE(r.screen.cell(1, 1).wideTail);
  EXPECT_EQ(r.screen.rowText(1).substr(0, 2), "y ");
  // A wide character that would cross the right edge moves to the next row.
  r.screen.locate(9, 2);
  r.screen.print("語");
  EXPECT_EQ(r.screen.cell(9, 2).ch, U' ');
  EXPECT_EQ(r.screen.cell(0, 3).ch, U'語');
}

TEST(Screen, ColoursAndPalette) {
  Rig r;
  r.screen.color(5, 1);
  r.screen.print("c");
  EXPECT_EQ(r.screen.cell(0, 0).fg, 5);
  EXPECT_EQ(r.screen.cell(0, 0).bg, 1);
  r.screen.mapStandardPalette();
  Rig base;
  // Slot k shows the base colour numbered by the remap 1-1 2-4 3-5 4-2 5-3 6-6 7-7.
  const int map[8] = {0, 1, 4, 5, 2, 3, 6, 7};
  for (int k = 0; k < 8; ++k) {
    Rgb a = r.screen.paletteSlot(k), b = base.screen.paletteSlot(map[k]);
    EXPECT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << "slot " << k;
  }
  Rgb grey = r.screen.paletteSlot(8), light = r.screen.paletteSlot(15);
  EXPECT_EQ(grey.r, 99);
  EXPECT_EQ(light.b, 190);
  // Pictures drawn without a screen take the same colours.
  const std::array<Rgb, 16> standard = standardPalette();
  for (int k = 0; k < 16; ++k) {
    Rgb a = r.screen.paletteSlot(k), b = standard[size_t(k)];
    EXPECT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << "slot " << k;
  }
}

TEST(Screen, CompositeLetsTextShowThroughGraphicsColourZero) {
  Rig r;
  r.screen.mapStandardPalette();
  r.screen.color(7, 2);
  r.screen.print("W");
  r.screen.gfx().point(0, 0, 4);
  Image img = r.screen.composite();
  ASSERT_EQ(img.width, 80);
  auto same = [](Rgb a, Rgb b) { return a.r == b.r && a.g == b.g && a.b == b.b; };
  EXPECT_TRUE(same(img.pixels[0], r.screen.paletteSlot(4)));           // graphics on top
  EXPECT_TRUE(same(img.pixels[1], r.screen.paletteSlot(2)));           // cell background
  int fgPixels = 0;
  for (int y = 0; y < kCellHeight; ++y)
    for (int x = 0; x < kCellWidth; ++x) fgPixels += same(img.pixels[size_t(y) * 80 + x], r.screen.paletteSlot(7));
  EXPECT_GT(fgPixels, 8);   // the glyph of "W"
}

TEST(Screen, HardCopyWritesAReadablePng) {
  Rig r;
  r.screen.print("PNG");
  r.screen.gfx().line(0, 0, 79, 89, 3);
  auto path = std::filesystem::temp_directory_path() / "vorn_screen_test.png";
  r.screen.hardCopy(path.string());
  Image back = readPng(path.string());
  Image expect = r.screen.composite();
  ASSERT_EQ(back.width, expect.width);
  ASSERT_EQ(back.height, expect.height);
  EXPECT_EQ(0, std::memcmp(back.pixels.data(), expect.pixels.data(), expect.pixels.size() * 3));
  std::filesystem::remove(path);
  EXPECT_THROW(r.screen.hardCopy("/nonexistent-dir/x.png"), RuntimeError);
}

TEST(Screen, APictureThatCannotBeWrittenLeavesTheOldFileWhole) {
  const auto dir = std::filesystem::temp_directory_path() / ("vorn_png_test_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const auto path = dir / "copy.png";
  { std::ofstream(path, std::ios::binary) << "old picture"; }
  Image empty;  // no pixels: the PNG writer refuses it half-way
  EXPECT_THROW(writePng(path.string(), empty), RuntimeError);
  std::ifstream in(path, std::ios::binary);
  std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(kept, "old picture");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);
  std::filesystem::remove_all(dir);
}

TEST(Screen, KeysArriveInOrderAndExhaustionEndsWaiting) {
  Rig r("ab{F3}{Enter}");
  EXPECT_EQ(r.screen.inkey(), "a");
  EXPECT_EQ(r.screen.waitKey(), "b");
  EXPECT_EQ(key::fnNumber(r.screen.waitKey()), 3);
  EXPECT_EQ(r.screen.waitKey(), "\r");
  EXPECT_EQ(r.screen.inkey(), "");   // never throws
  EXPECT_THROW(r.screen.waitKey(), InputExhausted);
  EXPECT_THROW(r.screen.waitInput(), InputExhausted);
}

TEST(Screen, WindowEventsOnlySetFlagsInScriptOrder) {
  Rig r("x{Close}{ListSelect:3}{Click:2,1}y");
  EXPECT_EQ(r.screen.waitKey(), "x");
  EXPECT_FALSE(r.screen.events().closeRequested);   // still behind the key
  EXPECT_FALSE(r.screen.eventsPending());   // a script's next items go to reads only
  EXPECT_EQ(r.screen.waitKeyOrClick(), "");
  EXPECT_TRUE(r.screen.events().closeRequested);
  EXPECT_TRUE(r.screen.events().listSelected);
  EXPECT_EQ(r.screen.events().listSelection, 3);
  int col, row, buttons;
  r.screen.mouse(col, row, buttons);
  EXPECT_EQ(buttons, 1);
  MouseClick click;
  ASSERT_TRUE(r.screen.takeClick(click));
  EXPECT_EQ(click.col, 2);
  EXPECT_EQ(click.row, 1);
  EXPECT_EQ(click.button, 1);
  EXPECT_EQ(r.screen.waitKey(), "y");
  EXPECT_FALSE(r.screen.eventsPending());
}

TEST(Screen, KeysReadAheadStillComeBeforeALaterClick) {
  Rig r("ab{Click:3,4}c");
  for (int i = 0; i < 3; ++i) r.screen.eventsPending();   // pumps a, b and the click
  EXPECT_EQ(r.screen.waitKeyOrClick(), "a");
  EXPECT_EQ(r.screen.waitKeyOrClick(), "b");
  EXPECT_EQ(r.screen.waitKeyOrClick(), "");
  MouseClick click;
  ASSERT_TRUE(r.screen.takeClick(click));
  EXPECT_EQ(click.col, 3);
  EXPECT_EQ(r.screen.waitKeyOrClick(), "c");
}

TEST(Screen, TimerFiresOnTheVirtualClock) {
  Rig r("{Wait:3500}k");
  int ticks = 0;
  r.screen.setTimer(1.0, [&] { ++ticks; });
  r.screen.timerOn();
  EXPECT_EQ(r.screen.waitKey(), "k");
  EXPECT_EQ(ticks, 3);
  EXPECT_NEAR(r.clock.seconds(), 3.5, 1e-9);
  // With the script used up, polling lets virtual time run so the timer fires.
  while (ticks < 6) EXPECT_EQ(r.screen.inkey(), "");
  EXPECT_NEAR(r.clock.seconds(), 6.0, 0.02);
  // A blocking wait lets the timer tick once more, then gives up.
  EXPECT_THROW(r.screen.waitKey(), InputExhausted);
  EXPECT_EQ(ticks, 7);
  r.screen.waitInput();   // a tick counts as input here
  EXPECT_EQ(ticks, 8);
  r.screen.timerOff();
  EXPECT_THROW(r.screen.waitInput(), InputExhausted);
}

TEST(Screen, DelayPassesTimeAndCanBreakOnAKey) {
  Rig r("{Wait:100}q");
  r.screen.delay(2.0, /*breakOnKey=*/true);
  EXPECT_NEAR(r.clock.seconds(), 0.1, 1e-9);
  EXPECT_EQ(r.screen.inkey(), "q");
  r.screen.delay(1.5);
  EXPECT_NEAR(r.clock.seconds(), 1.6, 1e-9);
}

TEST(Screen, PresentIsLimitedToTheFrameRate) {
  Rig r("{Wait:20}");
  r.screen.present();
  r.screen.present();
  EXPECT_EQ(r.backend.presentCount(), 1);
  r.screen.print("a");   // a new picture each time
  r.screen.present(true);
  EXPECT_EQ(r.backend.presentCount(), 2);
  r.screen.waitInput();   // 20 ms pass
  r.screen.print("b");
  r.screen.present();
  EXPECT_EQ(r.backend.presentCount(), 3);
}

TEST(Clock, DateAndTimeStrings) {
  std::time_t t = 0;
  std::tm parts{};
  parts.tm_year = 2024 - 1900;
  parts.tm_mon = 1;
  parts.tm_mday = 29;
  parts.tm_hour = 13;
  parts.tm_min = 5;
  parts.tm_sec = 9;
  parts.tm_isdst = -1;
  t = std::mktime(&parts);
  EXPECT_EQ(dateString(t), "02-29-2024");
  EXPECT_EQ(timeString(t), "13:05:09");
  EXPECT_EQ(secondsOfDay(t), 13 * 3600 + 5 * 60 + 9);
  VirtualClock v(t);
  v.sleep(61);
  EXPECT_EQ(timeString(v.wallTime()), "13:06:10");
}

}  // namespace
}  // namespace vorn

namespace vorn {
namespace {

// One pass of a line-input loop that looks for a click before it reads a
// key: both pump, and still only one item is taken per pass.
std::string clickThenKey(Screen& screen) {
  MouseClick click;
  if (screen.takeClick(click)) return "click";
  return screen.inkey();
}

TEST(ScreenInputOrder, ALoopThatPollsTwiceStillReadsOneItemPerPass) {
  Rig r("AB{Resize:40,36}C{ListSelect:2}D");
  EXPECT_EQ(clickThenKey(r.screen), "A");
  EXPECT_EQ(clickThenKey(r.screen), "B");
  EXPECT_FALSE(r.screen.events().resized);   // written after B: not yet
  EXPECT_EQ(clickThenKey(r.screen), "C");
  EXPECT_TRUE(r.screen.events().resized);
  EXPECT_FALSE(r.screen.events().listSelected);
  EXPECT_EQ(clickThenKey(r.screen), "D");
  EXPECT_EQ(r.screen.events().listSelection, 2);
}

TEST(ScreenInputOrder, FlushingKeysKeepsTheRestOfAScript) {
  Rig r("{Down}{Esc}1{Enter}");
  EXPECT_EQ(r.screen.waitKey(), std::string(1, key::Down));
  MouseClick click;
  EXPECT_FALSE(r.screen.takeClick(click));   // looks ahead: the Esc waits unread
  r.screen.flushKeys();
  EXPECT_EQ(r.screen.waitKey(), std::string(1, key::Esc));
  r.screen.flushKeys();
  EXPECT_EQ(r.screen.waitKey(), "1");
  EXPECT_EQ(r.screen.waitKey(), "\r");
}

TEST(ScreenInputOrder, ClicksAreDroppedOnlyByScreensThatReadKeysAlone) {
  Rig r("{Click:1,2}x{Click:3,4}y");
  EXPECT_EQ(r.screen.waitKey(), "x");        // the click before x is not a key
  EXPECT_EQ(r.screen.inkey(), "");           // the next click arrives...
  MouseClick click;
  ASSERT_TRUE(r.screen.takeClick(click));    // ...and a following takeClick gets it
  EXPECT_EQ(click.col, 3);
  EXPECT_EQ(r.screen.inkey(), "y");
  Rig s("{Click:5,6}z");
  EXPECT_EQ(s.screen.inkey(), "");           // the click waits for one read
  EXPECT_EQ(s.screen.inkey(), "");           // then a key read drops it
  EXPECT_FALSE(s.screen.takeClick(click));   // z waits now, not a click
  EXPECT_EQ(s.screen.inkey(), "z");
}

TEST(ScreenInputOrder, LettingEventsRunTakesNoScriptItem) {
  Rig r("{F8}{ListSelect:1}{Esc}");
  EXPECT_EQ(key::fnNumber(r.screen.waitKey()), 8);
  while (r.screen.eventsPending()) {
  }
  EXPECT_FALSE(r.screen.events().listSelected);   // chosen once the list is up
  r.screen.waitInput();
  EXPECT_TRUE(r.screen.events().listSelected);
  EXPECT_EQ(r.screen.inkey(), std::string(1, key::Esc));
}

TEST(ScreenInputOrder, ADelayTakesNothingPastAWaitingKey) {
  Rig r("k{Close}");
  MouseClick click;
  EXPECT_FALSE(r.screen.takeClick(click));   // k waits unread
  r.screen.delay(0.5);
  EXPECT_FALSE(r.screen.events().closeRequested);
  EXPECT_EQ(r.screen.inkey(), "k");
  r.screen.inkey();
  EXPECT_TRUE(r.screen.events().closeRequested);
}

}  // namespace
}  // namespace vorn

#include <csignal>

#include "runtime/signals.h"

namespace vorn {
namespace {

// A stop signal only sets the flag; the next input poll raises StopRequested.
TEST(StopSignals, TheNextInputPollRaisesStopRequested) {
  installStopSignals();
  Rig r("abc");
  EXPECT_EQ(r.screen.inkey(), "a");
  std::raise(SIGHUP);
  EXPECT_EQ(stopSignal(), SIGHUP);
  try {
    r.screen.waitKey();
    ADD_FAILURE() << "no stop";
  } catch (const StopRequested& stop) {
    EXPECT_EQ(stop.signal, SIGHUP);
  }
  EXPECT_THROW(r.screen.doEvents(), StopRequested);
  clearStopSignal();
  EXPECT_EQ(r.screen.inkey(), "b");
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGINT, SIG_DFL);
  std::signal(SIGHUP, SIG_DFL);
}

}  // namespace
}  // namespace vorn
