#include "manage/import.h"

#include <vector>

#include "editor/normalize.h"
#include "editor/program_buffer.h"
#include "runtime/line_reader.h"
#include "runtime/text.h"

namespace vorn {

ImportLine importLine(std::string_view bytes, bool* cut) {
  if (cut) *cut = false;
  if (bytes.starts_with('%')) return {};
  if (bytes.starts_with('"')) return {ImportLine::Kind::Title, cutToWidth(fromCp932(bytes.substr(1)), kImportTitleWidth)};
  return {ImportLine::Kind::Block, normalizeBlock(fromCp932(bytes), false, cut)};
}

ImportResult importTextFile(ProgramBuffer& buffer, const std::string& hostPath, const std::string& shownPath,
                            ImportMode mode, const std::function<void(int, const std::string&)>& shown) {
  ImportResult result;
  std::vector<std::string> lines;
  const int first = mode == ImportMode::Append ? buffer.lineCount() + 1 : 1;
  const int room = buffer.capacity() - first + 1;
  std::string title;
  LineReader reader(hostPath, shownPath);
  std::string bytes;
  for (int fileLine = 1; reader.next(bytes); ++fileLine) {
    bool cut = false;
    ImportLine line = importLine(bytes, &cut);
    if (line.kind == ImportLine::Kind::Title) {
      title = std::move(line.text);
      result.titleSet = true;
    }
    if (line.kind != ImportLine::Kind::Block) continue;
    if (static_cast<int>(lines.size()) >= room) {
      result.cutAtLine = fileLine;
      break;
    }
    result.linesCut += cut ? 1 : 0;
    lines.push_back(std::move(line.text));
    if (shown) shown(first + static_cast<int>(lines.size()) - 1, lines.back());
  }
  result.linesStored = static_cast<int>(lines.size());
  if (mode == ImportMode::Append) {
    for (std::string& line : lines) buffer.insertLine(buffer.lineCount() + 1, std::move(line));
  } else {
    buffer.assign(std::move(lines));
  }
  if (result.titleSet) buffer.H0X = title;
  return result;
}

}  // namespace vorn
