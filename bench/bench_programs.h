#pragma once
// The generated milling programs the benchmarks run: written once into a
// folder under the temporary directory by ../shared/bench/gen_program.py (not
// timed) and reused by later runs.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace bench {

// The folder `name` under the temporary directory, created when missing.
inline std::filesystem::path programFolder(const std::string& name) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path() / name;
  std::filesystem::create_directories(dir);
  return dir;
}

// The program of `lines` lines in `dir` ("bench_<lines>" + extension),
// generated when it is not there yet.
inline std::filesystem::path program(const std::filesystem::path& dir, long lines,
                                     const std::string& extension = ".ngc") {
  const std::filesystem::path file = dir / ("bench_" + std::to_string(lines) + extension);
  if (!std::filesystem::exists(file)) {
    const std::string cmd = std::string("python3 ") + VORN_BENCH_GENERATOR + " -n " + std::to_string(lines) +
                            " -o " + file.string() + " > /dev/null";
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  return file;
}

// The whole file as bytes.
inline std::string readBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

}  // namespace bench
