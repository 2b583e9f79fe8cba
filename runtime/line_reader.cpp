#include "runtime/line_reader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/byte_words.h"
#include "runtime/error.h"

namespace vorn {
namespace {

// Reads of 16 KiB cost no more than larger ones over a whole file, and a
// short run touches fewer fresh pages.
constexpr size_t kBufferBytes = 1 << 14;

}  // namespace

LineReader::LineReader(const std::string& hostPath, const std::string& shownPath,
                       size_t maxLineBytes)
    : shownPath_(shownPath), maxLineBytes_(maxLineBytes), buffer_(kBufferBytes) {
  fd_ = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) raiseErrno(errno, "open " + shownPath, Access::Read);
  struct stat st {};
  if (::fstat(fd_, &st) != 0) {
    const int e = errno;
    ::close(fd_);
    raiseErrno(e, "open " + shownPath, Access::Read);
  }
  if (S_ISDIR(st.st_mode)) {
    ::close(fd_);
    throw RuntimeError(err::NotFound, "open " + shownPath, "a folder");
  }
  seekable_ = S_ISREG(st.st_mode);
  device_ = S_ISCHR(st.st_mode);
}

LineReader::~LineReader() {
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<LineReader> LineReader::another() const {
  // The open file's own entry names it for as long as it is open.
  return std::make_unique<LineReader>("/proc/self/fd/" + std::to_string(fd_), shownPath_, maxLineBytes_);
}

bool LineReader::fill() {
  if (eof_) return false;
  // Keep nothing already consumed: the buffer only ever holds unread bytes.
  if (pos_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + pos_, end_ - pos_);
    bufferStart_ += pos_;
    end_ -= pos_;
    pos_ = 0;
  }
  for (;;) {
    const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
    if (n > 0) {
      end_ += size_t(n);
      return true;
    }
    if (n == 0) {
      eof_ = true;
      return false;
    }
    if (errno != EINTR) raiseErrno(errno, "read " + shownPath_, Access::Read);
  }
}

void LineReader::seekTo(uint64_t offset) {
  if (!seekable_) throw RuntimeError(err::NotFound, "seek " + shownPath_, "not a regular file");
  if (offset >= bufferStart_ && offset <= bufferStart_ + end_) {
    pos_ = size_t(offset - bufferStart_);  // still in the buffer
    return;
  }
  if (::lseek(fd_, off_t(offset), SEEK_SET) < 0) raiseErrno(errno, "seek " + shownPath_, Access::Read);
  bufferStart_ = offset;
  pos_ = end_ = 0;
  eof_ = false;
}

bool LineReader::next(std::string& line, bool* cut) {
  line.clear();
  bool longer = false;
  for (;;) {
    if (pos_ == end_ && !fill()) break;
    const char* begin = buffer_.data() + pos_;
    const size_t avail = end_ - pos_;
    // The nearest CR or LF; lines are short, so two memchr calls stay cheap.
    const char* lf = static_cast<const char*>(std::memchr(begin, '\n', avail));
    const char* cr = static_cast<const char*>(std::memchr(begin, '\r', lf ? size_t(lf - begin) : avail));
    const char* stop = cr ? cr : lf;
    const size_t take = stop ? size_t(stop - begin) : avail;
    const size_t room = maxLineBytes_ - line.size();
    if (take > room) longer = true;
    line.append(begin, std::min(take, room));
    pos_ += take;
    if (!stop) continue;  // the line goes on in the next read
    ++pos_;
    if (*stop == '\r') {
      // CR LF is one line end, also when the LF comes with the next read.
      if (pos_ == end_) fill();
      if (pos_ < end_ && buffer_[pos_] == '\n') ++pos_;
    }
    if (cut) *cut = longer;
    return true;
  }
  // End of file: the last line needs no line end; a ^Z as the last byte goes.
  if (!line.empty() && line.back() == '\x1a' && !longer) line.pop_back();
  if (cut) *cut = longer;
  return !line.empty() || longer;
}

bool LineReader::nextView(std::string_view& line, bool* cut) {
  // The common case: the line and its end are both in the buffer. (A CR as
  // the last buffered byte may start a CR LF whose LF comes with the next
  // read, which moves the buffer: such lines go the copying way.)
  const char* begin = buffer_.data() + pos_;
  const char* end = buffer_.data() + end_;
  const char* p = begin;
  // Eight bytes at a time while none of them is a CR or LF.
  for (;;) {
    if (end - p < 8) {
      while (p != end && *p != '\n' && *p != '\r') ++p;
      break;
    }
    uint64_t w;
    std::memcpy(&w, p, 8);
    if (const uint64_t found = bytes8::firstEqual(w, '\n') | bytes8::firstEqual(w, '\r')) {
      p += bytes8::firstFlagged(found);
      break;
    }
    p += 8;
  }
  const size_t take = size_t(p - begin);
  if (p != end && take <= maxLineBytes_ && !(*p == '\r' && p + 1 == end)) {
    line = std::string_view(begin, take);
    pos_ += take + 1;
    if (*p == '\r' && p[1] == '\n') ++pos_;
    if (cut) *cut = false;
    return true;
  }
  const bool more = next(spill_, cut);
  line = spill_;
  return more;
}

size_t cp932WholePrefix(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    const unsigned char c = static_cast<unsigned char>(bytes[i]);
    const size_t n = ((c >= 0x81 && c <= 0x9f) || (c >= 0xe0 && c <= 0xfc)) ? 2 : 1;
    if (i + n > bytes.size()) break;
    i += n;
  }
  return i;
}

}  // namespace vorn
