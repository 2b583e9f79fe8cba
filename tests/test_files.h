#pragma once
// Files for tests: whole-file reads and a scratch folder removed afterwards.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <system_error>

namespace vorn {

// The whole file as bytes ("" when it cannot be read).
inline std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// A fresh folder under /tmp, unique to this test, removed with everything in it.
struct TempDir {
  TempDir() {
    char pattern[] = "/tmp/vornt-test-XXXXXX";
    dir = ::mkdtemp(pattern);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // Writes a file (and its folders) below the folder; returns its path.
  std::filesystem::path write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path path = dir / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  std::string read(const std::string& name) const { return readFile(dir / name); }

  std::filesystem::path dir;
};

}  // namespace vorn
