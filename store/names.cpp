#include "store/names.h"

#include "runtime/text.h"

namespace vorn {

std::string directoryFileName(std::string_view drive, std::string_view volume) {
  return std::string(drive) + std::string(volume) + ".D";
}

std::string indexFileName(std::string_view drive, std::string_view volume) {
  return std::string(drive) + std::string(volume) + ".IX";
}

std::string volumeFolderName(std::string_view drive, std::string_view volume) {
  return std::string(drive) + std::string(volume);
}

std::string programFileName(std::string_view drive, std::string_view volume, std::string_view name) {
  return volumeFolderName(drive, volume) + "\\" + std::string(name);
}

bool isDataDrive(std::string_view drive) {
  return drive.empty() || (drive.size() == 2 && drive[0] >= 'A' && drive[0] <= 'F' && drive[1] == ':');
}

bool isVolumeName(std::string_view volume) {
  return volume.size() == 2 && volume[0] == 'M' && volume[1] >= '1' && volume[1] <= '6';
}

bool isProgramNameChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '@' || c == '_';
}

std::string foldProgramName(std::string_view name) {
  std::string out(name);
  while (!out.empty() && out.back() == ' ') out.pop_back();
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

std::string programNameProblem(std::string_view name, int keyWidth, int minimum) {
  if (name.empty()) return "no program name";
  for (char c : name) {
    if (!isProgramNameChar(c)) return "a program name holds only A-Z, 0-9, \"-\", \"@\" and \"_\"";
  }
  if (static_cast<int>(name.size()) > keyWidth) return "a program name has at most " + std::to_string(keyWidth) + " characters";
  if (static_cast<int>(name.size()) < minimum) return "a program name has at least " + std::to_string(minimum) + " characters";
  return {};
}

std::string titleProblem(std::string_view title) {
  int unconverted = 0;
  toCp932(title, &unconverted);
  if (unconverted > 0) return "the title holds a character that cannot be stored";
  return {};
}

}  // namespace vorn
