#pragma once
// The machine file "NCMM": 70-byte records, record 1 the current machine
// settings, records 2 onward the machine types (read only: they come with
// the system). Every record: field A (1 character), field B (9 characters),
// twelve 4-character number fields F0-F11 (number text, left-justified,
// blank-padded) and 12 reserved bytes. Kept beside the machine output
// rather than in the store, because the environment screen (below the
// store) opens the machine settings.
#include <string>
#include <string_view>
#include <vector>

#include "output/machine_output.h"

namespace vorn {

class ChannelTable;

inline constexpr int kMachineRecordLength = 70;
inline constexpr int kMachineChannel = 6;
inline constexpr const char* kMachineFile = "NCMM";

// Record 1.
struct MachineSettings {
  int AWY = 1;           // communication method: 1 parallel, 2 serial 4800, 3 serial 9600
  std::string PZ1;       // nine-character text, carried unchanged
  std::string PTF;       // F0 text, read but never rewritten
  int V2I = 2;           // record number of the selected machine type
  float FIXT = 0.1f;     // arc resolution "円分解能", mm (0.01 to 0.5)
  float E = 50;          // Z limit "Ｚ軸制限", mm
  int ZC = 2;            // CAM mode "CAMﾓｰﾄﾞ": 1, 2 or 3 ("1D 2D 3D ")
  int IDXA = 1;          // pen number "ペン番号", one digit
  int condition = 1;     // communication condition "通信条件": 1 "8N1", 2 "7E2"
  // What the output reads of these.
  MachineOptions options() const;
};

// Packs over `record` (resized to 70 bytes, blanks where it was shorter),
// keeping F0 and the unused and reserved bytes as they were.
void packMachineSettings(const MachineSettings& s, std::string& record);
MachineSettings unpackMachineSettings(std::string_view record);
std::string packMachineType(const MachineType& t);
MachineType unpackMachineType(std::string_view record);

// The whole file: record 1 and the machine types.
struct MachineFile {
  MachineSettings settings;
  std::string record1;              // record 1's bytes as read (what a save keeps)
  std::vector<MachineType> types;   // records 2 onward, in order
  // The selected type (record V2I), or the first one; nullptr when there is none.
  const MachineType* selected() const;
};
// Reads the file (the channel table's "NCMM", or another name); a missing or
// empty file is created empty and gives no types and default settings. Blank
// records are no machine type.
MachineFile readMachineFile(ChannelTable& channels, const std::string& name = kMachineFile);
// Writes record 1 (through a temporary file), keeping the machine types.
void writeMachineSettings(ChannelTable& channels, MachineFile& file);

// Derived connection values.
std::string lineConditionText(int condition);   // "7E2" for 2, else "8N1"
std::string machineSpeedText(int AWY);          // "4800", "9600", blanks for parallel
// "LPT3:" for the parallel method, else "COMn:(S<condition>N<data bits>NN?,CS0,DS0)".
std::string machineDeviceString(int AWY, int plotterPort, int condition);

}  // namespace vorn
