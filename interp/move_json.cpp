#include "interp/move_json.h"

#include <charconv>
#include <cmath>

namespace vorn {
namespace {

void number(std::string& out, float v) {
  if (!std::isfinite(v)) {
    out += "null";
    return;
  }
  if (v == 0) v = 0;  // no "-0"
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  out.append(buf, ec == std::errc() ? end : buf);
}

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

std::string moveJson(const Move& m) {
  std::string out = "{\"line\":" + std::to_string(m.line);
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
  return out;
}

}  // namespace vorn
