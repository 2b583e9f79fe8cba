#include "runtime/channels.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "runtime/error.h"
#include "runtime/printer.h"
#include "runtime/text.h"

namespace vorn {

namespace {

enum class Kind { Input, Output, Append, Random, Serial, Printer };

constexpr char kEndOfText = 26;              // old files end their text with this byte
constexpr size_t kFlushThreshold = 1 << 16;  // output is written in blocks of this size

bool isLeadByte(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

void writeAll(int fd, std::string& pending, const std::string& where) {
  while (!pending.empty()) {
    ssize_t n = ::write(fd, pending.data(), pending.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) raiseErrno(errno, where);
    pending.erase(0, static_cast<size_t>(n));  // what was written is not written twice on a retry
  }
}

std::string readWholeFile(int fd, const std::string& where) {
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) raiseErrno(errno, where, Access::Read);
    if (n == 0) return data;
    data.append(buffer, static_cast<size_t>(n));
  }
}

mode_t newFileMode() {
  mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// The file a replacement writes: a link is kept and its target replaced.
std::filesystem::path replacementTarget(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(path, ec)) return path;
  std::filesystem::path target = std::filesystem::canonical(path, ec);
  return ec ? path : target;
}

// Creates the temporary file that will be renamed over target, in the same
// folder (so the rename cannot cross file systems) and with target's
// permissions, or a new file's. Returns its descriptor and sets tempPath.
int createReplacement(const std::filesystem::path& target, std::string& tempPath, const std::string& where) {
  std::string temp = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) raiseErrno(errno, where);
  struct stat st {};
  ::fchmod(fd, ::stat(target.c_str(), &st) == 0 ? (st.st_mode & 07777) : newFileMode());
  tempPath = std::move(temp);
  return fd;
}

}  // namespace

std::string packSingle(float v) {
  uint32_t bits = 0;
  std::memcpy(&bits, &v, 4);
  std::string out(4, '\0');
  for (int i = 0; i < 4; ++i) out[static_cast<size_t>(i)] = static_cast<char>((bits >> (8 * i)) & 0xFF);
  return out;
}

float unpackSingle(std::string_view bytes) {
  if (bytes.size() < 4) throw RuntimeError(err::IoError, "unpack single", "needs 4 bytes");
  uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(static_cast<unsigned char>(bytes[static_cast<size_t>(i)])) << (8 * i);
  float v = 0;
  std::memcpy(&v, &bits, 4);
  return v;
}

std::string packInt16(int v) {
  if (v < -32768 || v > 32767) throw RuntimeError(err::Overflow, "pack integer", std::to_string(v));
  auto u = static_cast<uint16_t>(v);
  return std::string{static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
}

int unpackInt16(std::string_view bytes) {
  if (bytes.size() < 2) throw RuntimeError(err::IoError, "unpack integer", "needs 2 bytes");
  auto u = static_cast<uint16_t>(static_cast<unsigned char>(bytes[0]) | (static_cast<unsigned char>(bytes[1]) << 8));
  return static_cast<int16_t>(u);
}

std::string fitCp932(std::string_view bytes, int width) {
  size_t keep = 0;
  const auto limit = static_cast<size_t>(std::max(width, 0));
  while (keep < bytes.size()) {
    size_t len = isLeadByte(static_cast<unsigned char>(bytes[keep])) && keep + 1 < bytes.size() ? 2 : 1;
    if (keep + len > limit) break;
    keep += len;
  }
  std::string out(bytes.substr(0, keep));
  out.resize(limit, ' ');
  return out;
}

void replaceFileWith(const std::string& path, const std::function<void(const std::string& tempPath)>& write) {
  const std::filesystem::path target = replacementTarget(path);
  std::string temp;
  ::close(createReplacement(target, temp, "write " + path));
  try {
    write(temp);
  } catch (...) {
    ::unlink(temp.c_str());
    throw;
  }
  if (::rename(temp.c_str(), target.c_str()) != 0) {
    const int e = errno;
    ::unlink(temp.c_str());
    raiseErrno(e, "write " + path);
  }
}

void replaceFileBytes(const std::string& path, std::string_view bytes) {
  replaceFileWith(path, [&](const std::string& temp) {
    const std::string where = "write " + path;
    const int fd = ::open(temp.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) raiseErrno(errno, where);
    std::string pending(bytes);
    try {
      writeAll(fd, pending, where);
    } catch (...) {
      ::close(fd);
      throw;
    }
    if (::close(fd) != 0) raiseErrno(errno, where);
  });
}

struct ChannelTable::Channel {
  Kind kind = Kind::Input;
  std::string name;            // as the program named it, for error reports
  std::filesystem::path path;  // the file itself
  int fd = -1;

  std::string data;  // input: the whole file
  size_t pos = 0;    // input: next byte to read
  size_t end = 0;    // input: end of the text (first end-of-text mark or file size)

  std::string pending;                // output and append: bytes not yet written
  std::filesystem::path tempPath;     // output: temporary file renamed over path on close
  int64_t written = 0;                // output and append: bytes in the file including pending
  int64_t sizeAtOpen = 0;             // append: the file's size before this channel added to it

  int recordLength = 0;             // random: bytes per record
  std::string record;               // random: the record buffer
  std::vector<FieldSpec> fields;    // random: the layout
  std::vector<int> offsets;         // random: byte offset of each field
  bool pastEnd = false;             // random: the last get read beyond the end

  std::unique_ptr<SerialPort> serial;
  std::unique_ptr<PrintJob> printer;

  ~Channel() {
    if (fd >= 0) ::close(fd);
    if (!tempPath.empty()) ::unlink(tempPath.c_str());
  }

  void undo() {
    if (kind == Kind::Append && fd >= 0) (void)::ftruncate(fd, sizeAtOpen);
  }

  std::string where(const char* operation) const { return std::string(operation) + " " + name; }

  void flush() {
    if (fd >= 0) writeAll(fd, pending, where("write"));
  }

  void add(std::string_view bytes) {
    pending.append(bytes);
    written += static_cast<int64_t>(bytes.size());
    if (pending.size() >= kFlushThreshold) flush();
  }

  // Writes out everything and finishes the file. On failure the caller drops
  // the channel: output leaves the old file as it was (the destructor removes
  // the temporary file), append is cut back to its size at open (undo()), so
  // that repeating the whole operation writes everything exactly once.
  void finish() {
    if (kind == Kind::Output || kind == Kind::Append) {
      flush();
      if (kind == Kind::Output && ::fsync(fd) != 0) raiseErrno(errno, where("close"));
    }
    if (printer) printer->finish();
    if (fd >= 0) {
      int f = fd;
      fd = -1;
      if (::close(f) != 0) raiseErrno(errno, where("close"));
    }
    if (!tempPath.empty()) {
      if (::rename(tempPath.c_str(), path.c_str()) != 0) raiseErrno(errno, where("close"));
      tempPath.clear();
    }
  }
};

ChannelTable::ChannelTable(const PathMap& paths) : paths_(paths) {}
ChannelTable::~ChannelTable() = default;

ChannelTable::Channel& ChannelTable::channel(int ch, const char* operation) {
  auto it = channels_.find(ch);
  if (it == channels_.end()) {
    throw RuntimeError(err::BadFileNumber, std::string(operation) + " channel " + std::to_string(ch), "not open");
  }
  return *it->second;
}

void ChannelTable::add(int ch, std::unique_ptr<Channel> c) { channels_[ch] = std::move(c); }

void ChannelTable::open(int ch, std::string_view name, OpenMode mode) {
  if (isOpen(ch)) throw RuntimeError(err::FileAlreadyOpen, "open " + std::string(name), "channel " + std::to_string(ch) + " in use");
  auto c = std::make_unique<Channel>();
  c->name = std::string(name);
  const std::string where = c->where("open");
  if (mode == OpenMode::Input) {
    c->kind = Kind::Input;
    c->path = paths_.resolve(name);
    c->fd = ::open(c->path.c_str(), O_RDONLY | O_CLOEXEC);
    if (c->fd < 0) raiseErrno(errno, where, Access::Read);
    c->data = readWholeFile(c->fd, where);
    c->end = std::min(c->data.find(kEndOfText), c->data.size());
  } else if (mode == OpenMode::Append) {
    c->kind = Kind::Append;
    c->path = paths_.resolveForWriting(name);
    c->fd = ::open(c->path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (c->fd < 0) raiseErrno(errno, where);
    struct stat st {};
    if (::fstat(c->fd, &st) == 0) c->written = c->sizeAtOpen = st.st_size;
  } else {
    c->kind = Kind::Output;
    c->path = replacementTarget(paths_.resolveForWriting(name));
    std::string temp;
    c->fd = createReplacement(c->path, temp, where);
    c->tempPath = temp;
  }
  add(ch, std::move(c));
}

void ChannelTable::openRandom(int ch, std::string_view name, int recordLength) {
  if (isOpen(ch)) throw RuntimeError(err::FileAlreadyOpen, "open " + std::string(name), "channel " + std::to_string(ch) + " in use");
  auto c = std::make_unique<Channel>();
  c->kind = Kind::Random;
  c->name = std::string(name);
  if (recordLength < 1 || recordLength > 32767) throw RuntimeError(err::BadRecordLength, c->where("open"), std::to_string(recordLength));
  c->path = paths_.resolveForWriting(name);
  c->fd = ::open(c->path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (c->fd < 0) raiseErrno(errno, c->where("open"));
  c->recordLength = recordLength;
  c->record.assign(static_cast<size_t>(recordLength), '\0');
  add(ch, std::move(c));
}

void ChannelTable::openDevice(int ch, std::string_view deviceString) {
  if (isOpen(ch)) throw RuntimeError(err::FileAlreadyOpen, "open " + std::string(deviceString), "channel " + std::to_string(ch) + " in use");
  if (std::optional<int> port = PathMap::serialPortNumber(deviceString)) {
    LineSettings settings = parseDeviceString(deviceString);
    std::unique_ptr<SerialPort> serial = openSerialPort(paths_.serialDevice(settings.port), settings);
    auto speed = portSpeeds_.find(settings.port);
    serial->setSpeed(speed == portSpeeds_.end() ? 9600 : speed->second);
    attachSerial(ch, std::move(serial), std::string(deviceString));
    return;
  }
  if (std::optional<int> number = PathMap::printerNumber(deviceString)) {
    auto c = std::make_unique<Channel>();
    c->kind = Kind::Printer;
    c->name = std::string(deviceString);
    c->printer = std::make_unique<PrintJob>(paths_.printer(*number), paths_.config().printCommand);
    add(ch, std::move(c));
    return;
  }
  throw RuntimeError(err::DeviceUnavailable, "open " + std::string(deviceString), "not a serial or printer device");
}

void ChannelTable::attachSerial(int ch, std::unique_ptr<SerialPort> port, std::string name) {
  auto c = std::make_unique<Channel>();
  c->kind = Kind::Serial;
  c->name = std::move(name);
  c->serial = std::move(port);
  add(ch, std::move(c));
}

// A failed close still closes the channel: a retry of the failed operation
// then opens it again instead of finding it "already open".
void ChannelTable::close(int ch) {
  auto it = channels_.find(ch);
  if (it == channels_.end()) return;
  std::unique_ptr<Channel> c = std::move(it->second);
  channels_.erase(it);
  try {
    c->finish();
  } catch (const RuntimeError&) {
    c->undo();
    throw;
  }
}

void ChannelTable::discard(int ch) { channels_.erase(ch); }

void ChannelTable::closeAll() {
  std::optional<RuntimeError> first;
  for (auto& [number, c] : channels_) {
    try {
      c->finish();
    } catch (const RuntimeError& e) {
      c->undo();
      if (!first) first = e;
    }
  }
  channels_.clear();  // a channel that failed to finish drops its temporary file
  if (first) throw *first;
}

void ChannelTable::deleteFile(std::string_view name) {
  std::filesystem::path p = paths_.resolve(name);
  if (::unlink(p.c_str()) != 0) raiseErrno(errno, "delete " + std::string(name));
}

std::string ChannelTable::readLine(int ch) {
  Channel& c = channel(ch, "read line from");
  if (c.kind != Kind::Input) throw RuntimeError(err::BadFileMode, c.where("read line from"));
  if (c.pos >= c.end) throw RuntimeError(err::InputPastEnd, c.where("read line from"));
  size_t stop = c.pos;
  while (stop < c.end && c.data[stop] != '\r' && c.data[stop] != '\n') ++stop;
  std::string line = fromCp932(std::string_view(c.data).substr(c.pos, stop - c.pos));
  if (stop < c.end && c.data[stop] == '\r') ++stop;
  if (stop < c.end && c.data[stop] == '\n') ++stop;
  c.pos = stop;
  return line;
}

std::string ChannelTable::readItem(int ch) {
  Channel& c = channel(ch, "read item from");
  if (c.kind != Kind::Input) throw RuntimeError(err::BadFileMode, c.where("read item from"));
  const std::string_view d = std::string_view(c.data).substr(0, c.end);
  size_t i = c.pos;
  while (i < d.size() && (d[i] == ' ' || d[i] == '\t' || d[i] == '\r' || d[i] == '\n')) ++i;
  if (i >= d.size()) throw RuntimeError(err::InputPastEnd, c.where("read item from"));
  std::string_view item;
  if (d[i] == '"') {
    size_t close = d.find('"', i + 1);
    if (close == std::string_view::npos) close = d.size();
    item = d.substr(i + 1, close - i - 1);
    i = close + (close < d.size() ? 1 : 0);
    while (i < d.size() && d[i] != ',' && d[i] != '\r' && d[i] != '\n') ++i;
  } else {
    size_t start = i;
    while (i < d.size() && d[i] != ',' && d[i] != '\r' && d[i] != '\n') ++i;
    item = d.substr(start, i - start);
    while (!item.empty() && (item.back() == ' ' || item.back() == '\t')) item.remove_suffix(1);
  }
  // Consume the delimiter: a comma, or one line end (CR LF, LF or CR).
  if (i < d.size() && d[i] == ',') {
    ++i;
  } else {
    if (i < d.size() && d[i] == '\r') ++i;
    if (i < d.size() && d[i] == '\n') ++i;
  }
  c.pos = i;
  return fromCp932(item);
}

std::string ChannelTable::readBytes(int ch, size_t n) {
  Channel& c = channel(ch, "read from");
  if (c.kind == Kind::Serial) return c.serial->readWaiting(n);
  if (c.kind != Kind::Input) throw RuntimeError(err::BadFileMode, c.where("read from"));
  std::string out = c.data.substr(c.pos, std::min(n, c.end - c.pos));
  c.pos += out.size();
  return out;
}

bool ChannelTable::eof(int ch) {
  Channel& c = channel(ch, "test end of");
  switch (c.kind) {
    case Kind::Input: return c.pos >= c.end;
    case Kind::Serial: return c.serial->bytesWaiting() == 0;
    case Kind::Random: return c.pastEnd;
    default: throw RuntimeError(err::BadFileMode, c.where("test end of"));
  }
}

int64_t ChannelTable::size(int ch) {
  Channel& c = channel(ch, "size of");
  switch (c.kind) {
    case Kind::Input: return static_cast<int64_t>(c.data.size());
    case Kind::Output:
    case Kind::Append: return c.written;
    case Kind::Serial: return static_cast<int64_t>(c.serial->bytesWaiting());
    case Kind::Random: {
      struct stat st {};
      if (::fstat(c.fd, &st) != 0) raiseErrno(errno, c.where("size of"));
      return st.st_size;
    }
    default: return 0;
  }
}

void ChannelTable::writeBytes(int ch, std::string_view bytes) {
  Channel& c = channel(ch, "write to");
  switch (c.kind) {
    case Kind::Output:
    case Kind::Append: c.add(bytes); break;
    case Kind::Serial: c.serial->write(bytes); break;
    case Kind::Printer: c.printer->write(bytes); break;
    default: throw RuntimeError(err::BadFileMode, c.where("write to"));
  }
}

void ChannelTable::print(int ch, std::string_view text) { writeBytes(ch, toCp932(text)); }

void ChannelTable::printLine(int ch, std::string_view text) { writeBytes(ch, toCp932(text) + "\r\n"); }

void ChannelTable::writeItems(int ch, const std::vector<TemplateValue>& items) {
  std::string line;
  for (const TemplateValue& v : items) {
    if (!line.empty()) line += ',';
    if (const std::string* s = std::get_if<std::string>(&v)) {
      line += '"' + *s + '"';
    } else {
      line += numberTextTrim(static_cast<float>(std::get<double>(v)));
    }
  }
  printLine(ch, line);
}

namespace {

int fieldIndex(const std::vector<FieldSpec>& fields, FieldKey key, const std::string& where) {
  if (key.index >= 0 && key.index < static_cast<int>(fields.size())) return key.index;
  for (size_t i = 0; key.index < 0 && i < fields.size(); ++i) {
    if (fields[i].name == key.name) return static_cast<int>(i);
  }
  throw RuntimeError(err::Internal, where, key.index >= 0 ? "no field " + std::to_string(key.index) : "no field " + std::string(key.name));
}

}  // namespace

void ChannelTable::defineFields(int ch, std::vector<FieldSpec> fields) {
  Channel& c = channel(ch, "define fields of");
  if (c.kind != Kind::Random) throw RuntimeError(err::BadFileMode, c.where("define fields of"));
  std::vector<int> offsets;
  int offset = 0;
  for (const FieldSpec& f : fields) {
    offsets.push_back(offset);
    offset += f.width;
    if (f.width < 0 || offset > c.recordLength) throw RuntimeError(err::BadRecordLength, c.where("define fields of"), "fields exceed the record");
  }
  c.fields = std::move(fields);
  c.offsets = std::move(offsets);
}

void ChannelTable::assignFieldBytes(int ch, FieldKey field, std::string_view bytes) {
  Channel& c = channel(ch, "assign field of");
  int i = fieldIndex(c.fields, field, c.where("assign field of"));
  const size_t width = static_cast<size_t>(c.fields[static_cast<size_t>(i)].width);
  std::string value(bytes.substr(0, width));
  value.resize(width, ' ');
  c.record.replace(static_cast<size_t>(c.offsets[static_cast<size_t>(i)]), width, value);
}

void ChannelTable::assignField(int ch, FieldKey field, std::string_view utf8) {
  Channel& c = channel(ch, "assign field of");
  int i = fieldIndex(c.fields, field, c.where("assign field of"));
  assignFieldBytes(ch, i, fitCp932(toCp932(utf8), c.fields[static_cast<size_t>(i)].width));
}

std::string ChannelTable::fieldBytes(int ch, FieldKey field) {
  Channel& c = channel(ch, "read field of");
  int i = fieldIndex(c.fields, field, c.where("read field of"));
  return c.record.substr(static_cast<size_t>(c.offsets[static_cast<size_t>(i)]), static_cast<size_t>(c.fields[static_cast<size_t>(i)].width));
}

std::string ChannelTable::fieldText(int ch, FieldKey field) { return fromCp932(fieldBytes(ch, field)); }

std::string& ChannelTable::recordBuffer(int ch) {
  Channel& c = channel(ch, "record of");
  if (c.kind != Kind::Random) throw RuntimeError(err::BadFileMode, c.where("record of"));
  return c.record;
}

void ChannelTable::getRecord(int ch, int64_t n) {
  Channel& c = channel(ch, "get record of");
  const std::string where = "get record " + std::to_string(n) + " of " + c.name;
  if (c.kind != Kind::Random) throw RuntimeError(err::BadFileMode, where);
  if (n < 1) throw RuntimeError(err::BadRecordLength, where, "records count from 1");
  std::string buffer(static_cast<size_t>(c.recordLength), '\0');
  size_t got = 0;
  const off_t base = static_cast<off_t>((n - 1) * c.recordLength);
  while (got < buffer.size()) {
    ssize_t r = ::pread(c.fd, buffer.data() + got, buffer.size() - got, base + static_cast<off_t>(got));
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) raiseErrno(errno, where);
    if (r == 0) break;
    got += static_cast<size_t>(r);
  }
  c.record = std::move(buffer);
  c.pastEnd = got == 0;
}

void ChannelTable::putRecord(int ch, int64_t n) {
  Channel& c = channel(ch, "put record of");
  const std::string where = "put record " + std::to_string(n) + " of " + c.name;
  if (c.kind != Kind::Random) throw RuntimeError(err::BadFileMode, where);
  if (n < 1) throw RuntimeError(err::BadRecordLength, where, "records count from 1");
  size_t done = 0;
  const off_t base = static_cast<off_t>((n - 1) * c.recordLength);
  while (done < c.record.size()) {
    ssize_t w = ::pwrite(c.fd, c.record.data() + done, c.record.size() - done, base + static_cast<off_t>(done));
    if (w < 0 && errno == EINTR) continue;
    if (w < 0) raiseErrno(errno, where);
    done += static_cast<size_t>(w);
  }
}

int64_t ChannelTable::recordCount(int ch) {
  const int64_t bytes = size(ch);
  const int64_t length = channel(ch, "count records of").recordLength;
  if (length == 0) throw RuntimeError(err::BadFileMode, channel(ch, "").where("count records of"));
  return (bytes + length - 1) / length;  // a partial last record counts, so it is never overwritten
}

SerialPort& ChannelTable::serialPort(int ch) {
  Channel& c = channel(ch, "use line");
  if (c.kind != Kind::Serial) throw RuntimeError(err::BadFileMode, c.where("use line"));
  return *c.serial;
}

void ChannelTable::setSpeed(int ch, int bitsPerSecond) {
  Channel& c = channel(ch, "set speed of");
  if (c.kind != Kind::Serial) throw RuntimeError(err::BadFileMode, c.where("set speed of"));
  c.serial->setSpeed(bitsPerSecond);
}

}  // namespace vorn
