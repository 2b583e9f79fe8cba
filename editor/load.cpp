#include "editor/load.h"

#include <cerrno>
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "editor/normalize.h"
#include "editor/program_buffer.h"
#include "runtime/error.h"
#include "runtime/line_reader.h"
#include "runtime/numtext.h"
#include "runtime/text.h"

namespace vorn {
namespace {

constexpr int kProgressEvery = 1000;  // lines between progress reports

std::string upperAscii(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = char(std::toupper(static_cast<unsigned char>(c)));
  return out;
}

std::string extensionKey(std::string_view path) {
  return upperAscii(path.size() > 3 ? path.substr(path.size() - 3) : path);
}

// Splits file bytes into lines at CR LF, LF or CR; a missing final line end
// still ends the last line, and a DOS end-of-file mark (^Z) at the end is
// dropped (the same rule as LineReader, for contents already in memory).
std::vector<std::string_view> splitLines(std::string_view bytes) {
  if (!bytes.empty() && bytes.back() == '\x1a') bytes.remove_suffix(1);
  std::vector<std::string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\n') continue;
    lines.push_back(bytes.substr(start, i - start));
    if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < bytes.size()) lines.push_back(bytes.substr(start));
  return lines;
}

std::string trimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return std::string(s);
}

std::string unquote(std::string_view s) {
  std::string t = trimBlanks(s);
  if (t.size() >= 2 && t.front() == '"' && t.back() == '"') return t.substr(1, t.size() - 2);
  return t;
}

std::vector<std::string> splitCommas(std::string_view s) {
  std::vector<std::string> items;
  size_t start = 0;
  for (;;) {
    const size_t comma = s.find(',', start);
    items.push_back(std::string(s.substr(start, comma - start)));
    if (comma == std::string_view::npos) return items;
    start = comma + 1;
  }
}

}  // namespace

std::string unquotePath(std::string_view path) {
  if (!path.empty() && path.front() == '"') {
    path.remove_prefix(1);
    if (!path.empty()) path.remove_suffix(1);
  }
  return std::string(path);
}

bool isNcTypePath(std::string_view path) {
  const std::string key = extensionKey(path);
  return key.size() == 3 && std::string_view("DNCD.NC").find(key) != std::string_view::npos;
}

bool isWfPath(std::string_view path) { return extensionKey(path) == ".WF"; }

std::string programNameFromPath(std::string_view path) {
  const size_t slash = path.find_last_of("\\/");
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  return std::string(path.substr(0, path.find('.')));
}

bool isForeignNcPath(std::string_view path) {
  const size_t dot = path.find_last_of('.');
  if (dot == std::string_view::npos || path.find_first_of("\\/", dot) != std::string_view::npos) return false;
  const std::string ext = upperAscii(path.substr(dot));
  return ext == ".NGC" || ext == ".GCODE" || ext == ".TAP" || ext == ".CNC";
}

LineRule lineRuleFor(std::string_view path) {
  LineRule rule;
  rule.upcase = isForeignNcPath(path);
  rule.ncType = rule.upcase || isNcTypePath(path);
  rule.wf = isWfPath(path);
  return rule;
}

bool programLineInto(const LineRule& rule, std::string_view bytes, std::string& out, bool* cut) {
  if (cut) *cut = false;
  // Comment lines keep their text: a "(:" line names a file, and spacing its
  // "." from the extension would lose it (the whole-program rule skips them
  // for the same reason).
  if (!rule.ncType || bytes.starts_with('(')) {
    out = fromCp932(bytes);
    return true;
  }
  // ASCII reads the same in code page 932: normalised straight from the bytes.
  if (!normalizeAsciiBlockInto(bytes, out, false, cut, kNormalizedWidth, rule.upcase)) {
    const std::string text = fromCp932(bytes);
    normalizeBlockInto(text, out, false, cut, kNormalizedWidth, rule.upcase);
  }
  return out != "%";
}

std::optional<std::string> programLine(const LineRule& rule, std::string_view bytes, bool* cut) {
  std::string out;
  if (!programLineInto(rule, bytes, out, cut)) return std::nullopt;
  return out;
}

// Line 1 "mark,name", line 2 the title, line 3 the eight settings.
WfHeader readWfHeader(const std::vector<std::string>& lines) {
  WfHeader header;
  if (lines.size() > 0) {
    const std::string first = fromCp932(lines[0]);
    const size_t comma = first.find(',');
    header.YGW = float(numberValue(first.substr(0, comma)));
    if (comma != std::string::npos) header.name = unquote(std::string_view(first).substr(comma + 1));
  }
  if (lines.size() > 1) header.title = fromCp932(lines[1]);
  if (lines.size() > 2) {
    for (const std::string& item : splitCommas(fromCp932(lines[2]))) {
      if (header.settings.size() == 8) break;
      header.settings.push_back(float(numberValue(item)));
    }
  }
  return header;
}

namespace {

// Reads file lines into `kept` through the rule; stops at the buffer's
// capacity. `next` gives the next file line (bytes, cut flag); false at the end.
template <class Next>
LoadResult loadLines(ProgramBuffer& buffer, const std::string& path, Next&& next,
                     const LoadOptions& options) {
  LoadResult result;
  const LineRule rule = lineRuleFor(path);
  result.ncType = rule.ncType;
  std::string_view bytes;  // the file line, valid until the next call of `next`
  bool longer = false;
  int fileLine = 0;
  if (rule.wf) {
    std::vector<std::string> header;
    while (header.size() < 3 && next(bytes, &longer)) {
      ++fileLine;
      header.emplace_back(bytes);
    }
    result.header = readWfHeader(header);
  }
  std::vector<std::string> kept;
  std::string text;
  while (next(bytes, &longer)) {
    ++fileLine;
    if (longer) bytes = bytes.substr(0, cp932WholePrefix(bytes));
    bool cut = false;
    if (!programLineInto(rule, bytes, text, &cut)) continue;
    if (int(kept.size()) == buffer.capacity()) {
      result.cutAtLine = fileLine;  // the first line that would have been kept
      break;
    }
    kept.emplace_back(text);  // an exact-size copy; `text` keeps its room for the next line
    if (cut || longer) {
      if (result.linesCut++ == 0) result.firstCutLine = int(kept.size());
    }
    if (options.progress && kept.size() % kProgressEvery == 0) options.progress(int(kept.size()));
  }

  result.linesKept = int(kept.size());
  buffer.assign(std::move(kept));
  buffer.OSDATE = programNameFromPath(path);
  if (result.header) {
    if (!result.header->name.empty()) buffer.OSDATE = result.header->name;
    buffer.H0X = result.header->title;
    buffer.YGW = result.header->YGW;
  }
  if (options.progress) options.progress(result.linesKept);
  return result;
}

}  // namespace

LoadResult loadProgramFile(ProgramBuffer& buffer, std::string_view path, const LoadOptions& options) {
  const std::string p = unquotePath(path);
  const std::string hostPath = options.mapPath ? options.mapPath(p) : p;
  LineReader reader(hostPath, p);
  // A device such as /dev/zero may never end a line nor the file: refused.
  if (reader.isCharacterDevice()) throw RuntimeError(err::DeviceUnavailable, "open " + p, "a device, not a program file");
  return loadLines(buffer, p, [&reader](std::string_view& line, bool* cut) { return reader.nextView(line, cut); },
                   options);
}

LoadResult loadProgramBytes(ProgramBuffer& buffer, std::string_view path, std::string_view bytes,
                            const LoadOptions& options) {
  const std::vector<std::string_view> lines = splitLines(bytes);
  size_t i = 0;
  auto next = [&](std::string_view& line, bool* cut) {
    if (i == lines.size()) return false;
    const std::string_view l = lines[i++];
    *cut = l.size() > LineReader::kMaxLineBytes;
    line = l.substr(0, LineReader::kMaxLineBytes);
    return true;
  };
  return loadLines(buffer, unquotePath(path), next, options);
}

std::string loadCutMessage(const LoadResult& result) {
  if (result.cutAtLine == 0) {
    if (result.linesCut == 0) return {};
    return "長すぎる行を切りました: " + std::to_string(result.linesCut) + "行 (最初は" +
           std::to_string(result.firstCutLine) + "行目)";
  }
  return "ﾌｧｲﾙが大きすぎます: " + std::to_string(result.cutAtLine) + "行目から先は読み込んでいません";
}

}  // namespace vorn
