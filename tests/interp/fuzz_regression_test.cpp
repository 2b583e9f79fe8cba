// Replays the inputs kept from fuzzing (crashers and hard cases) through the
// same path as the fuzz target: each must finish within the block limit.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz/interp_input.h"

namespace vorn {
namespace {

TEST(FuzzRegressions, KeptInputsRunToAnEnd) {
  int inputs = 0;
  for (const auto& entry :
       std::filesystem::directory_iterator(std::string(VORN_TEST_DATA) + "/fuzz_regressions")) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    std::string bytes = s.str();
    long blocks = fuzz::runInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    EXPECT_LE(blocks, 2000) << entry.path().filename();
    ++inputs;
  }
  EXPECT_GE(inputs, 4);
}

}  // namespace
}  // namespace vorn
