#pragma once
// Which program of the package is running: the full VORN-T or the learner's
// VORN_s. Both are the same code; this record holds every limit and text in
// which they differ, and each subsystem reads the part it needs.
#include <string>
#include <vector>

#include "shell/menu.h"

namespace vorn {

struct Edition {
  std::string name;               // "VORNT" or "VORN_s": window and messages
  bool learner = false;           // VORN_s: no communication, submit instead of shared folders
  int programCapacity = 28912;    // lines the program buffer holds
  int volumes = 6;                // store volumes "M1".."M<volumes>"
  int volumeCapacity = 558;       // programs a volume holds
  int indexSlots = 560;           // slots of a volume's name index
  int lineDigits = 5;             // digits of line numbers in the editor's range templates
  int displaySpeedMax = 322;      // environment display speed, from 5
  int arcPitchMax = 60;           // environment arc pitch, from 1
  std::string volumeLabel = "ﾌｫﾙﾀﾞ";    // the environment's label of the volume field
  std::string volumeChoice = "M1 M2 M3 M4 M5 M6 ";  // the environment's volume choice
  std::string versionTag = "578f";      // shown on the exit screen
  std::vector<MenuEntry> menu;          // the main menu's entries and codes
  std::string editorKeyLabels;          // the editor's F1-F12 label line
  bool calculatorKeys = true;           // F7 calculator and F11 list hiding work
  int nestedCalls = 4;                  // subprogram calls that may nest
  std::string callDepthMessage = " m98";  // the block message of one call too many
  std::string exitNotice = "数秒で終了します。FDを取り出しましょう";  // the exit screen's advice
  std::string exitQuickKey = "すぐ閉じる時 [*]";                     // how to end at once
  double exitSeconds = 3.0;       // the exit screen's countdown before the program ends
  std::string missingFileText = "ﾄﾞﾗｲﾌﾞ,ﾊﾟｽ,ﾌｧｲﾙが見付らない";  // recovery screen, file not found
};

// The full program.
Edition vorntEdition();
// The learner's workstation program.
Edition learnerEdition();

}  // namespace vorn
