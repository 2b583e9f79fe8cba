#include "output/hpgl_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "runtime/channels.h"
#include "runtime/numtext.h"

namespace vorn {

namespace {
constexpr size_t kSinkPiece = 8192;
}  // namespace

void ChannelSink::send(std::string_view text) {
  pending_.append(text);
  if (pending_.size() >= kSinkPiece) flush();
}

void ChannelSink::flush() {
  if (pending_.empty()) return;
  channels_.print(channel_, pending_);
  pending_.clear();
}

namespace {

// Fixed form with the given decimals, trailing zeros and a leading "0"
// dropped, the sign rule of the plain form.
std::string fixedForm(double v, int decimals) {
  char text[400];
  std::snprintf(text, sizeof text, "%.*f", decimals, std::fabs(v));
  std::string digits = text;
  if (digits.find('.') != std::string::npos) {
    while (digits.back() == '0') digits.pop_back();
    if (digits.back() == '.') digits.pop_back();
  }
  if (digits.starts_with("0.")) digits.erase(0, 1);
  if (digits.empty() || digits == "0") return " 0";
  return (v < 0 ? "-" : " ") + digits;
}

}  // namespace

std::string hpSingle(float v) {
  std::string text = numberText(v);
  if (text.find('E') == std::string::npos) return text;
  // Out of the plain form's fixed range: as many decimals as a single carries.
  return std::isfinite(v) ? fixedForm(v, 9) : " 0";
}

std::string hpComputed(double v) {
  if (!std::isfinite(v)) return " 0";
  const double magnitude = std::fabs(v);
  const int leading = magnitude >= 1 ? int(std::floor(std::log10(magnitude))) + 1 : 0;
  const int decimals = std::max(0, std::min(6, 9 - leading));
  return fixedForm(v, decimals);
}

void HpglWriter::command(std::string_view text) {
  std::string out(text);
  out += ';';
  sink_.send(out);
}

void HpglWriter::label(std::string_view text) {
  std::string out = "LB";
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 32 && byte != 127) out += c;
  }
  out += '\x03';
  sink_.send(out);
}

}  // namespace vorn
