#pragma once
// Feeds fuzz input to the store's readers; shared by the libFuzzer targets
// and the unit test that replays their saved crashers.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace vorn::fuzzing {

// Directory record bytes: unpacked, listed, repacked and unpacked again.
void directoryRecordInput(std::string_view bytes);
// The first two bytes split the rest into a directory file and a name index
// written into `dir` (drive A: is that folder); the store then reads the
// index, lists every entry, saves a program and deletes the first entry.
void indexInput(std::string_view bytes, const std::filesystem::path& dir);
// Environment record bytes, as "NVOL" in `dir` and through the unpacker.
void environmentInput(std::string_view bytes, const std::filesystem::path& dir);

}  // namespace vorn::fuzzing
