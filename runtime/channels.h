#pragma once
// Numbered channels: sequential text files, random-access record files,
// serial lines and printers, opened by name and used by number. Text is UTF-8
// in memory and code page 932 on disk and on the line. Every failure throws
// vorn::RuntimeError with the operation and the file in `where`.
//
// Replacing a file is atomic: output goes to a temporary file in the same
// folder, renamed over the target by close(). A table destroyed with output
// channels still open drops their temporary files and leaves the old files.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "runtime/numtext.h"
#include "runtime/paths.h"
#include "runtime/serial.h"

namespace vorn {

// Numbers packed into record bytes.
std::string packSingle(float v);              // 4 bytes, IEEE single, little endian
float unpackSingle(std::string_view bytes);   // first 4 bytes; throws when fewer
std::string packInt16(int v);                 // 2 bytes little endian; err::Overflow outside -32768..32767
int unpackInt16(std::string_view bytes);      // first 2 bytes, signed; throws when fewer

// Code page 932 bytes cut to at most width bytes without splitting a
// double-byte character, then blank-padded to exactly width.
std::string fitCp932(std::string_view bytes, int width);

// A whole file written outside the channel table with the same guarantee:
// write fills a new temporary file beside path (its path is passed in), which
// is then renamed over path (over a link's target), keeping the old file's
// permissions. When write throws or the rename fails, the temporary file is
// removed and path keeps its old contents. Raises RuntimeError; write's own
// errors pass through.
void replaceFileWith(const std::string& path, const std::function<void(const std::string& tempPath)>& write);
// replaceFileWith for bytes known in advance.
void replaceFileBytes(const std::string& path, std::string_view bytes);

enum class OpenMode { Input, Output, Append };

// A field of a record layout: its name and width in bytes (fields follow each other).
struct FieldSpec {
  std::string name;  // may be empty: such a field is reached by index only
  int width = 0;     // bytes
};

// Refers to a field by its index (0-based, in declaration order) or by name.
struct FieldKey {
  FieldKey(int i) : index(i) {}
  FieldKey(std::string_view n) : index(-1), name(n) {}
  FieldKey(const char* n) : index(-1), name(n) {}
  int index;
  std::string_view name;
};

class ChannelTable {
 public:
  explicit ChannelTable(const PathMap& paths);
  ~ChannelTable();
  ChannelTable(const ChannelTable&) = delete;
  ChannelTable& operator=(const ChannelTable&) = delete;

  // Sequential files. Input reads the whole file (a missing one is err::NotFound);
  // output replaces the file on close; append adds to it (creating it).
  void open(int ch, std::string_view name, OpenMode mode);
  // A random-access file of fixed-length records (created when missing).
  void openRandom(int ch, std::string_view name, int recordLength);
  // "COMn:(...)" opens a serial line at the port's speed (setPortSpeed),
  // "LPTn[:]" a printer.
  void openDevice(int ch, std::string_view deviceString);
  // Puts an already open port on a channel (protocol tests use a fake port).
  void attachSerial(int ch, std::unique_ptr<SerialPort> port, std::string name);
  // Closes the channel, committing output; closing a closed channel does
  // nothing. When committing fails the channel is closed all the same, the
  // old file kept (output) or cut back to its size at open (append), and the
  // error raised, so that retrying the whole operation repeats it.
  void close(int ch);
  // Drops the channel without committing: a file being replaced keeps its old
  // contents (the temporary file is removed). Nothing happens on a closed channel.
  void discard(int ch);
  // Closes every channel; all are closed even when some fail (the first failure is rethrown).
  void closeAll();
  bool isOpen(int ch) const { return channels_.count(ch) != 0; }
  void deleteFile(std::string_view name);

  // Sequential reading. A line ends at CR LF, LF or a lone CR; a byte 26
  // (end-of-text mark of old files) ends the file. Past the end: err::InputPastEnd.
  std::string readLine(int ch);
  // One comma-separated item as INPUT# reads it: blanks and line ends before
  // it skipped; a quoted item ends at its closing quote (anything up to the
  // next comma or line end is dropped); an unquoted one ends at a comma or
  // line end and loses its trailing blanks.
  std::string readItem(int ch);
  // Raw bytes: for serial lines up to n waiting bytes (never waits); for
  // input files the next n bytes (fewer at the end).
  std::string readBytes(int ch, size_t n);
  // True at the end of an input file, when no byte waits on a serial line, or
  // when the last getRecord lay beyond the end of a random file.
  bool eof(int ch);
  // Bytes in the file (written so far for output), or bytes waiting on a serial line.
  int64_t size(int ch);

  // Sequential writing: items separated by commas, strings in double quotes,
  // numbers in plain form without the leading blank, then CR LF.
  void writeItems(int ch, const std::vector<TemplateValue>& items);
  void print(int ch, std::string_view text);      // text as is (converted to code page 932)
  void printLine(int ch, std::string_view text);  // text and CR LF
  void writeBytes(int ch, std::string_view bytes);

  // Random access. The layout divides the record buffer from byte 0; its
  // widths may not add up to more than the record length.
  void defineFields(int ch, std::vector<FieldSpec> fields);
  // Assigns text left-justified and blank-padded (cut when longer).
  void assignField(int ch, FieldKey field, std::string_view utf8);
  void assignFieldBytes(int ch, FieldKey field, std::string_view bytes);  // raw, e.g. packSingle
  std::string fieldBytes(int ch, FieldKey field);
  std::string fieldText(int ch, FieldKey field);  // UTF-8, padding kept
  std::string& recordBuffer(int ch);              // the whole record, raw bytes
  void getRecord(int ch, int64_t n);              // record n (from 1); past the end reads zeros
  void putRecord(int ch, int64_t n);
  int64_t recordCount(int ch);

  // Serial lines: speed of an open channel, and the speed a port gets when opened (default 9600).
  void setSpeed(int ch, int bitsPerSecond);
  void setPortSpeed(int port, int bitsPerSecond) { portSpeeds_[port] = bitsPerSecond; }
  // The port of an open serial channel, for protocol engines that need more
  // than reading and writing (the output queue); err::BadFileMode for other channels.
  SerialPort& serialPort(int ch);

 private:
  struct Channel;
  Channel& channel(int ch, const char* operation);
  void add(int ch, std::unique_ptr<Channel> c);

  const PathMap& paths_;
  std::map<int, std::unique_ptr<Channel>> channels_;  // open channels by number
  std::map<int, int> portSpeeds_;                      // COM port -> bit/s for the next open
};

}  // namespace vorn
