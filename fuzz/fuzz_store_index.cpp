// libFuzzer target: the store's index reader.
#include <unistd.h>

#include <filesystem>
#include <string>

#include "fuzz/store_input.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const std::string dir = std::filesystem::temp_directory_path().string() + "/vornt-fuzz-store-index-" + std::to_string(::getpid());
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  (void)dir;
  vorn::fuzzing::indexInput(bytes, dir);
  return 0;
}
