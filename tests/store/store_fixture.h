#pragma once
// A working directory in /tmp with drive A: in it, a channel table and a
// store on volume M1, for the store's tests.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "editor/program_buffer.h"
#include "runtime/channels.h"
#include "runtime/paths.h"
#include "store/store.h"
#include "tests/test_files.h"

namespace vorn::testing {

namespace fs = std::filesystem;

inline void writeBytes(const fs::path& p, std::string_view bytes) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Record n (from 1) of a file of 256-byte records.
inline std::string recordOf(const fs::path& p, int n, size_t length = 256) {
  std::string all = readFile(p);
  size_t at = static_cast<size_t>(n - 1) * length;
  return at >= all.size() ? std::string() : all.substr(at, length);
}

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vornt-store-XXXXXX";
    dir_ = mkdtemp(pattern);
    DeviceConfig config;
    config.workDir = dir_;
    config.configDir = dir_ / "config";
    config.drives[3] = dir_ / "missing-drive";  // D: configured but absent
    paths_ = std::make_unique<PathMap>(config);
    channels_ = std::make_unique<ChannelTable>(*paths_);
    store_ = std::make_unique<Store>(*channels_, *paths_);
    store_->select("A:", "M1");
  }
  void TearDown() override {
    store_.reset();
    channels_.reset();
    fs::remove_all(dir_);
  }
  // A second store on the same files, as the next run of the program sees them.
  std::unique_ptr<Store> reopen() {
    store_->closeVolume();
    auto s = std::make_unique<Store>(*channels_, *paths_);
    s->select("A:", "M1");
    return s;
  }
  SaveResult saveLines(const std::string& name, std::vector<std::string> lines, const std::string& title = "T",
                       int stopAfter = 0) {
    ProgramBuffer buffer(1000);
    buffer.assign(std::move(lines));
    SaveRequest r;
    r.name = name;
    r.title = title;
    r.date = "06. 6. 5";
    r.stopAfterStep = stopAfter;
    return store_->save(buffer, r);
  }

  fs::path dir_;
  std::unique_ptr<PathMap> paths_;
  std::unique_ptr<ChannelTable> channels_;
  std::unique_ptr<Store> store_;
};

}  // namespace vorn::testing
