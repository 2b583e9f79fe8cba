// Replays the store fuzzers' seeds and saved crashers (tests/store/data/fuzz/)
// through the same entry points as the fuzz targets.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "fuzz/store_input.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> inputsOf(const std::string& kind) {
  std::vector<std::string> out;
  for (const auto& e : fs::directory_iterator(fs::path(VORN_TEST_DATA) / "fuzz" / kind)) {
    std::ifstream in(e.path(), std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    out.push_back(s.str());
  }
  return out;
}

class FuzzInputs : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vornt-fuzz-replay-XXXXXX";
    dir_ = mkdtemp(pattern);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(FuzzInputs, DirectoryRecords) {
  auto inputs = inputsOf("directory");
  EXPECT_FALSE(inputs.empty());
  for (const std::string& bytes : inputs) fuzzing::directoryRecordInput(bytes);
}

TEST_F(FuzzInputs, IndexFiles) {
  auto inputs = inputsOf("index");
  EXPECT_FALSE(inputs.empty());
  for (const std::string& bytes : inputs) fuzzing::indexInput(bytes, dir_ / "store");
}

TEST_F(FuzzInputs, EnvironmentRecords) {
  auto inputs = inputsOf("environment");
  EXPECT_FALSE(inputs.empty());
  for (const std::string& bytes : inputs) fuzzing::environmentInput(bytes, dir_ / "env");
}

}  // namespace
}  // namespace vorn
