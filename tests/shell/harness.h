#pragma once
// A headless screen fed by a key script, for typing keys and reading cells.
#include <string>
#include <string_view>

#include "runtime/clock.h"
#include "runtime/headless_backend.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace vorn::test {

struct Harness {
  explicit Harness(std::string_view script)
      : backend(HeadlessBackend::fromScript(script)), screen(backend, clock) {
    backend.maximize();
    screen.syncSize();
  }
  // The text of `width` cells from (col, row), both from 0.
  std::string textAt(int col, int row, int width) const {
    return midByWidth(screen.rowText(row), col, width);
  }
  VirtualClock clock;
  HeadlessBackend backend;
  Screen screen;
};

}  // namespace vorn::test
