#include "store/layouts.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "runtime/channels.h"
#include "runtime/text.h"

namespace vorn {
namespace {

// A field's place in its record.
struct Place {
  size_t offset;
  size_t width;
};

// Directory file, record 1.
constexpr Place kHeaderVolume{1, 8};

// Directory file, records 2 and up.
constexpr Place kStatus{0, 1};
constexpr Place kName{1, kDirectoryNameWidth};
constexpr Place kTitle{9, kTitleWidth};
constexpr Place kDate{27, 8};
constexpr Place kSize{35, 4};
constexpr Place kSaveCount{39, 2};
constexpr Place kMark{41, 2};
constexpr Place kTrajectory{50, 60};  // 15 singles
constexpr Place kToolRadii{120, 44};  // 11 singles
constexpr Place kPlot{180, 40};       // 10 singles

// Name index, record 1.
constexpr Place kFormatMark{0, 2};
constexpr Place kKeyWidth{2, 2};
constexpr Place kCount{4, 5};
constexpr Place kCapacity{9, 5};

// Environment record.
constexpr Place kEnvSingles{0, 60};  // 15 singles, slots 0-7 in use
constexpr Place kEnvDate{80, 10};
constexpr Place kReservedDrive{90, 2};
constexpr Place kDataDrive{92, 2};
constexpr Place kSecondDrive{94, 2};
constexpr Place kVolume{96, 2};
constexpr Place kLineSpeed{98, 1};
constexpr Place kCodeSet{99, 1};
constexpr Place kStopBits{100, 1};
constexpr Place kLineEnd{101, 1};
constexpr Place kCustomCode{102, 2};
constexpr Place kPlotterInterface{105, 1};
constexpr Place kPort{107, 2};
constexpr Place kRtsDtr{109, 2};

std::string_view field(std::string_view record, Place p) {
  if (p.offset >= record.size()) return {};
  return record.substr(p.offset, p.width);
}

// The field's bytes, blank-padded when the record was short.
std::string fieldPadded(std::string_view record, Place p) {
  std::string out(field(record, p));
  out.resize(p.width, ' ');
  return out;
}

void put(std::string& record, Place p, std::string_view bytes) {
  std::string value(bytes.substr(0, p.width));
  value.resize(p.width, ' ');
  record.replace(p.offset, p.width, value);
}

// Text as code page 932, cut without splitting a character and blank-padded.
void putText(std::string& record, Place p, std::string_view utf8) {
  put(record, p, fitCp932(toCp932(utf8), static_cast<int>(p.width)));
}

std::string trimRight(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}

std::string textOf(std::string_view record, Place p) { return trimRight(fromCp932(fieldPadded(record, p))); }

float finite(float v) { return std::isfinite(v) ? v : 0.0f; }

float singleAt(std::string_view record, size_t offset) {
  if (offset + 4 > record.size()) return 0;
  return finite(unpackSingle(record.substr(offset, 4)));
}

int int16At(std::string_view record, size_t offset) {
  if (offset + 2 > record.size()) return 0;
  return unpackInt16(record.substr(offset, 2));
}

template <size_t N>
void putSingles(std::string& record, Place p, const std::array<float, N>& values) {
  for (size_t i = 0; i < N && 4 * i < p.width; ++i) record.replace(p.offset + 4 * i, 4, packSingle(values[i]));
}

template <size_t N>
void getSingles(std::string_view record, Place p, std::array<float, N>& values) {
  for (size_t i = 0; i < N && 4 * i < p.width; ++i) values[i] = singleAt(record, p.offset + 4 * i);
}

std::string int16Bytes(int v) { return packInt16(std::clamp(v, -32768, 32767)); }

void fitRecord(std::string& record, size_t length) {
  if (record.size() != length) record.resize(length, ' ');
}

// Decimal text with a leading blank, as numbers are printed (" 7", " 970").
std::string decimal(int v) { return (v < 0 ? "" : " ") + std::to_string(v); }

// A whole number in decimal text (blanks around it allowed), or -1.
int parseCount(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  int value = 0;
  size_t digits = 0;
  while (i < text.size() && text[i] >= '0' && text[i] <= '9' && digits < 6) {
    value = value * 10 + (text[i] - '0');
    ++i;
    ++digits;
  }
  while (i < text.size() && text[i] == ' ') ++i;
  return digits > 0 && i == text.size() ? value : -1;
}

bool isDriveText(std::string_view t) { return t.size() == 2 && t[0] >= 'A' && t[0] <= 'F' && t[1] == ':'; }

// The digit of a one-character code field when it lies in lo..hi, else fallback.
int codeDigit(std::string_view t, int lo, int hi, int fallback) {
  if (t.size() != 1 || t[0] < '0' || t[0] > '9') return fallback;
  int d = t[0] - '0';
  return d >= lo && d <= hi ? d : fallback;
}

bool isDigits(std::string_view t) {
  return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isLetters(std::string_view t) {
  return !t.empty() && std::all_of(t.begin(), t.end(), [](char c) { return c >= 'A' && c <= 'Z'; });
}

}  // namespace

std::string packVolumeHeader(const VolumeHeader& header) {
  std::string record(kDirectoryRecordLength, ' ');
  putText(record, kHeaderVolume, header.volume);
  return record;
}

VolumeHeader unpackVolumeHeader(std::string_view record) { return {textOf(record, kHeaderVolume)}; }

void packDirectoryRecord(const DirectoryRecord& e, std::string& record) {
  fitRecord(record, kDirectoryRecordLength);
  put(record, kStatus, e.deleted ? "*" : " ");
  putText(record, kName, e.name);
  putText(record, kTitle, e.title);
  putText(record, kDate, e.date);
  put(record, kSize, packSingle(e.size));
  put(record, kSaveCount, int16Bytes(e.saveCount));
  put(record, kMark, int16Bytes(e.YGW));
  putSingles(record, kTrajectory, e.settings.trajectory);
  putSingles(record, kToolRadii, e.settings.toolRadii);
  putSingles(record, kPlot, e.settings.plot);
}

std::string packDirectoryRecord(const DirectoryRecord& entry) {
  std::string record(kDirectoryRecordLength, ' ');
  packDirectoryRecord(entry, record);
  return record;
}

DirectoryRecord unpackDirectoryRecord(std::string_view record) {
  DirectoryRecord e;
  e.deleted = field(record, kStatus) == "*";
  e.name = textOf(record, kName);
  e.title = textOf(record, kTitle);
  e.date = fromCp932(fieldPadded(record, kDate));
  e.size = singleAt(record, kSize.offset);
  e.saveCount = int16At(record, kSaveCount.offset);
  e.YGW = int16At(record, kMark.offset);
  getSingles(record, kTrajectory, e.settings.trajectory);
  getSingles(record, kToolRadii, e.settings.toolRadii);
  getSingles(record, kPlot, e.settings.plot);
  return e;
}

void packDirectoryTitle(std::string_view title, std::string& record) {
  fitRecord(record, kDirectoryRecordLength);
  putText(record, kTitle, title);
}

void packDirectoryStatus(bool deleted, std::string& record) {
  fitRecord(record, kDirectoryRecordLength);
  put(record, kStatus, deleted ? "*" : " ");
}

std::optional<IndexHeader> unpackIndexHeader(std::string_view record, std::string* why) {
  auto fail = [&](const char* reason) -> std::optional<IndexHeader> {
    if (why) *why = reason;
    return std::nullopt;
  };
  if (field(record, kFormatMark) != "10") return fail("the index header lacks its format mark");
  IndexHeader h;
  h.keyWidth = parseCount(field(record, kKeyWidth));
  if (h.keyWidth != 5 && h.keyWidth != 7) return fail("the index key width is neither 5 nor 7");
  h.count = parseCount(fieldPadded(record, kCount));
  if (h.count < 0 || h.count > kIndexCountLimit) return fail("the index count is not a number from 0 to 999");
  return h;
}

std::string packIndexHeader(const IndexHeader& header) {
  std::string record(kIndexRecordLength, ' ');
  put(record, kFormatMark, "10");
  put(record, kKeyWidth, decimal(header.keyWidth));
  put(record, kCount, decimal(header.count));
  put(record, kCapacity, header.keyWidth == 5 ? " 800" : " 970");
  return record;
}

void packIndexCount(int count, std::string& record) {
  fitRecord(record, kIndexRecordLength);
  put(record, kCount, decimal(count));
}

int entriesPerIndexRecord(int keyWidth) { return kIndexRecordLength / (keyWidth + 2); }

void packIndexBlock(const IndexEntry* entries, int n, int keyWidth, std::string& record) {
  fitRecord(record, kIndexRecordLength);
  const size_t w = static_cast<size_t>(keyWidth);
  for (int i = 0; i < n; ++i) {
    const size_t at = static_cast<size_t>(i) * (w + 2);
    std::string key = entries[i].key.substr(0, w);
    key.resize(w, ' ');
    record.replace(at, w, key);
    record.replace(at + w, 2, int16Bytes(entries[i].record));
  }
}

std::vector<IndexEntry> unpackIndexBlock(std::string_view record, int n, int keyWidth) {
  std::vector<IndexEntry> out;
  const size_t w = static_cast<size_t>(keyWidth);
  for (int i = 0; i < n; ++i) {
    const size_t at = static_cast<size_t>(i) * (w + 2);
    if (at + w + 2 > record.size()) break;
    out.push_back({std::string(record.substr(at, w)), int16At(record, at + w)});
  }
  return out;
}

Environment unpackEnvironment(std::string_view record, const Environment& current) {
  Environment env = current;
  // A field the record is too short to hold keeps the value in memory.
  auto whole = [&](Place p) { return p.offset + p.width <= record.size() ? std::string(record.substr(p.offset, p.width)) : std::string(); };
  float* targets[] = {&env.GL1, &env.ZC1, &env.G, &env.CD, &env.ZZS, &env.NNT, &env.CR, &env.Y6};
  for (size_t i = 0; i < 8; ++i) {
    const size_t at = kEnvSingles.offset + 4 * i;
    if (at + 4 > record.size()) break;
    const float v = unpackSingle(record.substr(at, 4));
    if (std::isfinite(v)) *targets[i] = v;
  }
  const std::string data = whole(kDataDrive);
  if (data == "  ") env.ZDX = "";
  else if (isDriveText(data)) env.ZDX = data;
  const std::string second = whole(kSecondDrive);
  // The module's environment screen offers "A:" to "F:" for the second drive.
  if (isDriveText(second)) env.UC = second;
  if (env.UC == env.ZDX) env.UC = env.ZDX == "A:" ? "B:" : "A:";
  const std::string volume = whole(kVolume);
  if (volume.size() == 2 && volume[0] == 'M' && volume[1] >= '1' && volume[1] <= '6') env.USEL = volume;
  env.lineSpeed = codeDigit(whole(kLineSpeed), 1, 4, env.lineSpeed);
  env.PAX = codeDigit(whole(kCodeSet), 1, 3, env.PAX);
  env.V1R = codeDigit(whole(kStopBits), 1, 2, env.V1R);
  env.endOfBlock = codeDigit(whole(kLineEnd), 1, 3, env.endOfBlock);
  env.Y8 = codeDigit(whole(kPlotterInterface), 1, 2, env.Y8);
  if (std::string custom = whole(kCustomCode); isDigits(custom)) env.CT1 = custom;
  if (std::string port = whole(kPort); isDigits(port)) env.RCALC = port;
  if (std::string rtsDtr = whole(kRtsDtr); isLetters(rtsDtr)) env.IKDSP = rtsDtr;
  return env;
}

void packEnvironment(const Environment& env, std::string_view dateText, std::string& record) {
  fitRecord(record, kEnvironmentRecordLength);
  const float values[] = {env.GL1, env.ZC1, env.G, env.CD, env.ZZS, env.NNT, env.CR, env.Y6};
  for (size_t i = 0; i < 8; ++i) record.replace(kEnvSingles.offset + 4 * i, 4, packSingle(values[i]));
  putText(record, kEnvDate, dateText);
  put(record, kDataDrive, env.ZDX.empty() ? "  " : env.ZDX);
  put(record, kSecondDrive, env.UC);
  put(record, kVolume, env.USEL);
  put(record, kLineSpeed, std::to_string(env.lineSpeed));
  put(record, kCodeSet, std::to_string(env.PAX));
  put(record, kStopBits, std::to_string(env.V1R));
  put(record, kLineEnd, std::to_string(env.endOfBlock));
  put(record, kCustomCode, env.CT1);
  put(record, kPlotterInterface, std::to_string(env.Y8));
  put(record, kPort, env.RCALC);
  put(record, kRtsDtr, env.IKDSP);
}

std::string freshEnvironmentRecord() {
  std::string record(kEnvironmentRecordLength, ' ');
  put(record, kReservedDrive, "A:");
  return record;
}

Environment freshEnvironment(const Environment& current) {
  Environment env = current;
  env.GL1 = 50;
  env.ZC1 = 9;
  env.ZDX = "A:";
  if (env.UC == env.ZDX) env.UC = "B:";
  env.USEL = "M1";
  env.PAX = 1;
  env.V1R = 2;
  env.CT1 = "12";
  return env;
}

}  // namespace vorn
