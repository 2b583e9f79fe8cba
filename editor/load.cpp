#include "editor/load.h"

#include <cerrno>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "editor/normalize.h"
#include "editor/program_buffer.h"
#include "runtime/error.h"
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
// still ends the last line, and a DOS end-of-file mark (^Z) at the end is dropped.
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

// Line 1 "mark,name", line 2 the title, line 3 the eight settings.
WfHeader readWfHeader(const std::vector<std::string_view>& lines) {
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

std::string readWholeFile(const std::string& hostPath, const std::string& shownPath) {
  // A folder opens as a stream of nothing; it is no program file.
  std::error_code ec;
  if (std::filesystem::is_directory(hostPath, ec)) throw RuntimeError(err::NotFound, "open " + shownPath, "a folder");
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) raiseErrno(errno ? errno : ENOENT, "open " + shownPath, Access::Read);
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) raiseErrno(errno ? errno : EIO, "read " + shownPath, Access::Read);
  return std::move(content).str();
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

LoadResult loadProgramFile(ProgramBuffer& buffer, std::string_view path, const LoadOptions& options) {
  const std::string p = unquotePath(path);
  const std::string hostPath = options.mapPath ? options.mapPath(p) : p;
  errno = 0;
  const std::string bytes = readWholeFile(hostPath, p);
  return loadProgramBytes(buffer, p, bytes, options);
}

LoadResult loadProgramBytes(ProgramBuffer& buffer, std::string_view path, std::string_view bytes,
                            const LoadOptions& options) {
  const std::string p = unquotePath(path);
  LoadResult result;
  result.ncType = isNcTypePath(p);
  std::vector<std::string_view> fileLines = splitLines(bytes);

  size_t first = 0;
  if (isWfPath(p)) {
    result.header = readWfHeader(fileLines);
    first = std::min<size_t>(3, fileLines.size());
  }

  std::vector<std::string> kept;
  kept.reserve(std::min<size_t>(fileLines.size(), size_t(buffer.capacity())));
  for (size_t i = first; i < fileLines.size(); ++i) {
    std::string text = fromCp932(fileLines[i]);
    // Comment lines keep their text: a "(:" line names a file, and spacing
    // its "." from the extension would lose it (the whole-program rule skips
    // them for the same reason).
    if (result.ncType && !text.starts_with('(')) {
      text = normalizeBlock(text, false);
      if (text == "%") continue;
    }
    if (int(kept.size()) == buffer.capacity()) {
      result.cutAtLine = int(i) + 1;  // the first line that would have been kept
      break;
    }
    kept.push_back(std::move(text));
    if (options.progress && kept.size() % kProgressEvery == 0) options.progress(int(kept.size()));
  }

  result.linesKept = int(kept.size());
  buffer.assign(std::move(kept));
  buffer.OSDATE = programNameFromPath(p);
  if (result.header) {
    if (!result.header->name.empty()) buffer.OSDATE = result.header->name;
    buffer.H0X = result.header->title;
  }
  if (options.progress) options.progress(result.linesKept);
  return result;
}

std::string loadCutMessage(const LoadResult& result) {
  if (result.cutAtLine == 0) return {};
  return "ﾌｧｲﾙが大きすぎます: " + std::to_string(result.cutAtLine) + "行目から先は読み込んでいません";
}

}  // namespace vorn
