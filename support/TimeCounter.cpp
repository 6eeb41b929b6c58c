#include "support/TimeCounter.h"

#include <cstdio>

void _TimeCounter::Start() {
  start_ = Clock::now();
  running_ = true;
}

void _TimeCounter::Stop() {
  stop_ = Clock::now();
  running_ = false;
}

double _TimeCounter::Elapsed() const {
  Clock::time_point end = running_ ? Clock::now() : stop_;
  return std::chrono::duration<double>(end - start_).count();
}

std::int64_t _TimeCounter::ElapsedMs() const {
  Clock::time_point end = running_ ? Clock::now() : stop_;
  return std::chrono::duration_cast<std::chrono::milliseconds>(end - start_).count();
}

std::string RateText(std::uint64_t count, double seconds) {
  if (seconds <= 0.0) return "n/a";
  const double perSecond = static_cast<double>(count) / seconds;
  char text[64];
  // Large rates need no decimals; small ones would read as 0 without them.
  std::snprintf(text, sizeof text, perSecond >= 100.0 ? "%.0f" : "%.2f", perSecond);
  return text;
}

const char* _TimeCounter::PerSecond(std::uint64_t count, std::string& rate) const {
  rate = RateText(count, Elapsed());
  return rate.c_str();
}
