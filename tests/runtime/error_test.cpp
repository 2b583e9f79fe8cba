#include "runtime/error.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace vorn {
namespace {

TEST(Errors, ErrnoMapsOntoRecoveryCodes) {
  struct Case { int errnoValue, code; };
  const Case cases[] = {
      {ENOENT, err::NotFound},          {ENOTDIR, err::NotFound},
      {ENAMETOOLONG, err::NotFound},    {ENOSPC, err::DiskFull},
      {EDQUOT, err::DiskFull},          {EFBIG, err::DiskFull},
      {EROFS, err::WriteProtected},     {EACCES, err::WriteProtected},
      {EPERM, err::WriteProtected},     {ENOMEM, err::OutOfMemory},
      {ENXIO, err::DeviceUnavailable},  {ENODEV, err::DeviceUnavailable},
      {EBUSY, err::DeviceUnavailable},  {ENOTTY, err::DeviceUnavailable},
      {ENOMEDIUM, err::NoMedia},        {EMEDIUMTYPE, err::MediaError},
      {EHOSTUNREACH, err::NetPathMissing}, {ECONNREFUSED, err::NetPathMissing},
      {EIO, err::IoError},              {EISDIR, err::IoError},
      {0, err::IoError},
  };
  for (const Case& c : cases) EXPECT_EQ(codeFromErrno(c.errnoValue), c.code) << "errno " << c.errnoValue;
}

// Refused permission is the write-protect error only for writes; a file that
// may not be read is a path/file access error, and so is one that may not be
// opened for reading.
TEST(Errors, RefusedReadingIsAPathAccessErrorNotWriteProtection) {
  EXPECT_EQ(codeFromErrno(EACCES, Access::Read), err::PathAccess);
  EXPECT_EQ(codeFromErrno(EPERM, Access::Read), err::PathAccess);
  EXPECT_EQ(codeFromErrno(EACCES, Access::Write), err::WriteProtected);
  EXPECT_EQ(codeFromErrno(EROFS, Access::Read), err::WriteProtected);
  EXPECT_EQ(codeFromErrno(ENOENT, Access::Read), err::NotFound);
  try {
    raiseErrno(EACCES, "open PROG.NC", Access::Read);
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::PathAccess);
  }
}

TEST(Errors, RaiseCarriesCodeWhereAndDetail) {
  try {
    raiseErrno(ENOSPC, "write A:M1\\PROG1");
    FAIL();
  } catch (const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::DiskFull);
    EXPECT_EQ(e.where(), "write A:M1\\PROG1");
    EXPECT_NE(std::string(e.what()).find("write A:M1\\PROG1: "), std::string::npos);
  }
}

TEST(Errors, RecoveryRetriesTheFailingOperation) {
  int attempts = 0, asked = 0;
  ErrorHandler retryTwice = [&](const RuntimeError& e) {
    EXPECT_EQ(e.code(), err::NoMedia);
    return ++asked < 3 ? Recovery::Retry : Recovery::Rethrow;
  };
  auto failing = [&] {
    ++attempts;
    throw RuntimeError(err::NoMedia, "open A:M1.D");
    return 0;
  };
  EXPECT_THROW(withRecovery(retryTwice, failing), RuntimeError);
  EXPECT_EQ(attempts, 3);
  attempts = 0;
  EXPECT_THROW(withRecovery(ErrorHandler{}, failing), RuntimeError);  // no handler: straight through
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(withRecovery(retryTwice, [] { return 7; }), 7);
}

}  // namespace
}  // namespace vorn
