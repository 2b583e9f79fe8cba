#pragma once
// The program's lines saved when a stop signal ends the run: a file in the
// working directory named with the date and time ("recoverYYYYMMDDhhmmss.nc",
// "-2", "-3"... added when that name is taken), code page 932 with CR LF.
#include <ctime>
#include <filesystem>
#include <optional>

namespace vorn {

class ProgramBuffer;

// Writes the buffer's lines into a new file in dir; nullopt when the buffer
// is empty. Throws RuntimeError when the file cannot be written.
std::optional<std::filesystem::path> writeRecoveryFile(const ProgramBuffer& buffer, const std::filesystem::path& dir,
                                                       std::time_t now);

}  // namespace vorn
