// _TimeCounter: a stopwatch on the monotonic clock, for run times and rates.
// A counter that was started and not yet stopped measures up to now.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// `count` per `seconds` as display text: "1234", "12.50"; "n/a" for no time.
std::string RateText(std::uint64_t count, double seconds);

class _TimeCounter {
 public:
  void Start();
  void Stop();
  double Elapsed() const;  // seconds
  std::int64_t ElapsedMs() const;
  // Writes RateText of count over the elapsed time into `rate` and returns
  // rate.c_str().
  const char* PerSecond(std::uint64_t count, std::string& rate) const;

 private:
  using Clock = std::chrono::steady_clock;
  Clock::time_point start_{};
  Clock::time_point stop_{};
  bool running_ = false;
};
