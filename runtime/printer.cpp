#include "runtime/printer.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

#include "runtime/error.h"

extern char** environ;

namespace vorn {

namespace {

std::string targetName(const PrinterTarget& t) { return t.queue.empty() ? t.file.string() : "printer " + t.queue; }

void writeAll(int fd, std::string_view bytes, const std::string& where) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) raiseErrno(errno, where);
    bytes.remove_prefix(static_cast<size_t>(n));
  }
}

}  // namespace

PrintJob::PrintJob(const PrinterTarget& target, std::string command) : target_(target), command_(std::move(command)) {
  if (target_.queue.empty()) {
    path_ = target_.file.string();
    fd_ = ::open(path_.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  } else {
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    path_ = (ec ? std::filesystem::path("/tmp") : dir).string() + "/vornt-print-XXXXXX";
    fd_ = ::mkstemp(path_.data());
  }
  if (fd_ < 0) raiseErrno(errno, "open " + targetName(target_));
}

PrintJob::~PrintJob() {
  if (fd_ >= 0) ::close(fd_);
  if (!target_.queue.empty() && !path_.empty()) ::unlink(path_.c_str());
}

void PrintJob::write(std::string_view bytes) {
  if (fd_ < 0) throw RuntimeError(err::IoError, "print to " + targetName(target_), "job already finished");
  writeAll(fd_, bytes, "print to " + targetName(target_));
}

void PrintJob::finish() {
  if (fd_ < 0) return;
  int fd = fd_;
  fd_ = -1;
  if (::close(fd) != 0) raiseErrno(errno, "print to " + targetName(target_));
  if (target_.queue.empty()) return;

  std::vector<std::string> args = {command_, "-d", target_.queue, path_};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawnError = posix_spawnp(&pid, command_.c_str(), nullptr, nullptr, argv.data(), environ);
  int status = 0;
  if (spawnError == 0) {
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }
  ::unlink(path_.c_str());
  path_.clear();
  if (spawnError != 0) throw RuntimeError(err::DeviceUnavailable, "print to " + targetName(target_), "cannot run " + command_);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    throw RuntimeError(err::DeviceUnavailable, "print to " + targetName(target_), command_ + " failed");
  }
}

}  // namespace vorn
