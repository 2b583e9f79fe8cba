#include "runtime/error.h"

#include <cerrno>
#include <cstring>

namespace vorn {

RuntimeError::RuntimeError(int code, std::string where, const std::string& detail)
    : std::runtime_error(where + (detail.empty() ? "" : ": " + detail)),
      code_(code),
      where_(std::move(where)) {}

int codeFromErrno(int e, Access access) {
  switch (e) {
    case ENOENT:
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP:
      return err::NotFound;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
      return err::DiskFull;
    case EROFS:
      return err::WriteProtected;
    case EACCES:
    case EPERM:
      return access == Access::Read ? err::PathAccess : err::WriteProtected;
    case ENOMEM:
      return err::OutOfMemory;
    case ENXIO:
    case ENODEV:
    case EBUSY:
    case ENOTTY:
      return err::DeviceUnavailable;
    case ENOMEDIUM:
      return err::NoMedia;
    case EMEDIUMTYPE:
      return err::MediaError;
    case EHOSTUNREACH:
    case ENETUNREACH:
    case EHOSTDOWN:
    case ECONNREFUSED:
      return err::NetPathMissing;
    case EOVERFLOW:
      return err::LineBufferOverflow;
    case EIO:
    default:
      return err::IoError;
  }
}

void raiseErrno(int errnoValue, const std::string& where, Access access) {
  throw RuntimeError(codeFromErrno(errnoValue, access), where, std::strerror(errnoValue));
}

}  // namespace vorn
