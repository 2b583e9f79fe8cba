#include "apps/recovery_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "editor/program_buffer.h"
#include "runtime/error.h"
#include "runtime/text.h"

namespace vorn {

namespace {

std::string stamp(std::time_t now) {
  std::tm t{};
  localtime_r(&now, &t);
  char text[32];
  std::strftime(text, sizeof text, "%Y%m%d%H%M%S", &t);
  return text;
}

}  // namespace

std::optional<std::filesystem::path> writeRecoveryFile(const ProgramBuffer& buffer, const std::filesystem::path& dir,
                                                       std::time_t now) {
  if (buffer.lineCount() == 0) return std::nullopt;
  std::string bytes;
  for (int i = 1; i <= buffer.lineCount(); ++i) bytes += toCp932(buffer.line(i)) + "\r\n";
  // A new name every time: an earlier recovery file is never overwritten.
  const std::string base = "recover" + stamp(now);
  for (int n = 1;; ++n) {
    const std::filesystem::path path = dir / (base + (n == 1 ? "" : "-" + std::to_string(n)) + ".nc");
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) raiseErrno(errno, "write " + path.string());
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t w = ::write(fd, bytes.data() + done, bytes.size() - done);
      if (w < 0 && errno == EINTR) continue;
      if (w < 0) {
        int e = errno;
        ::close(fd);
        raiseErrno(e, "write " + path.string());
      }
      done += size_t(w);
    }
    const bool synced = ::fsync(fd) == 0;
    const int syncError = errno;
    if (::close(fd) != 0 || !synced) raiseErrno(synced ? errno : syncError, "write " + path.string());
    return path;
  }
}

}  // namespace vorn
