#include "editor/program_stream.h"

#include <algorithm>
#include <climits>

#include "runtime/error.h"
#include "runtime/line_reader.h"
#include "runtime/numtext.h"
#include "runtime/text.h"

namespace vorn {
namespace {

constexpr size_t kMaxStarts = 4096;     // remembered line starts
constexpr int kCheckpointEvery = 1024;  // lines between starts remembered while reading on
constexpr size_t kMaxPrograms = 65536;  // "O" lines kept in the index

bool isProgramLine(const std::string& text) { return !text.empty() && text.front() == 'O'; }
// The number of an "O" line as the editor's program-number index reads it.
float programNumberOf(const std::string& text) { return float(numberValue(std::string_view(text).substr(1))); }

}  // namespace

StreamProgram::StreamProgram(const std::string& path)
    : path_(path), rule_(lineRuleFor(path)), reader_(std::make_unique<LineReader>(path, path)) {
  if (rule_.wf) {
    std::string header;
    for (int i = 0; i < 3 && reader_->next(header); ++i) {
    }
  }
  first_ = {1, reader_->offset()};
  starts_[1] = first_.offset;
  scanAt_ = first_;
}

StreamProgram::~StreamProgram() = default;

bool StreamProgram::seekable() const { return reader_->seekable(); }

bool StreamProgram::readLine(LineReader& reader, std::string& text, bool* cut, uint64_t* offset) const {
  std::string_view bytes;
  bool longer = false;
  for (;;) {
    *offset = reader.offset();
    if (!reader.nextView(bytes, &longer)) return false;
    if (longer) bytes = bytes.substr(0, cp932WholePrefix(bytes));
    bool normalisedCut = false;
    if (!programLineInto(rule_, bytes, text, &normalisedCut)) continue;  // a dropped "%" line takes no number
    *cut = longer || normalisedCut;
    return true;
  }
}

bool StreamProgram::advance() const {
  if (current_ == INT_MAX - 1) throw RuntimeError(err::Overflow, "read " + path_, "more lines than a run can count");
  bool cut = false;
  uint64_t offset = 0;
  if (!readLine(*reader_, text_, &cut, &offset)) {
    last_ = current_;
    return false;
  }
  ++current_;
  // Checkpoints bound the lines a jump back has to read again.
  if (current_ % kCheckpointEvery == 0) remember(current_, offset);
  if (current_ > countedTo_) {  // lines read again after a jump are not counted twice
    countedTo_ = current_;
    if (cut && linesCut_++ == 0) firstCutLine_ = current_;
  }
  if (current_ == indexedTo_ + 1) {
    noteProgramLine(current_, offset, text_);
    scanAt_ = {current_ + 1, reader_->offset()};
  }
  return true;
}

void StreamProgram::remember(int line, uint64_t offset) const {
  if (starts_.size() >= kMaxStarts) starts_.erase(std::next(starts_.begin()));  // line 1 stays
  starts_[line] = offset;
}

void StreamProgram::noteProgramLine(int line, uint64_t offset, const std::string& text) const {
  indexedTo_ = line;
  if (!isProgramLine(text)) return;
  const float number = programNumberOf(text);
  if (programs_.count(number)) return;  // the first "O" line of a number is the one called
  if (programs_.size() >= kMaxPrograms) {
    indexFull_ = true;
    return;
  }
  programs_[number] = {line, offset};
}

// Leaves the main reader so that its next line is `number` and current_ is
// number - 1, seeking to the nearest remembered start at or before it.
void StreamProgram::moveTo(int number) const {
  if (number == current_ + 1) return;
  if (!reader_->seekable()) {
    if (number > current_) return;  // ahead: read on
    throw RuntimeError(err::BadFileMode, "read " + path_,
                       "a jump back to line " + std::to_string(number) +
                           " needs a program file that can be read again, not a pipe or device");
  }
  // The line after the one the run leaves is where a return comes back to.
  if (current_ > 0) remember(current_ + 1, reader_->offset());
  auto it = starts_.upper_bound(number);
  --it;  // line 1 is always there
  if (it->first <= current_ + 1 && current_ + 1 <= number) return;  // reading on is nearer
  reader_->seekTo(it->second);
  current_ = it->first - 1;
}

bool StreamProgram::hasLine(int number) const {
  if (number < 1) return false;
  if (number <= current_) return true;
  if (last_ >= 0) return number <= last_;
  readTo(number);  // reads on to find out
  return current_ == number;
}

std::string_view StreamProgram::line(int number) const {
  if (number >= 1 && number == shownLine_) return shown_;
  if (!readTo(number)) return {};
  // The line is handed out from a string of its own: the runner looks a line
  // ahead (and a jump reads on) while the block's text is still in use.
  shown_.swap(text_);
  shownLine_ = number;
  return shown_;
}

bool StreamProgram::readTo(int number) const {
  if (number < 1 || (last_ >= 0 && number > last_)) return false;
  if (number == current_ && shownLine_ != current_) return true;  // text_ holds it
  moveTo(number);
  while (current_ < number) {
    if (!advance()) return false;
  }
  return true;
}

void StreamProgram::scanFor(int programNumber) const {
  const float wanted = float(programNumber);
  scanner_->seekTo(scanAt_.offset);
  int line = scanAt_.line - 1;
  std::string text;
  bool cut = false;
  uint64_t offset = 0;
  while (!programs_.count(wanted)) {
    if (!readLine(*scanner_, text, &cut, &offset)) {
      last_ = line;  // the whole file is indexed now
      return;
    }
    ++line;
    noteProgramLine(line, offset, text);
    scanAt_ = {line + 1, scanner_->offset()};
    if (indexFull_) return;
  }
}

int StreamProgram::findProgram(int programNumber) const {
  const float wanted = float(programNumber);
  auto found = [&]() -> int {
    auto it = programs_.find(wanted);
    if (it == programs_.end()) return 0;
    remember(it->second.line, it->second.offset);
    return it->second.line;
  };
  if (int line = found()) return line;
  if (last_ >= 0 && indexedTo_ >= last_ && !indexFull_) return 0;
  if (!reader_->seekable()) {
    throw RuntimeError(err::BadFileMode, "read " + path_,
                       "a subprogram call (M98) needs a program file that can be read again, not a pipe or device");
  }
  // Opened at the first call: most programs make none, and a start stays cheap.
  if (!scanner_) scanner_ = reader_->another();
  if (!indexFull_) scanFor(programNumber);
  if (int line = found()) return line;
  if (!indexFull_) return 0;
  // Too many programs to index: look through the whole file once more.
  scanner_->seekTo(first_.offset);
  std::string text;
  bool cut = false;
  uint64_t offset = 0;
  for (int line = 1; readLine(*scanner_, text, &cut, &offset); ++line) {
    if (isProgramLine(text) && programNumberOf(text) == wanted) {
      remember(line, offset);
      return line;
    }
  }
  return 0;
}

IncludedFile streamIncludedFile(const std::string& hostPath, const std::string& shownPath) {
  auto reader = std::make_shared<LineReader>(hostPath, shownPath);
  // A device may never end its first line, and the run cannot look at keys
  // while a line is read: refused, as the editor's loader refuses it.
  if (reader->isCharacterDevice()) throw RuntimeError(err::DeviceUnavailable, "open " + shownPath, "a device, not a program file");
  return IncludedFile([reader](std::string& line) {
    std::string_view bytes;
    bool longer = false;
    if (!reader->nextView(bytes, &longer)) return false;
    if (longer) bytes = bytes.substr(0, cp932WholePrefix(bytes));
    // ASCII reads the same in code page 932: `line` keeps its room.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
      line.assign(bytes);
    else
      line = fromCp932(bytes);
    return true;
  });
}

}  // namespace vorn
