#pragma once
// Forms: a table of fields laid out relative to an origin, drawn at once and
// edited field by field with range checks; used by every settings screen.
#include <string>
#include <string_view>
#include <vector>

#include "shell/field.h"

namespace vorn {

class Screen;

// A field definition as screens write them: six items.
struct FieldDef {
  int row = 0;        // offset from the form's origin row
  int col = 0;        // offset from the form's origin column
  int width = 1;      // cells; one choice's width for a choice field
  float type = 0;     // ZDN of the field
  std::string text;   // the choices for type 0, the range check otherwise
  int skip = 0;       // 1 = shown but never edited
};

// One field of a loaded form (positions counted from 1).
struct FormField {
  int YKO = 1;        // row
  int CAM = 1;        // column
  int I0M = 1;        // width
  float J = 0;        // type (ZDN)
  std::string W0L;    // choices (type 0) or display template (number types)
  std::string I1C;    // range check text, "" for none
  int skip = 0;       // 1 = shown but not editable
  std::string ZM;     // value as text (choice fields: the chosen number)
};

inline constexpr int kMaxFormFields = 28;

struct Form {
  std::vector<FormField> fields;  // numbered from 1 by callers
  FormField& field(int n) { return fields.at(size_t(n - 1)); }
  const FormField& field(int n) const { return fields.at(size_t(n - 1)); }
  int count() const { return int(fields.size()); }
};

// Builds the form from its definitions (at most kMaxFormFields), values empty.
Form loadForm(const std::vector<FieldDef>& defs, int originRow, int originCol);
// Prints every field's value.
void drawForm(Screen& screen, const Form& form);
void drawField(Screen& screen, const FormField& field);

struct FormResult {
  int field = 0;   // field where editing stopped (0 or count + 1 when moved out)
  int FDP = ending::Enter;
  int fnKey = 0;
};
// Edits from field n until a move leaves the form, Esc, or a function key.
FormResult editForm(Screen& screen, Form& form, int fromField);

// --- range checks (pure)

// Value of one bound operand: a number, "#k" (field k's value), or two such
// joined by the first of "*", "/", "+", "-" found in that order.
float boundValue(std::string_view operand, const Form& form);
// Whether value passes "low high" (">" before low / "<" before high: exclusive).
// An empty check passes everything.
bool inRange(std::string_view check, float value, const Form& form);

}  // namespace vorn
