// Move records as JSON: numbers written by the short-decimal path must be
// the very bytes of the general shortest form, which the golden traces hold.
#include "interp/move_json.h"

#include <gtest/gtest.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>

namespace vorn {
namespace {

std::string general(float v) {
  if (!std::isfinite(v)) return "null";
  if (v == 0) v = 0;
  char buf[32];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, end);
}

std::string written(float v) {
  std::string out = "x";  // appended, not replaced
  appendJsonNumber(out, v);
  return out.substr(1);
}

TEST(JsonNumber, EveryThousandthUpToTheFastPathsEndReadsAsTheGeneralForm) {
  // Coordinates, radii and angles are mostly short decimals: every multiple
  // of 0.001 below 2000, and every 0.1 step up to and past 1e5.
  for (int i = -2000000; i <= 2000000; ++i) {
    const float v = float(i / 1000.0);
    ASSERT_EQ(written(v), general(v)) << i;
  }
  for (int i = -1100000; i <= 1100000; ++i) {
    const float v = float(i / 10.0);
    ASSERT_EQ(written(v), general(v)) << i;
  }
}

TEST(JsonNumber, AnySingleReadsAsTheGeneralForm) {
  std::mt19937 rng(5);
  for (int i = 0; i < 2000000; ++i) {
    const uint32_t bits = rng();
    float v;
    std::memcpy(&v, &bits, sizeof v);
    ASSERT_EQ(written(v), general(v)) << bits;
    // Values near the fast path's edges and near powers of two.
    const float near = std::ldexp(1.0f + float(rng() % 1000) / 1000.0f, int(rng() % 30) - 12);
    ASSERT_EQ(written(near), general(near)) << near;
    ASSERT_EQ(written(std::nextafter(near, 0.0f)), general(std::nextafter(near, 0.0f))) << near;
  }
  const float edges[] = {0.0f, -0.0f, 0x1p-10f, 0.001f, 0.0009765f, 99999.99f, 1e5f, 100000.01f, 8192.001f,
                         std::numeric_limits<float>::infinity(), std::nanf(""), 1e-45f, 3.4e38f};
  for (float v : edges) EXPECT_EQ(written(v), general(v)) << v;
  EXPECT_EQ(written(-0.0f), "0");
  EXPECT_EQ(written(std::nanf("")), "null");
}

TEST(MoveJson, OneLineWithOnlyWhatApplies) {
  Move m;
  m.line = 12;
  m.GL2 = 1;
  m.from = {0, 0, 0};
  m.to = {12.5f, -3.25f, 0.001f};
  m.rest = m.to;
  EXPECT_EQ(moveJson(m), R"({"line":12,"G":1,"oneShot":0,"from":[0,0,0],"to":[12.5,-3.25,0.001]})");
  std::string out = "keep ";
  appendMoveJson(out, m);
  EXPECT_EQ(out, "keep " + moveJson(m));
}

}  // namespace
}  // namespace vorn
