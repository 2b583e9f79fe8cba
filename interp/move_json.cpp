#include "interp/move_json.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace vorn {
namespace {

// Exact powers of ten in double precision for the short-decimal path.
constexpr double kPow10[] = {1, 10, 100, 1000};

// The common coordinate, a short decimal, without the general algorithm:
// the fewest fraction digits (at most 3) whose nearest decimal reads back as
// v is the shortest form, and below 1e5 it is written fixed, as to_chars
// writes it. In this range a decimal's double quotient rounds to the same
// single as the decimal itself. False when v needs the general path.
bool appendShortDecimal(std::string& out, float v) {
  const double a = std::fabs(double(v));
  if (!(a >= 0x1p-10 && a < 1e5)) return false;
  for (int k = 0; k <= 3; ++k) {
    const double scaled = std::nearbyint(a * kPow10[k]);
    if (float(scaled / kPow10[k]) != float(a)) continue;
    char digits[16];
    char* end = digits + sizeof digits;
    char* p = end;
    auto n = static_cast<uint64_t>(scaled);
    for (int i = 0; i < k; ++i, n /= 10) *--p = char('0' + n % 10);
    if (k > 0) *--p = '.';
    do {
      *--p = char('0' + n % 10);
      n /= 10;
    } while (n > 0);
    if (v < 0) *--p = '-';
    out.append(p, end);
    return true;
  }
  return false;
}

void number(std::string& out, float v) { appendJsonNumber(out, v); }

void field(std::string& out, const char* name, float v) {
  out += ",\"";
  out += name;
  out += "\":";
  number(out, v);
}

void point(std::string& out, const char* name, const float* p, int n) {
  out += ",\"";
  out += name;
  out += "\":[";
  for (int i = 0; i < n; ++i) {
    if (i) out += ',';
    number(out, p[i]);
  }
  out += ']';
}

void point(std::string& out, const char* name, const Point3& p) { point(out, name, p.data(), 3); }

void point(std::string& out, const char* name, Point2 p) {
  float xy[2] = {p.x, p.y};
  point(out, name, xy, 2);
}

}  // namespace

void appendJsonNumber(std::string& out, float v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  if (v == 0) {  // no "-0"
    out += '0';
    return;
  }
  if (appendShortDecimal(out, v)) return;
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, ec == std::errc() ? end : buf);
}

std::string moveJson(const Move& m) {
  std::string out;
  appendMoveJson(out, m);
  return out;
}

void appendMoveJson(std::string& out, const Move& m) {
  char line[16];
  auto [lineEnd, ec] = std::to_chars(line, line + sizeof line, m.line);
  out += "{\"line\":";
  out.append(line, lineEnd);
  field(out, "G", m.GL2);
  field(out, "oneShot", m.Y1);
  point(out, "from", m.from);
  point(out, "to", m.to);
  if (m.rest != m.to) point(out, "rest", m.rest);
  if (m.ZSC != 0) {
    point(out, "centre", m.centre);
    field(out, "radius", m.ZSC);
    field(out, "start", m.CO);
    field(out, "end", m.CP);
    field(out, "plane", m.plane);
  }
  if (m.repeats > 0) {
    field(out, "initialZ", m.initialZ);
    field(out, "R", m.CJ);
    field(out, "bottom", m.TXF);
    field(out, "peck", m.peck);
    field(out, "repeats", static_cast<float>(m.repeats));
    point(out, "holeStep", m.holeStep);
    field(out, "return", m.returnLevel);
  }
  if (m.Y1 == 92) point(out, "offset", m.offset);
  if (m.compensatedDrawing) {
    field(out, "comp", m.compensation);
    point(out, "C1", m.C1);
    if (m.corner == 2) point(out, "C2", m.C2);
  }
  out += '}';
}

}  // namespace vorn
