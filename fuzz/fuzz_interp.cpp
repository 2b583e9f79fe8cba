// libFuzzer entry for the block reader and the runner. Any crash, sanitizer
// report or hang is a fault; kept inputs go to tests/interp/data/fuzz_regressions/.
#include "fuzz/interp_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vorn::fuzz::runInput(data, size);
  return 0;
}
