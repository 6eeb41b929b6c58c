#include "support/TimeCounter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>

namespace {

TEST(TimeCounter, MeasuresStoppedAndRunningIntervals) {
  _TimeCounter counter;
  counter.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  EXPECT_GE(counter.ElapsedMs(), 30);  // still running: up to now
  counter.Stop();
  std::int64_t stopped = counter.ElapsedMs();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(counter.ElapsedMs(), stopped);  // frozen after Stop
  EXPECT_LT(stopped, 5000);

  std::string rate;
  double expected = 3000.0 / counter.Elapsed();
  EXPECT_EQ(counter.PerSecond(3000, rate), rate.c_str());
  EXPECT_NEAR(std::stod(rate), expected, 1.0);
  EXPECT_EQ(rate.find('.'), std::string::npos);  // large rates without decimals
  counter.PerSecond(1, rate);
  EXPECT_NE(rate.find('.'), std::string::npos);
}

TEST(TimeCounter, NoElapsedTimeGivesNotAvailable) {
  _TimeCounter never;  // neither started nor stopped: no interval at all
  std::string rate;
  EXPECT_STREQ(never.PerSecond(5, rate), "n/a");
}

}  // namespace
