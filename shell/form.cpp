#include "shell/form.h"

#include <algorithm>

#include "runtime/numtext.h"
#include "runtime/screen.h"
#include "runtime/text.h"

namespace vorn {

namespace {

constexpr int kValueColor = 7;

bool isChoice(const FormField& f) { return f.J == 0; }
bool isNumber(const FormField& f) { return f.J >= 10; }

std::string_view trim(std::string_view s) {
  size_t first = s.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  size_t last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

// A single operand: a number or "#k".
float operandValue(std::string_view s, const Form& form) {
  s = trim(s);
  if (!s.empty() && s[0] == '#') {
    int k = int(numberValue(s.substr(1)));
    if (k < 1 || k > form.count()) return 0;
    return float(numberValue(form.field(k).ZM));
  }
  return float(numberValue(s));
}

}  // namespace

Form loadForm(const std::vector<FieldDef>& defs, int originRow, int originCol) {
  Form form;
  size_t n = std::min(defs.size(), size_t(kMaxFormFields));
  for (size_t i = 0; i < n; ++i) {
    const FieldDef& d = defs[i];
    FormField f;
    f.YKO = originRow + d.row;
    f.CAM = originCol + d.col;
    f.I0M = d.width;
    f.J = d.type;
    f.skip = d.skip;
    if (d.type == 0) {
      f.W0L = d.text;
    } else {
      f.I1C = d.text;
      if (d.type >= 10) f.W0L = numberTemplate(d.width, numberDecimals(d.type));
    }
    form.fields.push_back(std::move(f));
  }
  return form;
}

void drawField(Screen& screen, const FormField& f) {
  std::string shown;
  if (isChoice(f)) {
    int v = int(numberValue(f.ZM));
    std::string choice = midByWidth(f.W0L, std::max(v - 1, 0) * f.I0M, f.I0M);
    shown = padToWidth(choice, std::max(textWidth(f.W0L), f.I0M));
  } else if (isNumber(f)) {
    shown = formatTemplate(f.W0L, {numberValue(f.ZM)});
  } else {
    shown = padToWidth(f.ZM, f.I0M);
  }
  screen.color(kValueColor);
  screen.locate(f.CAM - 1, f.YKO - 1);
  screen.print(shown);
}

void drawForm(Screen& screen, const Form& form) {
  for (const FormField& f : form.fields) drawField(screen, f);
}

FormResult editForm(Screen& screen, Form& form, int n) {
  FormResult result;
  int direction = 1;
  while (n >= 1 && n <= form.count()) {
    FormField& f = form.field(n);
    if (f.skip == 1 || f.I0M <= 0) {
      n += direction;
      continue;
    }
    FieldCall call{f.YKO, f.CAM, f.I0M, f.J, f.W0L, f.ZM};
    FieldResult r = fieldInput(screen, call);
    result = {n, r.FDP, r.fnKey};
    if (r.FDP == ending::Esc) {
      drawField(screen, f);   // what was typed is discarded
      return result;
    }
    float value = float(numberValue(call.text));
    if (!f.I1C.empty() && !inRange(f.I1C, value, form)) {
      screen.beep();
      continue;
    }
    f.ZM = call.text;
    if (r.FDP == ending::FunctionKey) return result;
    if (r.FDP == ending::Up || r.FDP == ending::Left) {
      direction = -1;
      --n;
    } else {
      direction = 1;
      const int row = f.YKO;
      ++n;
      if (r.FDP == ending::Down)
        while (n <= form.count() && form.field(n).YKO == row) ++n;
    }
  }
  result.field = n;
  return result;
}

float boundValue(std::string_view operand, const Form& form) {
  operand = trim(operand);
  for (char op : {'*', '/', '+', '-'}) {
    // A sign at the start belongs to the first number, not to an operator.
    size_t at = operand.find(op, 1);
    if (at == std::string_view::npos || operand.empty()) continue;
    float a = operandValue(operand.substr(0, at), form);
    float b = operandValue(operand.substr(at + 1), form);
    switch (op) {
      case '*': return a * b;
      case '/': return a / b;
      case '+': return a + b;
      default: return a - b;
    }
  }
  return operandValue(operand, form);
}

bool inRange(std::string_view check, float value, const Form& form) {
  check = trim(check);
  if (check.empty()) return true;
  size_t gap = check.find(' ');
  std::string_view low = check.substr(0, gap);
  std::string_view high = gap == std::string_view::npos ? std::string_view{} : trim(check.substr(gap));
  bool lowExclusive = !low.empty() && low[0] == '>';
  if (lowExclusive) low.remove_prefix(1);
  float lowValue = boundValue(low, form);
  if (lowExclusive ? !(value > lowValue) : !(value >= lowValue)) return false;
  if (high.empty()) return true;
  bool highExclusive = high[0] == '<';
  if (highExclusive) high.remove_prefix(1);
  float highValue = boundValue(high, form);
  return highExclusive ? value < highValue : value <= highValue;
}

}  // namespace vorn
