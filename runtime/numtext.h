#pragma once
// The runtime's number text: the plain form every PRINT-like output uses and
// the template formatter ("#", ".", "+", "&...&", literal text). Files,
// screens and plotter output all go through here.
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace vorn {

// Plain form of a single: leading blank for zero and positive values, "-" for
// negative, shortest text that reads back as the same float with at most 7
// significant digits, no trailing zeros, ".5" without a leading zero, exponent
// form ("1E+08", "1.5E-07") where the runtime uses it: fixed while the text
// needs at most 7 digits (up to 9999999, and down to .0000001 counting the
// zeros after the point), else one digit, point, digits and "E+nn"/"E-nn".
// Not-a-number and infinities print as "NaN" and "Inf".
std::string numberText(float v);
// Plain form of a 16-bit integer or whole count (same sign rule).
std::string numberText(int v);
// numberText without the leading blank of non-negative values (STR$ trimmed).
std::string numberTextTrim(float v);
// The number at the start of text (VAL): leading blanks skipped, digits,
// one ".", sign, exponent "E"/"D"; anything else ends it; no number gives 0.
double numberValue(std::string_view text);

using TemplateValue = std::variant<double, std::string>;

// Formats values through a template: "#" digit positions, "." decimal point,
// a leading "+" for the sign, "&...&" a string field as wide as the two "&"
// and the blanks between them; other characters are literal. Numbers are
// right-aligned and rounded to the decimals shown; a number too wide for its
// field is printed whole after a "%". When values outnumber the fields the
// template is used again; literal text is printed up to the first field that
// has no value left. Rounding is half away from zero on the value's decimal
// text (a single's shortest text), a value that rounds to zero prints without
// "-". A string given to a number field is read with numberValue; a number
// given to a string field is shown in its plain form.
std::string formatTemplate(std::string_view tmpl, const std::vector<TemplateValue>& values);

}  // namespace vorn
