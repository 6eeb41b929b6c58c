// _TimeCounter: a stopwatch on the monotonic clock, for run times and rates.
// A counter that was started and not yet stopped measures up to now.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

class _TimeCounter {
 public:
  void Start();
  void Stop();
  double Elapsed() const;  // seconds
  std::int64_t ElapsedMs() const;
  // Writes count per second as display text into `rate` ("1234", "12.50";
  // "n/a" when no time has passed) and returns rate.c_str().
  const char* PerSecond(std::uint64_t count, std::string& rate) const;

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point start_{};
  Clock::time_point stop_{};
  bool running_ = false;
};
