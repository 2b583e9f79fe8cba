#include "shell/numeric.h"

#include <cmath>

#include "runtime/numtext.h"

namespace vorn {

float truncateTo1(float x) { return std::trunc(x * 10.0f) / 10.0f; }
float truncateTo2(float x) { return std::trunc(x * 100.0f) / 100.0f; }
float hundredths(float x) { return std::trunc(x * 100.0f); }

float FUNFIX(float x) {
  float magnitude = std::fabs(x);
  if (magnitude < 0.01f) return 0;
  float whole = std::floor(magnitude * 100.0f + 0.4f);
  return x < 0 ? -whole : whole;
}

namespace {

std::string rightTwo(const std::string& s) { return s.size() <= 2 ? s : s.substr(s.size() - 2); }

std::tm localDate(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

}  // namespace

std::string dateStamp(std::time_t t) {
  std::tm tm = localDate(t);
  std::string year = std::to_string(tm.tm_year + 1900);
  return rightTwo(year) + "." + rightTwo(numberText(tm.tm_mon + 1)) + "." + rightTwo(numberText(tm.tm_mday));
}

std::string longDate(std::time_t t) {
  std::tm tm = localDate(t);
  return std::to_string(tm.tm_year + 1900) + "年" + std::to_string(tm.tm_mon + 1) + "月" +
         std::to_string(tm.tm_mday) + "日";
}

}  // namespace vorn
