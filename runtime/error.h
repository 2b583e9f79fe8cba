#pragma once
// The one error type of every failing runtime operation, carrying the numeric
// code that the recovery screen turns into a message, and the recovery hook.
#include <functional>
#include <stdexcept>
#include <string>

namespace vorn {

// Numeric codes used by the recovery screen (unknown codes show their number).
namespace err {
inline constexpr int Overflow = 6;         // a number too large for its 16-bit field
inline constexpr int OutOfMemory = 7;
inline constexpr int Internal = 27;
inline constexpr int BadFileNumber = 52;   // channel not open
inline constexpr int IoError = 53;        // also 59
inline constexpr int BadFileMode = 54;    // operation the channel's mode does not allow
inline constexpr int FileAlreadyOpen = 55;
inline constexpr int BadRecordLength = 59;
inline constexpr int DeviceUnavailable = 60;
inline constexpr int LineBufferOverflow = 61;
inline constexpr int InputPastEnd = 62;   // read beyond the end of a file
inline constexpr int NotFound = 63;       // drive, path or file missing
inline constexpr int DiskFull = 67;
inline constexpr int MediaError = 71;
inline constexpr int NoMedia = 72;
inline constexpr int WriteProtected = 73;
inline constexpr int NetPathMissing = 75;  // also the path/file access error:
inline constexpr int PathAccess = 75;      // a file or folder that may not be read
inline constexpr int NcLineFault = 78;
}  // namespace err

// Raised by every failing runtime operation.
class RuntimeError : public std::runtime_error {
 public:
  RuntimeError(int code, std::string where, const std::string& detail = {});
  int code() const { return code_; }
  const std::string& where() const { return where_; }  // operation and object, e.g. "open vorntc.ini"
 private:
  int code_;
  std::string where_;
};

// What the failing operation did: refused permission means a write-protected
// file or disk for writes, but a path/file access error for reads.
enum class Access { Write, Read };

// Maps an errno value onto the codes above (one table, tested).
int codeFromErrno(int errnoValue, Access access = Access::Write);
// Throws RuntimeError(codeFromErrno(errnoValue, access), where).
[[noreturn]] void raiseErrno(int errnoValue, const std::string& where, Access access = Access::Write);

// What the installed handler decided for a failed operation.
enum class Recovery { Retry, Rethrow };

// The recovery hook: runtime operations that fail call it in place, so that
// "retry" repeats exactly the failing operation. A handler that leaves the
// screen (menu, restart) throws its own unwinding exception instead of returning.
using ErrorHandler = std::function<Recovery(const RuntimeError&)>;

// Runs op; on RuntimeError asks handler (when set) and repeats op while it says Retry.
template <class Op>
auto withRecovery(const ErrorHandler& handler, Op&& op) -> decltype(op()) {
  for (;;) {
    try {
      return op();
    } catch (const RuntimeError& e) {
      if (!handler || handler(e) != Recovery::Retry) throw;
    }
  }
}

}  // namespace vorn
