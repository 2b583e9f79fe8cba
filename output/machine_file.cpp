#include "output/machine_file.h"

#include <algorithm>
#include <cmath>

#include "runtime/channels.h"
#include "runtime/numtext.h"
#include "runtime/text.h"

namespace vorn {

namespace {

constexpr size_t kB = 1, kBWidth = 9, kF = 10, kFWidth = 4;

std::string numberField(float v) {
  std::string t = numberText(v);
  if (t.size() > kFWidth && t[0] == ' ') t.erase(0, 1);
  t.resize(kFWidth, ' ');
  return t;
}

std::string_view fieldAt(std::string_view record, size_t offset, size_t width) {
  if (offset >= record.size()) return {};
  return record.substr(offset, std::min(width, record.size() - offset));
}

float numberAt(std::string_view record, int index) {
  const double v = numberValue(fieldAt(record, kF + kFWidth * size_t(index), kFWidth));
  return std::isfinite(v) ? float(v) : 0.0f;
}

std::string textAt(std::string_view record, size_t offset, size_t width) {
  std::string t = fromCp932(fieldAt(record, offset, width));
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t;
}

void put(std::string& record, size_t offset, std::string_view bytes) {
  record.replace(offset, bytes.size(), bytes);
}

void putText(std::string& record, size_t offset, size_t width, std::string_view utf8) {
  put(record, offset, toCp932(padToWidth(utf8, int(width))).substr(0, width));
}

void putNumber(std::string& record, int index, float v) {
  put(record, kF + kFWidth * size_t(index), numberField(v));
}

int digitAt(std::string_view record, size_t offset, int lo, int hi, int fallback) {
  const std::string_view t = fieldAt(record, offset, 1);
  if (t.empty() || t[0] < '0' + lo || t[0] > '0' + hi) return fallback;
  return t[0] - '0';
}

}  // namespace

MachineOptions MachineSettings::options() const {
  MachineOptions o;
  o.serial = AWY == 2 || AWY == 3;
  o.FIXT = std::clamp(FIXT, 0.01f, 0.5f);
  o.E = E;
  o.ZC = ZC;
  o.IDXA = IDXA;
  return o;
}

void packMachineSettings(const MachineSettings& s, std::string& record) {
  record.resize(kMachineRecordLength, ' ');
  put(record, 0, std::string(1, char('0' + std::clamp(s.AWY, 1, 3))));
  putText(record, kB, kBWidth, s.PZ1);
  putNumber(record, 1, float(s.V2I));
  putNumber(record, 2, s.FIXT);
  putNumber(record, 3, s.E);
  put(record, kF + 4 * kFWidth, std::string(1, char('0' + std::clamp(s.ZC, 1, 3))) + "D  ");  // the choice text
  putNumber(record, 5, float(s.IDXA));
  putNumber(record, 6, float(s.condition));
}

MachineSettings unpackMachineSettings(std::string_view record) {
  MachineSettings s;
  s.AWY = digitAt(record, 0, 1, 3, 1);
  s.PZ1 = std::string(fromCp932(fieldAt(record, kB, kBWidth)));
  s.PTF = textAt(record, kF, kFWidth);
  s.V2I = std::max(2, int(numberAt(record, 1)));
  const float fixt = numberAt(record, 2);
  s.FIXT = fixt >= 0.01f && fixt <= 0.5f ? fixt : 0.1f;
  s.E = numberAt(record, 3);
  // Only the first character of the CAM mode counts.
  s.ZC = digitAt(textAt(record, kF + 4 * kFWidth, kFWidth), 0, 1, 3, 2);
  s.IDXA = std::clamp(int(numberAt(record, 5)), 0, 9);
  s.condition = numberAt(record, 6) == 2 ? 2 : 1;
  return s;
}

std::string packMachineType(const MachineType& t) {
  std::string record(kMachineRecordLength, ' ');
  put(record, 0, std::string(1, char('0' + std::clamp(t.ZN, 0, 5))));
  putText(record, kB, kBWidth, t.CAM);
  const float values[] = {t.RX, t.RY, 0, t.F6DZ, t.ZC, t.ERDE, t.XW, t.AWX, t.S2};
  for (int i = 0; i < 9; ++i)
    if (i != 2) putNumber(record, i, values[i]);
  return record;
}

MachineType unpackMachineType(std::string_view record) {
  MachineType t;
  t.ZN = digitAt(record, 0, 0, 5, 1);
  t.CAM = textAt(record, kB, kBWidth);
  t.RX = numberAt(record, 0);
  t.RY = numberAt(record, 1);
  t.F6DZ = numberAt(record, 3);
  t.ZC = numberAt(record, 4);
  t.ERDE = numberAt(record, 5);
  if (!(t.ERDE > 0)) t.ERDE = 10;  // a zero span would collapse the scaling window
  t.XW = numberAt(record, 6);
  t.AWX = numberAt(record, 7);
  t.S2 = numberAt(record, 8);
  return t;
}

const MachineType* MachineFile::selected() const {
  if (types.empty()) return nullptr;
  const size_t index = size_t(settings.V2I - 2);
  return index < types.size() ? &types[index] : &types[0];
}

namespace {

// The whole machine file; an empty one is created when it is missing.
std::string readMachineBytes(ChannelTable& channels, const std::string& name = kMachineFile) {
  std::string bytes;
  channels.open(kMachineChannel, name, OpenMode::Append);  // created empty when missing
  channels.close(kMachineChannel);
  channels.open(kMachineChannel, name, OpenMode::Input);
  try {
    const int64_t size = channels.size(kMachineChannel);
    if (size > 0) bytes = channels.readBytes(kMachineChannel, size_t(size));
  } catch (...) {
    channels.close(kMachineChannel);
    throw;
  }
  channels.close(kMachineChannel);
  return bytes;
}

}  // namespace

MachineFile readMachineFile(ChannelTable& channels, const std::string& name) {
  MachineFile file;
  const std::string bytes = readMachineBytes(channels, name);
  const size_t n = kMachineRecordLength;
  file.record1 = bytes.substr(0, std::min(bytes.size(), n));
  file.settings = unpackMachineSettings(file.record1);
  for (size_t at = n; at + n <= bytes.size(); at += n) {
    const std::string_view record(bytes.data() + at, n);
    if (record.find_first_not_of(std::string_view(" \0", 2)) == std::string_view::npos) continue;
    file.types.push_back(unpackMachineType(record));
  }
  return file;
}

void writeMachineSettings(ChannelTable& channels, MachineFile& file) {
  std::string bytes = readMachineBytes(channels);
  std::string record = bytes.substr(0, std::min<size_t>(bytes.size(), kMachineRecordLength));
  packMachineSettings(file.settings, record);
  file.record1 = record;
  if (bytes.size() < record.size()) bytes.resize(record.size(), ' ');
  bytes.replace(0, record.size(), record);
  // Output goes to a temporary file renamed over "NCMM" when closed.
  channels.open(kMachineChannel, kMachineFile, OpenMode::Output);
  channels.writeBytes(kMachineChannel, bytes);
  channels.close(kMachineChannel);
}

std::string lineConditionText(int condition) { return condition == 2 ? "7E2" : "8N1"; }

std::string machineSpeedText(int AWY) {
  static const std::string table = "24  4896";
  const size_t at = size_t(2 * AWY + 1) - 1;  // position 2 x method + 1, counted from 1
  if (AWY < 2 || at + 2 > table.size()) return "    ";  // parallel: no speed
  return table.substr(at, 2) + "00";
}

std::string machineDeviceString(int AWY, int plotterPort, int condition) {
  if (AWY == 1) return "LPT3:";
  // The data bits are repeated after "N" as the line parser requires: a fixed "N8"
  // would make the 7-bit condition a string no port accepts.
  const std::string line = lineConditionText(condition);
  return "COM" + std::to_string(plotterPort) + ":(S" + line + "N" + line.substr(0, 1) + "NN?,CS0,DS0)";
}

}  // namespace vorn
