#include "manage/tables.h"

#include <algorithm>

#include "manage/module.h"
#include "runtime/channels.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"
#include "shell/menu.h"
#include "shell/field.h"
#include "shell/session.h"
#include "store/names.h"

namespace vorn {
namespace {

constexpr int kLabelColor = 5, kTextColor = 7;
constexpr int kFirstRow = 4;        // the tables' first row, from 1
constexpr int kNumberCol = 2;       // row numbers
constexpr int kNameCol = 8;         // device names
constexpr int kNameWidth = 10;
constexpr int kConnectionCol = 20;  // "o" present, "-" absent; the choice is asked beside it
constexpr int kCodeCol = 8;         // code table rows
constexpr int kNameText = 6;        // text class of device names: any text with a code page 932 form
constexpr int kCodeText = 5;        // text class of code rows: single-byte characters

void drawDeviceRow(Screen& screen, const std::vector<DeviceName>& rows, int row) {
  const DeviceName& d = rows[static_cast<size_t>(row - 1)];
  printAtPosition(screen, kNameCol, kFirstRow + row, padToWidth(d.name, kNameWidth), kTextColor);
  printAtPosition(screen, kConnectionCol, kFirstRow + row, d.setting == 1 ? "o" : "-", kTextColor);
  printAtPosition(screen, kConnectionCol + 2, kFirstRow + row, std::string(10, ' '), kTextColor);
}

// The closing choice "1)登録 2)変更 3)ﾒﾆｭ- ": 1 save, 2 edit again, 3 back.
int closingChoice(Screen& screen, int row) {
  for (;;) {
    FieldCall call{row, kNameCol, 7, 0, "1)登録 2)変更 3)ﾒﾆｭ- ", "1"};
    FieldResult r = choiceField(screen, call);
    if (r.FDP == ending::Esc) return 3;
    if (r.FDP == ending::Up) return 2;
    if (r.FDP == ending::Enter) return static_cast<int>(numberValue(call.text));
    screen.beep();
  }
}

// Edits the device table row by row until Esc or a move past the last row.
void editDevices(Screen& screen, std::vector<DeviceName>& rows) {
  int row = 1;
  while (row >= 1 && row <= kDeviceNames) {
    DeviceName& d = rows[static_cast<size_t>(row - 1)];
    FieldCall name{kFirstRow + row, kNameCol, kNameWidth, kNameText, "", d.name};
    FieldResult r = textField(screen, name);
    if (r.FDP == ending::Esc) return;
    if (r.FDP == ending::Up) {
      row = std::max(1, row - 1);
      continue;
    }
    if (r.FDP == ending::Down) {
      ++row;
      continue;
    }
    if (r.FDP != ending::Enter) continue;
    if (name.text == kDeleteRow || name.text == kInsertRow) {
      if (name.text == kDeleteRow) deleteDeviceRow(rows, row);
      else insertDeviceRow(rows, row);
      for (int i = 1; i <= kDeviceNames; ++i) drawDeviceRow(screen, rows, i);
      continue;
    }
    d.name = name.text;
    FieldCall connection{kFirstRow + row, kConnectionCol + 2, 5, 0, "1)有 2)無 ", d.setting == 2 ? "2" : "1"};
    FieldResult c = choiceField(screen, connection);
    if (c.FDP == ending::Left) {
      drawDeviceRow(screen, rows, row);
      continue;
    }
    if (c.FDP == ending::Esc) return;
    if (c.FDP == ending::Enter) d.setting = static_cast<float>(numberValue(connection.text));
    drawDeviceRow(screen, rows, row);
    row += c.FDP == ending::Up ? -1 : 1;
    row = std::max(row, 1);
  }
}

}  // namespace

void deleteDeviceRow(std::vector<DeviceName>& rows, int row) {
  if (row < 1 || row > static_cast<int>(rows.size())) return;
  std::copy(rows.begin() + row, rows.end(), rows.begin() + row - 1);  // the last row keeps its text
}

void insertDeviceRow(std::vector<DeviceName>& rows, int row) {
  if (row < 1 || row > static_cast<int>(rows.size())) return;
  std::copy_backward(rows.begin() + row - 1, rows.end() - 1, rows.end());  // the last row is lost
}

void deviceNameScreen(Session& s, ModuleState&) {
  Screen& screen = s.screen;
  screen.clearText();
  printAtPosition(screen, kNameCol, kFirstRow - 1, "装置名", kLabelColor);
  printAtPosition(screen, kConnectionCol - 2, kFirstRow - 1, "接続", kLabelColor);
  for (int row = 1; row <= kDeviceNames; ++row) {
    printAtPosition(screen, kNumberCol, kFirstRow + row, formatTemplate(" ## ", {double(row)}), kLabelColor);
  }
  std::vector<DeviceName> rows = s.guarded([&] { return readDeviceNames(s.channels); });
  rows.resize(kDeviceNames);
  for (int row = 1; row <= kDeviceNames; ++row) drawDeviceRow(screen, rows, row);
  for (;;) {
    editDevices(screen, rows);
    const int choice = closingChoice(screen, kFirstRow + kDeviceNames + 2);
    if (choice == 1) s.guarded([&] { writeDeviceNames(s.channels, rows); });
    if (choice != 2) return;
  }
}

void codeTableScreen(Session& s, ModuleState&) {
  Screen& screen = s.screen;
  screen.clearText();
  printAtPosition(screen, kCodeCol, kFirstRow - 2, "使用Ｇｺｰﾄﾞ", kLabelColor);
  for (int row = 1; row <= kCodeTableRows; ++row) {
    printAtPosition(screen, 1, kFirstRow + row, row < kCodeTableRows ? formatTemplate("  ## ", {double(row - 1)}) : "Mｺｰﾄﾞ", kLabelColor);
  }
  std::vector<std::string> rows = s.guarded([&] { return readCodeTableRows(s.channels); });
  for (int row = 1; row <= kCodeTableRows; ++row) printAtPosition(screen, kCodeCol, kFirstRow + row, rows[static_cast<size_t>(row - 1)], kTextColor);
  for (;;) {
    int row = 1;
    while (row >= 1 && row <= kCodeTableRows) {
      FieldCall call{kFirstRow + row, kCodeCol, kCodeTableWidth, kCodeText, "", rows[static_cast<size_t>(row - 1)]};
      FieldResult r = textField(screen, call);
      if (r.FDP == ending::Esc) break;
      if (r.FDP == ending::Enter) rows[static_cast<size_t>(row - 1)] = call.text;
      if (r.FDP == ending::Up) row = std::max(1, row - 1);
      else if (r.FDP == ending::Enter || r.FDP == ending::Down) ++row;
    }
    const int choice = closingChoice(screen, kFirstRow + kCodeTableRows + 2);
    if (choice == 1) s.guarded([&] { writeCodeTableRows(s.channels, rows); });
    if (choice != 2) return;
  }
}

}  // namespace vorn
