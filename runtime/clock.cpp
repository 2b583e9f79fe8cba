#include "clock.h"

#include <cstdio>
#include <thread>

namespace vorn {

RealClock::RealClock() : start_(std::chrono::steady_clock::now()) {}

double RealClock::seconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void RealClock::sleep(double s) {
  if (s > 0) std::this_thread::sleep_for(std::chrono::duration<double>(s));
}

std::time_t RealClock::wallTime() const { return std::time(nullptr); }

static std::tm localParts(std::time_t t) {
  std::tm parts{};
  localtime_r(&t, &parts);
  return parts;
}

std::string dateString(std::time_t t) {
  std::tm p = localParts(t);
  char text[40];
  std::snprintf(text, sizeof text, "%02d-%02d-%04d", p.tm_mon + 1, p.tm_mday, p.tm_year + 1900);
  return text;
}

std::string timeString(std::time_t t) {
  std::tm p = localParts(t);
  char text[40];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", p.tm_hour, p.tm_min, p.tm_sec);
  return text;
}

double secondsOfDay(std::time_t t) {
  std::tm p = localParts(t);
  return p.tm_hour * 3600.0 + p.tm_min * 60.0 + p.tm_sec;
}

}  // namespace vorn
