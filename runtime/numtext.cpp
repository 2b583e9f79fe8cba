#include "runtime/numtext.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "runtime/text.h"

namespace vorn {

namespace {

// A finite non-zero magnitude as decimal digits: value = 0.d1d2d3... x 10^(exponent+1),
// i.e. the first digit stands for 10^exponent. No trailing zeros.
struct Decimal {
  bool negative = false;
  std::string digits;  // empty for zero
  int exponent = 0;    // power of ten of the first digit
};

// Parses the output of "%.*e" ("-1.2345e+07") into a Decimal.
Decimal parseScientific(const char* text) {
  Decimal d;
  const char* p = text;
  if (*p == '-') {
    d.negative = true;
    ++p;
  }
  for (; *p && *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') d.digits.push_back(*p);
  }
  if (*p == 'e') d.exponent = std::atoi(p + 1);
  while (d.digits.size() > 1 && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits == "0") d.digits.clear();
  return d;
}

// The shortest decimal of at most maxDigits significant digits that reads
// back as the same value (as float when asFloat), else maxDigits digits.
Decimal shortestDecimal(double v, int maxDigits, bool asFloat) {
  char text[64];
  for (int p = 1; p <= maxDigits; ++p) {
    std::snprintf(text, sizeof text, "%.*e", p - 1, v);
    bool same = asFloat ? std::strtof(text, nullptr) == static_cast<float>(v) : std::strtod(text, nullptr) == v;
    if (same) return parseScientific(text);
  }
  std::snprintf(text, sizeof text, "%.*e", maxDigits - 1, v);
  return parseScientific(text);
}

// The decimal digits a template rounds: a value that is exactly a single is
// taken as the single's shortest text (so 2.675f rounds up like the 2.675 the
// user sees), any other value as the double's shortest text.
Decimal templateDecimal(double v) {
  const bool isSingle = std::fabs(v) <= 3.4e38 && static_cast<double>(static_cast<float>(v)) == v;
  return isSingle ? shortestDecimal(v, 9, true) : shortestDecimal(v, 17, false);
}

std::string zeros(int n) { return std::string(static_cast<size_t>(std::max(n, 0)), '0'); }

// Plain form of a non-zero finite single without its sign.
std::string plainMagnitude(const Decimal& d) {
  const int n = static_cast<int>(d.digits.size());
  const int e = d.exponent;
  // Fixed form when it needs at most 7 digits: up to 7 integer digits, or
  // the leading zeros after the point plus the significant digits fit in 7
  // (so 1E-07 prints ".0000001" while 1E-08 and 1.5E-07 take the exponent).
  if (e >= 0 && e < 7) {
    if (n <= e + 1) return d.digits + zeros(e + 1 - n);
    return d.digits.substr(0, e + 1) + "." + d.digits.substr(e + 1);
  }
  if (e < 0 && (-e - 1) + n <= 7) return "." + zeros(-e - 1) + d.digits;
  std::string out = d.digits.substr(0, 1);
  if (n > 1) out += "." + d.digits.substr(1);
  char exponent[16];
  std::snprintf(exponent, sizeof exponent, "E%c%02d", e < 0 ? '-' : '+', std::abs(e));
  return out + exponent;
}

// Magnitude of d rounded half away from zero to `decimals` places: integer
// digits without leading zeros ("" for none) and exactly `decimals` fraction digits.
struct Fixed {
  std::string whole;
  std::string fraction;
};

Fixed toFixed(const Decimal& d, int decimals) {
  const int top = std::max(d.exponent, 0);
  std::string buf(static_cast<size_t>(top + decimals + 1), '0');  // index i holds 10^(top-i)
  bool roundUp = false;
  for (size_t k = 0; k < d.digits.size(); ++k) {
    const int power = d.exponent - static_cast<int>(k);
    if (power >= -decimals && power <= top) {
      buf[static_cast<size_t>(top - power)] = d.digits[k];
    } else if (power == -decimals - 1) {
      roundUp = d.digits[k] >= '5';
    }
  }
  if (roundUp) {
    int i = static_cast<int>(buf.size()) - 1;
    for (; i >= 0 && buf[static_cast<size_t>(i)] == '9'; --i) buf[static_cast<size_t>(i)] = '0';
    if (i >= 0) {
      ++buf[static_cast<size_t>(i)];
    } else {
      buf.insert(buf.begin(), '1');
    }
  }
  Fixed f;
  f.fraction = buf.substr(buf.size() - static_cast<size_t>(decimals));
  f.whole = buf.substr(0, buf.size() - static_cast<size_t>(decimals));
  f.whole.erase(0, std::min(f.whole.find_first_not_of('0'), f.whole.size()));
  return f;
}

// One field of a template: a number field ("+", "#", ".") or a string field ("&  &").
struct Field {
  bool isString = false;
  int width = 0;          // characters the field occupies in the template
  bool plusSign = false;  // leading "+": the sign is always printed
  int wholeDigits = 0;    // "#" before the point
  bool hasPoint = false;  // "." present
  int fractionDigits = 0; // "#" after the point
};

bool isDigitMark(std::string_view t, size_t i) { return i < t.size() && t[i] == '#'; }

// Reads the field starting at t[i], or returns a width-0 field when t[i] starts none.
Field fieldAt(std::string_view t, size_t i) {
  Field f;
  if (t[i] == '&') {
    size_t j = i + 1;
    while (j < t.size() && t[j] == ' ') ++j;
    if (j < t.size() && t[j] == '&') {
      f.isString = true;
      f.width = static_cast<int>(j - i + 1);
    }
    return f;
  }
  size_t j = i;
  if (t[j] == '+' && (isDigitMark(t, j + 1) || (j + 1 < t.size() && t[j + 1] == '.' && isDigitMark(t, j + 2)))) {
    f.plusSign = true;
    ++j;
  }
  while (isDigitMark(t, j)) ++j, ++f.wholeDigits;
  const bool pointStarts = j < t.size() && t[j] == '.' && (f.wholeDigits > 0 || isDigitMark(t, j + 1));
  if (pointStarts) {
    f.hasPoint = true;
    ++j;
    while (isDigitMark(t, j)) ++j, ++f.fractionDigits;
  }
  if (f.wholeDigits + f.fractionDigits == 0) return Field{};
  f.width = static_cast<int>(j - i);
  return f;
}

std::string formatNumberField(const Field& f, double v) {
  if (!std::isfinite(v)) return "%" + numberTextTrim(static_cast<float>(v));
  Fixed fixed = toFixed(templateDecimal(v), f.fractionDigits);
  const bool isZero = fixed.whole.empty() && fixed.fraction.find_first_not_of('0') == std::string::npos;
  const bool negative = v < 0 && !isZero;  // a value that rounds to zero prints unsigned
  std::string sign = negative ? "-" : (f.plusSign ? "+" : "");
  std::string tail = f.hasPoint ? "." + fixed.fraction : "";
  std::string text = sign + fixed.whole + tail;
  if (fixed.whole.empty()) {
    // A lone zero before the point is shown only where the field has room for it.
    std::string withZero = sign + "0" + tail;
    if (static_cast<int>(withZero.size()) <= f.width || tail.empty()) text = withZero;
  }
  if (static_cast<int>(text.size()) > f.width) return "%" + text;
  return std::string(static_cast<size_t>(f.width) - text.size(), ' ') + text;
}

std::string formatField(const Field& f, const TemplateValue& value) {
  if (f.isString) {
    const std::string* s = std::get_if<std::string>(&value);
    return padToWidth(s ? *s : numberTextTrim(static_cast<float>(std::get<double>(value))), f.width);
  }
  const double* d = std::get_if<double>(&value);
  return formatNumberField(f, d ? *d : numberValue(std::get<std::string>(value)));
}

}  // namespace

std::string numberTextTrim(float v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-Inf" : "Inf";
  if (v == 0) return "0";
  Decimal d = shortestDecimal(v, 7, true);
  return (d.negative ? "-" : "") + plainMagnitude(d);
}

std::string numberText(float v) {
  std::string text = numberTextTrim(v);
  return text[0] == '-' ? text : " " + text;
}

std::string numberText(int v) { return (v < 0 ? "" : " ") + std::to_string(v); }

double numberValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  std::string number;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) number.push_back(text[i++]);
  bool seenPoint = false, seenDigit = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      seenDigit = true;
    } else if (c == '.' && !seenPoint) {
      seenPoint = true;
    } else {
      break;
    }
    number.push_back(c);
  }
  if (!seenDigit) return 0;
  // An exponent counts only when digits follow it ("1E" is 1).
  if (i < text.size() && std::string_view("EeDd").find(text[i]) != std::string_view::npos) {
    size_t j = i + 1;
    std::string exponent = "e";
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) exponent.push_back(text[j++]);
    size_t firstDigit = j;
    while (j < text.size() && text[j] >= '0' && text[j] <= '9') exponent.push_back(text[j++]);
    if (j > firstDigit) number += exponent;
  }
  return std::strtod(number.c_str(), nullptr);
}

std::string formatTemplate(std::string_view tmpl, const std::vector<TemplateValue>& values) {
  std::string out;
  size_t next = 0;  // next value to print
  bool anyField = false;
  size_t i = 0;
  while (i < tmpl.size()) {
    Field f = fieldAt(tmpl, i);
    if (f.width == 0) {
      out.push_back(tmpl[i++]);
    } else {
      anyField = true;
      if (next == values.size()) break;  // literal text runs up to the first unused field
      out += formatField(f, values[next++]);
      i += static_cast<size_t>(f.width);
    }
    if (i == tmpl.size() && anyField && next < values.size()) i = 0;  // more values: reuse the template
  }
  return out;
}

}  // namespace vorn
