#pragma once
// Names in the program store: the files of a drive and volume, program names
// and titles, and the rules a name typed at a save has to meet.
#include <string>
#include <string_view>

namespace vorn {

inline constexpr int kMaxProgramName = 7;    // characters of a program name
inline constexpr int kMinTypedName = 3;      // a name typed at a save has at least this many
inline constexpr int kVolumeCapacity = 558;  // programs a volume holds (a new name is refused at count >= 560 - 2)

// Plain concatenation, no separator between drive and volume ("A:" + "M1" + ".D").
std::string directoryFileName(std::string_view drive, std::string_view volume);
std::string indexFileName(std::string_view drive, std::string_view volume);
std::string volumeFolderName(std::string_view drive, std::string_view volume);
std::string programFileName(std::string_view drive, std::string_view volume, std::string_view name);

inline constexpr const char* kEnvironmentFile = "NVOL";
inline constexpr const char* kCodeTableFile = "NCG";
inline constexpr const char* kDeviceNameFile = "NCNA";

// True for "A:".."F:" and "" (the working directory).
bool isDataDrive(std::string_view drive);
// True for "M1".."M6".
bool isVolumeName(std::string_view volume);
// A name character: A-Z, 0-9, "-", "@", "_".
bool isProgramNameChar(char c);
// Upper-cased with trailing blanks removed.
std::string foldProgramName(std::string_view name);
// Why a name cannot be stored under a key width ("" when it can): empty, too
// long, characters outside the set, or shorter than `minimum`.
std::string programNameProblem(std::string_view name, int keyWidth, int minimum = 1);
// Why a title cannot be stored ("" when it can): a character without a code
// page 932 form. Titles longer than the field are cut by the caller's field.
std::string titleProblem(std::string_view title);

}  // namespace vorn
