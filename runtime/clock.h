#pragma once
// Time for timers, delays and the clock strings. Real in the window, virtual in
// headless runs so that a 3-second timer costs no wall time in tests.
#include <chrono>
#include <ctime>
#include <string>

namespace vorn {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual double seconds() const = 0;          // monotonic seconds since start
  virtual void sleep(double s) = 0;            // real: sleeps; virtual: advances
  virtual std::time_t wallTime() const = 0;    // for date and time strings
};

class RealClock final : public Clock {
 public:
  RealClock();
  double seconds() const override;
  void sleep(double s) override;
  std::time_t wallTime() const override;
 private:
  std::chrono::steady_clock::time_point start_;
};

class VirtualClock final : public Clock {
 public:
  explicit VirtualClock(std::time_t wall = std::time(nullptr)) : wall_(wall) {}
  double seconds() const override { return now_; }
  void sleep(double s) override { if (s > 0) now_ += s; }
  std::time_t wallTime() const override { return wall_ + std::time_t(now_); }
 private:
  double now_ = 0;
  std::time_t wall_;
};

// "MM-DD-YYYY", "HH:MM:SS", milliseconds of the second, seconds since midnight.
std::string dateString(std::time_t t);
std::string timeString(std::time_t t);
double secondsOfDay(std::time_t t);

}  // namespace vorn
