#include "comm/environment_screen.h"

#include <optional>

#include "runtime/channels.h"
#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "shell/menu.h"

namespace vorn {

namespace {

constexpr int kFrameRow = 4;     // frame top-left, counted from 1
constexpr int kFrameCol = 15;
constexpr int kFrameWidth = 40;
constexpr int kSecondDriveCol = kFrameCol + 24;  // the module's "複写DD" field
constexpr int kLabelColor = 5;
constexpr int kStoreChannel = 6;  // the store's name-list channel, closed after a save

constexpr float kChoice = 0;
constexpr float kDigits = 1;
constexpr float kLetters = 3;
constexpr float kInteger = 10;
constexpr float kSigned = 12;

std::string text(float v) { return numberTextTrim(v); }
float value(const Form& form, int n) { return float(numberValue(form.field(n).ZM)); }
int choice(const Form& form, int n, int count, int old) {
  const int v = int(value(form, n));
  return (v >= 1 && v <= count) ? v : old;
}

void drawScreen(Screen& screen, const Form& form, const EnvironmentLayout& layout) {
  framedBox(screen, kFrameRow, kFrameCol, kFrameWidth, layout.innerRows);
  printAtPosition(screen, kFrameCol + 2, kFrameRow + layout.innerRows + 1, "環境", kLabelColor);
  for (size_t i = 0; i < layout.labels.size(); ++i)
    printAtPosition(screen, kFrameCol + 2, kFrameRow + 1 + int(i), layout.labels[i], kLabelColor);
  printAtPosition(screen, kFrameCol + 2 + 16, kFrameRow + 7, layout.colourLabels, kLabelColor);
  if (layout.secondDrive) printAtPosition(screen, kFrameCol + 17, kFrameRow + 1, "複写DD", kLabelColor);
  drawForm(screen, form);
  screen.color(7);
}

// A drive field, one character at column col of the first row; the rule
// decides (false: beep, ask again). False when Esc leaves the screen.
bool askDrive(Screen& screen, Environment& env, int col, std::string& drive,
              bool (*rule)(Environment&, const std::string&)) {
  for (;;) {
    FieldCall call;
    call.Y = kFrameRow + 1;
    call.F1 = col;
    call.ZP = 1;
    call.ZDN = 5;
    call.text = drive.substr(0, 1);
    const FieldResult r = fieldInput(screen, call);
    if (r.FDP == ending::Esc) return false;
    if (r.FDP != ending::Enter) continue;
    std::string entry = call.text;
    if (entry == " ") entry.clear();
    if (rule(env, entry)) {
      printAtPosition(screen, call.F1, call.Y, drive.empty() ? "  " : drive, 7);
      return true;
    }
    screen.beep();
  }
}

// Step 1: the data drive, then (on the module's screen) the second drive.
bool askDrives(Screen& screen, Environment& env, const EnvironmentLayout& layout) {
  if (!askDrive(screen, env, kFrameCol + 13, env.ZDX, applyDataDrive)) return false;
  if (!layout.secondDrive) return true;
  printAtPosition(screen, kSecondDriveCol, kFrameRow + 1, env.UC.empty() ? "  " : env.UC, 7);
  return askDrive(screen, env, kSecondDriveCol, env.UC, applySecondDrive);
}

}  // namespace

std::vector<FieldDef> environmentFormFields(const Edition& edition) {
  std::vector<FieldDef> fields = {
      // 1 folder; one choice is as wide as the first up to its blank
      {2, 11, int(edition.volumeChoice.find(' ') + 1), kChoice, edition.volumeChoice, 0},
      {4, 12, 3, kInteger, "5 " + std::to_string(edition.displaySpeedMax), 0},  // 2 display speed
      {5, 12, 3, kInteger, "1 " + std::to_string(edition.arcPitchMax), 0},      // 3 circle pitch
      {6, 12, 4, kSigned, "", 0},                    // 4-6 start X, Y, Z
      {6, 18, 4, kSigned, "", 0},
      {6, 24, 4, kSigned, "", 0},
      {7, 15, 1, kInteger, "0 7", 0},                // 7 text colour
      {7, 20, 2, kInteger, "0 15", 0},               // 8 colour "m"
      {7, 25, 2, kInteger, "0 15", 0},               // 9 colour "l"
      {8, 11, 0, kChoice, "", 1},                    // 10 a placeholder, never edited
      {9, 11, 5, kChoice, "1)12 2)24 3)48 4)96 ", 0},    // 11 line speed
      {10, 11, 6, kChoice, "1)ISO 2)ASC 3)ｿﾉﾀ ", 0},     // 12 code
      {11, 11, 4, kChoice, "1)1 2)2 ", 0},               // 13 stop bits
      {12, 11, 5, kChoice, "1)CR 2)LF 3)C+L", 0},        // 14 end of block
      {13, 11, 7, kChoice, "1)ｼﾘｱﾙ 2)ﾊﾟﾗﾚﾙ", 0},         // 15 plotter interface
      {14, 11, 2, kDigits, "", 0},                   // 16 port digits
      {14, 23, 2, kLetters, "", 0},                  // 17 RTS and DTR letters
  };
  if (edition.learner) fields.resize(9);  // no communication settings
  return fields;
}

void environmentToForm(const Environment& env, Form& form) {
  const int folder = env.USEL.size() == 2 && env.USEL[0] == 'M' ? env.USEL[1] - '0' : 1;
  form.field(1).ZM = text(float(folder >= 1 && folder <= 6 ? folder : 1));
  form.field(2).ZM = text(env.GL1);
  form.field(3).ZM = text(env.ZC1);
  form.field(4).ZM = text(env.G);
  form.field(5).ZM = text(env.CD);
  form.field(6).ZM = text(env.ZZS);
  form.field(7).ZM = text(env.NNT);
  form.field(8).ZM = text(env.CR);
  form.field(9).ZM = text(env.Y6);
  if (form.count() < 17) return;  // the learner's edition: no communication fields
  form.field(10).ZM = "";
  form.field(11).ZM = text(float(env.lineSpeed));
  form.field(12).ZM = text(float(env.PAX));
  form.field(13).ZM = text(float(env.V1R));
  form.field(14).ZM = text(float(env.endOfBlock));
  form.field(15).ZM = text(float(env.Y8));
  form.field(16).ZM = env.RCALC;
  form.field(17).ZM = env.IKDSP;
}

void formToEnvironment(const Form& form, Environment& env, int volumes) {
  env.USEL = "M" + std::to_string(choice(form, 1, volumes, 1));
  env.GL1 = value(form, 2);
  env.ZC1 = value(form, 3);
  env.G = value(form, 4);
  env.CD = value(form, 5);
  env.ZZS = value(form, 6);
  env.NNT = value(form, 7);
  env.CR = value(form, 8);
  env.Y6 = value(form, 9);
  if (form.count() < 17) return;  // the learner's edition: no communication fields
  env.lineSpeed = choice(form, 11, 4, env.lineSpeed);
  env.PAX = choice(form, 12, 3, env.PAX);
  env.V1R = choice(form, 13, 2, env.V1R);
  env.endOfBlock = choice(form, 14, 3, env.endOfBlock);
  env.Y8 = choice(form, 15, 2, env.Y8);
  env.RCALC = form.field(16).ZM;
  env.IKDSP = form.field(17).ZM;
}

namespace {

// "A".."F" as a drive ("A:"), "" for none; nullopt for anything else.
std::optional<std::string> driveEntry(const std::string& entry) {
  if (entry.empty()) return std::string();
  if (entry.size() == 1 && std::string("ABCDEF").find(char(std::toupper(entry[0]))) != std::string::npos)
    return std::string(1, char(std::toupper(entry[0]))) + ":";
  return std::nullopt;
}

// The last field the form lets the user edit (where "up" from the closing choice goes).
int lastEditable(const Form& form) {
  for (int n = form.count(); n >= 1; --n)
    if (form.field(n).skip == 0 && form.field(n).I0M > 0) return n;
  return 1;
}

}  // namespace

bool applyDataDrive(Environment& env, const std::string& entry) {
  const std::optional<std::string> drive = driveEntry(entry);
  if (!drive) return false;
  env.ZDX = *drive;
  if (env.ZDX == env.UC) env.UC = (!entry.empty() && std::toupper(entry[0]) == 'A') ? "B:" : "A:";
  return true;
}

bool applySecondDrive(Environment& env, const std::string& entry) {
  const std::optional<std::string> drive = driveEntry(entry);
  if (!drive || *drive == env.ZDX) return false;
  env.UC = *drive;
  return true;
}

EnvironmentLayout environmentLayout(const Edition& edition) {
  EnvironmentLayout layout;
  layout.labels = {
      "ﾃﾞｰﾀﾄﾞﾗｲﾌﾞ", edition.volumeLabel, "", "表示速度", "  円ﾋﾟｯﾁ", "開始座標 X     Y     Z", "表示色  ﾃｷｽﾄ",
      "", "通信速度", "通信ｺｰﾄﾞ", "ｽﾄｯﾌﾟbit", "区切り", "ﾌﾟﾛｯﾀI/F", "ﾎﾟｰﾄNo.       RtsDtr",
  };
  // The learner's edition has no communication: its rows stay empty.
  if (edition.learner) layout.labels.resize(7);
  layout.fields = environmentFormFields(edition);
  // No CAM output in the learner's edition: no machine-type choice.
  layout.menu = edition.learner ? "1)保存 2)変更 " : "1)保存 2)変更 3)CAMM ";
  layout.volumes = edition.volumes;
  return layout;
}

EnvironmentLayout moduleEnvironmentLayout() {
  EnvironmentLayout layout = environmentLayout(vorntEdition());
  layout.innerRows = 13;
  layout.labels = {
      "ﾃﾞｰﾀﾄﾞﾗｲﾌﾞ", "ﾌｧｨﾙ区分", "", "表示速度", "", "開始座標 X     Y     Z", "表示色  ﾃｷｽﾄ",
      "", "通信速度", "通信ｺｰﾄﾞ", "ｽﾄｯﾌﾟbit", "区切り",
  };
  layout.colourLabels = "   m";
  const FieldDef hidden{8, 11, 0, kChoice, "", 1};  // keeps its value, shows nothing, never edited
  layout.fields[2].skip = 1;       // circle pitch: shown only
  layout.fields[7].col = 23;       // colour "m"
  layout.fields[8] = hidden;       // no colour "l"
  for (size_t n : {14u, 15u, 16u}) layout.fields[n] = hidden;  // no plotter interface, ports, control lines
  layout.menu = "1)設定 2)変更 3)ﾓﾄﾞﾙ ";
  layout.secondDrive = true;
  return layout;
}

int runEnvironmentForm(Screen& screen, Environment& env, const EnvironmentLayout& layout) {
  Form form = loadForm(layout.fields, kFrameRow, kFrameCol);
  environmentToForm(env, form);
  screen.resetTextWindow();
  screen.color(7, 0);
  drawScreen(screen, form, layout);
  int editFrom = 1;
  bool drives = true;
  for (;;) {
    if (drives) {
      if (!askDrives(screen, env, layout)) return 0;
      drives = false;
    }
    if (editFrom > 0) editForm(screen, form, editFrom);
    FieldCall menu;
    menu.Y = kFrameRow + layout.innerRows + 1;
    menu.F1 = kFrameCol + 13;
    menu.ZP = 7;
    menu.ZDN = kChoice;
    menu.W0L = layout.menu;
    menu.text = "1";
    const FieldResult r = fieldInput(screen, menu);
    const int chosen = int(numberValue(menu.text));
    editFrom = 0;
    if (r.FDP == ending::Esc) return 0;
    if (r.FDP == ending::Up) {
      editFrom = lastEditable(form);
    } else if (r.FDP == ending::Down) {
      editFrom = 1;
    } else if (r.FDP != ending::Enter) {
      screen.beep();
    } else if (chosen == 2) {
      drives = true;
      editFrom = 1;
    } else {
      if (chosen == 1) formToEnvironment(form, env, layout.volumes);
      return chosen;
    }
  }
}

EnvironmentOutcome environmentScreen(Session& s) {
  const EnvironmentLayout layout = environmentLayout(s.edition);
  const int chosen = runEnvironmentForm(s.screen, s.environment, layout);
  eraseBox(s.screen, kFrameRow, kFrameCol, kFrameWidth, layout.innerRows);
  if (chosen == 1) {
    if (s.hooks.saveEnvironment) s.guarded([&] { s.hooks.saveEnvironment(s); });
    s.channels.close(kStoreChannel);
    return EnvironmentOutcome::Saved;
  }
  return chosen == 3 ? EnvironmentOutcome::Machine : EnvironmentOutcome::Left;
}

}  // namespace vorn
