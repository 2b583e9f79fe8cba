#pragma once
// Reading a text file as a stream of lines in bounded memory: programs of any
// size, pipes and devices are read a buffer at a time, and a line longer than
// the cap keeps its first bytes while the rest is skipped as it is read, so no
// line is ever held whole. Bytes only; the caller converts the code page.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace vorn {

class LineReader {
 public:
  static constexpr size_t kMaxLineBytes = 4096;  // bytes a line keeps; the rest is cut

  // Opens `hostPath` for reading (`shownPath` names it in errors). A folder is
  // refused; a pipe or device is read as a stream (not seekable). Raises
  // RuntimeError when the file cannot be opened.
  LineReader(const std::string& hostPath, const std::string& shownPath,
             size_t maxLineBytes = kMaxLineBytes);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its end (CR LF, LF or CR; a final line needs none,
  // and a DOS end-of-file mark as the file's last byte is dropped). False at
  // end of file. *cut tells whether the line was longer than the cap. Raises
  // RuntimeError on a read error.
  bool next(std::string& line, bool* cut = nullptr);
  // The same without a copy: *line views the reader's buffer (or its own
  // string for a line that spans two reads) and stays valid until the next
  // call of next, nextView or seekTo.
  bool nextView(std::string_view& line, bool* cut = nullptr);
  // A second reader of the same file, even when its name has since gone to
  // another file. Raises RuntimeError when it cannot be opened.
  std::unique_ptr<LineReader> another() const;
  // True for a regular file: seekTo can go back (or forward) to a line start.
  bool seekable() const { return seekable_; }
  // True for a character device (a terminal, /dev/zero): it may never end.
  bool isCharacterDevice() const { return device_; }
  // Byte offset at which the next line starts.
  uint64_t offset() const { return bufferStart_ + pos_; }
  // Continues reading at `offset`, which must be a line start given by offset().
  void seekTo(uint64_t offset);

 private:
  bool fill();  // reads more bytes; false at end of file

  int fd_ = -1;
  std::string shownPath_;
  size_t maxLineBytes_;
  bool seekable_ = false;
  bool device_ = false;
  std::vector<char> buffer_;
  std::string spill_;          // a line nextView cannot show in place
  size_t pos_ = 0, end_ = 0;   // unread bytes are buffer_[pos_, end_)
  uint64_t bufferStart_ = 0;   // file offset of buffer_[0]
  bool eof_ = false;
};

// Length of the longest prefix of code page 932 bytes that ends on a
// character boundary: a line cut at the cap may end in a lead byte.
size_t cp932WholePrefix(std::string_view bytes);

}  // namespace vorn
